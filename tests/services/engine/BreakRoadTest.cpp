// The road of one break, the time-of-day factors, idle suspension and the
// choice of break kind, each read as a timeline of one morning.

#include "EngineHarness.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using namespace stirwell::test;
using S = BreakState;

namespace {
QStringList eventNames(const RecordingAnalytics &analytics)
{
    QStringList names;
    for (const TrackedEvent &e : analytics.events)
        names << analyticsEventName(e.event);
    return names;
}
} // namespace

TEST(BreakRoad, FreshSchedulerStandsStillUntilStarted)
{
    EngineHarness h;
    const BreakScheduler &s = *h.scheduler;
    EXPECT_EQ(s.state(), S::counting);
    EXPECT_EQ(s.intervalSeconds(), 2700);
    EXPECT_EQ(s.breakDurationSeconds(), 180);
    EXPECT_EQ(s.currentMode(), CommitmentMode::normal);
    EXPECT_EQ(s.currentBreakType(), BreakType::movement);
    EXPECT_FALSE(s.isActive());
    EXPECT_EQ(s.naturalBreakThreshold(), 300);
    EXPECT_EQ(s.timeRemaining(), 0);
    EXPECT_EQ(h.runtime.pendingJobCount(), 0u);
    h.runtime.advance(3600);
    EXPECT_EQ(s.timeRemaining(), 0);
    EXPECT_TRUE(h.pendingChanges().empty());
}

// 09:00 start, typing all along: the due wait runs its full three minutes.
TEST(BreakRoad, OneBreakFromCountdownToTheNextCountdown)
{
    EngineHarness h;
    h.scheduler->start();
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700);
    ASSERT_TRUE(h.quietUntil("09:30"));
    EXPECT_EQ(h.scheduler->timeRemaining(), 900);

    ASSERT_TRUE(h.next("09:45", S::due));
    ASSERT_TRUE(h.next("09:48", S::nudge));
    EXPECT_EQ(h.scheduler->escalationTimeRemaining(), 120);
    ASSERT_TRUE(h.next("09:50", S::softBlock));
    ASSERT_TRUE(h.next("09:52", S::firmBlock));
    ASSERT_TRUE(h.next("09:55", S::hardBlock));
    ASSERT_TRUE(h.next("09:55:00.5", S::breakActive));
    EXPECT_EQ(h.scheduler->breakTimeRemaining(), 180);
    h.advanceTo("09:56:30.5");
    EXPECT_EQ(h.scheduler->breakTimeRemaining(), 90);
    ASSERT_TRUE(h.next("09:58:00.5", S::completed));
    ASSERT_TRUE(h.next("09:58:02.5", S::counting));
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700);
    ASSERT_TRUE(h.next("10:43:02.5", S::due));

    EXPECT_EQ(h.sounds.cues, (QStringList{"nudge", "breakStart", "breakComplete"}));
    EXPECT_EQ(h.history.todayCompletedCount(CommitmentMode::normal), 1);
    EXPECT_EQ(h.history.completedTypes, std::vector<BreakType>{BreakType::movement});
    EXPECT_EQ(h.snoozeBudget.regenerations, 1);
    ASSERT_EQ(h.dashboard.uploads.size(), 1u);
    EXPECT_EQ(h.dashboard.uploads[0].sessionsCompleted, 1);
    EXPECT_EQ(h.dashboard.lastMicroBreaks, 0);
    EXPECT_TRUE(h.notifications.naturalBreakMinutes.empty());

    // The initial counting is no change: nine changes, nine reports.
    const QStringList names = eventNames(h.analytics);
    EXPECT_EQ(names.mid(0, 2), (QStringList{"scheduler.started", "break.scheduled"}));
    EXPECT_EQ(names.count("break.state_changed"), 9);
    EXPECT_EQ(names.count("break.started"), 1);
    EXPECT_EQ(names.count("break.completed"), 1);
    EXPECT_EQ(names.count("break.scheduled"), 2);
    EXPECT_EQ(names.count("scheduler.started"), 1);

    const auto changes = h.analytics.named(AnalyticsEvent::breakStateChanged);
    EXPECT_EQ(changes[0].properties.at(AnalyticsProperty::previousState), "counting");
    EXPECT_EQ(changes[0].properties.at(AnalyticsProperty::state), "due");
    EXPECT_EQ(changes[0].properties.at(AnalyticsProperty::intervalBucket), "45_59m");
    EXPECT_EQ(changes[0].properties.at(AnalyticsProperty::durationBucket), "3_5m");
    EXPECT_EQ(changes[0].properties.at(AnalyticsProperty::mode), "normal");
    EXPECT_EQ(changes[0].properties.at(AnalyticsProperty::breakType), "movement");

    const QStringList diagnostics = h.diagnosticEvents();
    const QStringList road = {"scheduler.started",
                              "scheduler.counting_started",
                              "scheduler.countdown_started",
                              "scheduler.idle_monitor_started",
                              "scheduler.countdown_elapsed",
                              "scheduler.due_wait_started",
                              "scheduler.state_changed",
                              "scheduler.due_wait_finished",
                              "scheduler.state_changed",
                              "scheduler.nudge_started",
                              "scheduler.escalation_countdown_started",
                              "scheduler.escalation_countdown_finished",
                              "scheduler.state_changed",
                              "scheduler.soft_block_started",
                              "scheduler.escalation_countdown_started",
                              "scheduler.escalation_countdown_finished",
                              "scheduler.state_changed",
                              "scheduler.firm_block_started",
                              "scheduler.escalation_countdown_started",
                              "scheduler.escalation_countdown_finished",
                              "scheduler.state_changed",
                              "scheduler.hard_block_started",
                              "scheduler.state_changed",
                              "scheduler.break_timer_started",
                              "scheduler.state_changed",
                              "scheduler.break_completed",
                              "scheduler.counting_started",
                              "scheduler.state_changed",
                              "scheduler.countdown_started"};
    QStringList filtered;
    for (const QString &name : diagnostics)
        if (!name.endsWith("_tick") && name != "scheduler.idle_poll")
            filtered << name;
    EXPECT_EQ(filtered.mid(0, road.size()), road);

    const QJsonObject nudge = h.lastDiagnostic("scheduler.nudge_started");
    EXPECT_EQ(nudge.value("escalation_delay_seconds").toString(), "120");
    EXPECT_EQ(nudge.value("state").toString(), "nudge");
    EXPECT_EQ(nudge.value("timestamp").toString(), "2025-03-10T08:48:00Z");
    EXPECT_EQ(h.lastValue("scheduler.due_wait_finished", "natural_pause_found"), "false");
    EXPECT_EQ(h.lastValue("scheduler.firm_block_started", "escalation_delay_seconds"), "180");
    // Tick reports come at most once a minute per job.
    EXPECT_EQ(h.diagnostics("scheduler.countdown_tick").size(), 45 + 45);
    EXPECT_EQ(h.diagnostics("scheduler.break_timer_tick").size(), 3);
}

TEST(BreakRoad, APauseInTypingBringsTheNudgeEarly)
{
    EngineHarness h;
    h.scheduler->start();
    ASSERT_TRUE(h.next("09:45", S::due));
    h.advanceTo("09:46");
    h.leave();
    ASSERT_TRUE(h.next("09:46:05", S::nudge));
    EXPECT_EQ(h.lastValue("scheduler.due_wait_finished", "natural_pause_found"), "true");
}

TEST(BreakRoad, AUserAlreadyPausingGetsTheNudgeAtOnce)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:44:50");
    h.leave(); // ten seconds without input when the countdown ends
    ASSERT_TRUE(h.next("09:45", S::due));
    ASSERT_TRUE(h.next("09:45", S::nudge));
    EXPECT_EQ(h.lastValue("scheduler.due_wait_finished", "natural_pause_found"), "true");
    // The escalation step and the idle monitor; the wait left nothing behind.
    EXPECT_EQ(h.runtime.pendingJobCount(), 2u);
    ASSERT_TRUE(h.next("09:47", S::softBlock));
}

TEST(BreakRoad, StartingTheBreakFromTheNudgeRunsTheBreakAtOnce)
{
    EngineHarness h;
    h.scheduler->start();
    ASSERT_TRUE(h.next("09:45", S::due));
    ASSERT_TRUE(h.next("09:48", S::nudge));
    h.advanceTo("09:49");
    h.scheduler->startBreakTimer();
    ASSERT_TRUE(h.next("09:49", S::breakActive));
    ASSERT_TRUE(h.next("09:52", S::completed));
    ASSERT_TRUE(h.next("09:52:02", S::counting));
    EXPECT_EQ(h.sounds.cues, (QStringList{"nudge", "breakComplete"}));
}

TEST(BreakRoad, StartingTheBreakWhileCountingStopsTheCountdown)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:44:30");
    h.scheduler->startBreakTimer();
    ASSERT_TRUE(h.next("09:44:30", S::breakActive));
    // The countdown would have fallen due at 09:45 in the middle of the break.
    ASSERT_TRUE(h.next("09:47:30", S::completed));
    ASSERT_TRUE(h.next("09:47:32", S::counting));
    ASSERT_TRUE(h.next("10:32:32", S::due));
}

// The factor of the period in which each step begins: the countdown's at its
// start, each escalation delay at its own step.
struct PeriodCase {
    const char *name;
    int startHour;
    double countdown;
    const char *due, *nudge, *soft, *firm, *hard;
    const char *nudgeDelay, *softDelay, *firmDelay;
    const char *bucket;
};

class TimeOfDay : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(TimeOfDay, FactorsStretchOrShortenTheRoad)
{
    const PeriodCase &c = GetParam();
    EngineHarness h(c.startHour);
    h.scheduler->start();
    EXPECT_EQ(h.scheduler->timeRemaining(), c.countdown);
    EXPECT_EQ(h.lastValue("scheduler.counting_started", "adjusted_interval_seconds"),
              QString::number(c.countdown));
    EXPECT_EQ(h.analytics.named(AnalyticsEvent::breakScheduled)
                  .back()
                  .properties.at(AnalyticsProperty::intervalBucket),
              c.bucket);
    ASSERT_TRUE(h.next(c.due, S::due));
    ASSERT_TRUE(h.next(c.nudge, S::nudge));
    ASSERT_TRUE(h.next(c.soft, S::softBlock));
    ASSERT_TRUE(h.next(c.firm, S::firmBlock));
    ASSERT_TRUE(h.next(c.hard, S::hardBlock));
    EXPECT_EQ(h.lastValue("scheduler.nudge_started", "escalation_delay_seconds"), c.nudgeDelay);
    EXPECT_EQ(h.lastValue("scheduler.soft_block_started", "escalation_delay_seconds"), c.softDelay);
    EXPECT_EQ(h.lastValue("scheduler.firm_block_started", "escalation_delay_seconds"), c.firmDelay);
}

INSTANTIATE_TEST_SUITE_P(
    Periods, TimeOfDay,
    ::testing::Values(
        PeriodCase{"EarlyMorning", 7, 3510, "07:58:30", "08:01:30", "08:04:00", "08:06:30", "08:10:15", "150", "150",
                   "225", "45_59m"},
        PeriodCase{"PostLunch", 13, 2025, "13:33:45", "13:36:45", "13:38:15", "13:39:45", "13:42:00", "90", "90",
                   "135", "30_44m"},
        PeriodCase{"Evening", 19, 3240, "19:54:00", "19:57:00", "19:59:00", "20:01:00", "20:04:00", "120", "120",
                   "180", "45_59m"}),
    [](const auto &param) { return std::string(param.param.name); });

TEST(BreakRoad, ACountdownKeepsTheLengthOfThePeriodItStartedIn)
{
    EngineHarness h(8, 59);
    h.scheduler->start();
    EXPECT_EQ(h.scheduler->timeRemaining(), 3510);
    ASSERT_TRUE(h.next("09:57:30", S::due));
    // The nudge begins at 10:00:30, in peak focus.
    ASSERT_TRUE(h.next("10:00:30", S::nudge));
    EXPECT_EQ(h.scheduler->escalationTimeRemaining(), 120);
}

TEST(BreakRoad, IdleInputHoldsTheCountdown)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:10");
    h.leave();
    h.advanceTo("09:11:59");
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700 - 719);
    h.advanceTo("09:14:30");
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700 - 719); // stood still from 09:12:00 on
    h.typing();
    h.advanceTo("09:20");
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700 - 1200 + 151); // 09:12:00 to 09:14:30 not counted
    EXPECT_EQ(h.diagnostics("scheduler.countdown_suspended_for_idle").size(), 1);
    EXPECT_EQ(h.diagnostics("scheduler.countdown_resumed_after_idle").size(), 1);
    EXPECT_EQ(h.lastValue("scheduler.countdown_suspended_for_idle", "idle_seconds"), "120");
    // 270 seconds away is no natural break.
    EXPECT_TRUE(h.diagnostics("scheduler.natural_break_evaluated").isEmpty());
    ASSERT_TRUE(h.next("09:47:31", S::due));
}

// Which kind of break a countdown ends with, by how long after launch it
// ends; the break length follows the kind.
struct CadenceCase {
    const char *name;
    CommitmentMode mode;
    int intervalMinutes;
    const char *due;
    BreakType type;
    double duration;
};

class Cadence : public ::testing::TestWithParam<CadenceCase> {};

TEST_P(Cadence, TheKindFollowsTheTimeSinceLaunch)
{
    const CadenceCase &c = GetParam();
    EngineHarness h;
    h.scheduler->configure(c.mode);
    if (c.intervalMinutes > 0)
        h.scheduler->applySettings(c.intervalMinutes, 120);
    h.scheduler->start();
    ASSERT_TRUE(h.next(c.due, S::due));
    EXPECT_EQ(h.scheduler->currentBreakType(), c.type);
    EXPECT_EQ(h.scheduler->breakDurationSeconds(), c.duration);
}

INSTANTIATE_TEST_SUITE_P(
    Launch, Cadence,
    ::testing::Values(CadenceCase{"GentleFirstBreakIsAMovementBreak", CommitmentMode::gentle, 0, "09:45",
                                  BreakType::movement, 180},
                      CadenceCase{"After100MinutesAnExerciseSnack", CommitmentMode::normal, 100, "10:40",
                                  BreakType::exerciseSnack, 180},
                      CadenceCase{"After200MinutesAnExtendedBreak", CommitmentMode::normal, 200, "12:20",
                                  BreakType::extended, 600}),
    [](const auto &param) { return std::string(param.param.name); });

TEST(BreakRoad, CompletingAnExtendedBreakSatisfiesBothCadences)
{
    EngineHarness h;
    h.scheduler->applySettings(200, 120);
    h.scheduler->start();
    ASSERT_TRUE(h.next("12:20", S::due));
    ASSERT_TRUE(h.next("12:23", S::nudge));
    h.scheduler->startBreakTimer();
    ASSERT_TRUE(h.next("12:23", S::breakActive));
    ASSERT_TRUE(h.next("12:33", S::completed));
    EXPECT_EQ(h.lastValue("scheduler.break_type_cadence_satisfied", "source"), "completion");
    ASSERT_TRUE(h.next("12:33:02", S::counting));
    // Both stamps moved: ten minutes later only a movement break is owed.
    h.scheduler->snooze(); // a plain ten minutes, then look again
    h.forgetPendingChanges();
    ASSERT_TRUE(h.next("12:43:02", S::due));
    EXPECT_EQ(h.scheduler->currentBreakType(), BreakType::movement);
    EXPECT_EQ(h.history.completedTypes, std::vector<BreakType>{BreakType::extended});
}

TEST(BreakRoad, CompletingAMovementBreakLeavesTheCadenceAlone)
{
    EngineHarness h;
    h.scheduler->start();
    ASSERT_TRUE(h.next("09:45", S::due));
    ASSERT_TRUE(h.next("09:48", S::nudge));
    h.scheduler->startBreakTimer();
    h.advanceTo("09:52");
    EXPECT_TRUE(h.diagnostics("scheduler.break_type_cadence_satisfied").isEmpty());
    // The snack owed since launch is still owed.
    h.forgetPendingChanges();
    ASSERT_TRUE(h.next("10:36:02", S::due));
    EXPECT_EQ(h.scheduler->currentBreakType(), BreakType::exerciseSnack);
}
