#include "services/system/IdleNotificationEmulator.h"

#include "runtime/Runtime.h"

#include <algorithm>

namespace stirwell {

IdleNotificationEmulator::IdleNotificationEmulator(const Runtime &runtime, double thresholdSeconds)
    : m_runtime(runtime)
    , m_threshold(thresholdSeconds)
{
}

void IdleNotificationEmulator::idled()
{
    // A repeated idle event keeps the first moment: the user has been away since then.
    double expected = -1;
    m_idleSince.compare_exchange_strong(expected, m_runtime.monotonic());
}

void IdleNotificationEmulator::resumed()
{
    m_idleSince = -1;
}

double IdleNotificationEmulator::idleSeconds() const
{
    const double since = m_idleSince;
    if (since < 0)
        return 0;
    return m_threshold + std::max(0.0, m_runtime.monotonic() - since);
}

} // namespace stirwell
