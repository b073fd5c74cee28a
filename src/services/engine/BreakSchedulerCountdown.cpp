// The work countdown, the choice of break kind, the break timer and its
// completion; the idle monitor and the crediting of time away.

#include "services/engine/BreakScheduler.h"

#include "runtime/Runtime.h"
#include "services/engine/CircadianEngine.h"
#include "services/observability/ObservabilityFormat.h"
#include "services/ports/BreakNotifications.h"
#include "services/ports/DashboardUploader.h"
#include "services/ports/SnoozeAllowance.h"
#include "services/ports/SoundCues.h"
#include "services/system/IdleDetector.h"

#include <algorithm>
#include <memory>

namespace stirwell {

namespace {
constexpr double kCountdownStep = 1;
// While the input devices have been idle this long the countdown stands still.
constexpr double kIdleSuspension = 120;
// Tick diagnostics are written at most this often per job.
constexpr double kTickReportInterval = 60;
constexpr double kBreakStep = 1;
constexpr double kCelebrationPause = 2;

constexpr double kIdlePollPeriod = 5;
constexpr double kIdlePollReportInterval = 60;
constexpr double kReportWorthyIdle = 120;
constexpr double kReportWorthyGap = 30;
constexpr double kReturnThreshold = 30;
// A countdown younger than this ignores absences.
constexpr double kNaturalBreakMinimumElapsed = 60;

double cadenceSeconds(BreakType type)
{
    return defaultIntervalMinutes(type).value_or(0) * 60.0;
}
} // namespace

// Countdown ---------------------------------------------------------------------

void BreakScheduler::startCounting()
{
    const double adjusted = m_circadianEngine.adjustInterval(m_intervalSeconds);
    logTimerDiagnostic(QStringLiteral("scheduler.counting_started"),
                       {{QStringLiteral("adjusted_interval_seconds"), diagnosticSecondsString(adjusted)},
                        {QStringLiteral("credit_applied"), boolString(false)}});
    startCountdownWith(adjusted);
}

void BreakScheduler::startCountingWithCredit()
{
    const double adjusted = m_circadianEngine.adjustInterval(m_intervalSeconds);
    if (m_lastBreakCompletionTime) {
        // A completion stamp ahead of the clock (the clock was set back)
        // credits nothing rather than lengthening the interval.
        const double since = std::max(0.0, now() - *m_lastBreakCompletionTime);
        if (adjusted > since) {
            logTimerDiagnostic(QStringLiteral("scheduler.counting_started"),
                               {{QStringLiteral("adjusted_interval_seconds"), diagnosticSecondsString(adjusted)},
                                {QStringLiteral("credited_elapsed_seconds"), diagnosticSecondsString(since)},
                                {QStringLiteral("credit_applied"), boolString(true)}});
            startCountdownWith(adjusted - since);
            return;
        }
    }
    logTimerDiagnostic(QStringLiteral("scheduler.counting_started"),
                       {{QStringLiteral("adjusted_interval_seconds"), diagnosticSecondsString(adjusted)},
                        {QStringLiteral("credit_applied"), boolString(true)}});
    startCountdownWith(adjusted);
}

void BreakScheduler::startCountdownWith(double interval)
{
    // A refused transition (a pause holds) must leave every field as it was.
    if (pauseHolds()) {
        transition(BreakState::counting);
        return;
    }
    const double x = std::max(0.0, interval);
    m_activeCountdownInterval = x;
    setTimeRemaining(x);
    m_meetingDefersThisCycle = 0;
    transition(BreakState::counting);
    track(AnalyticsEvent::breakScheduled, {{AnalyticsProperty::intervalBucket, intervalBucket(x)}});
    logTimerDiagnostic(QStringLiteral("scheduler.countdown_started"),
                       {{QStringLiteral("countdown_interval_seconds"), diagnosticSecondsString(x)}});
    m_countdownTask.cancel();
    m_breakTask.cancel();
    m_escalationTask.cancel();

    struct Loop {
        double lastTick;
        bool suspended = false;
    };
    auto loop = std::make_shared<Loop>(Loop{now(), false});
    m_countdownTask = m_runtime.every(kCountdownStep, [this, loop] {
        const double idle = m_idleDetector.systemIdleTime();
        // Built only when the diagnostics log is on: this runs every second.
        DiagnosticProperties idleProperty;
        if (timerDiagnosticsEnabled())
            idleProperty = {{QStringLiteral("idle_seconds"), diagnosticSecondsString(idle)}};
        if (idle >= kIdleSuspension) {
            if (!loop->suspended) {
                logTimerDiagnostic(QStringLiteral("scheduler.countdown_suspended_for_idle"), idleProperty);
                loop->suspended = true;
            }
            return;
        }
        if (loop->suspended) {
            logTimerDiagnostic(QStringLiteral("scheduler.countdown_resumed_after_idle"), idleProperty);
            loop->suspended = false;
        }
        // Never below zero: a fractional interval ends at 0, not at -0.4.
        setTimeRemaining(std::max(0.0, m_timeRemaining - kCountdownStep));
        if (now() - loop->lastTick >= kTickReportInterval) {
            loop->lastTick = now();
            logTimerDiagnostic(QStringLiteral("scheduler.countdown_tick"), idleProperty);
        }
        if (m_timeRemaining > 0)
            return;
        logTimerDiagnostic(QStringLiteral("scheduler.countdown_elapsed"), idleProperty);
        if (shouldDeferForUpcomingMeeting()) {
            // The same job goes on counting the granted seconds.
            deferCountdownForMeeting();
            return;
        }
        const BreakType type = determineBreakType();
        setCurrentBreakType(type);
        setBreakDurationSeconds(defaultDurationSeconds(type));
        transitionToDue(); // replaces this job
    });
}

BreakType BreakScheduler::determineBreakType() const
{
    const double t = now();
    if (t - m_lastExtendedBreakTime >= cadenceSeconds(BreakType::extended))
        return BreakType::extended;
    if (t - m_lastExerciseSnackTime >= cadenceSeconds(BreakType::exerciseSnack))
        return BreakType::exerciseSnack;
    return BreakType::movement;
}

void BreakScheduler::markBreakTypeCadenceSatisfied(const QString &source)
{
    const double t = now();
    if (m_currentBreakType == BreakType::extended) {
        m_lastExtendedBreakTime = t;
        m_lastExerciseSnackTime = t;
    } else if (m_currentBreakType == BreakType::exerciseSnack) {
        m_lastExerciseSnackTime = t;
    } else {
        return;
    }
    logTimerDiagnostic(QStringLiteral("scheduler.break_type_cadence_satisfied"), {{QStringLiteral("source"), source}});
}

// Break timer ---------------------------------------------------------------------

void BreakScheduler::startBreakTimer()
{
    // Before start() no break runs, and a refused transition (a pause holds)
    // must not leave a break timer running inside the pause.
    if (!m_isActive || !transition(BreakState::breakActive))
        return;
    setBreakTimeRemaining(m_breakDurationSeconds);
    track(AnalyticsEvent::breakStarted);
    logTimerDiagnostic(QStringLiteral("scheduler.break_timer_started"));
    m_escalationTask.cancel();
    // Started from counting or from the completion screen, the countdown or
    // the celebration would otherwise end the break halfway.
    m_countdownTask.cancel();
    m_celebrationTask.cancel();
    runBreakLoop();
}

void BreakScheduler::resumeBreakTimer()
{
    m_breakTask.cancel();
    logTimerDiagnostic(QStringLiteral("scheduler.break_timer_resumed"));
    runBreakLoop();
}

void BreakScheduler::runBreakLoop()
{
    auto lastTick = std::make_shared<double>(now());
    m_breakTask = m_runtime.every(kBreakStep, [this, lastTick] {
        setBreakTimeRemaining(m_breakTimeRemaining - kBreakStep);
        if (now() - *lastTick >= kTickReportInterval) {
            *lastTick = now();
            logTimerDiagnostic(QStringLiteral("scheduler.break_timer_tick"));
        }
        if (m_breakTimeRemaining <= 0)
            completeBreak(); // cancels this job
    });
}

void BreakScheduler::completeBreak()
{
    if (m_state != BreakState::breakActive)
        return;
    if (!transition(BreakState::completed))
        return;
    cancelCountdownAndEscalation();
    m_breakTask.cancel();
    m_soundService.playBreakComplete();
    m_lastBreakCompletionTime = now();
    track(AnalyticsEvent::breakCompleted);
    logTimerDiagnostic(QStringLiteral("scheduler.break_completed"));
    markBreakTypeCadenceSatisfied(QStringLiteral("completion"));

    m_streakTracker.recordCompletion(m_currentMode, m_currentBreakType);
    m_snoozeBudget.regenerate();
    const DailyRecord record = m_streakTracker.todayRecord(m_currentMode);
    m_dashboardSync.syncToday(record, 0);

    m_celebrationTask = m_runtime.after(kCelebrationPause, [this] { startCounting(); });
}

// Idle monitor and natural breaks ---------------------------------------------------

void BreakScheduler::startIdleMonitor()
{
    m_idleMonitorTask.cancel();
    logTimerDiagnostic(QStringLiteral("scheduler.idle_monitor_started"));

    struct Poll {
        double previousPoll;
        std::optional<double> lastReport; // none: the first poll is reported
        bool away = false;
    };
    auto poll = std::make_shared<Poll>(Poll{now(), std::nullopt, false});
    m_idleMonitorTask = m_runtime.every(kIdlePollPeriod, [this, poll] {
        if (m_state == BreakState::paused || m_state == BreakState::completed)
            return;
        const double t = now();
        const double gap = t - poll->previousPoll;
        poll->previousPoll = t;
        const double idle = m_idleDetector.systemIdleTime();
        const double threshold = kNaturalBreakThreshold;

        if (!poll->lastReport || t - *poll->lastReport >= kIdlePollReportInterval || idle >= kReportWorthyIdle
            || gap >= kReportWorthyGap || poll->away) {
            poll->lastReport = t;
            logTimerDiagnostic(QStringLiteral("scheduler.idle_poll"),
                               {{QStringLiteral("idle_seconds"), diagnosticSecondsString(idle)},
                                {QStringLiteral("wall_clock_gap_seconds"), diagnosticSecondsString(gap)},
                                {QStringLiteral("was_idle"), boolString(poll->away)}});
        }
        if (poll->away) {
            if (idle < std::min(threshold, kReturnThreshold)) {
                logTimerDiagnostic(QStringLiteral("scheduler.idle_returned"),
                                   {{QStringLiteral("idle_seconds"), diagnosticSecondsString(idle)},
                                    {QStringLiteral("threshold_seconds"), diagnosticSecondsString(threshold)}});
                poll->away = false;
            }
            return;
        }
        if (idle >= threshold || gap >= threshold) {
            logTimerDiagnostic(QStringLiteral("scheduler.idle_threshold_crossed"),
                               {{QStringLiteral("idle_seconds"), diagnosticSecondsString(idle)},
                                {QStringLiteral("wall_clock_gap_seconds"), diagnosticSecondsString(gap)},
                                {QStringLiteral("threshold_seconds"), diagnosticSecondsString(threshold)}});
            // One absence is evaluated once; the next waits for the user to
            // come back and leave again.
            handleNaturalBreak(std::max(idle, gap));
            poll->away = true;
        }
    });
}

void BreakScheduler::handleNaturalBreak(double idleSeconds)
{
    const DiagnosticProperties idleProperty = {{QStringLiteral("idle_seconds"), diagnosticSecondsString(idleSeconds)}};
    logTimerDiagnostic(QStringLiteral("scheduler.natural_break_evaluated"), idleProperty);
    const BreakState previous = m_state;

    if (previous == BreakState::counting && elapsedCurrentCountdownSeconds() < kNaturalBreakMinimumElapsed) {
        DiagnosticProperties properties = idleProperty;
        properties.insert(QStringLiteral("reason"), QStringLiteral("countdown_too_fresh"));
        logTimerDiagnostic(QStringLiteral("scheduler.natural_break_ignored"), properties);
        return;
    }
    if (previous == BreakState::completed || previous == BreakState::paused) {
        DiagnosticProperties properties = idleProperty;
        properties.insert(QStringLiteral("reason"), QStringLiteral("state_not_eligible"));
        logTimerDiagnostic(QStringLiteral("scheduler.natural_break_ignored"), properties);
        return;
    }

    cancelActiveTimers();
    transition(BreakState::counting);

    if (idleSeconds > kNaturalBreakCreditCap) {
        DiagnosticProperties properties = idleProperty;
        properties.insert(QStringLiteral("reason"), QStringLiteral("beyond_natural_break_credit_cap"));
        logTimerDiagnostic(QStringLiteral("scheduler.natural_break_reset_without_credit"), properties);
        startCounting();
        return;
    }
    logTimerDiagnostic(QStringLiteral("scheduler.natural_break_credit"), idleProperty);
    if (previous != BreakState::counting)
        markBreakTypeCadenceSatisfied(QStringLiteral("natural_break"));
    recordNaturalBreakCredit(idleSeconds);
    startCountingWithCredit();
}

void BreakScheduler::recordNaturalBreakCredit(double awaySeconds)
{
    const int minutes = std::max(1, static_cast<int>(awaySeconds / 60));
    logTimerDiagnostic(QStringLiteral("scheduler.natural_break_recorded"),
                       {{QStringLiteral("away_seconds"), diagnosticSecondsString(awaySeconds)},
                        {QStringLiteral("away_minutes"), QString::number(minutes)}});
    m_notificationService.sendNaturalBreakDetected(minutes);
    track(AnalyticsEvent::breakNaturalDetected, {{AnalyticsProperty::awayDurationBucket, durationBucket(awaySeconds)}});
    m_streakTracker.recordNaturalBreak(m_currentMode);
}

bool BreakScheduler::qualifiesForNaturalBreakCredit(double seconds) const
{
    return seconds >= kNaturalBreakThreshold && seconds <= kNaturalBreakCreditCap;
}

} // namespace stirwell
