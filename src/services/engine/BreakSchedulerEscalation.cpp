// From the end of the countdown to the break: the wait for a pause in typing,
// the escalation steps, and the user's ways out (snooze, skip, bypass).

#include "services/engine/BreakScheduler.h"

#include "runtime/Runtime.h"
#include "services/engine/CircadianEngine.h"
#include "services/observability/ObservabilityFormat.h"
#include "services/ports/SkipPolicy.h"
#include "services/ports/SnoozeAllowance.h"
#include "services/ports/SoundCues.h"
#include "services/system/IdleDetector.h"

#include <memory>

namespace stirwell {

namespace {
// The due wait: up to three minutes for five seconds without input.
constexpr double kNaturalPauseThreshold = 5;
constexpr double kNaturalPausePoll = 1;
constexpr double kNaturalPauseTimeout = 180;

constexpr double kNudgeDelay = 120;
constexpr double kSoftBlockDelay = 120;
constexpr double kFirmBlockDelay = 180;
constexpr double kHardBlockDelay = 0.5;
constexpr double kEscalationStep = 1;
constexpr double kSnoozePostponement = 600;
} // namespace

void BreakScheduler::transitionToDue()
{
    logTimerDiagnostic(QStringLiteral("scheduler.due_wait_started"));
    if (!transition(BreakState::due))
        return;
    m_countdownTask.cancel();
    // The detector may answer before it returns (the user is already idle);
    // that answer is acted on only once the wait is held in its field, so the
    // nudge never runs inside the call that installs the wait.
    struct Wait {
        bool installed = false;
        std::optional<bool> earlyAnswer;
    };
    auto wait = std::make_shared<Wait>();
    Job job = m_idleDetector.waitForNaturalPause(kNaturalPauseThreshold, kNaturalPausePoll, kNaturalPauseTimeout,
                                                 [this, wait](bool found) {
                                                     if (!wait->installed) {
                                                         wait->earlyAnswer = found;
                                                         return;
                                                     }
                                                     finishDueWait(found);
                                                 });
    m_countdownTask = std::move(job);
    wait->installed = true;
    if (wait->earlyAnswer)
        finishDueWait(*wait->earlyAnswer);
}

void BreakScheduler::finishDueWait(bool naturalPauseFound)
{
    logTimerDiagnostic(QStringLiteral("scheduler.due_wait_finished"),
                       {{QStringLiteral("natural_pause_found"), boolString(naturalPauseFound)}});
    transitionToNudge();
}

void BreakScheduler::transitionToNudge()
{
    m_escalationTask.cancel();
    const bool allowed = m_snoozeBudget.canSnooze();
    if (!allowed) {
        // Without a snooze left the two steps that could be snoozed away are
        // skipped.
        logTimerDiagnostic(QStringLiteral("scheduler.nudge_skipped"),
                           {{QStringLiteral("reason"), QStringLiteral("no_snoozes_available")}});
        transitionToFirmBlock();
        return;
    }
    if (!transition(BreakState::nudge))
        return;
    m_soundService.playNudge();
    const double delay = m_circadianEngine.adjustEscalation(kNudgeDelay);
    logTimerDiagnostic(QStringLiteral("scheduler.nudge_started"),
                       {{QStringLiteral("escalation_delay_seconds"), diagnosticSecondsString(delay)}});
    startEscalationCountdown(delay, [this] { transitionToSoftBlock(); });
}

void BreakScheduler::transitionToSoftBlock()
{
    if (!transition(BreakState::softBlock))
        return;
    m_soundService.playBreakStart();
    m_escalationTask.cancel();
    const double delay = m_circadianEngine.adjustEscalation(kSoftBlockDelay);
    logTimerDiagnostic(QStringLiteral("scheduler.soft_block_started"),
                       {{QStringLiteral("escalation_delay_seconds"), diagnosticSecondsString(delay)}});
    startEscalationCountdown(delay, [this] { transitionToFirmBlock(); });
}

void BreakScheduler::transitionToFirmBlock()
{
    if (!transition(BreakState::firmBlock))
        return;
    m_escalationTask.cancel();
    const double delay = m_circadianEngine.adjustEscalation(kFirmBlockDelay);
    logTimerDiagnostic(QStringLiteral("scheduler.firm_block_started"),
                       {{QStringLiteral("escalation_delay_seconds"), diagnosticSecondsString(delay)}});
    startEscalationCountdown(delay, [this] { transitionToHardBlock(); });
}

void BreakScheduler::transitionToHardBlock()
{
    if (!transition(BreakState::hardBlock))
        return;
    logTimerDiagnostic(QStringLiteral("scheduler.hard_block_started"));
    m_escalationTask = m_runtime.after(kHardBlockDelay, [this] { startBreakTimer(); });
}

void BreakScheduler::startEscalationCountdown(double seconds, std::function<void()> then)
{
    setEscalationTimeRemaining(seconds);
    logTimerDiagnostic(QStringLiteral("scheduler.escalation_countdown_started"),
                       {{QStringLiteral("escalation_duration_seconds"), diagnosticSecondsString(seconds)}});
    auto finish = [this, then = std::move(then)] {
        setEscalationTimeRemaining(0);
        logTimerDiagnostic(QStringLiteral("scheduler.escalation_countdown_finished"));
        then(); // the next step replaces this job
    };
    if (seconds <= 0) {
        finish();
        return;
    }
    m_escalationTask = m_runtime.every(kEscalationStep, [this, finish = std::move(finish)] {
        setEscalationTimeRemaining(m_escalationTimeRemaining - kEscalationStep);
        if (m_escalationTimeRemaining > 0)
            return;
        finish();
    });
}

void BreakScheduler::reenterEscalation(BreakState step)
{
    switch (step) {
    case BreakState::nudge: transitionToNudge(); break;
    case BreakState::softBlock: transitionToSoftBlock(); break;
    case BreakState::firmBlock: transitionToFirmBlock(); break;
    case BreakState::hardBlock: transitionToHardBlock(); break;
    default: break;
    }
}

void BreakScheduler::resetToCounting()
{
    logTimerDiagnostic(QStringLiteral("scheduler.reset_to_counting"));
    cancelActiveTimers();
    startCounting();
}

// The user's ways out --------------------------------------------------------------

void BreakScheduler::snooze()
{
    if (m_state == BreakState::paused || !m_isActive)
        return;
    m_snoozeBudget.configure(m_currentMode);
    (void)m_snoozeBudget.useSnooze();
    m_streakTracker.recordSnooze(m_currentMode);
    const int remaining = m_snoozeBudget.snoozesRemaining();
    track(AnalyticsEvent::breakSnoozed, {{AnalyticsProperty::snoozesRemaining, QString::number(remaining)}});
    logTimerDiagnostic(QStringLiteral("scheduler.snoozed"),
                       {{QStringLiteral("snoozes_remaining"), QString::number(remaining)}});
    cancelActiveTimers();
    // A plain ten minutes, without the time-of-day factor.
    startCountdownWith(kSnoozePostponement);
}

void BreakScheduler::confirmSkip(CommitmentMode mode)
{
    if (m_state == BreakState::paused || maxSkipsPerDay(mode) == 0 || !m_isActive)
        return;
    const SkipTier tier = m_skipFriction.recordSkip();
    m_streakTracker.recordSkip(mode);
    const QString breaks = boolString(breaksStreak(tier));
    track(AnalyticsEvent::breakSkipped, {{AnalyticsProperty::mode, rawValue(mode)},
                                         {AnalyticsProperty::skipTier, reportedName(tier)},
                                         {AnalyticsProperty::skipBreaksStreak, breaks}});
    logTimerDiagnostic(QStringLiteral("scheduler.break_skipped"),
                       {{QStringLiteral("skip_tier"), reportedName(tier)},
                        {QStringLiteral("skip_breaks_streak"), breaks}});
    if (breaksStreak(tier))
        m_soundService.playStreakLost();
    resetToCounting();
}

void BreakScheduler::emergencyBypass(CommitmentMode mode)
{
    clearAllPauseState();
    m_streakTracker.recordEmergencyBypass(mode);
    track(AnalyticsEvent::breakEmergencyBypass, {{AnalyticsProperty::mode, rawValue(mode)}});
    logTimerDiagnostic(QStringLiteral("scheduler.emergency_bypass"), {{QStringLiteral("mode"), rawValue(mode)}});
    if (!m_isActive) {
        // Before start() nothing runs; the engine only leaves its pause.
        transition(BreakState::counting);
        return;
    }
    resetToCounting();
    startIdleMonitor();
}

} // namespace stirwell
