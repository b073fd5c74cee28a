#pragma once

#include <atomic>

namespace stirwell {

class Runtime;

// Turns an idle *notification* (the compositor says "idle for T seconds now",
// later "active again") into an idle-time *query*: after the idle event at
// t0 the idle time is T + (now - t0), after the resume event it is 0.
// Events arrive on the main thread; idleSeconds() may be read from any.
class IdleNotificationEmulator {
public:
    IdleNotificationEmulator(const Runtime &runtime, double thresholdSeconds);

    void idled();
    void resumed();
    [[nodiscard]] double idleSeconds() const;
    [[nodiscard]] double thresholdSeconds() const { return m_threshold; }

private:
    const Runtime &m_runtime;
    const double m_threshold;
    // Monotonic moment of the idle event; negative while the user is active.
    std::atomic<double> m_idleSince{-1};
};

} // namespace stirwell
