// The meeting detector with every Linux sensor on this machine: the cost of
// one full update, of one camera scan of /proc, and the processor time the
// detector takes in an hour in which nothing happens.
#include "platform/linux/pipewire/PipeWireScreenCastProbe.h"
#include "platform/linux/proc/ProcCameraSensor.h"
#include "platform/linux/proc/ProcProcessTable.h"
#include "platform/linux/pulse/PulseMicSensor.h"
#include "platform/linux/x11/X11FullscreenProbe.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/meetings/BrowserMeetingTabProbe.h"
#include "services/meetings/CalendarSource.h"
#include "services/meetings/DeviceMonitor.h"
#include "services/meetings/MeetingDetector.h"
#include "services/meetings/ProcessMonitor.h"
#include "services/meetings/ScreenShareMonitor.h"
#include "services/storage/PreferencesStore.h"

#include <QThread>

#include <benchmark/benchmark.h>

#include <ctime>

using namespace stirwell;

namespace {

// Calendar and browser tabs belong to other services; here they answer
// nothing at no cost.
struct NoCalendar : CalendarSource {
    bool hasCurrentCalendarEvent() override { return false; }
    std::optional<UpcomingMeeting> nextMeeting(double) override { return std::nullopt; }
    std::optional<WalkingMeetingCheck> upcomingWalkingMeeting() override { return std::nullopt; }
};
struct NoBrowserTabs : BrowserMeetingTabProbe {
    Result detectActiveMeetingURL(bool, const std::optional<QString> &) override { return {}; }
    void resetPermissionCache() override {}
};

struct LinuxDetector {
    VirtualRuntime runtime{1'741'356'200};
    PreferencesStore preferences;
    ProcCameraSensor cameraSensor{runtime};
    PulseMicSensor micSensor{runtime};
    ProcProcessTable processTable{runtime};
    X11FullscreenProbe fullscreen{QString(), X11FullscreenProbe::environmentIsWayland()};
    NoCalendar calendar;
    NoBrowserTabs browserTabs;
    DeviceMonitor camera{runtime, cameraSensor};
    DeviceMonitor microphone{runtime, micSensor};
    ProcessMonitor processes{processTable, fullscreen};
    PipeWireScreenCastProbe screenCast{runtime};
    ScreenShareMonitor screenShare{processTable, &screenCast};
    MeetingDetector detector{runtime, preferences,
                             MeetingSignalSources{camera, microphone, processes, screenShare, calendar, browserTabs},
                             [](const QString &) { return false; }, nullptr};

    void label(benchmark::State &state)
    {
        state.SetLabel(QStringLiteral("processes=%1 mic=%2 fullscreen=%3")
                           .arg(processTable.processes().size())
                           .arg(sensorReadingName(detector.sensorReport().microphone))
                           .arg(fullscreen.backendName())
                           .toStdString());
    }
};

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// One update as the 5-second loop runs it: a fresh process listing, the
// active window, screen sharing, the microphone's known answer.
void BM_MeetingDetectorFullUpdate(benchmark::State &state)
{
    LinuxDetector f;
    f.detector.start();
    for (auto _ : state) {
        f.runtime.advance(5); // the update job and the camera/mic polls due meanwhile
    }
    f.label(state);
}
BENCHMARK(BM_MeetingDetectorFullUpdate)->Unit(benchmark::kMicrosecond);

// One screencast query: the answer PipeWire's thread keeps. Against the
// daemon of the environment the benchmark runs in (unknown without one).
void BM_PipeWireScreenCastQuery(benchmark::State &state)
{
    VirtualRuntime runtime{1'741'356'200};
    PipeWireScreenCastProbe probe(runtime);
    QThread::msleep(200); // the first view of the graph
    for (auto _ : state)
        benchmark::DoNotOptimize(probe.screenCastActive());
    state.SetLabel(sensorReadingName(probe.screenCastActive()).toStdString());
}
BENCHMARK(BM_PipeWireScreenCastQuery);

// What the probe spends every 30 seconds while no daemon is reachable: one
// failed connection attempt (run without a daemon).
void BM_PipeWireScreenCastRetry(benchmark::State &state)
{
    VirtualRuntime runtime{1'741'356'200};
    PipeWireScreenCastProbe probe(runtime);
    for (auto _ : state) {
        runtime.advance(31);
        benchmark::DoNotOptimize(probe.screenCastActive());
    }
    state.SetLabel(sensorReadingName(probe.screenCastActive()).toStdString());
}
BENCHMARK(BM_PipeWireScreenCastRetry)->Unit(benchmark::kMicrosecond);

// A full /proc scan for open camera nodes (on an event, or once a minute).
void BM_CameraFullScan(benchmark::State &state)
{
    VirtualRuntime runtime{1'741'356'200};
    ProcCameraSensor sensor(runtime);
    for (auto _ : state) {
        runtime.advance(61);
        benchmark::DoNotOptimize(sensor.probe());
    }
    state.counters["scans"] = sensor.fullScanCount();
}
BENCHMARK(BM_CameraFullScan)->Unit(benchmark::kMicrosecond);

// An hour of detector loops with nothing happening, on virtual time with the
// real sensors: every 3-second device poll, 5-second update, minute camera
// scan and calendar pass. Reported as processor milliseconds per hour.
void BM_MeetingDetectorIdleHour(benchmark::State &state)
{
    for (auto _ : state) {
        LinuxDetector f;
        f.detector.start();
        const double before = processCpuSeconds();
        f.runtime.advance(3600);
        const double spent = processCpuSeconds() - before;
        state.counters["cpu_ms_per_hour"] = spent * 1000;
        state.counters["share_of_a_core_pct"] = spent / 3600 * 100;
        f.label(state);
    }
}
BENCHMARK(BM_MeetingDetectorIdleHour)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
