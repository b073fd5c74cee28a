#pragma once

#include <QString>

namespace stirwell {

// Every usage event the application reports; the wire name is what is sent.
enum class AnalyticsEvent {
    appLaunched,
    appTerminated,
    observabilityConsentChanged,
    observabilitySmokeTest,
    onboardingScreenViewed,
    onboardingCompleted,
    permissionRequested,
    permissionResolved,
    schedulerStarted,
    schedulerStopped,
    breakScheduled,
    breakStateChanged,
    breakPaused,
    breakResumed,
    breakStarted,
    breakCompleted,
    breakSkipped,
    breakSnoozed,
    breakNaturalDetected,
    breakEmergencyBypass,
    breakPostMeetingTriggered,
    microBreakSchedulerStarted,
    microBreakShown,
    microBreakCompleted,
    microBreakDismissed,
    settingChanged,
    updateCheckRequested,
    updateStartFailed,
    popoverOpened,
    popoverActionTapped,
};

inline constexpr int kAnalyticsEventCount = 30;

// The dotted snake-case name, such as "break.state_changed".
[[nodiscard]] QString analyticsEventName(AnalyticsEvent event);

} // namespace stirwell
