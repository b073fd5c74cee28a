#pragma once

#include "services/habits/FrictionStorage.h"

#include <mutex>

namespace stirwell {

// Keeps the pair in memory only; safe to use from several threads.
class InMemoryFrictionStorage final : public FrictionStorage {
public:
    InMemoryFrictionStorage() = default;
    explicit InMemoryFrictionStorage(FrictionState initial)
        : m_state(std::move(initial))
    {
    }

    [[nodiscard]] FrictionState loadFriction() const override
    {
        const std::lock_guard lock(m_mutex);
        return m_state;
    }
    void saveFriction(const FrictionState &state) override
    {
        const std::lock_guard lock(m_mutex);
        m_state = state;
        ++m_saveCount;
    }
    // How many saves happened, for callers that check write-through.
    [[nodiscard]] int saveCount() const
    {
        const std::lock_guard lock(m_mutex);
        return m_saveCount;
    }

private:
    mutable std::mutex m_mutex;
    FrictionState m_state;
    int m_saveCount = 0;
};

} // namespace stirwell
