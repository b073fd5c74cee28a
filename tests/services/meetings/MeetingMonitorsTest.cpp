#include "MeetingFakes.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/meetings/DeviceMonitor.h"
#include "services/meetings/MeetingApps.h"
#include "services/meetings/ProcessMonitor.h"
#include "services/meetings/ScreenShareMonitor.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using namespace stirwell::test;

namespace {

struct DeviceFixture {
    VirtualRuntime runtime{1'741'356'200};
    FakeDeviceSensor sensor;
    DeviceMonitor monitor{runtime, sensor};
    std::vector<bool> delivered;

    void start() { monitor.startMonitoring(3, [this](bool inUse) { delivered.push_back(inUse); }); }
};

TEST(DeviceMonitor, DeliversOnlyChangesAndNothingForAnIdleDeviceAtStart)
{
    DeviceFixture f;
    f.sensor.hints = false;
    f.start();
    f.runtime.advance(30);
    EXPECT_TRUE(f.delivered.empty());

    f.sensor.set(true);
    f.runtime.advance(3);
    f.runtime.advance(30);
    f.sensor.set(false);
    f.runtime.advance(3);
    EXPECT_EQ(f.delivered, (std::vector<bool>{true, false}));
}

TEST(DeviceMonitor, ADeviceInUseAtStartIsDeliveredAtOnceAndUnknownChangesNothing)
{
    DeviceFixture f;
    f.sensor.reading = SensorReading::yes;
    f.start();
    EXPECT_EQ(f.delivered, std::vector<bool>{true});
    f.sensor.set(SensorReading::unknown);
    f.runtime.advance(30);
    EXPECT_EQ(f.delivered, std::vector<bool>{true});
    EXPECT_TRUE(f.monitor.isActive());
}

TEST(DeviceMonitor, HintsProbeAtOnceAndStopEndsDeliveries)
{
    DeviceFixture f;
    f.start();
    f.runtime.advance(1);
    f.sensor.set(true);
    EXPECT_EQ(f.delivered, std::vector<bool>{true}) << "an event is not left waiting for the poll";
    f.monitor.stopMonitoring();
    const int probes = f.sensor.probes;
    f.sensor.set(false);
    f.runtime.advance(30);
    EXPECT_EQ(f.sensor.probes, probes);
    EXPECT_EQ(f.delivered, std::vector<bool>{true});
    EXPECT_EQ(f.runtime.pendingJobCount(), 0u);

    // A restart begins a fresh history.
    f.sensor.reading = SensorReading::yes;
    f.start();
    EXPECT_EQ(f.delivered, (std::vector<bool>{true, true}));
}

TEST(MeetingApps, MatchNativeFlatpakAndSnapCopiesExactly)
{
    struct Case {
        ProcessInfo process;
        bool meetingApp;
    };
    const Case cases[] = {
        {{1, QStringLiteral("zoom"), QStringLiteral("zoom"), {}, {}, {}}, true},
        {{1, QStringLiteral("Zoom"), QStringLiteral("Zoom"), {}, {}, {}}, false},
        {{1, QStringLiteral("teams-for-linux"), {}, {}, {}, {}}, true},
        {{1, QStringLiteral("skypeforlinux"), QStringLiteral("skypeforlinux"), {}, {}, {}}, true},
        {{1, QStringLiteral("Discord"), {}, {}, {}, {}}, true},
        {{1, QStringLiteral("discord"), {}, {}, {}, {}}, false},
        {{1, QStringLiteral("bwrap"), {}, QStringLiteral("us.zoom.Zoom"), {}, {}}, true},
        {{1, QStringLiteral("electron"), {}, QStringLiteral("com.slack.Slack"), {}, {}}, true},
        {{1, QStringLiteral("electron"), {}, QStringLiteral("com.slack.slack"), {}, {}}, false},
        {{1, QStringLiteral("electron"), {}, {}, QStringLiteral("discord"), {}}, true},
        {{1, QStringLiteral("firefox"), QStringLiteral("firefox"), {}, {}, {}}, false},
        {{1, {}, {}, {}, {}, {}}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.process.name + QLatin1Char('/') + c.process.flatpakId + QLatin1Char('/') + c.process.snapName)
                         .toStdString());
        EXPECT_EQ(MeetingApps::isMeetingApp(c.process), c.meetingApp);
    }
}

TEST(ProcessMonitor, AnswersUnknownWhenProcessesCannotBeListed)
{
    FakeProcesses processes;
    FakeFullscreen fullscreen;
    ProcessMonitor monitor{processes, fullscreen};
    EXPECT_EQ(monitor.isMeetingAppRunning(), SensorReading::no);
    processes.add(QStringLiteral("slack"));
    EXPECT_EQ(monitor.isMeetingAppRunning(), SensorReading::yes);
    processes.list.clear();
    EXPECT_EQ(monitor.isMeetingAppRunning(), SensorReading::unknown);
    fullscreen.reading = SensorReading::unknown;
    EXPECT_EQ(monitor.isFrontmostFullscreen(), SensorReading::unknown);
}

TEST(ScreenShareMonitor, KnownRecordersAndScreenGrabbingCommandLinesCount)
{
    struct Case {
        const char *name;
        QStringList arguments;
        SensorReading sharing;
    };
    const Case cases[] = {
        {"obs", {}, SensorReading::yes},
        {"simplescreenrecorder", {}, SensorReading::yes},
        {"ffmpeg", {"ffmpeg", "-f", "x11grab", "-i", ":0", "out.mkv"}, SensorReading::yes},
        {"ffmpeg", {"ffmpeg", "-i", "in.mp4", "out.webm"}, SensorReading::no},
        {"OBS", {}, SensorReading::no},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeProcesses processes;
        processes.add(QString::fromUtf8(c.name), c.arguments);
        ScreenShareMonitor monitor{processes, nullptr};
        EXPECT_EQ(monitor.isScreenSharing(), c.sharing);
    }
}

} // namespace
