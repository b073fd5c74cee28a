#pragma once

#include "services/habits/BudgetStorage.h"

#include <mutex>

namespace stirwell {

// Keeps the triple in memory only; safe to use from several threads.
class InMemoryBudgetStorage final : public BudgetStorage {
public:
    InMemoryBudgetStorage() = default;
    explicit InMemoryBudgetStorage(BudgetState initial)
        : m_state(std::move(initial))
    {
    }

    [[nodiscard]] BudgetState loadBudget() const override
    {
        const std::lock_guard lock(m_mutex);
        return m_state;
    }
    void saveBudget(const BudgetState &state) override
    {
        const std::lock_guard lock(m_mutex);
        m_state = state;
        ++m_saveCount;
    }
    [[nodiscard]] int saveCount() const
    {
        const std::lock_guard lock(m_mutex);
        return m_saveCount;
    }

private:
    mutable std::mutex m_mutex;
    BudgetState m_state;
    int m_saveCount = 0;
};

} // namespace stirwell
