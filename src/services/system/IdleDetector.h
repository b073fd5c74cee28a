#pragma once

#include "runtime/Job.h"

#include <functional>

namespace stirwell {

class Runtime;

// How long the user has not touched keyboard or pointer, and a bounded wait
// for a pause in typing. The idle time comes from a provider fixed at
// construction (the platform's idle source; 0 when none works).
class IdleDetector {
public:
    using IdleTimeProvider = std::function<double()>;

    IdleDetector(Runtime &runtime, IdleTimeProvider idleTimeProvider);

    // Seconds since the last input, as the provider says.
    [[nodiscard]] double systemIdleTime() const;
    [[nodiscard]] bool isIdle(double thresholdSeconds) const;

    // Checks at once, then every `pollInterval` seconds, whether the user has
    // been idle at least `pauseThreshold` seconds: `done(true)` as soon as
    // they have, `done(false)` once `timeout` seconds pass first. Cancelling
    // the returned job ends the wait without calling `done` (the caller that
    // cancels knows). `done` may run before this returns.
    [[nodiscard]] Job waitForNaturalPause(double pauseThreshold, double pollInterval, double timeout,
                                          std::function<void(bool paused)> done);

private:
    Runtime &m_runtime;
    IdleTimeProvider m_idleTimeProvider;
};

} // namespace stirwell
