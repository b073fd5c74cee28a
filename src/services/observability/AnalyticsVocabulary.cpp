#include "services/observability/AnalyticsEvent.h"
#include "services/observability/AnalyticsProperty.h"

#include <array>

namespace stirwell {

namespace {
constexpr std::array<const char *, kAnalyticsEventCount> kEventNames = {
    "app.launched",
    "app.terminated",
    "observability.consent_changed",
    "observability.smoke_test",
    "onboarding.screen_viewed",
    "onboarding.completed",
    "permission.requested",
    "permission.resolved",
    "scheduler.started",
    "scheduler.stopped",
    "break.scheduled",
    "break.state_changed",
    "break.paused",
    "break.resumed",
    "break.started",
    "break.completed",
    "break.skipped",
    "break.snoozed",
    "break.natural_detected",
    "break.emergency_bypass",
    "break.post_meeting_triggered",
    "micro_break.scheduler_started",
    "micro_break.shown",
    "micro_break.completed",
    "micro_break.dismissed",
    "setting.changed",
    "update.check_requested",
    "update.start_failed",
    "popover.opened",
    "popover.action_tapped",
};

constexpr std::array<const char *, kAnalyticsPropertyCount> kPropertyKeys = {
    "analytics_enabled",
    "app_version",
    "architecture",
    "away_duration_bucket",
    "break_type",
    "build_number",
    "calendar_permission",
    "diagnostics_enabled",
    "duration_bucket",
    "error_kind",
    "interval_bucket",
    "macos_version",
    "meeting_duration_bucket",
    "micro_break_alert_style",
    "mode",
    "notification_permission",
    "outcome",
    "pause_reason",
    "previous_state",
    "screen",
    "setting",
    "skip_breaks_streak",
    "skip_tier",
    "snoozes_remaining",
    "source",
    "state",
    "update_check_type",
    "value",
    "action_id",
};
} // namespace

QString analyticsEventName(AnalyticsEvent event)
{
    return QString::fromLatin1(kEventNames.at(static_cast<std::size_t>(event)));
}

QString analyticsPropertyKey(AnalyticsProperty property)
{
    return QString::fromLatin1(kPropertyKeys.at(static_cast<std::size_t>(property)));
}

} // namespace stirwell
