#pragma once

#include "services/habits/BudgetStorage.h"
#include "services/ports/SnoozeAllowance.h"

namespace stirwell {

class Runtime;

// The day's snooze allowance: a snooze spends one, a completed break earns
// one back up to the maximum, and a new UTC day refills it. The maximum
// follows the commitment mode (gentle 10, normal 5, warrior 2); a change of
// mode refills to the new maximum. Every read runs the day check first.
// The triple (remaining, day, max) is written through `storage` on every
// operation that may change it, and on a day change. Runs on the thread
// that owns the runtime.
class SnoozeBudget final : public SnoozeAllowance {
public:
    // The maximum a budget starts with when none was saved.
    static constexpr int kDefaultMaximum = 5;

    // `runtime` and `storage` must outlive this object. Loads the saved
    // triple; saves nothing until the first operation or day change.
    SnoozeBudget(const Runtime &runtime, BudgetStorage &storage);

    void configure(CommitmentMode mode) override;
    [[nodiscard]] bool canSnooze() override;
    [[nodiscard]] int snoozesRemaining() override;
    [[nodiscard]] int maxSnoozes() override;
    int useSnooze() override;
    void regenerate() override;

private:
    [[nodiscard]] QString todayKey() const;
    void checkDay();
    void save();

    const Runtime &m_runtime;
    BudgetStorage &m_storage;
    int m_remaining = 0;
    int m_maxBudget = kDefaultMaximum;
    QString m_budgetDate;
};

} // namespace stirwell
