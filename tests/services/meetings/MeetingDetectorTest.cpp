#include "services/meetings/MeetingDetector.h"

#include "MeetingFakes.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/meetings/DeviceMonitor.h"
#include "services/meetings/ProcessMonitor.h"
#include "services/meetings/ScreenShareMonitor.h"
#include "services/observability/TimerDiagnosticsLogger.h"
#include "services/storage/PreferencesStore.h"
#include "support/TempXdg.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using namespace stirwell::test;

namespace {

// 2025-03-07T14:03:20Z
constexpr double kStart = 1741356200.0;

struct LoggedEvent {
    QString event;
    QJsonObject properties;
};

class MeetingDetectorTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    PreferencesStore preferences;
    VirtualRuntime runtime{kStart};
    TimerDiagnosticsLogger logger{preferences, runtime, dir.path()};
    FakeDeviceSensor cameraSensor;
    FakeDeviceSensor micSensor;
    FakeProcesses processList;
    FakeFullscreen fullscreen;
    FakeCalendar calendar;
    FakeBrowserTabs browserTabs;
    DeviceMonitor camera{runtime, cameraSensor};
    DeviceMonitor microphone{runtime, micSensor};
    ProcessMonitor processes{processList, fullscreen};
    ScreenShareMonitor screenShare{processList, nullptr};
    QString walkingLatch;
    std::unique_ptr<MeetingDetector> detector;

    int started = 0;
    std::vector<int> ended;
    std::vector<int> postMeetingBreaks;
    QStringList walkingSuggestions;

    void SetUp() override
    {
        preferences.setBool(TimerDiagnosticsLogger::kEnabledKey, true);
        makeDetector();
    }

    void makeDetector()
    {
        detector = std::make_unique<MeetingDetector>(
            runtime, preferences,
            MeetingSignalSources{camera, microphone, processes, screenShare, calendar, browserTabs},
            [this](const QString &token) {
                if (token == walkingLatch)
                    return false;
                walkingLatch = token;
                return true;
            },
            &logger);
        detector->onMeetingStarted = [this] { ++started; };
        detector->onMeetingEnded = [this](int minutes) { ended.push_back(minutes); };
        detector->onPostMeetingBreakReady = [this](int minutes) { postMeetingBreaks.push_back(minutes); };
        detector->onWalkingMeetingSuggestion = [this](const QString &title) { walkingSuggestions << title; };
    }

    double elapsed() const { return runtime.now() - kStart; }

    // Advances one second at a time until the detector confirms `inMeeting`,
    // for at most `limit` seconds; returns the seconds waited or -1.
    double secondsUntilConfirmed(bool inMeeting, double limit)
    {
        for (int s = 0; s <= limit; ++s) {
            if (detector->confirmedInMeeting() == inMeeting)
                return s;
            runtime.advance(1);
        }
        return -1;
    }

    std::vector<LoggedEvent> events(const QString &prefix = QStringLiteral("meeting.")) const
    {
        std::vector<LoggedEvent> result;
        for (const QByteArray &line : readFile(logger.logFilePath()).split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            const QString event = object.value(QStringLiteral("event")).toString();
            if (event.startsWith(prefix))
                result.push_back({event, object});
        }
        return result;
    }
    std::vector<LoggedEvent> eventsNamed(const QString &name) const
    {
        std::vector<LoggedEvent> result;
        for (const LoggedEvent &e : events(name))
            if (e.event == name)
                result.push_back(e);
        return result;
    }

    // A meeting confirmed by the camera, `minutes` long from first sight.
    void holdCameraMeeting(double seconds)
    {
        cameraSensor.set(true);
        runtime.advance(seconds);
        cameraSensor.set(false);
    }
};

TEST_F(MeetingDetectorTest, CameraAloneConfirmsFiveToTenSecondsLaterWithTheStartOfFirstSight)
{
    detector->start();
    runtime.advance(7); // between two updates
    const double firstSight = runtime.now();
    cameraSensor.set(true);
    EXPECT_TRUE(detector->currentState().cameraActive);
    EXPECT_FALSE(detector->confirmedInMeeting());

    const double waited = secondsUntilConfirmed(true, 15);
    EXPECT_GE(waited, 5);
    EXPECT_LE(waited, 10);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(detector->meetingStartTime(), firstSight);

    const auto confirmed = eventsNamed(QStringLiteral("meeting.confirmed_started"));
    ASSERT_EQ(confirmed.size(), 1u);
    EXPECT_EQ(confirmed[0].properties.value(QStringLiteral("camera_active")).toString(), QStringLiteral("true"));
    EXPECT_EQ(confirmed[0].properties.value(QStringLiteral("confirmed_in_meeting")).toString(), QStringLiteral("true"));
    EXPECT_EQ(confirmed[0].properties.value(QStringLiteral("detection_summary")).toString(),
              QStringLiteral("Detected via camera"));
}

TEST_F(MeetingDetectorTest, ACameraWithoutEventsIsSeenAtTheNextPoll)
{
    cameraSensor.hints = false;
    detector->start();
    runtime.advance(1);
    cameraSensor.set(true);
    runtime.advance(2); // the 3-second poll
    EXPECT_TRUE(detector->currentState().cameraActive);
    EXPECT_EQ(detector->meetingStartTime(), std::nullopt);
    runtime.advance(10);
    EXPECT_EQ(detector->meetingStartTime(), kStart + 3);
}

TEST_F(MeetingDetectorTest, MicrophoneForFourSecondsConfirmsNothing)
{
    detector->start();
    runtime.advance(6);
    micSensor.set(true);
    runtime.advance(4);
    micSensor.set(false);
    runtime.advance(300);
    EXPECT_FALSE(detector->confirmedInMeeting());
    EXPECT_EQ(started, 0);
    EXPECT_TRUE(ended.empty());
    // Both changes were seen and logged, nothing more.
    EXPECT_EQ(eventsNamed(QStringLiteral("meeting.signal_changed")).size(), 2u);
}

struct FusionCase {
    const char *name;
    bool camera, mic, app, calendarEvent, tab, fullscreen, sharing;
    bool meeting;
};

class MeetingFusionTest : public MeetingDetectorTest, public ::testing::WithParamInterface<FusionCase> {};

TEST_P(MeetingFusionTest, SignalsConfirmAMeetingOnlyWhenTheyWeighEnough)
{
    const FusionCase &c = GetParam();
    cameraSensor.reading = c.camera ? SensorReading::yes : SensorReading::no;
    micSensor.reading = c.mic ? SensorReading::yes : SensorReading::no;
    if (c.app)
        processList.add(QStringLiteral("zoom"));
    calendar.current = c.calendarEvent;
    browserTabs.result = {c.tab, std::nullopt};
    fullscreen.reading = c.fullscreen ? SensorReading::yes : SensorReading::no;
    if (c.sharing)
        processList.add(QStringLiteral("obs"));

    detector->start();
    runtime.advance(60);
    EXPECT_EQ(detector->confirmedInMeeting(), c.meeting);
    EXPECT_EQ(started, c.meeting ? 1 : 0);
    EXPECT_EQ(detector->currentState().suppressOverlays(), c.sharing || (c.fullscreen && c.meeting));
}

INSTANTIATE_TEST_SUITE_P(
    Signals, MeetingFusionTest,
    ::testing::Values(FusionCase{"cameraAlone", true, false, false, false, false, false, false, true},
                      FusionCase{"microphoneAlone", false, true, false, false, false, false, false, true},
                      FusionCase{"calendarAlone", false, false, false, true, false, false, false, false},
                      FusionCase{"meetingAppAlone", false, false, true, false, false, false, false, false},
                      FusionCase{"calendarWithMeetingApp", false, false, true, true, false, false, false, true},
                      FusionCase{"browserTabAlone", false, false, false, false, true, false, false, true},
                      FusionCase{"fullscreenAndSharingWeighNothing", false, false, false, false, false, true, true,
                                 false},
                      FusionCase{"presentingInACall", false, true, true, false, false, true, false, true}),
    [](const ::testing::TestParamInfo<FusionCase> &caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(MeetingDetectorTest, ADipOfHundredSecondsKeepsTheMeetingAndTheEndTimerRestartsAtTheNextDrop)
{
    detector->start();
    cameraSensor.set(true);
    runtime.advance(600);
    ASSERT_TRUE(detector->confirmedInMeeting());

    cameraSensor.set(false);
    runtime.advance(100);
    cameraSensor.set(true);
    runtime.advance(30);
    EXPECT_TRUE(detector->confirmedInMeeting());

    cameraSensor.set(false);
    runtime.advance(119);
    EXPECT_TRUE(detector->confirmedInMeeting()) << "ended too early, at " << elapsed();
    const double waited = secondsUntilConfirmed(false, 10);
    EXPECT_GE(waited, 1);
    EXPECT_LE(waited, 6);
    EXPECT_EQ(started, 1);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0], (600 + 100 + 30 + 120) / 60);
}

TEST_F(MeetingDetectorTest, AnEndReportsWholeMinutesAndOffersABreakNinetySecondsLater)
{
    detector->start();
    // The end is confirmed at the first 5-second update 120 seconds after the
    // camera goes off: here 3595 s (59.9 minutes) after first sight.
    cameraSensor.set(true);
    runtime.advance(3474);
    cameraSensor.set(false);
    ASSERT_EQ(secondsUntilConfirmed(false, 130), 121);
    ASSERT_NEAR(elapsed() / 60, 59.9, 0.05);
    ASSERT_EQ(ended, std::vector<int>{59});
    EXPECT_EQ(detector->lastMeetingDurationMinutes(), 59);
    EXPECT_EQ(detector->meetingStartTime(), std::nullopt);

    runtime.advance(89);
    EXPECT_TRUE(postMeetingBreaks.empty());
    runtime.advance(1);
    EXPECT_EQ(postMeetingBreaks, std::vector<int>{59});

    const auto endedLog = eventsNamed(QStringLiteral("meeting.confirmed_ended"));
    ASSERT_EQ(endedLog.size(), 1u);
    EXPECT_EQ(endedLog[0].properties.value(QStringLiteral("meeting_duration_minutes")).toString(), QStringLiteral("59"));
    EXPECT_EQ(endedLog[0].properties.value(QStringLiteral("confirmed_in_meeting")).toString(), QStringLiteral("false"));
    const auto fired = eventsNamed(QStringLiteral("meeting.post_break_fired"));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].properties.value(QStringLiteral("delay_seconds")).toString(), QStringLiteral("90"));
    EXPECT_EQ(fired[0].properties.value(QStringLiteral("meeting_duration_minutes")).toString(), QStringLiteral("59"));
}

TEST_F(MeetingDetectorTest, TwoEndsWithinNinetySecondsFireOnePostMeetingBreak)
{
    detector->start();
    holdCameraMeeting(10 * 60);
    runtime.advance(125);
    ASSERT_EQ(ended.size(), 1u);
    runtime.advance(20);
    // A short second meeting that is confirmed and ends before the first
    // break would have come.
    micSensor.set(true);
    runtime.advance(10);
    ASSERT_TRUE(detector->confirmedInMeeting());
    micSensor.set(false);
    runtime.advance(125);
    ASSERT_EQ(ended.size(), 2u);
    runtime.advance(600);
    EXPECT_EQ(postMeetingBreaks, std::vector<int>{ended[1]});
    EXPECT_EQ(eventsNamed(QStringLiteral("meeting.post_break_fired")).size(), 1u);
}

TEST_F(MeetingDetectorTest, PostMeetingBreakIsWithheldDuringACalendarEventOrANewMeeting)
{
    detector->start();
    holdCameraMeeting(30 * 60);
    runtime.advance(125);
    ASSERT_EQ(ended.size(), 1u);
    calendar.current = true; // the next meeting on the calendar is on
    runtime.advance(90);
    EXPECT_TRUE(postMeetingBreaks.empty());
    const auto suppressed = eventsNamed(QStringLiteral("meeting.post_break_suppressed"));
    ASSERT_EQ(suppressed.size(), 1u);
    EXPECT_EQ(suppressed[0].properties.value(QStringLiteral("reason")).toString(),
              QStringLiteral("calendar_event_active"));

    calendar.current = false;
    holdCameraMeeting(30 * 60);
    runtime.advance(125);
    ASSERT_EQ(ended.size(), 2u);
    runtime.advance(30);
    cameraSensor.set(true); // straight into another call
    runtime.advance(600);
    EXPECT_TRUE(postMeetingBreaks.empty());
    EXPECT_EQ(eventsNamed(QStringLiteral("meeting.post_break_fired")).size(), 0u);
}

TEST_F(MeetingDetectorTest, StopDuringTheWaitFiresNoPostMeetingBreakAndKeepsTheState)
{
    detector->start();
    holdCameraMeeting(20 * 60);
    runtime.advance(125);
    ASSERT_EQ(ended.size(), 1u);
    runtime.advance(45);
    detector->stop();
    EXPECT_FALSE(camera.isMonitoring());
    EXPECT_FALSE(microphone.isMonitoring());
    runtime.advance(3600);
    EXPECT_TRUE(postMeetingBreaks.empty());
    EXPECT_EQ(detector->lastMeetingDurationMinutes(), ended[0]);
    EXPECT_EQ(runtime.pendingJobCount(), 0u);
}

TEST_F(MeetingDetectorTest, UnknownReadingsNeitherEndNorStartAMeeting)
{
    detector->start();
    micSensor.set(true);
    runtime.advance(60);
    ASSERT_TRUE(detector->confirmedInMeeting());
    // The sound server goes away in the middle of the call.
    micSensor.set(SensorReading::unknown);
    runtime.advance(30 * 60);
    EXPECT_TRUE(detector->confirmedInMeeting());
    EXPECT_EQ(detector->sensorReport().microphone, SensorReading::unknown);
    micSensor.set(false);
    runtime.advance(130);
    EXPECT_FALSE(detector->confirmedInMeeting());

    // A full-screen probe that cannot tell never reads as full screen.
    fullscreen.reading = SensorReading::unknown;
    runtime.advance(10);
    EXPECT_FALSE(detector->currentState().fullscreenActive);
}

TEST_F(MeetingDetectorTest, AClockSetBackDoesNotHoldAMeetingOpen)
{
    detector->start();
    holdCameraMeeting(15 * 60);
    runtime.advance(30);
    runtime.jumpWallClock(-3600);
    runtime.advance(95);
    EXPECT_FALSE(detector->confirmedInMeeting());
    EXPECT_EQ(ended, std::vector<int>{0}) << "a negative span counts as no minutes";
}

TEST_F(MeetingDetectorTest, CalendarLoopKeepsTheUpcomingMeetingAndClearsItDuringAMeeting)
{
    calendar.next = UpcomingMeeting{kStart + 20 * 60, QStringLiteral("Design review")};
    detector->start();
    EXPECT_EQ(detector->upcomingMeeting(), calendar.next);
    EXPECT_EQ(calendar.lastWindow, 1800.0);

    cameraSensor.set(true);
    runtime.advance(60);
    ASSERT_TRUE(detector->confirmedInMeeting());
    EXPECT_EQ(detector->upcomingMeeting(), std::nullopt);

    cameraSensor.set(false);
    runtime.advance(180);
    EXPECT_EQ(detector->upcomingMeeting(), calendar.next);
}

TEST_F(MeetingDetectorTest, AQualifyingWalkingMeetingIsSuggestedOnce)
{
    calendar.walking = WalkingMeetingCheck{QStringLiteral("evt-1@1741356480"), QStringLiteral("1:1 with Sam"), 2, 30, true};
    detector->start();
    runtime.advance(60);
    EXPECT_EQ(walkingSuggestions, QStringList{QStringLiteral("1:1 with Sam")});

    const auto checks = eventsNamed(QStringLiteral("meeting.walking_check"));
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0].properties.value(QStringLiteral("suggested")).toString(), QStringLiteral("true"));
    EXPECT_EQ(checks[1].properties.value(QStringLiteral("suggested")).toString(), QStringLiteral("false"));
    EXPECT_EQ(checks[1].properties.value(QStringLiteral("attendee_count")).toString(), QStringLiteral("2"));
    EXPECT_EQ(checks[1].properties.value(QStringLiteral("duration_minutes")).toString(), QStringLiteral("30"));
    EXPECT_EQ(checks[1].properties.value(QStringLiteral("qualifies")).toString(), QStringLiteral("true"));

    // A meeting that does not qualify is logged but never claims the latch.
    calendar.walking = WalkingMeetingCheck{QStringLiteral("evt-2@1741356800"), QStringLiteral("All hands"), 40, 60, false};
    runtime.advance(60);
    EXPECT_EQ(walkingSuggestions.size(), 1);
    EXPECT_EQ(walkingLatch, QStringLiteral("evt-1@1741356480"));
}

TEST_F(MeetingDetectorTest, BrowserDetectionFollowsThePreferenceAndTheHostingBrowserIsSustained)
{
    preferences.setBool(MeetingDetector::kDetectBrowserMeetingsKey, false);
    makeDetector();
    EXPECT_FALSE(detector->detectBrowserMeetingsEnabled());
    browserTabs.result = {true, QStringLiteral("org.mozilla.firefox")};
    detector->start();
    runtime.advance(30);
    EXPECT_FALSE(detector->confirmedInMeeting());
    EXPECT_EQ(browserTabs.asks, 0);

    detector->setDetectBrowserMeetings(true);
    EXPECT_EQ(browserTabs.resets, 1);
    runtime.advance(15);
    ASSERT_TRUE(detector->confirmedInMeeting());
    runtime.advance(5);
    EXPECT_TRUE(browserTabs.lastScanAllTabs);
    EXPECT_EQ(browserTabs.lastSustainHost, QStringLiteral("org.mozilla.firefox"));

    // The user switches to an editor: the tab is still found via the host.
    browserTabs.result = {false, std::nullopt};
    runtime.advance(125);
    EXPECT_FALSE(detector->confirmedInMeeting());
    runtime.advance(5);
    EXPECT_FALSE(browserTabs.lastScanAllTabs);
    EXPECT_EQ(browserTabs.lastSustainHost, std::nullopt);
}

TEST_F(MeetingDetectorTest, StartTwiceKeepsOneSetOfLoops)
{
    detector->start();
    const std::size_t jobs = runtime.pendingJobCount();
    detector->start();
    EXPECT_EQ(runtime.pendingJobCount(), jobs);
    cameraSensor.set(true);
    runtime.advance(20);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(eventsNamed(QStringLiteral("meeting.confirmed_started")).size(), 1u);
}

} // namespace
