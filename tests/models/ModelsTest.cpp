#include "models/BreakState.h"
#include "models/BreakType.h"
#include "models/CircadianPeriod.h"
#include "models/CommitmentMode.h"
#include "models/PauseReason.h"
#include "models/QuietHoursConfig.h"
#include "models/SkipTier.h"
#include "models/UpcomingMeeting.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;

TEST(BreakStateModel, RawValuesRoundTripAndRangesFollowTheOrder)
{
    struct Row {
        BreakState state;
        const char *raw;
        bool preventsQuit, showsControls, overlay;
    };
    const Row rows[] = {
        {BreakState::counting, "counting", false, false, false},
        {BreakState::due, "due", true, false, false},
        {BreakState::nudge, "nudge", true, true, true},
        {BreakState::softBlock, "softBlock", true, true, true},
        {BreakState::firmBlock, "firmBlock", true, true, true},
        {BreakState::hardBlock, "hardBlock", true, true, true},
        {BreakState::breakActive, "breakActive", true, false, true},
        {BreakState::completed, "completed", false, false, true},
        {BreakState::paused, "paused", false, false, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.raw);
        EXPECT_EQ(rawValue(r.state), r.raw);
        EXPECT_EQ(fromRawValue<BreakState>(r.raw), r.state);
        EXPECT_EQ(preventsQuit(r.state), r.preventsQuit);
        EXPECT_EQ(showsControls(r.state), r.showsControls);
        EXPECT_EQ(isOverlayVisible(r.state), r.overlay);
    }
    EXPECT_EQ(fromRawValue<BreakState>("SoftBlock"), std::nullopt);
    EXPECT_EQ(fromRawValue<BreakState>(""), std::nullopt);
}

TEST(BreakTypeModel, EachKindCarriesItsTexts)
{
    struct Row {
        BreakType type;
        const char *raw, *label, *icon;
        int duration;
        std::optional<int> interval;
    };
    const Row rows[] = {
        {BreakType::micro, "micro", "Eye Break", "eye", 20, std::nullopt},
        {BreakType::movement, "movement", "Movement", "figure.walk", 180, std::nullopt},
        {BreakType::exerciseSnack, "exerciseSnack", "Exercise Snack", "figure.highintensity.intervaltraining", 180, 90},
        {BreakType::extended, "extended", "Extended Break", "figure.walk.motion", 600, 180},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.raw);
        EXPECT_EQ(rawValue(r.type), r.raw);
        EXPECT_EQ(fromRawValue<BreakType>(r.raw), r.type);
        EXPECT_EQ(label(r.type), r.label);
        EXPECT_EQ(icon(r.type), r.icon);
        EXPECT_EQ(defaultDurationSeconds(r.type), r.duration);
        EXPECT_EQ(defaultIntervalMinutes(r.type), r.interval);
    }
    EXPECT_EQ(breakDescription(BreakType::exerciseSnack),
              QString::fromUtf8("Quick vigorous movement \u2014 squats, stairs, or jumping jacks"));
    EXPECT_EQ(breakDescription(BreakType::micro), "Look at something 20 feet away");
}

TEST(CommitmentModeModel, EachModeCarriesItsProfile)
{
    struct Row {
        CommitmentMode mode;
        const char *raw, *label, *icon;
        int interval, duration, snoozes;
        bool skips, manualPause;
        const char *description, *onboarding;
    };
    const Row rows[] = {
        {CommitmentMode::gentle, "gentle", "Gentle", "leaf", 45, 120, 10, true, true,
         "45 min intervals, soft blocks, 10 snoozes", "45 min \u00b7 soft blocks \u00b7 10 snoozes"},
        {CommitmentMode::normal, "normal", "Normal", "figure.walk", 45, 180, 5, true, true,
         "45 min intervals, firm blocks, 5 snoozes", "45 min \u00b7 escalating blocks \u00b7 5 snoozes"},
        {CommitmentMode::warrior, "warrior", "Warrior", "flame", 30, 300, 2, false, false,
         "30 min intervals, hard blocks, 2 snoozes, no skips",
         "30 min \u00b7 hard blocks \u00b7 2 snoozes \u00b7 no skips"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.raw);
        // Read back from storage by its raw value.
        const auto mode = fromRawValue<CommitmentMode>(r.raw);
        ASSERT_EQ(mode, r.mode);
        EXPECT_EQ(rawValue(*mode), r.raw);
        EXPECT_EQ(label(*mode), r.label);
        EXPECT_EQ(icon(*mode), r.icon);
        EXPECT_EQ(intervalMinutes(*mode), r.interval);
        EXPECT_EQ(breakDurationSeconds(*mode), r.duration);
        EXPECT_EQ(maxSnoozesPerDay(*mode), r.snoozes);
        EXPECT_EQ(maxSkipsPerDay(*mode) > 0, r.skips);
        EXPECT_EQ(allowsManualPause(*mode), r.manualPause);
        EXPECT_EQ(description(*mode), QString::fromUtf8(r.description));
        EXPECT_EQ(onboardingDescription(*mode), QString::fromUtf8(r.onboarding));
    }
}

TEST(SkipTierModel, TheTierFollowsTodaysSkipCount)
{
    const std::pair<int, SkipTier> counts[] = {{0, SkipTier::tier1}, {1, SkipTier::tier2}, {2, SkipTier::tier3},
                                               {3, SkipTier::tier4}, {4, SkipTier::tier5}, {17, SkipTier::tier5},
                                               {-1, SkipTier::tier5}};
    for (const auto &[count, tier] : counts) {
        SCOPED_TRACE(count);
        EXPECT_EQ(skipTierForSkipCount(count), tier);
    }
    struct Row {
        SkipTier tier;
        bool canSkip;
        int wait;
        const char *button;
        std::optional<QString> phrase;
        bool warning, breaks;
        const char *reported;
    };
    const Row rows[] = {
        {SkipTier::tier1, true, 8, "I choose to skip", std::nullopt, false, false, "tier_1"},
        {SkipTier::tier2, true, 12, "Confirm skip", QStringLiteral("skip"), false, false, "tier_2"},
        {SkipTier::tier3, true, 15, "Confirm skip", QStringLiteral("I choose to sit instead of move"), true, false,
         "tier_3"},
        {SkipTier::tier4, true, 20, "Confirm skip", std::nullopt, true, true, "tier_4"},
        {SkipTier::tier5, false, 0, "", std::nullopt, false, false, "tier_5"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.reported);
        EXPECT_EQ(canSkip(r.tier), r.canSkip);
        EXPECT_EQ(waitSeconds(r.tier), r.wait);
        EXPECT_EQ(buttonLabel(r.tier), r.button);
        EXPECT_EQ(typingChallenge(r.tier), r.phrase);
        EXPECT_EQ(showStreakWarning(r.tier), r.warning);
        EXPECT_EQ(breaksStreak(r.tier), r.breaks);
        EXPECT_EQ(reportedName(r.tier), r.reported);
    }
}

TEST(PauseReasonModel, ReasonsAreListedSortedByRawValue)
{
    for (PauseReason r : kAllPauseReasons)
        EXPECT_EQ(fromRawValue<PauseReason>(rawValue(r)), r);
    EXPECT_EQ(joinedRawValues({PauseReason::manual, PauseReason::meeting}), "manual,meeting");
    EXPECT_EQ(joinedRawValues({PauseReason::systemSleep, PauseReason::screenLock, PauseReason::quietHours}),
              "quietHours,screenLock,systemSleep");
    EXPECT_EQ(joinedRawValues({}), "");
}

TEST(QuietHoursModel, TheWindowContainsItsHours)
{
    struct Row {
        QuietHoursConfig config;
        int hour;
        bool inside;
    };
    const Row rows[] = {
        {{true, 22, 7}, 22, true},  {{true, 22, 7}, 6, true},   {{true, 22, 7}, 0, true},
        {{true, 22, 7}, 7, false},  {{true, 22, 7}, 21, false}, {{true, 9, 17}, 9, true},
        {{true, 9, 17}, 16, true},  {{true, 9, 17}, 17, false}, {{true, 8, 8}, 8, false},
        {{false, 22, 7}, 23, false}, {{true, 24, 7}, 0, false}, {{true, 22, -1}, 23, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.config.enabled << " " << r.config.startHour << "->" << r.config.endHour
                                        << " at " << r.hour);
        EXPECT_EQ(r.config.containsHour(r.hour), r.inside);
    }
    EXPECT_EQ((QuietHoursConfig{}), (QuietHoursConfig{false, 22, 7}));
    EXPECT_NE((QuietHoursConfig{true, 22, 7}), (QuietHoursConfig{true, 22, 6}));
}

TEST(CircadianPeriodModel, HoursMapToPeriodsAndFactors)
{
    const std::pair<int, CircadianPeriod> hours[] = {
        {0, CircadianPeriod::evening},     {5, CircadianPeriod::evening},    {6, CircadianPeriod::earlyMorning},
        {8, CircadianPeriod::earlyMorning}, {9, CircadianPeriod::peakFocus}, {11, CircadianPeriod::peakFocus},
        {12, CircadianPeriod::postLunch},  {14, CircadianPeriod::postLunch}, {15, CircadianPeriod::afternoon},
        {17, CircadianPeriod::afternoon},  {18, CircadianPeriod::evening},   {23, CircadianPeriod::evening}};
    for (const auto &[hour, period] : hours) {
        SCOPED_TRACE(hour);
        EXPECT_EQ(circadianPeriodForHour(hour), period);
    }
    struct Row {
        CircadianPeriod period;
        const char *raw, *label;
        double interval, escalation;
        bool windDown;
    };
    const Row rows[] = {
        {CircadianPeriod::earlyMorning, "earlyMorning", "Early Morning", 1.3, 1.25, false},
        {CircadianPeriod::peakFocus, "peakFocus", "Peak Focus", 1.0, 1.0, false},
        {CircadianPeriod::postLunch, "postLunch", "Post-Lunch", 0.75, 0.75, false},
        {CircadianPeriod::afternoon, "afternoon", "Afternoon", 1.0, 1.0, false},
        {CircadianPeriod::evening, "evening", "Evening", 1.2, 1.0, true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.raw);
        EXPECT_EQ(rawValue(r.period), r.raw);
        EXPECT_EQ(fromRawValue<CircadianPeriod>(r.raw), r.period);
        EXPECT_EQ(label(r.period), r.label);
        EXPECT_EQ(intervalMultiplier(r.period), r.interval);
        EXPECT_EQ(escalationMultiplier(r.period), r.escalation);
        EXPECT_EQ(showWindDown(r.period), r.windDown);
    }
}

TEST(UpcomingMeetingModel, MinutesAndMenuLabel)
{
    const double now = 1'741'600'000;
    struct Row {
        double in;
        std::optional<QString> title;
        int minutes;
        std::optional<QString> label;
    };
    const Row rows[] = {
        {12 * 60 + 59, QStringLiteral("  Standup \n"), 12, QStringLiteral("Standup in 12 min")},
        {59, QStringLiteral("Standup"), 0, std::nullopt},
        {-90, QStringLiteral("Standup"), -1, std::nullopt},
        {300, std::nullopt, 5, QStringLiteral("Meeting in 5 min")},
        {300, QStringLiteral("   "), 5, QStringLiteral("Meeting in 5 min")},
        {300, QStringLiteral("abcdefghijklmnopqrstuvwxy"), 5, QStringLiteral("abcdefghijklmnopqrstuvwxy in 5 min")},
        {300, QStringLiteral("abcdefghijklmnopqrstuvwxyz"), 5,
         QStringLiteral("abcdefghijklmnopqrstuvwx") + QChar(0x2026) + QStringLiteral(" in 5 min")},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.in);
        const UpcomingMeeting meeting{now + r.in, r.title};
        EXPECT_EQ(meeting.minutesUntilStart(now), r.minutes);
        EXPECT_EQ(meeting.displayLabel(now), r.label);
    }
    EXPECT_EQ((UpcomingMeeting{now, std::nullopt}.minutesUntilStart(-1e300)), std::numeric_limits<int>::max());
}
