#include "runtime/virtual/VirtualRuntime.h"

#include <algorithm>

namespace stirwell {

VirtualRuntime::VirtualRuntime(double startWallClock, LocalCalendar calendar)
    : m_wall(startWallClock)
    , m_calendar(std::move(calendar))
{
}

void VirtualRuntime::advance(double seconds)
{
    const double target = m_monotonic + std::max(0.0, seconds);
    while (true) {
        const auto due = m_queue.nextDue();
        if (!due || *due > target)
            break;
        if (*due > m_monotonic) {
            m_wall += *due - m_monotonic;
            m_monotonic = *due;
        }
        m_queue.runNext(m_monotonic);
    }
    m_wall += target - m_monotonic;
    m_monotonic = target;
}

void VirtualRuntime::advanceTo(double wallMoment)
{
    advance(wallMoment - m_wall);
}

void VirtualRuntime::jumpWallClock(double seconds)
{
    m_wall += seconds;
}

std::optional<double> VirtualRuntime::nextDueIn() const
{
    const auto due = m_queue.nextDue();
    if (!due)
        return std::nullopt;
    return std::max(0.0, *due - m_monotonic);
}

} // namespace stirwell
