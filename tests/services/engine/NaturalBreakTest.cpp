// Time away from the keyboard: credited, ignored, or reset without credit.

#include "EngineHarness.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using namespace stirwell::test;
using S = BreakState;

TEST(NaturalBreak, AbsenceWhileCountingIsCreditedAndTheCountdownRestarts)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:10");
    h.leave();
    // Polls run every five seconds from 09:00; the one at 09:15 sees 300 s.
    ASSERT_TRUE(h.quietUntil("09:15"));
    EXPECT_EQ(h.lastValue("scheduler.natural_break_credit", "idle_seconds"), "300");
    EXPECT_EQ(h.lastValue("scheduler.natural_break_recorded", "away_minutes"), "5");
    EXPECT_EQ(h.notifications.naturalBreakMinutes, std::vector<int>{5});
    EXPECT_EQ(h.history.todayRecord(CommitmentMode::normal).naturalBreaksDetected, 1);
    const auto detected = h.analytics.named(AnalyticsEvent::breakNaturalDetected);
    ASSERT_EQ(detected.size(), 1u);
    EXPECT_EQ(detected[0].properties.at(AnalyticsProperty::awayDurationBucket), "5_10m");
    // No break completed yet: a whole interval, with credit applied.
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700);
    EXPECT_EQ(h.lastValue("scheduler.counting_started", "credit_applied"), "true");
    EXPECT_FALSE(h.lastDiagnostic("scheduler.counting_started").contains("credited_elapsed_seconds"));
    EXPECT_TRUE(h.diagnostics("scheduler.break_type_cadence_satisfied").isEmpty());
}

TEST(NaturalBreak, TheNextIntervalIsAnchoredToTheLastCompletedBreak)
{
    EngineHarness h;
    h.scheduler->start();
    ASSERT_TRUE(h.next("09:45", S::due));
    ASSERT_TRUE(h.next("09:48", S::nudge));
    h.scheduler->startBreakTimer();
    ASSERT_TRUE(h.next("09:48", S::breakActive));
    ASSERT_TRUE(h.next("09:51", S::completed));
    ASSERT_TRUE(h.next("09:51:02", S::counting));
    h.advanceTo("10:16");
    h.leave(); // away from 10:16 to 10:21: half an hour after the break
    h.advanceTo("10:21");
    EXPECT_EQ(h.lastValue("scheduler.counting_started", "credited_elapsed_seconds"), "1800");
    EXPECT_EQ(h.scheduler->timeRemaining(), 900);
    h.typing();
    // Fifty minutes after the break the credit would exceed the interval.
    h.advanceTo("10:36");
    h.leave();
    h.advanceTo("10:41");
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700);
    EXPECT_EQ(h.lastValue("scheduler.counting_started", "credit_applied"), "true");
    EXPECT_FALSE(h.lastDiagnostic("scheduler.counting_started").contains("credited_elapsed_seconds"));
}

TEST(NaturalBreak, AbsenceDuringAPendingBreakSatisfiesAnOwedSnack)
{
    EngineHarness h;
    h.scheduler->applySettings(100, 120);
    h.scheduler->start();
    ASSERT_TRUE(h.next("10:40", S::due));
    ASSERT_TRUE(h.next("10:43", S::nudge));
    EXPECT_EQ(h.scheduler->currentBreakType(), BreakType::exerciseSnack);
    h.leave(); // the blocks go on while the user is away
    ASSERT_TRUE(h.next("10:45", S::softBlock));
    ASSERT_TRUE(h.next("10:47", S::firmBlock));
    ASSERT_TRUE(h.next("10:48", S::counting));
    EXPECT_EQ(h.scheduler->state(), S::counting);
    EXPECT_EQ(h.lastValue("scheduler.break_type_cadence_satisfied", "source"), "natural_break");
    EXPECT_EQ(h.notifications.naturalBreakMinutes, std::vector<int>{5});
    // The snack is no longer owed: a break ten minutes on is a movement break.
    h.typing();
    h.scheduler->snooze();
    ASSERT_TRUE(h.next("10:58", S::due));
    EXPECT_EQ(h.scheduler->currentBreakType(), BreakType::movement);
}

TEST(NaturalBreak, ALongSleepWithoutPauseEventsResetsWithoutCredit)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:20");
    h.runtime.suspend(1300); // the lid closed, no sleep event reached us
    h.advanceTo("09:41:45");
    EXPECT_EQ(h.lastValue("scheduler.idle_threshold_crossed", "wall_clock_gap_seconds"), "1305");
    EXPECT_EQ(h.lastValue("scheduler.natural_break_reset_without_credit", "reason"),
              "beyond_natural_break_credit_cap");
    EXPECT_TRUE(h.notifications.naturalBreakMinutes.empty());
    EXPECT_EQ(h.analytics.count(AnalyticsEvent::breakNaturalDetected), 0);
    EXPECT_EQ(h.lastValue("scheduler.counting_started", "credit_applied"), "false");
}

TEST(NaturalBreak, AShortSleepWithoutPauseEventsIsCreditedByItsGap)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:20");
    h.runtime.suspend(900);
    h.runtime.advance(5);
    EXPECT_EQ(h.lastValue("scheduler.natural_break_credit", "idle_seconds"), "905");
    EXPECT_EQ(h.notifications.naturalBreakMinutes, std::vector<int>{15});
}

TEST(NaturalBreak, AFreshCountdownIgnoresTheAbsenceUntilTheUserReturns)
{
    EngineHarness h;
    h.leave(260); // gone before the launch
    h.scheduler->start();
    h.advanceTo("09:00:40");
    EXPECT_EQ(h.lastValue("scheduler.natural_break_ignored", "reason"), "countdown_too_fresh");
    EXPECT_EQ(h.lastValue("scheduler.natural_break_ignored", "idle_seconds"), "300");
    // Still away: every poll is reported, nothing is evaluated again.
    const int pollsBefore = h.diagnostics("scheduler.idle_poll").size();
    h.advanceTo("09:01:40");
    EXPECT_EQ(h.diagnostics("scheduler.idle_poll").size(), pollsBefore + 12);
    EXPECT_EQ(h.diagnostics("scheduler.natural_break_evaluated").size(), 1);
    EXPECT_EQ(h.lastValue("scheduler.idle_poll", "was_idle"), "true");
    // Back at the desk: one return, and the next absence is evaluated.
    h.typing();
    h.advanceTo("09:01:45");
    EXPECT_EQ(h.diagnostics("scheduler.idle_returned").size(), 1);
    h.advanceTo("09:10");
    h.leave();
    h.advanceTo("09:15");
    EXPECT_EQ(h.diagnostics("scheduler.natural_break_evaluated").size(), 2);
    EXPECT_EQ(h.diagnostics("scheduler.natural_break_credit").size(), 1);
}
