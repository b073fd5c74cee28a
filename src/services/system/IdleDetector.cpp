#include "services/system/IdleDetector.h"

#include "runtime/Runtime.h"

#include <memory>

namespace stirwell {

IdleDetector::IdleDetector(Runtime &runtime, IdleTimeProvider idleTimeProvider)
    : m_runtime(runtime)
    , m_idleTimeProvider(std::move(idleTimeProvider))
{
}

double IdleDetector::systemIdleTime() const
{
    return m_idleTimeProvider ? m_idleTimeProvider() : 0.0;
}

bool IdleDetector::isIdle(double thresholdSeconds) const
{
    return systemIdleTime() >= thresholdSeconds;
}

Job IdleDetector::waitForNaturalPause(double pauseThreshold, double pollInterval, double timeout,
                                      std::function<void(bool paused)> done)
{
    if (isIdle(pauseThreshold)) {
        done(true);
        return {};
    }
    const double deadline = m_runtime.monotonic() + timeout;
    return m_runtime.repeatWhile(pollInterval, [this, deadline, pauseThreshold, done = std::move(done)] {
        if (isIdle(pauseThreshold)) {
            done(true);
            return false;
        }
        if (m_runtime.monotonic() >= deadline) {
            done(false);
            return false;
        }
        return true;
    });
}

} // namespace stirwell
