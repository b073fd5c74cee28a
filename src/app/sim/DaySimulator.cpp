#include "app/sim/DaySimulator.h"

#include "app/core/SessionWiring.h"
#include "app/core/StartupSettings.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/engine/BreakScheduler.h"
#include "services/engine/CircadianEngine.h"
#include "services/habits/DailyCommitment.h"
#include "services/habits/HabitServices.h"
#include "services/habits/RandomSource.h"
#include "services/observability/AnalyticsSink.h"
#include "services/observability/TimerDiagnosticsLogger.h"
#include "services/ports/DashboardUploader.h"
#include "services/system/IdleDetector.h"
#include "services/system/NotificationServer.h"
#include "services/system/NotificationService.h"
#include "services/system/SoundPlayer.h"
#include "services/system/SoundService.h"
#include "services/storage/PreferencesStore.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cmath>

namespace stirwell::sim {

namespace {

// Prints every line with the local time of the virtual clock.
class Printer {
public:
    Printer(const Runtime &runtime, QTextStream &out)
        : m_runtime(runtime)
        , m_out(out)
    {
    }
    void line(const QString &text)
    {
        m_out << m_runtime.calendar().localDateTime(m_runtime.now()).toString(QStringLiteral("HH:mm:ss")) << ' '
              << text << '\n';
    }

private:
    const Runtime &m_runtime;
    QTextStream &m_out;
};

class PrintingNotificationServer final : public NotificationServer {
public:
    explicit PrintingNotificationServer(Printer &printer)
        : m_printer(printer)
    {
    }
    void notify(const NotificationRequest &request, std::function<void(std::optional<uint>)> reply) override
    {
        m_printer.line(QStringLiteral("notification \"%1\" \"%2\"").arg(request.title, request.body));
        reply(++m_lastId);
    }
    void checkAvailable(std::function<void(bool)> reply) override { reply(true); }

private:
    Printer &m_printer;
    uint m_lastId = 0;
};

class PrintingSoundPlayer final : public SoundPlayer {
public:
    explicit PrintingSoundPlayer(Printer &printer)
        : m_printer(printer)
    {
    }
    bool playFile(const QString &path) override
    {
        m_printer.line(QStringLiteral("sound ") + QFileInfo(path).completeBaseName());
        return true;
    }
    bool playThemeSound(const QString &eventId) override
    {
        m_printer.line(QStringLiteral("sound ") + eventId);
        return true;
    }

private:
    Printer &m_printer;
};

class PrintingDashboard final : public DashboardUploader {
public:
    explicit PrintingDashboard(Printer &printer)
        : m_printer(printer)
    {
    }
    void syncToday(const DailyRecord &record, int microBreaks) override
    {
        m_printer.line(QStringLiteral("dashboard upload %1 completed=%2 due=%3 skipped=%4 micro=%5")
                           .arg(record.date)
                           .arg(record.sessionsCompleted)
                           .arg(record.sessionsDue)
                           .arg(record.sessionsSkipped)
                           .arg(microBreaks));
    }

private:
    Printer &m_printer;
};

// The seconds worth showing with a state: what is left of the countdown,
// the escalation step or the break.
double secondsLeft(const BreakScheduler &scheduler)
{
    const BreakState s = scheduler.state();
    if (s == BreakState::breakActive || s == BreakState::completed)
        return scheduler.breakTimeRemaining();
    if (showsControls(s))
        return scheduler.escalationTimeRemaining();
    return scheduler.timeRemaining();
}

} // namespace

void runScenario(const Scenario &scenario, const SimulatorOptions &options, QTextStream &out)
{
    VirtualRuntime runtime(scenario.start, scenario.calendar);
    Printer printer(runtime, out);

    PreferencesStore preferences;
    preferences.setBool(TimerDiagnosticsLogger::kEnabledKey, true);
    TimerDiagnosticsLogger diagnostics(preferences, runtime, options.dataDirectory);

    QRandomGenerator generator(options.seed.value_or(QRandomGenerator::global()->generate()));
    HabitServices habits(runtime, preferences, options.dataDirectory, randomSourceFrom(generator));

    // Idle periods of the scenario; outside them the user is typing.
    double idleFrom = -1;
    double idleUntil = -1;
    IdleDetector idleDetector(runtime, [&] {
        const double now = runtime.now();
        return now >= idleFrom && now < idleUntil ? now - idleFrom : 0.0;
    });

    PrintingSoundPlayer soundPlayer(printer);
    SoundService sounds(soundPlayer, preferences, QString());
    PrintingNotificationServer notificationServer(printer);
    NotificationService notifications(notificationServer, preferences, runtime);
    notifications.requestPermission();
    PrintingDashboard dashboard(printer);
    CircadianEngine circadian(runtime);
    NoOpAnalyticsSink analytics;

    BreakScheduler scheduler(runtime, idleDetector, habits.snoozeBudget(), habits.skipFriction(),
                             habits.streakTracker(), sounds, circadian, dashboard, notifications, analytics,
                             &diagnostics);

    SessionWiring wiring;
    wiring.setScheduler(&scheduler);
    scheduler.onQuietHoursChanged = [&wiring](bool inside) { wiring.quietHoursChanged(inside); };

    std::optional<UpcomingMeeting> upcoming;
    scheduler.upcomingMeetingProvider = [&]() -> std::optional<UpcomingMeeting> {
        if (upcoming && upcoming->start > runtime.now())
            return upcoming;
        return std::nullopt;
    };

    // When the break screen came up, for the skip control's wait.
    std::optional<double> breakScreenShownAt;
    // State lines are printed once the step that changed the state is done,
    // so that the seconds shown are those the new state starts with.
    QList<std::pair<BreakState, BreakState>> pendingStateLines;
    Job flushStateLines;
    QObject::connect(&scheduler, &BreakScheduler::stateChanged, [&](BreakState now, BreakState before) {
        if (isOverlayVisible(now) && !isOverlayVisible(before))
            breakScreenShownAt = runtime.now();
        else if (!isOverlayVisible(now))
            breakScreenShownAt.reset();
        pendingStateLines.append({before, now});
        if (!flushStateLines.isActive()) {
            flushStateLines = runtime.after(0, [&] {
                for (const auto &[from, to] : std::as_const(pendingStateLines))
                    printer.line(QStringLiteral("%1 -> %2 %3 %4s")
                                     .arg(rawValue(from), rawValue(to), rawValue(scheduler.currentBreakType()))
                                     .arg(std::llround(secondsLeft(scheduler))));
                pendingStateLines.clear();
            });
        }
    });

    Job postMeetingBreak;
    auto attemptSkip = [&](const QString &phrase) {
        const SkipTier tier = scheduler.getSkipFrictionTier();
        if (!showsControls(scheduler.state()) || !breakScreenShownAt) {
            printer.line(QStringLiteral("skip refused: no break screen with skip controls"));
        } else if (!scheduler.canSkip()) {
            printer.line(QStringLiteral("skip refused: no skip allowed (%1)").arg(reportedName(tier)));
        } else if (runtime.now() - *breakScreenShownAt < waitSeconds(tier)) {
            printer.line(QStringLiteral("skip refused: the %1 s wait is not over").arg(waitSeconds(tier)));
        } else if (tier != SkipTier::tier1 && !scheduler.validateSkipChallenge(phrase)) {
            printer.line(QStringLiteral("skip refused: the phrase does not match"));
        } else {
            scheduler.confirmSkip(scheduler.currentMode());
        }
    };

    for (const ScenarioStep &step : scenario.steps) {
        runtime.advanceTo(step.at);
        const QString &a = step.action;
        if (a == QLatin1String("pref")) {
            preferences.setValue(step.args[0], *step.value);
        } else if (a == QLatin1String("launch")) {
            applyStoredSettingsAndStart(preferences, runtime, scheduler, {});
        } else if (a == QLatin1String("commit")) {
            const CommitmentMode mode = *fromRawValue<CommitmentMode>(step.args[0]);
            DailyCommitment commitment;
            commitment.mode = mode;
            commitment.date = DailyCommitment::todayString(runtime);
            commitment.lockedUntilHour = DailyCommitment::lockUntilHourPreference(preferences);
            commitment.committedAt = runtime.now();
            DailyCommitment::save(commitment, preferences);
            scheduler.configure(mode);
        } else if (a == QLatin1String("idle")) {
            idleFrom = runtime.now();
            idleUntil = idleFrom + step.args[0].toDouble();
        } else if (a == QLatin1String("sleep")) {
            wiring.machineWillSleep();
            runtime.runDue();
            runtime.suspend(step.args[0].toDouble());
            wiring.machineDidWake();
        } else if (a == QLatin1String("lock")) {
            wiring.screensLocked();
        } else if (a == QLatin1String("unlock")) {
            wiring.screensUnlocked();
        } else if (a == QLatin1String("meeting-start")) {
            postMeetingBreak.cancel();
            wiring.meetingStarted();
        } else if (a == QLatin1String("meeting-end")) {
            const int minutes = static_cast<int>(step.args[0].toDouble());
            wiring.meetingEnded(minutes);
            postMeetingBreak = runtime.after(90, [&wiring, minutes] { wiring.postMeetingBreakReady(minutes); });
        } else if (a == QLatin1String("upcoming")) {
            if (step.args[0] == QLatin1String("none"))
                upcoming.reset();
            else
                upcoming = UpcomingMeeting{runtime.now() + step.args[0].toDouble(), std::nullopt};
        } else if (a == QLatin1String("snooze")) {
            // As the break screen offers it: only with its controls up and
            // a snooze left today.
            if (!showsControls(scheduler.state()))
                printer.line(QStringLiteral("snooze refused: no break screen with a snooze control"));
            else if (!scheduler.canSnoozeBreak())
                printer.line(QStringLiteral("snooze refused: no snoozes left today"));
            else
                scheduler.snooze();
        } else if (a == QLatin1String("bypass")) {
            scheduler.emergencyBypass(scheduler.currentMode());
        } else if (a == QLatin1String("start-break")) {
            scheduler.startBreakTimer();
        } else if (a == QLatin1String("end-break")) {
            scheduler.completeBreak();
        } else if (a == QLatin1String("pause-for")) {
            scheduler.pauseUntil(runtime.now() + step.args[0].toDouble() * 60, PauseReason::manual);
        } else if (a == QLatin1String("resume-manual")) {
            scheduler.resume(PauseReason::manual);
        } else if (a == QLatin1String("skip")) {
            attemptSkip(step.rest);
        } else if (a == QLatin1String("quiet-hours")) {
            scheduler.applyQuietHours(QuietHoursConfig{step.args[0] == QLatin1String("on"), step.args[1].toInt(),
                                                       step.args[2].toInt()});
        }
        runtime.runDue();
    }
    runtime.advanceTo(scenario.end);
    runtime.runDue();

    const DailyRecord today = habits.streakTracker().todayRecord(scheduler.currentMode());
    out << QStringLiteral("today %1 (%2): due %3, completed %4, skipped %5, emergency bypasses %6, snoozes %7, "
                          "natural breaks %8, streak %9\n")
               .arg(today.date, rawValue(today.mode))
               .arg(today.sessionsDue)
               .arg(today.sessionsCompleted)
               .arg(today.sessionsSkipped)
               .arg(today.emergencyBypasses)
               .arg(today.snoozesUsed)
               .arg(today.naturalBreaksDetected)
               .arg(habits.streakTracker().currentStreak() == 1
                        ? QStringLiteral("1 day")
                        : QStringLiteral("%1 days").arg(habits.streakTracker().currentStreak()));
}

} // namespace stirwell::sim
