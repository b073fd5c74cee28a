#pragma once

#include "services/habits/BudgetStorage.h"
#include "services/habits/GuardedValue.h"

namespace stirwell {

// Keeps the triple in memory only; safe to use from several threads.
class InMemoryBudgetStorage final : public BudgetStorage, private GuardedValue<BudgetState> {
public:
    using GuardedValue::GuardedValue;
    using GuardedValue::saveCount;

    [[nodiscard]] BudgetState loadBudget() const override { return load(); }
    void saveBudget(const BudgetState &state) override { store(state); }
};

} // namespace stirwell
