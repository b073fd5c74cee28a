#include "services/engine/BreakScheduler.h"

#include "runtime/Runtime.h"
#include "services/engine/CircadianEngine.h"
#include "services/observability/AnalyticsSink.h"
#include "services/observability/ObservabilityFormat.h"
#include "services/ports/SkipPolicy.h"
#include "services/ports/SnoozeAllowance.h"

namespace stirwell {

BreakScheduler::BreakScheduler(Runtime &runtime, IdleDetector &idleDetector, SnoozeAllowance &snoozeBudget,
                               SkipPolicy &skipFriction, BreakHistory &streakTracker, SoundCues &soundService,
                               CircadianEngine &circadianEngine, DashboardUploader &dashboardSync,
                               BreakNotifications &notificationService, AnalyticsSink &observability,
                               TimerDiagnosticsLogger *diagnostics, QObject *parent)
    : QObject(parent)
    , TimerDiagnosticEmitter(diagnostics)
    , m_runtime(runtime)
    , m_idleDetector(idleDetector)
    , m_snoozeBudget(snoozeBudget)
    , m_skipFriction(skipFriction)
    , m_streakTracker(streakTracker)
    , m_soundService(soundService)
    , m_circadianEngine(circadianEngine)
    , m_dashboardSync(dashboardSync)
    , m_notificationService(notificationService)
    , m_observability(observability)
    , m_lastExerciseSnackTime(runtime.now())
    , m_lastExtendedBreakTime(runtime.now())
{
}

// The jobs are fields, so they are cancelled here before any other member
// goes; none of them can run against a half-destroyed scheduler.
BreakScheduler::~BreakScheduler() = default;

void BreakScheduler::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

double BreakScheduler::now() const
{
    return m_runtime.now();
}

double BreakScheduler::clockNow() const
{
    return m_clock ? m_clock() : m_runtime.now();
}

// State machine ---------------------------------------------------------------

bool BreakScheduler::pauseHolds() const
{
    return m_state == BreakState::paused && !m_pauseReasons.empty();
}

bool BreakScheduler::transition(BreakState target)
{
    if (target != BreakState::paused && pauseHolds()) {
        logTimerDiagnostic(QStringLiteral("scheduler.transition_rejected"),
                           {{QStringLiteral("target_state"), rawValue(target)},
                            {QStringLiteral("reason"), QStringLiteral("pause_reasons_active")}});
        return false;
    }
    const BreakState old = m_state;
    m_state = target;
    recordStateChange(old, target);
    return true;
}

void BreakScheduler::recordStateChange(BreakState oldState, BreakState newState)
{
    if (oldState == newState)
        return;
    track(AnalyticsEvent::breakStateChanged,
          {{AnalyticsProperty::previousState, rawValue(oldState)}, {AnalyticsProperty::state, rawValue(newState)}});
    logTimerDiagnostic(QStringLiteral("scheduler.state_changed"),
                       {{QStringLiteral("previous_state"), rawValue(oldState)},
                        {QStringLiteral("new_state"), rawValue(newState)}});
    emit stateChanged(newState, oldState);
}

void BreakScheduler::cancelAllTasks()
{
    m_countdownTask.cancel();
    m_breakTask.cancel();
    m_escalationTask.cancel();
    m_idleMonitorTask.cancel();
    m_celebrationTask.cancel();
}

void BreakScheduler::cancelActiveTimers()
{
    m_countdownTask.cancel();
    m_escalationTask.cancel();
    m_breakTask.cancel();
    m_celebrationTask.cancel();
}

void BreakScheduler::cancelCountdownAndEscalation()
{
    m_countdownTask.cancel();
    m_escalationTask.cancel();
}

void BreakScheduler::clearAllPauseState()
{
    clearPauseReasons();
    m_stateBeforePause.reset();
    clearPendingAutoResume();
}

double BreakScheduler::elapsedCurrentCountdownSeconds() const
{
    return (m_activeCountdownInterval > 0 ? m_activeCountdownInterval : m_intervalSeconds) - m_timeRemaining;
}

// Configuration and start ------------------------------------------------------

void BreakScheduler::configure(CommitmentMode mode)
{
    setCurrentMode(mode);
    setIntervalSeconds(intervalMinutes(mode) * 60.0);
    setBreakDurationSeconds(stirwell::breakDurationSeconds(mode));
    logTimerDiagnostic(QStringLiteral("scheduler.configured"), {{QStringLiteral("configured_mode"), rawValue(mode)}});
    m_snoozeBudget.configure(mode);
}

void BreakScheduler::start()
{
    if (m_isActive)
        return;
    // A pause that arrived before the start (quiet hours applied first, a
    // meeting or a locked screen) still holds: dropping it would run breaks
    // through it, and its own end would later find nothing to resume.
    const bool startPaused = pauseHolds();
    if (!startPaused)
        clearAllPauseState();
    setActive(true);
    track(AnalyticsEvent::schedulerStarted);
    logTimerDiagnostic(QStringLiteral("scheduler.started"));
    if (startPaused) {
        m_stateBeforePause = BreakState::counting;
        return;
    }
    startCounting();
    startIdleMonitor();
}

void BreakScheduler::applySettings(int intervalMinutes, int breakDurationSeconds)
{
    setIntervalSeconds(static_cast<double>(static_cast<qint64>(intervalMinutes) * 60));
    setBreakDurationSeconds(breakDurationSeconds);
    logTimerDiagnostic(QStringLiteral("scheduler.settings_applied"),
                       {{QStringLiteral("requested_interval_minutes"), QString::number(intervalMinutes)},
                        {QStringLiteral("requested_break_duration_seconds"), QString::number(breakDurationSeconds)}});
}

// Queries -----------------------------------------------------------------------

bool BreakScheduler::canSkip()
{
    if (maxSkipsPerDay(m_currentMode) == 0)
        return false;
    return stirwell::canSkip(m_skipFriction.currentTier());
}

bool BreakScheduler::canSnoozeBreak()
{
    m_snoozeBudget.configure(m_currentMode);
    return m_snoozeBudget.canSnooze();
}

bool BreakScheduler::isStreakAtRisk(CommitmentMode mode)
{
    return m_streakTracker.streakAtRisk(mode);
}

int BreakScheduler::getSnoozesRemaining()
{
    m_snoozeBudget.configure(m_currentMode);
    return m_snoozeBudget.snoozesRemaining();
}

int BreakScheduler::getSnoozesMax()
{
    m_snoozeBudget.configure(m_currentMode);
    return m_snoozeBudget.maxSnoozes();
}

bool BreakScheduler::shouldShowWindDown() const
{
    return m_circadianEngine.shouldShowWindDown();
}

CircadianPeriod BreakScheduler::getCircadianPeriod() const
{
    return m_circadianEngine.currentPeriod();
}

int BreakScheduler::getStreakDays()
{
    return m_streakTracker.currentStreak();
}

int BreakScheduler::getTodayCompleted(CommitmentMode mode)
{
    return m_streakTracker.todayCompletedCount(mode);
}

int BreakScheduler::getTodayDue(CommitmentMode mode)
{
    return m_streakTracker.todayDueCount(mode);
}

WeeklyStats BreakScheduler::getWeeklyStats()
{
    return m_streakTracker.weeklyStats();
}

QList<DailyRecord> BreakScheduler::getDailyRecords(int last)
{
    return m_streakTracker.dailyRecords(last);
}

SkipTier BreakScheduler::getSkipFrictionTier()
{
    return m_skipFriction.currentTier();
}

std::optional<QString> BreakScheduler::getTypingChallenge()
{
    return m_skipFriction.getTypingChallenge();
}

bool BreakScheduler::validateSkipChallenge(const QString &input)
{
    return m_skipFriction.validateChallenge(input);
}

QStringList BreakScheduler::pauseReasonNames() const
{
    const QString joined = joinedRawValues(m_pauseReasons);
    return joined.isEmpty() ? QStringList() : joined.split(QLatin1Char(','));
}

std::optional<double> BreakScheduler::pauseAutoResumeDate() const
{
    if (!m_pendingAutoResume)
        return std::nullopt;
    return m_pendingAutoResume->until;
}

// Reporting ---------------------------------------------------------------------

DiagnosticProperties BreakScheduler::diagnosticContext() const
{
    return {
        {QStringLiteral("state"), rawValue(m_state)},
        {QStringLiteral("is_active"), boolString(m_isActive)},
        {QStringLiteral("mode"), rawValue(m_currentMode)},
        {QStringLiteral("break_type"), rawValue(m_currentBreakType)},
        {QStringLiteral("time_remaining_seconds"), diagnosticSecondsString(m_timeRemaining)},
        {QStringLiteral("break_time_remaining_seconds"), diagnosticSecondsString(m_breakTimeRemaining)},
        {QStringLiteral("escalation_time_remaining_seconds"), diagnosticSecondsString(m_escalationTimeRemaining)},
        {QStringLiteral("interval_seconds"), diagnosticSecondsString(m_intervalSeconds)},
        {QStringLiteral("active_countdown_interval_seconds"), diagnosticSecondsString(m_activeCountdownInterval)},
        {QStringLiteral("elapsed_countdown_seconds"), diagnosticSecondsString(elapsedCurrentCountdownSeconds())},
        {QStringLiteral("break_duration_seconds"), diagnosticSecondsString(m_breakDurationSeconds)},
        {QStringLiteral("natural_break_threshold_seconds"), diagnosticSecondsString(kNaturalBreakThreshold)},
        {QStringLiteral("natural_break_credit_cap_seconds"), diagnosticSecondsString(kNaturalBreakCreditCap)},
        {QStringLiteral("pause_reasons"), joinedRawValues(m_pauseReasons)},
        {QStringLiteral("state_before_pause"), m_stateBeforePause ? rawValue(*m_stateBeforePause) : QString()},
    };
}

AnalyticsProperties BreakScheduler::breakProperties(const AnalyticsProperties &extra) const
{
    AnalyticsProperties properties = {
        {AnalyticsProperty::state, rawValue(m_state)},
        {AnalyticsProperty::breakType, rawValue(m_currentBreakType)},
        {AnalyticsProperty::mode, rawValue(m_currentMode)},
        {AnalyticsProperty::intervalBucket, intervalBucket(m_intervalSeconds)},
        {AnalyticsProperty::durationBucket, durationBucket(m_breakDurationSeconds)},
    };
    for (const auto &[key, value] : extra)
        properties[key] = value;
    return properties;
}

void BreakScheduler::track(AnalyticsEvent event, const AnalyticsProperties &extra)
{
    m_observability.track(event, breakProperties(extra));
}

// Setters -----------------------------------------------------------------------

template <typename T>
void BreakScheduler::assignAndNotify(T &field, T value, void (BreakScheduler::*notify)(T))
{
    if (value == field)
        return;
    field = value;
    emit (this->*notify)(value);
}

void BreakScheduler::setTimeRemaining(double seconds)
{
    assignAndNotify(m_timeRemaining, seconds, &BreakScheduler::timeRemainingChanged);
}

void BreakScheduler::setBreakTimeRemaining(double seconds)
{
    assignAndNotify(m_breakTimeRemaining, seconds, &BreakScheduler::breakTimeRemainingChanged);
}

void BreakScheduler::setIntervalSeconds(double seconds)
{
    assignAndNotify(m_intervalSeconds, seconds, &BreakScheduler::intervalSecondsChanged);
}

void BreakScheduler::setBreakDurationSeconds(double seconds)
{
    assignAndNotify(m_breakDurationSeconds, seconds, &BreakScheduler::breakDurationSecondsChanged);
}

void BreakScheduler::setActive(bool active)
{
    assignAndNotify(m_isActive, active, &BreakScheduler::isActiveChanged);
}

void BreakScheduler::setCurrentMode(CommitmentMode mode)
{
    assignAndNotify(m_currentMode, mode, &BreakScheduler::currentModeChanged);
}

void BreakScheduler::setCurrentBreakType(BreakType type)
{
    assignAndNotify(m_currentBreakType, type, &BreakScheduler::currentBreakTypeChanged);
}

void BreakScheduler::setEscalationTimeRemaining(double seconds)
{
    assignAndNotify(m_escalationTimeRemaining, seconds, &BreakScheduler::escalationTimeRemainingChanged);
}

void BreakScheduler::insertPauseReason(PauseReason reason)
{
    if (m_pauseReasons.insert(reason).second)
        emit pauseReasonsChanged();
}

bool BreakScheduler::erasePauseReason(PauseReason reason)
{
    if (m_pauseReasons.erase(reason) == 0)
        return false;
    emit pauseReasonsChanged();
    return true;
}

void BreakScheduler::clearPauseReasons()
{
    if (m_pauseReasons.empty())
        return;
    m_pauseReasons.clear();
    emit pauseReasonsChanged();
}

} // namespace stirwell
