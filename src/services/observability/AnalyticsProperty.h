#pragma once

#include <QString>

#include <map>

namespace stirwell {

// Every property key an analytics event may carry, in their fixed order.
enum class AnalyticsProperty {
    analyticsEnabled,
    appVersion,
    architecture,
    awayDurationBucket,
    breakType,
    buildNumber,
    calendarPermission,
    diagnosticsEnabled,
    durationBucket,
    errorKind,
    intervalBucket,
    // Reported under "macos_version"; on Linux it carries nothing, the
    // operating-system version goes under "os_version" in the defaults.
    macOSVersion,
    meetingDurationBucket,
    microBreakAlertStyle,
    mode,
    notificationPermission,
    outcome,
    pauseReason,
    previousState,
    screen,
    setting,
    skipBreaksStreak,
    skipTier,
    snoozesRemaining,
    source,
    state,
    updateCheckType,
    value,
    actionId,
};

inline constexpr int kAnalyticsPropertyCount = 29;

// The snake-case key sent on the wire, such as "away_duration_bucket".
[[nodiscard]] QString analyticsPropertyKey(AnalyticsProperty property);

using AnalyticsProperties = std::map<AnalyticsProperty, QString>;

} // namespace stirwell
