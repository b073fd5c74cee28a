// Pauses by reason, time-boxed pauses, quiet hours, and the two ways meetings
// shape the rhythm: deferring a break before one, offering one after.

#include "services/engine/BreakScheduler.h"

#include "runtime/Runtime.h"
#include "services/observability/ObservabilityFormat.h"

#include <algorithm>

namespace stirwell {

namespace {
constexpr double kQuietHoursRecheck = 60;
// A time-boxed pause re-reads the clock at least this often, so that it ends
// on time even when the machine slept through part of it (timers stand still
// during a suspend, the clock does not).
constexpr double kAutoResumeRecheck = 60;
// Below a millisecond the end of a time-boxed pause counts as reached.
constexpr double kAutoResumeTolerance = 0.001;
constexpr double kMeetingLookAheadMargin = 60;
constexpr double kMeetingDeferral = 300;
constexpr int kShortestPostMeetingMinutes = 5;
constexpr int kExerciseSnackMeetingMinutes = 30;
constexpr int kExtendedBreakMeetingMinutes = 60;
} // namespace

// Pause and resume -------------------------------------------------------------------

void BreakScheduler::pause(PauseReason reason)
{
    const BreakState previous = m_state;
    insertPauseReason(reason);
    track(AnalyticsEvent::breakPaused, {{AnalyticsProperty::pauseReason, rawValue(reason)}});
    logTimerDiagnostic(QStringLiteral("scheduler.pause_requested"),
                       {{QStringLiteral("pause_reason"), rawValue(reason)},
                        {QStringLiteral("previous_state"), rawValue(previous)},
                        {QStringLiteral("already_paused"), boolString(previous == BreakState::paused)}});
    if (m_state == BreakState::paused)
        return;
    m_stateBeforePause = m_state;
    m_pauseStartTime = clockNow();
    cancelAllTasks();
    m_state = BreakState::paused;
    recordStateChange(previous, BreakState::paused);
}

void BreakScheduler::resume(PauseReason reason)
{
    const double pauseDuration = m_pauseStartTime ? clockNow() - *m_pauseStartTime : 0;
    const QString durationText = diagnosticSecondsString(pauseDuration);
    logTimerDiagnostic(QStringLiteral("scheduler.resume_requested"),
                       {{QStringLiteral("resume_reason"), rawValue(reason)},
                        {QStringLiteral("pause_duration_seconds"), durationText}});
    erasePauseReason(reason);
    if (m_pendingAutoResume && m_pendingAutoResume->reason == reason)
        clearPendingAutoResume();

    if (!m_pauseReasons.empty()) {
        logTimerDiagnostic(QStringLiteral("scheduler.resume_deferred"),
                           {{QStringLiteral("resume_reason"), rawValue(reason)},
                            {QStringLiteral("reason"), QStringLiteral("pause_reasons_remaining")}});
        return;
    }
    if (m_state != BreakState::paused) {
        logTimerDiagnostic(QStringLiteral("scheduler.resume_ignored"),
                           {{QStringLiteral("resume_reason"), rawValue(reason)},
                            {QStringLiteral("reason"), QStringLiteral("state_not_paused")}});
        return;
    }

    const BreakState previous = m_stateBeforePause.value_or(BreakState::counting);
    m_stateBeforePause.reset();
    m_pauseStartTime.reset();
    const DiagnosticProperties restoring = {{QStringLiteral("restoring_state"), rawValue(previous)},
                                            {QStringLiteral("pause_duration_seconds"), durationText}};

    if (!m_isActive) {
        // A pause that ends before start() returns the engine to where it
        // stood, counting with no job; start() begins the work.
        transition(BreakState::counting);
    } else if (pauseDuration > kNaturalBreakCreditCap) {
        DiagnosticProperties properties = restoring;
        properties.insert(QStringLiteral("reason"), QStringLiteral("beyond_natural_break_credit_cap"));
        logTimerDiagnostic(QStringLiteral("scheduler.resume_reset_without_credit"), properties);
        startCounting();
        startIdleMonitor();
        return;
    } else if (isOverlayVisible(previous) && qualifiesForNaturalBreakCredit(pauseDuration)) {
        logTimerDiagnostic(QStringLiteral("scheduler.resume_natural_break_credit"), restoring);
        recordNaturalBreakCredit(pauseDuration);
        startCountingWithCredit();
        startIdleMonitor();
        return;
    } else {
        switch (previous) {
        case BreakState::due: transitionToDue(); break;
        case BreakState::nudge:
        case BreakState::softBlock:
        case BreakState::firmBlock:
        case BreakState::hardBlock: reenterEscalation(previous); break;
        case BreakState::breakActive:
            if (transition(BreakState::breakActive))
                resumeBreakTimer();
            break;
        case BreakState::counting:
        case BreakState::completed:
        case BreakState::paused: startCounting(); break;
        }
    }

    track(AnalyticsEvent::breakResumed, {{AnalyticsProperty::pauseReason, rawValue(reason)}});
    DiagnosticProperties properties = restoring;
    properties.insert(QStringLiteral("resume_reason"), rawValue(reason));
    logTimerDiagnostic(QStringLiteral("scheduler.resumed"), properties);
    if (m_isActive)
        startIdleMonitor();
}

// Time-boxed pauses --------------------------------------------------------------------

void BreakScheduler::pauseUntil(double until, PauseReason reason)
{
    clearPendingAutoResume();
    pause(reason);
    const double duration = until - clockNow();
    if (duration <= 0)
        return;
    armAutoResume(reason, until);
    logTimerDiagnostic(QStringLiteral("scheduler.pause_time_boxed"),
                       {{QStringLiteral("pause_reason"), rawValue(reason)},
                        {QStringLiteral("duration_seconds"), diagnosticSecondsString(duration)}});
}

void BreakScheduler::armAutoResume(PauseReason reason, double until)
{
    const double remaining = until - clockNow();
    Job task = m_runtime.after(std::min(remaining, kAutoResumeRecheck), [this, reason, until] {
        if (clockNow() >= until - kAutoResumeTolerance)
            autoResume(reason);
        else
            armAutoResume(reason, until);
    });
    if (m_pendingAutoResume && m_pendingAutoResume->reason == reason && m_pendingAutoResume->until == until) {
        m_pendingAutoResume->task = std::move(task);
        return;
    }
    m_pendingAutoResume.emplace(PendingAutoResume{reason, until, std::move(task)});
    emit pauseAutoResumeDateChanged();
}

void BreakScheduler::autoResume(PauseReason reason)
{
    if (!m_pauseReasons.contains(reason)) {
        // The reason went some other way; its end date means nothing now.
        clearPendingAutoResume();
        return;
    }
    logTimerDiagnostic(QStringLiteral("scheduler.pause_auto_resume_fired"),
                       {{QStringLiteral("pause_reason"), rawValue(reason)}});
    resume(reason);
}

void BreakScheduler::clearPendingAutoResume()
{
    if (!m_pendingAutoResume)
        return;
    // Moved out first: the job being cancelled may be the one running now.
    Job task = std::move(m_pendingAutoResume->task);
    m_pendingAutoResume.reset();
    task.cancel();
    emit pauseAutoResumeDateChanged();
}

// Quiet hours -------------------------------------------------------------------------

void BreakScheduler::applyQuietHours(const QuietHoursConfig &config)
{
    m_quietHoursConfig = config;
    logTimerDiagnostic(QStringLiteral("scheduler.quiet_hours_config_applied"),
                       {{QStringLiteral("quiet_hours_enabled"), boolString(config.enabled)},
                        {QStringLiteral("quiet_hours_start_hour"), QString::number(config.startHour)},
                        {QStringLiteral("quiet_hours_end_hour"), QString::number(config.endHour)}});
    evaluateQuietHours();
    restartQuietHoursMonitor();
}

void BreakScheduler::evaluateQuietHours()
{
    const bool inside = m_quietHoursConfig.containsHour(m_runtime.calendar().hourOfDay(clockNow()));
    if (inside == m_quietHoursActive)
        return;
    m_quietHoursActive = inside;
    logTimerDiagnostic(QStringLiteral("scheduler.quiet_hours_changed"),
                       {{QStringLiteral("quiet_hours_active"), boolString(inside)}});
    if (inside)
        pause(PauseReason::quietHours);
    else
        resume(PauseReason::quietHours);
    if (onQuietHoursChanged)
        onQuietHoursChanged(inside);
}

void BreakScheduler::restartQuietHoursMonitor()
{
    m_quietHoursTask.cancel();
    if (!m_quietHoursConfig.enabled)
        return;
    m_quietHoursTask = m_runtime.every(kQuietHoursRecheck, [this] { evaluateQuietHours(); });
}

// Meetings ------------------------------------------------------------------------------

bool BreakScheduler::shouldDefer(const std::optional<UpcomingMeeting> &upcoming, double breakDurationSeconds,
                                 int defersSoFar, int maxDefers, double now)
{
    if (defersSoFar >= maxDefers || !upcoming)
        return false;
    const double until = upcoming->start - now;
    return until > 0 && until < breakDurationSeconds + kMeetingLookAheadMargin;
}

bool BreakScheduler::shouldDeferForUpcomingMeeting() const
{
    const std::optional<UpcomingMeeting> upcoming =
        upcomingMeetingProvider ? upcomingMeetingProvider() : std::nullopt;
    return shouldDefer(upcoming, m_breakDurationSeconds, m_meetingDefersThisCycle, kMaxMeetingDefers, now());
}

void BreakScheduler::deferCountdownForMeeting()
{
    ++m_meetingDefersThisCycle;
    setTimeRemaining(kMeetingDeferral);
    logTimerDiagnostic(QStringLiteral("scheduler.break_deferred_for_meeting"),
                       {{QStringLiteral("defer_count"), QString::number(m_meetingDefersThisCycle)},
                        {QStringLiteral("defer_seconds"), diagnosticSecondsString(kMeetingDeferral)}});
}

void BreakScheduler::triggerPostMeetingBreak(int meetingDurationMinutes)
{
    if (!m_isActive)
        return;
    const QString minutesText = QString::number(meetingDurationMinutes);
    logTimerDiagnostic(QStringLiteral("scheduler.post_meeting_break_requested"),
                       {{QStringLiteral("meeting_duration_minutes"), minutesText}});
    const bool onlyMeeting = m_state == BreakState::paused && m_pauseReasons == std::set{PauseReason::meeting};

    erasePauseReason(PauseReason::meeting);
    if (m_state == BreakState::paused && m_pauseReasons.empty()) {
        // The meeting's end was not reported first: its pause ends here.
        m_stateBeforePause.reset();
        m_pauseStartTime.reset();
        transition(BreakState::counting);
    }
    if (m_state != BreakState::counting)
        return;

    if (meetingDurationMinutes < kShortestPostMeetingMinutes) {
        logTimerDiagnostic(QStringLiteral("scheduler.post_meeting_break_ignored"),
                           {{QStringLiteral("meeting_duration_minutes"), minutesText},
                            {QStringLiteral("minimum_duration_minutes"),
                             QString::number(kShortestPostMeetingMinutes)},
                            {QStringLiteral("reason"), QStringLiteral("meeting_too_short")}});
        if (onlyMeeting) {
            startCounting();
            startIdleMonitor();
        }
        return;
    }

    BreakType type = BreakType::movement;
    if (meetingDurationMinutes >= kExtendedBreakMeetingMinutes)
        type = BreakType::extended;
    else if (meetingDurationMinutes >= kExerciseSnackMeetingMinutes)
        type = BreakType::exerciseSnack;
    setCurrentBreakType(type);
    setBreakDurationSeconds(defaultDurationSeconds(type));

    track(AnalyticsEvent::breakPostMeetingTriggered,
          {{AnalyticsProperty::meetingDurationBucket,
            durationBucket(static_cast<double>(static_cast<qint64>(meetingDurationMinutes) * 60))}});
    logTimerDiagnostic(QStringLiteral("scheduler.post_meeting_break_triggered"),
                       {{QStringLiteral("meeting_duration_minutes"), minutesText}});
    cancelCountdownAndEscalation();
    transitionToNudge();
    // When the meeting's pause ended here, nothing else restarts the idle
    // monitor that the pause stopped; without it no natural break would be
    // noticed until the next pause.
    if (onlyMeeting)
        startIdleMonitor();
}

} // namespace stirwell
