// Snooze, skip, emergency bypass, and the two ways meetings shape breaks.

#include "EngineHarness.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using namespace stirwell::test;
using S = BreakState;

namespace {
// Starts at 13:00 (post-lunch: a 2025-second interval) and runs to the nudge.
void runToNudge(EngineHarness &h)
{
    h.scheduler->start();
    ASSERT_TRUE(h.next("13:33:45", S::due));
    ASSERT_TRUE(h.next("13:36:45", S::nudge));
}
} // namespace

TEST(Snooze, PostponesByAPlainTenMinutesAndReRunsTheChain)
{
    EngineHarness h(13);
    runToNudge(h);
    EXPECT_TRUE(h.scheduler->canSnoozeBreak());
    EXPECT_EQ(h.scheduler->getSnoozesRemaining(), 5);
    EXPECT_EQ(h.scheduler->getSnoozesMax(), 5);
    h.advanceTo("13:37");
    h.scheduler->snooze();
    ASSERT_TRUE(h.next("13:37", S::counting));
    EXPECT_EQ(h.scheduler->timeRemaining(), 600); // no post-lunch factor
    EXPECT_EQ(h.scheduler->getSnoozesRemaining(), 4);
    EXPECT_EQ(h.history.todayRecord(CommitmentMode::normal).snoozesUsed, 1);
    const auto snoozed = h.analytics.named(AnalyticsEvent::breakSnoozed);
    ASSERT_EQ(snoozed.size(), 1u);
    EXPECT_EQ(snoozed[0].properties.at(AnalyticsProperty::snoozesRemaining), "4");
    EXPECT_EQ(h.lastValue("scheduler.snoozed", "snoozes_remaining"), "4");
    ASSERT_TRUE(h.next("13:47", S::due));
    ASSERT_TRUE(h.next("13:50", S::nudge));
    ASSERT_TRUE(h.next("13:51:30", S::softBlock));
}

TEST(Snooze, WithoutAllowanceTheBreakGoesStraightToTheFirmBlock)
{
    EngineHarness h(13);
    h.scheduler->configure(CommitmentMode::warrior);
    h.scheduler->start();
    EXPECT_EQ(h.scheduler->timeRemaining(), 1350);
    ASSERT_TRUE(h.next("13:22:30", S::due));
    ASSERT_TRUE(h.next("13:25:30", S::nudge));
    h.scheduler->snooze();
    ASSERT_TRUE(h.next("13:25:30", S::counting));
    ASSERT_TRUE(h.next("13:35:30", S::due));
    ASSERT_TRUE(h.next("13:38:30", S::nudge));
    h.scheduler->snooze();
    EXPECT_FALSE(h.scheduler->canSnoozeBreak());
    h.sounds.cues.clear();
    ASSERT_TRUE(h.next("13:38:30", S::counting));
    ASSERT_TRUE(h.next("13:48:30", S::due));
    ASSERT_TRUE(h.next("13:51:30", S::firmBlock));
    EXPECT_EQ(h.lastValue("scheduler.nudge_skipped", "reason"), "no_snoozes_available");
    EXPECT_TRUE(h.sounds.cues.isEmpty());
    ASSERT_TRUE(h.next("13:53:45", S::hardBlock));

    // A snooze with nothing left still postpones and is still recorded.
    h.scheduler->snooze();
    ASSERT_TRUE(h.next("13:53:45", S::counting));
    EXPECT_EQ(h.scheduler->timeRemaining(), 600);
    EXPECT_EQ(h.snoozeBudget.snoozesRemaining(), 0);
    EXPECT_EQ(h.history.todayRecord(CommitmentMode::warrior).snoozesUsed, 3);
}

TEST(Skip, EachSkipOfTheDayCostsMore)
{
    EngineHarness h(13);
    runToNudge(h);
    struct Expected {
        const char *tier;
        const char *breaksStreak;
        bool streakLostCue;
        bool canSkipAfter;
    };
    const Expected skips[] = {{"tier_2", "false", false, true},
                              {"tier_3", "false", false, true},
                              {"tier_4", "true", true, true},
                              {"tier_5", "false", false, false}};
    int number = 0;
    for (const Expected &e : skips) {
        SCOPED_TRACE(testing::Message() << "skip " << ++number);
        EXPECT_TRUE(h.scheduler->canSkip());
        h.sounds.cues.clear();
        h.scheduler->confirmSkip(CommitmentMode::normal);
        EXPECT_EQ(h.scheduler->state(), S::counting);
        EXPECT_EQ(h.lastValue("scheduler.break_skipped", "skip_tier"), e.tier);
        EXPECT_EQ(h.lastValue("scheduler.break_skipped", "skip_breaks_streak"), e.breaksStreak);
        const auto tracked = h.analytics.named(AnalyticsEvent::breakSkipped).back().properties;
        EXPECT_EQ(tracked.at(AnalyticsProperty::skipTier), e.tier);
        EXPECT_EQ(tracked.at(AnalyticsProperty::skipBreaksStreak), e.breaksStreak);
        EXPECT_EQ(tracked.at(AnalyticsProperty::mode), "normal");
        EXPECT_EQ(h.sounds.cues.contains("streakLost"), e.streakLostCue);
        EXPECT_EQ(h.scheduler->canSkip(), e.canSkipAfter);
        EXPECT_EQ(h.scheduler->timeRemaining(), 2025);
    }
    EXPECT_EQ(h.history.todayRecord(CommitmentMode::normal).sessionsSkipped, 4);
    EXPECT_EQ(h.scheduler->getSkipFrictionTier(), SkipTier::tier5);
    EXPECT_EQ(h.diagnostics("scheduler.reset_to_counting").size(), 4);
}

TEST(Skip, WarriorModeOffersNoSkip)
{
    EngineHarness h(13);
    h.scheduler->configure(CommitmentMode::warrior);
    h.scheduler->start();
    EXPECT_FALSE(h.scheduler->canSkip());
    h.advanceTo("13:26");
    const BreakState before = h.scheduler->state();
    h.scheduler->confirmSkip(CommitmentMode::warrior);
    EXPECT_EQ(h.scheduler->state(), before);
    EXPECT_EQ(h.skipFriction.skipsToday, 0);
    EXPECT_EQ(h.analytics.count(AnalyticsEvent::breakSkipped), 0);
}

TEST(EmergencyBypass, EndsAMeetingPauseAndALaterMeetingEndIsIgnored)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:30");
    h.scheduler->pauseUntil(h.moment("10:00"), PauseReason::manual);
    h.scheduler->pause(PauseReason::meeting);
    h.advanceTo("09:40");
    h.scheduler->emergencyBypass(CommitmentMode::normal);
    EXPECT_EQ(h.scheduler->state(), S::counting);
    EXPECT_TRUE(h.scheduler->pauseReasons().empty());
    EXPECT_EQ(h.scheduler->pauseAutoResumeDate(), std::nullopt);
    EXPECT_EQ(h.scheduler->timeRemaining(), 2700);
    EXPECT_EQ(h.history.todayRecord(CommitmentMode::normal).emergencyBypasses, 1);
    EXPECT_EQ(h.lastValue("scheduler.emergency_bypass", "mode"), "normal");
    EXPECT_EQ(h.analytics.named(AnalyticsEvent::breakEmergencyBypass).back().properties.at(AnalyticsProperty::mode),
              "normal");
    h.scheduler->resume(PauseReason::meeting);
    EXPECT_EQ(h.lastValue("scheduler.resume_ignored", "reason"), "state_not_paused");
    // The idle monitor runs again: an absence is credited.
    h.advanceTo("09:50");
    h.leave();
    h.advanceTo("09:55");
    EXPECT_EQ(h.notifications.naturalBreakMinutes, std::vector<int>{5});
    h.forgetPendingChanges();
    h.typing();
    ASSERT_TRUE(h.next("10:40", S::due));
}

TEST(EmergencyBypass, EndsABreakUnderWay)
{
    EngineHarness h;
    h.scheduler->start();
    ASSERT_TRUE(h.next("09:45", S::due));
    ASSERT_TRUE(h.next("09:48", S::nudge));
    h.scheduler->startBreakTimer();
    h.advanceTo("09:49");
    h.scheduler->emergencyBypass(CommitmentMode::normal);
    EXPECT_EQ(h.scheduler->state(), S::counting);
    h.advanceTo("09:52");
    EXPECT_EQ(h.history.todayCompletedCount(CommitmentMode::normal), 0);
}

// Meetings -------------------------------------------------------------------------

struct DeferCase {
    const char *name;
    double meetingInSeconds;
    int defersSoFar;
    bool defers;
};

class DeferDecision : public ::testing::TestWithParam<DeferCase> {};

TEST_P(DeferDecision, OnlyAMeetingAboutToStartDefers)
{
    const DeferCase &c = GetParam();
    const double now = 1'741'600'000;
    EXPECT_EQ(BreakScheduler::shouldDefer(UpcomingMeeting{now + c.meetingInSeconds, std::nullopt}, 180,
                                          c.defersSoFar, 3, now),
              c.defers);
}

INSTANTIATE_TEST_SUITE_P(Meetings, DeferDecision,
                         ::testing::Values(DeferCase{"In200Seconds", 200, 0, true},
                                           DeferCase{"In239Seconds", 239, 0, true},
                                           DeferCase{"In250SecondsIsTooFar", 250, 0, false},
                                           DeferCase{"AlreadyUnderWay", -60, 0, false},
                                           DeferCase{"StartingNow", 0, 0, false},
                                           DeferCase{"AfterThreeDeferrals", 200, 3, false}),
                         [](const auto &param) { return std::string(param.param.name); });

TEST(MeetingDeferral, ABreakWaitsForAMeetingAboutToStartAtMostThreeTimes)
{
    EngineHarness h;
    std::optional<UpcomingMeeting> meeting;
    h.scheduler->upcomingMeetingProvider = [&meeting] { return meeting; };
    // A meeting that keeps moving, always 200 seconds ahead of the check.
    h.scheduler->start();
    h.advanceTo("09:44:59");
    meeting = UpcomingMeeting{h.moment("09:48:20"), QStringLiteral("Standup")};
    ASSERT_TRUE(h.quietUntil("09:45"));
    EXPECT_EQ(h.scheduler->timeRemaining(), 300);
    EXPECT_EQ(h.lastValue("scheduler.break_deferred_for_meeting", "defer_count"), "1");
    EXPECT_EQ(h.lastValue("scheduler.break_deferred_for_meeting", "defer_seconds"), "300");
    meeting = UpcomingMeeting{h.moment("09:53:20"), std::nullopt};
    ASSERT_TRUE(h.quietUntil("09:50"));
    meeting = UpcomingMeeting{h.moment("09:58:20"), std::nullopt};
    ASSERT_TRUE(h.quietUntil("09:55"));
    EXPECT_EQ(h.lastValue("scheduler.break_deferred_for_meeting", "defer_count"), "3");
    meeting = UpcomingMeeting{h.moment("10:03:20"), std::nullopt};
    ASSERT_TRUE(h.next("10:00", S::due));
}

TEST(MeetingDeferral, AMeetingFurtherAwayDoesNotDefer)
{
    EngineHarness h;
    h.scheduler->upcomingMeetingProvider = [&h] {
        return std::optional<UpcomingMeeting>(UpcomingMeeting{h.moment("09:49:10"), std::nullopt});
    };
    h.scheduler->start();
    ASSERT_TRUE(h.next("09:45", S::due)); // 250 s ahead: not below 240
    EXPECT_TRUE(h.diagnostics("scheduler.break_deferred_for_meeting").isEmpty());
}

struct PostMeetingCase {
    const char *name;
    int minutes;
    BreakType type;
    double duration;
};

class PostMeeting : public ::testing::TestWithParam<PostMeetingCase> {};

TEST_P(PostMeeting, TheMeetingLengthChoosesTheBreak)
{
    const PostMeetingCase &c = GetParam();
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:20");
    h.scheduler->triggerPostMeetingBreak(c.minutes);
    ASSERT_TRUE(h.next("09:20", S::nudge));
    EXPECT_EQ(h.scheduler->currentBreakType(), c.type);
    EXPECT_EQ(h.scheduler->breakDurationSeconds(), c.duration);
    EXPECT_EQ(h.lastValue("scheduler.post_meeting_break_triggered", "meeting_duration_minutes"),
              QString::number(c.minutes));
    ASSERT_TRUE(h.next("09:22", S::softBlock));
}

INSTANTIATE_TEST_SUITE_P(Meetings, PostMeeting,
                         ::testing::Values(PostMeetingCase{"FiveMinutes", 5, BreakType::movement, 180},
                                           PostMeetingCase{"FortyFiveMinutes", 45, BreakType::exerciseSnack, 180},
                                           PostMeetingCase{"AnHour", 60, BreakType::extended, 600}),
                         [](const auto &param) { return std::string(param.param.name); });

TEST(PostMeeting, ShortMeetingsAndAStoppedEngineAreIgnored)
{
    EngineHarness h;
    h.scheduler->triggerPostMeetingBreak(45);
    EXPECT_TRUE(h.diagnostics("scheduler.post_meeting_break_requested").isEmpty());
    h.scheduler->start();
    h.advanceTo("09:20");
    h.scheduler->triggerPostMeetingBreak(3);
    EXPECT_EQ(h.scheduler->state(), S::counting);
    EXPECT_EQ(h.lastValue("scheduler.post_meeting_break_ignored", "minimum_duration_minutes"), "5");
    EXPECT_EQ(h.lastValue("scheduler.post_meeting_break_ignored", "reason"), "meeting_too_short");
    EXPECT_EQ(h.analytics.count(AnalyticsEvent::breakPostMeetingTriggered), 0);
}

TEST(PostMeeting, ARequestBeforeTheMeetingEndEndsItsPause)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:10");
    h.scheduler->pause(PauseReason::meeting);
    h.advanceTo("09:55");
    h.scheduler->triggerPostMeetingBreak(45);
    h.forgetPendingChanges();
    EXPECT_EQ(h.scheduler->state(), S::nudge);
    EXPECT_TRUE(h.scheduler->pauseReasons().empty());
    const auto triggered = h.analytics.named(AnalyticsEvent::breakPostMeetingTriggered);
    ASSERT_EQ(triggered.size(), 1u);
    EXPECT_EQ(triggered[0].properties.at(AnalyticsProperty::meetingDurationBucket), "10m_plus");
    // The idle monitor the meeting stopped runs again: an absence is credited.
    h.leave();
    h.advanceTo("10:00");
    EXPECT_EQ(h.notifications.naturalBreakMinutes, std::vector<int>{5});
    // The meeting's end, reported late, finds nothing to resume.
    h.scheduler->resume(PauseReason::meeting);
    EXPECT_EQ(h.lastValue("scheduler.resume_ignored", "reason"), "state_not_paused");
}

TEST(PostMeeting, AnotherReasonKeepsThePause)
{
    EngineHarness h;
    h.scheduler->start();
    h.advanceTo("09:10");
    h.scheduler->pause(PauseReason::meeting);
    h.scheduler->pause(PauseReason::screenLock);
    h.scheduler->triggerPostMeetingBreak(45);
    EXPECT_EQ(h.scheduler->state(), S::paused);
    EXPECT_EQ(h.scheduler->pauseReasons(), std::set{PauseReason::screenLock});
}
