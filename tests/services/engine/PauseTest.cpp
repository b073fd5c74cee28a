// Pauses by reason, resumption, time-boxed pauses and quiet hours.

#include "EngineHarness.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using namespace stirwell::test;
using S = BreakState;

TEST(Pause, HoldsTheEngineAndRefusesEveryWayOut)
{
    EngineHarness h;
    h.scheduler->start();
    ASSERT_TRUE(h.next("09:45", S::due));
    ASSERT_TRUE(h.next("09:48", S::nudge));
    h.scheduler->pause(PauseReason::meeting);
    ASSERT_TRUE(h.next("09:48", S::paused));
    EXPECT_EQ(h.runtime.pendingJobCount(), 0u);
    EXPECT_EQ(h.lastValue("scheduler.pause_requested", "previous_state"), "nudge");
    EXPECT_EQ(h.lastValue("scheduler.pause_requested", "already_paused"), "false");

    // A late click on the overlay's start button is refused by the guard.
    h.scheduler->startBreakTimer();
    EXPECT_EQ(h.scheduler->state(), S::paused);
    EXPECT_EQ(h.lastValue("scheduler.transition_rejected", "target_state"), "breakActive");
    EXPECT_EQ(h.lastValue("scheduler.transition_rejected", "reason"), "pause_reasons_active");
    EXPECT_EQ(h.runtime.pendingJobCount(), 0u);
    h.scheduler->snooze();
    h.scheduler->confirmSkip(CommitmentMode::normal);
    EXPECT_EQ(h.snoozeBudget.used, 0);
    EXPECT_EQ(h.skipFriction.skipsToday, 0);

    // A second reason only joins; the first reason's end is deferred.
    h.scheduler->pause(PauseReason::screenLock);
    EXPECT_EQ(h.lastValue("scheduler.pause_requested", "already_paused"), "true");
    EXPECT_EQ(h.lastValue("scheduler.pause_requested", "pause_reasons"), "meeting,screenLock");
    ASSERT_TRUE(h.quietUntil("09:50"));
    h.scheduler->resume(PauseReason::meeting);
    EXPECT_EQ(h.scheduler->state(), S::paused);
    EXPECT_EQ(h.lastValue("scheduler.resume_deferred", "resume_reason"), "meeting");
    h.scheduler->resume(PauseReason::screenLock);
    ASSERT_TRUE(h.next("09:50", S::nudge));
    EXPECT_EQ(h.lastValue("scheduler.resumed", "pause_duration_seconds"), "120");
    EXPECT_EQ(h.lastValue("scheduler.resumed", "restoring_state"), "nudge");
    EXPECT_EQ(h.analytics.count(AnalyticsEvent::breakPaused), 2);
    EXPECT_EQ(h.analytics.count(AnalyticsEvent::breakResumed), 1);
    ASSERT_TRUE(h.next("09:52", S::softBlock));
}

TEST(Pause, ResumingWhenNotPausedIsIgnored)
{
    EngineHarness h;
    h.scheduler->start();
    h.scheduler->resume(PauseReason::meeting);
    EXPECT_EQ(h.lastValue("scheduler.resume_ignored", "reason"), "state_not_paused");
    EXPECT_EQ(h.scheduler->state(), S::counting);
}

// Locked for two minutes in each state: the state comes back and runs on.
struct ResumeCase {
    const char *name;
    const char *pauseAt;
    BreakState before;
    const char *resumeAt;
    const char *followAt;
    BreakState follow;
};

class Resumption : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(Resumption, RestoresTheStateItInterrupted)
{
    const ResumeCase &c = GetParam();
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo(c.pauseAt);
    ASSERT_EQ(h.scheduler->state(), c.before);
    const double breakLeft = h.scheduler->breakTimeRemaining();
    h.scheduler->pause(PauseReason::screenLock);
    h.advanceTo(c.resumeAt);
    h.forgetPendingChanges();
    h.scheduler->resume(PauseReason::screenLock);
    const BreakState restored = c.before == S::completed ? S::counting : c.before;
    EXPECT_EQ(h.scheduler->state(), restored);
    EXPECT_TRUE(h.notifications.naturalBreakMinutes.empty());
    if (restored == S::counting) {
        EXPECT_EQ(h.scheduler->timeRemaining(), 2700);
    }
    if (restored == S::breakActive) {
        EXPECT_EQ(h.scheduler->breakTimeRemaining(), breakLeft);
    }
    h.forgetPendingChanges();
    ASSERT_TRUE(h.next(c.followAt, c.follow));
}

INSTANTIATE_TEST_SUITE_P(
    EachState, Resumption,
    ::testing::Values(ResumeCase{"Counting", "09:10", S::counting, "09:12", "09:57", S::due},
                      ResumeCase{"Due", "09:46", S::due, "09:48", "09:51", S::nudge},
                      ResumeCase{"Nudge", "09:49", S::nudge, "09:51", "09:53", S::softBlock},
                      ResumeCase{"SoftBlock", "09:51", S::softBlock, "09:53", "09:55", S::firmBlock},
                      ResumeCase{"FirmBlock", "09:53", S::firmBlock, "09:55", "09:58", S::hardBlock},
                      ResumeCase{"HardBlock", "09:55:00.25", S::hardBlock, "09:57:00.25", "09:57:00.75",
                                 S::breakActive},
                      ResumeCase{"BreakActive", "09:56:50.5", S::breakActive, "09:58:50.5", "10:00:00.5",
                                 S::completed},
                      ResumeCase{"Completed", "09:58:01.5", S::completed, "10:00:01.5", "10:45:01.5", S::due}),
    [](const auto &param) { return std::string(param.param.name); });

// How long the pause lasted decides between restoring, crediting and a reset.
struct AbsenceCase {
    const char *name;
    const char *pauseAt;
    double pauseSeconds;
    std::vector<int> creditedMinutes;
    const char *report;
};

class PauseLength : public ::testing::TestWithParam<AbsenceCase> {};

TEST_P(PauseLength, DecidesWhatResumptionDoes)
{
    const AbsenceCase &c = GetParam();
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo(c.pauseAt);
    h.scheduler->pause(PauseReason::screenLock);
    h.runtime.advance(c.pauseSeconds);
    h.scheduler->resume(PauseReason::screenLock);
    EXPECT_EQ(h.notifications.naturalBreakMinutes, c.creditedMinutes);
    EXPECT_EQ(h.history.todayRecord(CommitmentMode::normal).naturalBreaksDetected,
              static_cast<int>(c.creditedMinutes.size()));
    EXPECT_EQ(h.diagnostics(c.report).size(), 1);
    EXPECT_TRUE(h.diagnostics("scheduler.break_type_cadence_satisfied").isEmpty());
    EXPECT_EQ(h.scheduler->state(), S::counting);
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700);
}

INSTANTIATE_TEST_SUITE_P(
    Absences, PauseLength,
    ::testing::Values(AbsenceCase{"CountingTenMinutes", "09:10", 600, {}, "scheduler.resumed"},
                      AbsenceCase{"SoftBlockEightMinutes", "09:51", 480, {8}, "scheduler.resume_natural_break_credit"},
                      AbsenceCase{"Nudge359SecondsIsFiveMinutes", "09:49", 359, {5},
                                  "scheduler.resume_natural_break_credit"},
                      AbsenceCase{"NudgeAtTheCapIsStillCredited", "09:49", 1200, {20},
                                  "scheduler.resume_natural_break_credit"},
                      AbsenceCase{"SoftBlockTwentyFiveMinutes", "09:51", 1500, {},
                                  "scheduler.resume_reset_without_credit"}),
    [](const auto &param) { return std::string(param.param.name); });

TEST(Pause, TheInjectedClockMeasuresPauses)
{
    EngineHarness h;
    double fake = 1000;
    h.scheduler->setClock([&fake] { return fake; });
    h.scheduler->start();
    h.advanceTo("09:49");
    h.scheduler->pause(PauseReason::screenLock);
    fake += 480;
    h.scheduler->resume(PauseReason::screenLock);
    EXPECT_EQ(h.lastValue("scheduler.resume_requested", "pause_duration_seconds"), "480");
}

TEST(TimeBoxedPause, EndsByItselfAtItsMoment)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:10");
    const double until = h.moment("09:25");
    h.scheduler->pauseUntil(until, PauseReason::manual);
    ASSERT_TRUE(h.next("09:10", S::paused));
    EXPECT_EQ(h.scheduler->pauseAutoResumeDate(), until);
    EXPECT_EQ(h.lastValue("scheduler.pause_time_boxed", "duration_seconds"), "900");
    ASSERT_TRUE(h.next("09:25", S::counting));
    EXPECT_EQ(h.lastValue("scheduler.pause_auto_resume_fired", "pause_reason"), "manual");
    EXPECT_EQ(h.lastValue("scheduler.resumed", "resume_reason"), "manual");
    EXPECT_EQ(h.scheduler->pauseAutoResumeDate(), std::nullopt);
    EXPECT_TRUE(h.scheduler->pauseReasons().empty());
}

TEST(TimeBoxedPause, AManualResumeCancelsTheEnd)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:10");
    h.scheduler->pauseUntil(h.moment("09:25"), PauseReason::manual);
    h.advanceTo("09:15");
    h.scheduler->resume(PauseReason::manual);
    EXPECT_EQ(h.scheduler->pauseAutoResumeDate(), std::nullopt);
    h.scheduler->pause(PauseReason::manual); // an open-ended pause
    h.advanceTo("10:00");
    EXPECT_EQ(h.scheduler->state(), S::paused);
    EXPECT_TRUE(h.diagnostics("scheduler.pause_auto_resume_fired").isEmpty());
}

TEST(TimeBoxedPause, AMomentInThePastPausesWithoutEnd)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:10");
    h.scheduler->pauseUntil(h.runtime.now() - 60, PauseReason::manual);
    EXPECT_EQ(h.scheduler->state(), S::paused);
    EXPECT_EQ(h.scheduler->pauseAutoResumeDate(), std::nullopt);
    EXPECT_EQ(h.runtime.pendingJobCount(), 0u);
}

TEST(TimeBoxedPause, EndsOnTimeEvenWhenTheMachineSleptThroughIt)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:10");
    h.scheduler->pauseUntil(h.moment("09:25"), PauseReason::manual);
    h.advanceTo("09:12");
    h.runtime.suspend(3600); // timers stand still, the clock runs on: 10:12 on waking
    h.forgetPendingChanges();
    h.runtime.advance(60);
    EXPECT_EQ(h.scheduler->state(), S::counting);
    EXPECT_EQ(h.diagnostics("scheduler.pause_auto_resume_fired").size(), 1);
}

// Quiet hours -------------------------------------------------------------------

TEST(QuietHours, ACrossMidnightWindowPausesAtNightAndResumesAtSeven)
{
    EngineHarness h(23, 30);
    std::vector<bool> hook;
    h.scheduler->onQuietHoursChanged = [&hook](bool inside) { hook.push_back(inside); };
    h.scheduler->applyQuietHours({true, 22, 7});
    ASSERT_TRUE(h.next("23:30", S::paused));
    h.scheduler->start(); // launched inside the window: it still holds
    EXPECT_EQ(h.scheduler->state(), S::paused);
    EXPECT_EQ(h.scheduler->pauseReasons(), std::set{PauseReason::quietHours});
    EXPECT_TRUE(h.scheduler->isActive());
    EXPECT_EQ(hook, std::vector<bool>{true});
    ASSERT_TRUE(h.quietUntil("06:59:59"));
    ASSERT_TRUE(h.next("07:00", S::counting));
    EXPECT_EQ(hook, (std::vector<bool>{true, false}));
    EXPECT_EQ(h.scheduler->timeRemaining(), 3510);
    EXPECT_EQ(h.lastValue("scheduler.quiet_hours_changed", "quiet_hours_active"), "false");
    ASSERT_TRUE(h.next("07:58:30", S::due));
}

TEST(QuietHours, TheWindowIsNoticedWithinAMinuteAndDisablingEndsIt)
{
    EngineHarness h(21, 50, true);
    h.scheduler->start();
    h.scheduler->applyQuietHours({true, 22, 7});
    EXPECT_EQ(h.lastValue("scheduler.quiet_hours_config_applied", "quiet_hours_start_hour"), "22");
    ASSERT_TRUE(h.next("22:00", S::paused));
    h.advanceTo("22:30");
    h.scheduler->applyQuietHours({false, 22, 7});
    ASSERT_TRUE(h.next("22:30", S::counting));
    EXPECT_EQ(h.runtime.pendingJobCount(), 2u); // countdown and idle monitor; no quiet-hours check
}

TEST(QuietHours, AnEmptyWindowNeverPauses)
{
    EngineHarness h(8);
    h.scheduler->start();
    h.scheduler->applyQuietHours({true, 8, 8});
    h.runtime.advance(24 * 3600);
    EXPECT_EQ(h.analytics.count(AnalyticsEvent::breakPaused), 0);
}

// Before start ---------------------------------------------------------------------

TEST(Pause, PausesBeforeTheStartRunNothing)
{
    EngineHarness h;
    h.scheduler->pause(PauseReason::screenLock);
    h.runtime.advance(60);
    h.scheduler->resume(PauseReason::screenLock);
    EXPECT_EQ(h.scheduler->state(), S::counting);
    EXPECT_EQ(h.runtime.pendingJobCount(), 0u);
    h.scheduler->emergencyBypass(CommitmentMode::normal);
    EXPECT_EQ(h.runtime.pendingJobCount(), 0u);
    h.scheduler->pause(PauseReason::meeting);
    h.scheduler->start();
    EXPECT_EQ(h.scheduler->state(), S::paused);
    EXPECT_EQ(h.runtime.pendingJobCount(), 0u);
    h.scheduler->resume(PauseReason::meeting);
    EXPECT_EQ(h.scheduler->state(), S::counting);
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700);
    EXPECT_EQ(h.runtime.pendingJobCount(), 2u);
}
