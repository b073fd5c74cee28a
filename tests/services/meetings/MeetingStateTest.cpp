#include "models/MeetingState.h"
#include "models/UpcomingMeeting.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;

TEST(MeetingState, ConfidenceAndSummaryFollowTheWeightedSignals)
{
    struct Case {
        MeetingState state;
        double confidence;
        bool inMeeting;
        const char *summary;
    };
    MeetingState all{true, true, true, true, true, true, true};
    const Case cases[] = {
        {MeetingState::idle(), 0.0, false, nullptr},
        {{.calendarEvent = true}, 0.2, false, "Detected via calendar"},
        {{.meetingAppRunning = true}, 0.1, false, "Detected via meeting app"},
        {{.meetingAppRunning = true, .calendarEvent = true}, 0.3, true, "Detected via calendar + meeting app"},
        {{.meetingURLActive = true}, 0.3, true, "Detected via browser tab"},
        {{.fullscreenActive = true, .screenSharing = true}, 0.0, false, nullptr},
        {all, 1.3, true, "Detected via camera + microphone + calendar + meeting app + browser tab"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.summary ? c.summary : "none");
        EXPECT_NEAR(c.state.confidence(), c.confidence, 1e-9);
        EXPECT_EQ(c.state.inMeeting(), c.inMeeting);
        EXPECT_EQ(c.state.detectionSummary(), c.summary ? std::optional<QString>(QString::fromUtf8(c.summary))
                                                         : std::nullopt);
    }
}

TEST(MeetingState, DiagnosticPropertiesNameEverySignal)
{
    const MeetingState state{.cameraActive = true, .fullscreenActive = true};
    const auto properties = state.diagnosticProperties();
    EXPECT_EQ(properties.size(), 10);
    EXPECT_EQ(properties.value(QStringLiteral("camera_active")), QStringLiteral("true"));
    EXPECT_EQ(properties.value(QStringLiteral("mic_active")), QStringLiteral("false"));
    EXPECT_EQ(properties.value(QStringLiteral("fullscreen_active")), QStringLiteral("true"));
    EXPECT_EQ(properties.value(QStringLiteral("confidence")), QStringLiteral("0.40"));
    EXPECT_EQ(properties.value(QStringLiteral("in_meeting")), QStringLiteral("true"));
    EXPECT_EQ(properties.value(QStringLiteral("detection_summary")), QStringLiteral("Detected via camera"));
    EXPECT_TRUE(state.suppressOverlays());
    EXPECT_EQ(MeetingState::idle().diagnosticProperties().value(QStringLiteral("detection_summary")), QString());
}

TEST(UpcomingMeeting, DisplayLabelShortensLongTitlesAndNamesUntitledOnes)
{
    constexpr double now = 1'741'356'200;
    struct Case {
        std::optional<QString> title;
        double secondsAway;
        std::optional<QString> label;
    };
    const Case cases[] = {
        {QStringLiteral("Standup"), 30, std::nullopt},
        {QStringLiteral("Standup"), 60, QStringLiteral("Standup in 1 min")},
        {QStringLiteral("Quarterly planning session"), 12 * 60 + 59, // 26 characters
         QStringLiteral("Quarterly planning sessi\u2026 in 12 min")},
        {QStringLiteral("Quarterly planning sessio"), 12 * 60, QStringLiteral("Quarterly planning sessio in 12 min")},
        {QStringLiteral("  \n "), 300, QStringLiteral("Meeting in 5 min")},
        {std::nullopt, 300, QStringLiteral("Meeting in 5 min")},
        {QStringLiteral("Retro"), -120, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title.value_or(QStringLiteral("<none>")).toStdString());
        const UpcomingMeeting meeting{now + c.secondsAway, c.title};
        EXPECT_EQ(meeting.displayLabel(now), c.label);
    }
    EXPECT_EQ((UpcomingMeeting{now + 30 * 60 + 59, std::nullopt}.minutesUntilStart(now)), 30);
    EXPECT_EQ((UpcomingMeeting{now - 90, std::nullopt}.minutesUntilStart(now)), -1);
}
