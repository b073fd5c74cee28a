#pragma once

#include "models/BreakState.h"
#include "models/BreakType.h"
#include "models/CircadianPeriod.h"
#include "models/CommitmentMode.h"
#include "models/DailyRecord.h"
#include "models/PauseReason.h"
#include "models/QuietHoursConfig.h"
#include "models/SkipTier.h"
#include "models/UpcomingMeeting.h"
#include "runtime/Job.h"
#include "services/observability/AnalyticsEvent.h"
#include "services/observability/AnalyticsProperty.h"
#include "services/observability/TimerDiagnosticsLogger.h"
#include "services/ports/BreakHistory.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <set>

namespace stirwell {

class AnalyticsSink;
class BreakNotifications;
class CircadianEngine;
class DashboardUploader;
class IdleDetector;
class Runtime;
class SkipPolicy;
class SnoozeAllowance;
class SoundCues;

// The break engine: one state machine that counts down the work interval,
// lets the break fall due, escalates from a nudge to ever firmer blocks, runs
// the break timer, takes snoozes, skips and the emergency bypass, credits
// time away as natural breaks, and holds itself while pause reasons apply
// (meetings, sleep, screen lock, quiet hours, the user's own pauses).
//
// Everything runs on the thread that owns the runtime. Every timed step is a
// job on the runtime, held in a field: at most one job of each kind exists,
// and replacing or cancelling one guarantees it never runs again, so whole
// days run unchanged in virtual time. Every change of `state` goes through
// one guarded transition that refuses to leave `paused` while a pause reason
// remains, and is announced once through `stateChanged`.
//
// Each step is reported twice: an analytics event with bucketed properties,
// and a timer diagnostic with exact values over `diagnosticContext()`.
//
// Two clocks: the runtime's wall clock for cadence stamps, break completion,
// credited time, idle-poll gaps and the time of day; and a replaceable
// `clock` (the same wall clock unless replaced) for pause lengths, time-boxed
// pauses and quiet hours.
class BreakScheduler : public QObject, public TimerDiagnosticEmitter {
    Q_OBJECT
    Q_PROPERTY(stirwell::BreakState state READ state NOTIFY stateChanged)
    // The state's raw value ("softBlock"), for bindings that compare text.
    Q_PROPERTY(QString stateName READ stateName NOTIFY stateChanged)
    Q_PROPERTY(double timeRemaining READ timeRemaining NOTIFY timeRemainingChanged)
    Q_PROPERTY(double breakTimeRemaining READ breakTimeRemaining NOTIFY breakTimeRemainingChanged)
    Q_PROPERTY(double intervalSeconds READ intervalSeconds NOTIFY intervalSecondsChanged)
    Q_PROPERTY(double breakDurationSeconds READ breakDurationSeconds NOTIFY breakDurationSecondsChanged)
    Q_PROPERTY(bool isActive READ isActive NOTIFY isActiveChanged)
    Q_PROPERTY(stirwell::CommitmentMode currentMode READ currentMode NOTIFY currentModeChanged)
    Q_PROPERTY(stirwell::BreakType currentBreakType READ currentBreakType NOTIFY currentBreakTypeChanged)
    Q_PROPERTY(double naturalBreakThreshold READ naturalBreakThreshold CONSTANT)
    Q_PROPERTY(double escalationTimeRemaining READ escalationTimeRemaining NOTIFY escalationTimeRemainingChanged)
    // Raw values, sorted.
    Q_PROPERTY(QStringList pauseReasons READ pauseReasonNames NOTIFY pauseReasonsChanged)

public:
    using Clock = std::function<double()>;

    static constexpr double kNaturalBreakThreshold = 300;
    static constexpr double kNaturalBreakCreditCap = 4 * kNaturalBreakThreshold;
    static constexpr int kMaxMeetingDefers = 3;

    // The collaborators are used for the scheduler's whole life and must
    // outlive it. `diagnostics` may be null: nothing is logged then.
    BreakScheduler(Runtime &runtime, IdleDetector &idleDetector, SnoozeAllowance &snoozeBudget,
                   SkipPolicy &skipFriction, BreakHistory &streakTracker, SoundCues &soundService,
                   CircadianEngine &circadianEngine, DashboardUploader &dashboardSync,
                   BreakNotifications &notificationService, AnalyticsSink &observability,
                   TimerDiagnosticsLogger *diagnostics, QObject *parent = nullptr);
    ~BreakScheduler() override;

    // Hooks installed by the application. `onQuietHoursChanged` is called
    // with true when quiet hours begin and false when they end.
    // `upcomingMeetingProvider` is asked, when a break is about to fall due,
    // for the next calendar meeting; it must answer at once from known data.
    std::function<void(bool inside)> onQuietHoursChanged;
    std::function<std::optional<UpcomingMeeting>()> upcomingMeetingProvider;

    // Replaces the clock read for pauses and quiet hours; an empty function
    // restores the runtime's wall clock.
    void setClock(Clock clock);

    // Published state ---------------------------------------------------
    [[nodiscard]] BreakState state() const { return m_state; }
    [[nodiscard]] QString stateName() const { return rawValue(m_state); }
    [[nodiscard]] double timeRemaining() const { return m_timeRemaining; }
    [[nodiscard]] double breakTimeRemaining() const { return m_breakTimeRemaining; }
    // The configured work interval, before the time-of-day factor.
    [[nodiscard]] double intervalSeconds() const { return m_intervalSeconds; }
    // Length of the next or current break.
    [[nodiscard]] double breakDurationSeconds() const { return m_breakDurationSeconds; }
    [[nodiscard]] bool isActive() const { return m_isActive; }
    [[nodiscard]] CommitmentMode currentMode() const { return m_currentMode; }
    [[nodiscard]] BreakType currentBreakType() const { return m_currentBreakType; }
    [[nodiscard]] double naturalBreakThreshold() const { return kNaturalBreakThreshold; }
    [[nodiscard]] double escalationTimeRemaining() const { return m_escalationTimeRemaining; }
    [[nodiscard]] const std::set<PauseReason> &pauseReasons() const { return m_pauseReasons; }
    [[nodiscard]] QStringList pauseReasonNames() const;
    // When a time-boxed pause ends by itself; nothing without one.
    [[nodiscard]] std::optional<double> pauseAutoResumeDate() const;
    [[nodiscard]] const QuietHoursConfig &quietHoursConfig() const { return m_quietHoursConfig; }
    [[nodiscard]] bool quietHoursActive() const { return m_quietHoursActive; }
    // Seconds of the running countdown already worked.
    [[nodiscard]] double elapsedCurrentCountdownSeconds() const;

    // Configuration and start -------------------------------------------
    // Installs the mode's interval and first break length and its snooze
    // allowance. A running countdown keeps its length.
    void configure(CommitmentMode mode);
    // Starts the engine: counting and the idle monitor. Only the first call
    // acts. Pauses requested before it are honoured: while one is still in
    // force the engine starts paused and begins counting when it ends.
    void start();
    // The settings' interval and break length; nothing is restarted.
    void applySettings(int intervalMinutes, int breakDurationSeconds);
    void applyQuietHours(const QuietHoursConfig &config);

    // Pauses --------------------------------------------------------------
    // Adds a reason; the first one holds the engine in `paused`, cancelling
    // every job but the quiet-hours check.
    void pause(PauseReason reason);
    // Removes a reason; when none is left the engine restores the step it was
    // in, or credits the absence as a natural break, or starts afresh.
    void resume(PauseReason reason);
    // A pause that ends by itself at `until` (a wall-clock moment); one in
    // the past pauses until an explicit resume. Replaces any earlier one.
    void pauseUntil(double until, PauseReason reason);
    // Offers a break right after a meeting of the given length.
    void triggerPostMeetingBreak(int meetingDurationMinutes);

    // The user's actions --------------------------------------------------
    // Starts the break at once (the overlay's start button).
    void startBreakTimer();
    // Ends the running break now, as if its timer had run out ("End Break" in
    // the menu). Ignored outside `breakActive`.
    void completeBreak();
    // Postpones the break by ten minutes; spends one snooze. The caller checks
    // canSnoozeBreak() first.
    void snooze();
    // The user met the skip challenge. Nothing happens in a mode without
    // skips or while paused.
    void confirmSkip(CommitmentMode mode);
    // Ends any break or pause at once; always permitted.
    void emergencyBypass(CommitmentMode mode);

    // Queries for the views ------------------------------------------------
    [[nodiscard]] bool canSkip();
    [[nodiscard]] bool canSnoozeBreak();
    [[nodiscard]] bool isStreakAtRisk(CommitmentMode mode);
    [[nodiscard]] int getSnoozesRemaining();
    [[nodiscard]] int getSnoozesMax();
    [[nodiscard]] bool shouldShowWindDown() const;
    [[nodiscard]] CircadianPeriod getCircadianPeriod() const;
    [[nodiscard]] int getStreakDays();
    [[nodiscard]] int getTodayCompleted(CommitmentMode mode);
    [[nodiscard]] int getTodayDue(CommitmentMode mode);
    [[nodiscard]] WeeklyStats getWeeklyStats();
    [[nodiscard]] QList<DailyRecord> getDailyRecords(int last);
    [[nodiscard]] SkipTier getSkipFrictionTier();
    [[nodiscard]] std::optional<QString> getTypingChallenge();
    [[nodiscard]] bool validateSkipChallenge(const QString &input);

    // Whether a break falling due at `now` should wait for a meeting that
    // starts within the break length plus a minute; a meeting already under
    // way, none at all, or `maxDefers` deferrals so far never defer.
    [[nodiscard]] static bool shouldDefer(const std::optional<UpcomingMeeting> &upcoming,
                                          double breakDurationSeconds, int defersSoFar, int maxDefers,
                                          double now);

    // Reporting -------------------------------------------------------------
    // The fifteen entries describing the whole engine, written under every
    // diagnostic it logs.
    [[nodiscard]] DiagnosticProperties diagnosticContext() const override;
    // The properties every analytics event of the scheduler carries, with
    // `extra` on top (an extra entry replaces a base one).
    [[nodiscard]] AnalyticsProperties breakProperties(const AnalyticsProperties &extra = {}) const;

signals:
    // Emitted exactly once per change, after the change has been reported.
    void stateChanged(stirwell::BreakState newState, stirwell::BreakState oldState);
    void timeRemainingChanged(double seconds);
    void breakTimeRemainingChanged(double seconds);
    void intervalSecondsChanged(double seconds);
    void breakDurationSecondsChanged(double seconds);
    void isActiveChanged(bool active);
    void currentModeChanged(stirwell::CommitmentMode mode);
    void currentBreakTypeChanged(stirwell::BreakType type);
    void escalationTimeRemainingChanged(double seconds);
    void pauseReasonsChanged();
    void pauseAutoResumeDateChanged();

private:
    struct PendingAutoResume {
        PauseReason reason;
        double until;
        Job task;
    };

    // Core
    bool transition(BreakState target);
    [[nodiscard]] bool pauseHolds() const;
    void recordStateChange(BreakState oldState, BreakState newState);
    void cancelAllTasks();
    void cancelActiveTimers();
    void cancelCountdownAndEscalation();
    void clearAllPauseState();
    void track(AnalyticsEvent event, const AnalyticsProperties &extra = {});
    [[nodiscard]] double now() const;
    [[nodiscard]] double clockNow() const;

    // Countdown and break timer
    void startCounting();
    void startCountingWithCredit();
    void startCountdownWith(double interval);
    [[nodiscard]] BreakType determineBreakType() const;
    void markBreakTypeCadenceSatisfied(const QString &source);
    void runBreakLoop();
    void resumeBreakTimer();

    // Idle and natural breaks
    void startIdleMonitor();
    void handleNaturalBreak(double idleSeconds);
    void recordNaturalBreakCredit(double awaySeconds);
    [[nodiscard]] bool qualifiesForNaturalBreakCredit(double seconds) const;

    // Escalation
    void transitionToDue();
    void finishDueWait(bool naturalPauseFound);
    void transitionToNudge();
    void transitionToSoftBlock();
    void transitionToFirmBlock();
    void transitionToHardBlock();
    void startEscalationCountdown(double seconds, std::function<void()> then);
    void reenterEscalation(BreakState step);
    void resetToCounting();

    // Pauses, quiet hours, meetings
    void autoResume(PauseReason reason);
    void armAutoResume(PauseReason reason, double until);
    void clearPendingAutoResume();
    void evaluateQuietHours();
    void restartQuietHoursMonitor();
    [[nodiscard]] bool shouldDeferForUpcomingMeeting() const;
    void deferCountdownForMeeting();

    // Stores `value` in `field` and emits `notify(value)`, only when it differs.
    template <typename T>
    void assignAndNotify(T &field, T value, void (BreakScheduler::*notify)(T));

    // Setters that notify observers of a change
    void setTimeRemaining(double seconds);
    void setBreakTimeRemaining(double seconds);
    void setIntervalSeconds(double seconds);
    void setBreakDurationSeconds(double seconds);
    void setActive(bool active);
    void setCurrentMode(CommitmentMode mode);
    void setCurrentBreakType(BreakType type);
    void setEscalationTimeRemaining(double seconds);
    void insertPauseReason(PauseReason reason);
    bool erasePauseReason(PauseReason reason);
    void clearPauseReasons();

    Runtime &m_runtime;
    IdleDetector &m_idleDetector;
    SnoozeAllowance &m_snoozeBudget;
    SkipPolicy &m_skipFriction;
    BreakHistory &m_streakTracker;
    SoundCues &m_soundService;
    CircadianEngine &m_circadianEngine;
    DashboardUploader &m_dashboardSync;
    BreakNotifications &m_notificationService;
    AnalyticsSink &m_observability;
    Clock m_clock;

    // Published
    BreakState m_state = BreakState::counting;
    double m_timeRemaining = 0;
    double m_breakTimeRemaining = 0;
    double m_intervalSeconds = 2700;
    double m_breakDurationSeconds = 180;
    bool m_isActive = false;
    CommitmentMode m_currentMode = CommitmentMode::normal;
    BreakType m_currentBreakType = BreakType::movement;
    double m_escalationTimeRemaining = 0;
    std::set<PauseReason> m_pauseReasons;

    // Jobs: at most one of each kind.
    Job m_countdownTask; // the work countdown, or the wait for a pause in typing while due
    Job m_breakTask;
    Job m_escalationTask;
    Job m_idleMonitorTask;
    Job m_celebrationTask;
    Job m_quietHoursTask;

    // Internal
    std::optional<BreakState> m_stateBeforePause;
    double m_lastExerciseSnackTime;
    double m_lastExtendedBreakTime;
    std::optional<double> m_lastBreakCompletionTime;
    std::optional<double> m_pauseStartTime;
    std::optional<PendingAutoResume> m_pendingAutoResume;
    QuietHoursConfig m_quietHoursConfig;
    bool m_quietHoursActive = false;
    double m_activeCountdownInterval = 0;
    int m_meetingDefersThisCycle = 0;
};

} // namespace stirwell
