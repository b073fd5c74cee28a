#pragma once

#include <QString>

namespace stirwell {

// The snooze allowance of one day, as persisted between runs.
struct BudgetState {
    int remaining = 0;
    // The UTC day key `remaining` belongs to; empty when nothing was saved.
    QString date;
    int max = 0;
    friend bool operator==(const BudgetState &, const BudgetState &) = default;
};

// Where SnoozeBudget keeps its (remaining, day, max) triple. Loading never
// fails: missing or unreadable values read as (0, "", 0).
class BudgetStorage {
public:
    virtual ~BudgetStorage() = default;
    [[nodiscard]] virtual BudgetState loadBudget() const = 0;
    virtual void saveBudget(const BudgetState &state) = 0;
};

} // namespace stirwell
