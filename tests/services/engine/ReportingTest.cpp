// Configuration, the reporting context and the time-of-day adjuster.

#include "EngineHarness.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using namespace stirwell::test;
using S = BreakState;

TEST(Configuration, ModeAndSettingsInstallIntervalAndBreakLength)
{
    EngineHarness h;
    h.scheduler->start();
    h.scheduler->configure(CommitmentMode::warrior);
    EXPECT_EQ(h.scheduler->intervalSeconds(), 1800);
    EXPECT_EQ(h.scheduler->breakDurationSeconds(), 300);
    EXPECT_EQ(h.lastValue("scheduler.configured", "configured_mode"), "warrior");
    EXPECT_EQ(h.snoozeBudget.maxSnoozes(), 2);
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700); // the running countdown keeps its length
    ASSERT_TRUE(h.next("09:45", S::due));

    h.scheduler->applySettings(50, 240);
    EXPECT_EQ(h.scheduler->intervalSeconds(), 3000);
    EXPECT_EQ(h.scheduler->breakDurationSeconds(), 240);
    EXPECT_EQ(h.lastValue("scheduler.settings_applied", "requested_interval_minutes"), "50");
    EXPECT_EQ(h.lastValue("scheduler.settings_applied", "requested_break_duration_seconds"), "240");
    h.scheduler->configure(CommitmentMode::gentle);
    EXPECT_EQ(h.scheduler->intervalSeconds(), 2700);
    EXPECT_EQ(h.scheduler->breakDurationSeconds(), 120);

    h.scheduler->start(); // a second start does nothing
    EXPECT_EQ(h.analytics.count(AnalyticsEvent::schedulerStarted), 1);
}

TEST(Reporting, TheContextDescribesTheWholeEngine)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:10");
    h.scheduler->pause(PauseReason::manual);
    h.scheduler->pause(PauseReason::meeting);
    DiagnosticProperties context = h.scheduler->diagnosticContext();
    EXPECT_EQ(context.size(), 15);
    EXPECT_EQ(context.value("pause_reasons"), "manual,meeting");
    EXPECT_EQ(context.value("state"), "paused");
    EXPECT_EQ(context.value("state_before_pause"), "counting");
    EXPECT_EQ(context.value("is_active"), "true");
    EXPECT_EQ(context.value("mode"), "normal");
    EXPECT_EQ(context.value("break_type"), "movement");
    EXPECT_EQ(context.value("time_remaining_seconds"), "2100");
    EXPECT_EQ(context.value("interval_seconds"), "2700");
    EXPECT_EQ(context.value("active_countdown_interval_seconds"), "2700");
    EXPECT_EQ(context.value("elapsed_countdown_seconds"), "600");
    EXPECT_EQ(context.value("break_duration_seconds"), "180");
    EXPECT_EQ(context.value("break_time_remaining_seconds"), "0");
    EXPECT_EQ(context.value("escalation_time_remaining_seconds"), "0");
    EXPECT_EQ(context.value("natural_break_threshold_seconds"), "300");
    EXPECT_EQ(context.value("natural_break_credit_cap_seconds"), "1200");
    EXPECT_EQ(h.scheduler->pauseReasonNames(), (QStringList{"manual", "meeting"}));

    h.scheduler->resume(PauseReason::manual);
    h.scheduler->resume(PauseReason::meeting);
    context = h.scheduler->diagnosticContext();
    EXPECT_EQ(context.value("pause_reasons"), "");
    EXPECT_EQ(context.value("state_before_pause"), "");

    // An event's own value wins over the context's.
    const QJsonObject changed = h.lastDiagnostic("scheduler.state_changed");
    EXPECT_EQ(changed.value("new_state").toString(), "counting");
    EXPECT_EQ(changed.value("state").toString(), "counting");
}

TEST(Reporting, BreakPropertiesTakeExtraEntriesOnTop)
{
    EngineHarness h;
    const AnalyticsProperties base = h.scheduler->breakProperties();
    EXPECT_EQ(base.at(AnalyticsProperty::state), "counting");
    EXPECT_EQ(base.at(AnalyticsProperty::intervalBucket), "45_59m");
    EXPECT_EQ(base.at(AnalyticsProperty::durationBucket), "3_5m");
    EXPECT_EQ(base.size(), 5u);
    const AnalyticsProperties extra = h.scheduler->breakProperties(
        {{AnalyticsProperty::state, "nudge"}, {AnalyticsProperty::pauseReason, "manual"}});
    EXPECT_EQ(extra.at(AnalyticsProperty::state), "nudge");
    EXPECT_EQ(extra.at(AnalyticsProperty::pauseReason), "manual");
    EXPECT_EQ(extra.size(), 6u);
}

TEST(Reporting, ForwardersAnswerFromTheServices)
{
    EngineHarness h;
    h.history.streak = 12;
    EXPECT_EQ(h.scheduler->getStreakDays(), 12);
    h.history.recordCompletion(CommitmentMode::normal, BreakType::movement);
    EXPECT_EQ(h.scheduler->getTodayCompleted(CommitmentMode::normal), 1);
    EXPECT_EQ(h.scheduler->getTodayDue(CommitmentMode::normal), 1);
    EXPECT_EQ(h.scheduler->getWeeklyStats(), (WeeklyStats{1, 0, 1.0}));
    EXPECT_EQ(h.scheduler->getDailyRecords(7).size(), 1);
    EXPECT_FALSE(h.scheduler->isStreakAtRisk(CommitmentMode::normal));
    h.skipFriction.skipsToday = 1;
    EXPECT_EQ(h.scheduler->getSkipFrictionTier(), SkipTier::tier2);
    EXPECT_EQ(h.scheduler->getTypingChallenge(), QStringLiteral("skip"));
    EXPECT_TRUE(h.scheduler->validateSkipChallenge("skip"));
    EXPECT_FALSE(h.scheduler->validateSkipChallenge("nope"));
}

struct CircadianCase {
    int hour;
    CircadianPeriod period;
    double interval1800;
    double escalation120;
    bool windDown;
};

TEST(CircadianEngine, ReadsThePeriodFromTheLocalClock)
{
    const CircadianCase cases[] = {
        {7, CircadianPeriod::earlyMorning, 2340, 150, false},
        {13, CircadianPeriod::postLunch, 1350, 90, false},
        {19, CircadianPeriod::evening, 2160, 120, true},
        {10, CircadianPeriod::peakFocus, 1800, 120, false},
    };
    for (const CircadianCase &c : cases) {
        SCOPED_TRACE(c.hour);
        EngineHarness h(c.hour);
        EXPECT_EQ(h.circadian.currentPeriod(), c.period);
        EXPECT_DOUBLE_EQ(h.circadian.adjustInterval(1800), c.interval1800);
        EXPECT_DOUBLE_EQ(h.circadian.adjustEscalation(120), c.escalation120);
        EXPECT_EQ(h.scheduler->shouldShowWindDown(), c.windDown);
        EXPECT_EQ(h.scheduler->getCircadianPeriod(), c.period);
    }
}
