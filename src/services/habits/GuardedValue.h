#pragma once

#include <mutex>
#include <utility>

namespace stirwell {

// A value behind a mutex, for in-memory storages that several threads may
// read and write; counts the stores so that callers can check write-through.
template <typename T>
class GuardedValue {
public:
    GuardedValue() = default;
    explicit GuardedValue(T initial)
        : m_value(std::move(initial))
    {
    }

    [[nodiscard]] T load() const
    {
        const std::lock_guard lock(m_mutex);
        return m_value;
    }
    void store(const T &value)
    {
        const std::lock_guard lock(m_mutex);
        m_value = value;
        ++m_saveCount;
    }
    // How many stores happened.
    [[nodiscard]] int saveCount() const
    {
        const std::lock_guard lock(m_mutex);
        return m_saveCount;
    }

private:
    mutable std::mutex m_mutex;
    T m_value;
    int m_saveCount = 0;
};

} // namespace stirwell
