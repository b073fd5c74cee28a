#include "app/core/SessionWiring.h"

#include "services/engine/BreakScheduler.h"

namespace stirwell {

void SessionWiring::microPause() const
{
    if (pauseMicroBreaks)
        pauseMicroBreaks();
}

void SessionWiring::microResume() const
{
    if (resumeMicroBreaks)
        resumeMicroBreaks();
}

void SessionWiring::machineWillSleep()
{
    if (m_scheduler)
        m_scheduler->pause(PauseReason::systemSleep);
    microPause();
}

void SessionWiring::machineDidWake()
{
    if (m_scheduler)
        m_scheduler->resume(PauseReason::systemSleep);
    microResume();
}

void SessionWiring::screensLocked()
{
    if (m_scheduler)
        m_scheduler->pause(PauseReason::screenLock);
    microPause();
}

void SessionWiring::screensUnlocked()
{
    if (m_scheduler)
        m_scheduler->resume(PauseReason::screenLock);
    microResume();
}

void SessionWiring::meetingStarted()
{
    if (m_scheduler)
        m_scheduler->pause(PauseReason::meeting);
}

void SessionWiring::meetingEnded(int /*minutes: the post-meeting break carries the length*/)
{
    if (m_scheduler)
        m_scheduler->resume(PauseReason::meeting);
}

void SessionWiring::postMeetingBreakReady(int minutes)
{
    if (m_scheduler)
        m_scheduler->triggerPostMeetingBreak(minutes);
}

void SessionWiring::quietHoursChanged(bool inside)
{
    if (inside)
        microPause();
    else
        microResume();
}

} // namespace stirwell
