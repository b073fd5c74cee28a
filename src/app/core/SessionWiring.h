#pragma once

#include <QPointer>

#include <functional>

namespace stirwell {

class BreakScheduler;

// How sleep, screen lock and meetings reach the break engine and the
// eye-break cadence. The scheduler is held weakly: once it is gone (or before
// it is set) its part of each reaction is skipped, and the eye-break part
// still runs.
class SessionWiring {
public:
    void setScheduler(BreakScheduler *scheduler) { m_scheduler = scheduler; }
    std::function<void()> pauseMicroBreaks;
    std::function<void()> resumeMicroBreaks;

    void machineWillSleep();
    void machineDidWake();
    void screensLocked();
    void screensUnlocked();
    void meetingStarted();
    void meetingEnded(int minutes);
    void postMeetingBreakReady(int minutes);
    void quietHoursChanged(bool inside);

private:
    void microPause() const;
    void microResume() const;

    QPointer<BreakScheduler> m_scheduler;
};

} // namespace stirwell
