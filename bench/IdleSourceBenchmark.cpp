// The cost of one idle-time query for each source. The X11 source needs an X
// display (run under scripts/with-test-env.sh); GNOME's idle monitor is
// python-dbusmock on a private bus, so the figure is one D-Bus round trip to
// a Python service (the real compositor answers faster).
#include "platform/linux/dbus/MutterIdleMonitorSource.h"
#include "platform/linux/x11/XScreenSaverIdleSource.h"
#include "runtime/SystemRuntime.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/system/IdleNotificationEmulator.h"
#include "services/system/IdleTimeSource.h"

#include "support/PrivateBus.h"

#include <benchmark/benchmark.h>

using namespace stirwell;

namespace {

void BM_IdleQuery_X11ScreenSaver(benchmark::State &state)
{
    // One connection for every run, as in the application (the benchmark
    // calls this function several times while it sizes the runs). Called in
    // a tight loop, each answer waits for the reply to the request sent by
    // the call before: the figure is one round trip to the X server, what a
    // fresh answer costs; at the application's one-second cadence the reply
    // is already there.
    static SystemRuntime runtime;
    static XScreenSaverIdleSource source(runtime);
    if (!source.probe()) {
        state.SkipWithError("no X display with the screensaver extension");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(source.idleSeconds());
}
BENCHMARK(BM_IdleQuery_X11ScreenSaver);

void BM_IdleQuery_MutterDBusMock(benchmark::State &state)
{
    test::PrivateBus bus;
    test::DBusMock mutter(bus,
                          {"org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                           "org.gnome.Mutter.IdleMonitor"},
                          "org.gnome.Mutter.IdleMonitor");
    if (!mutter.error().isEmpty()) {
        state.SkipWithError("python-dbusmock unavailable");
        return;
    }
    mutter.mock("/org/gnome/Mutter/IdleMonitor/Core", "AddMethod", {"", "GetIdletime", "", "t", "ret = 1234"});
    // Fresh answers (a round trip each): the runtime moves on two seconds
    // between queries.
    VirtualRuntime runtime{0};
    MutterIdleMonitorSource source(runtime, bus.connection());
    if (!source.probe()) {
        state.SkipWithError("the mock does not answer");
        return;
    }
    for (auto _ : state) {
        runtime.advance(2);
        benchmark::DoNotOptimize(source.idleSeconds());
    }
}
BENCHMARK(BM_IdleQuery_MutterDBusMock)->Unit(benchmark::kMicrosecond);

// The Wayland source answers from its emulation of the compositor's idle
// notifications; the query reads the monotonic clock and nothing else.
void BM_IdleQuery_WaylandEmulation(benchmark::State &state)
{
    SystemRuntime runtime;
    IdleNotificationEmulator emulator(runtime, 5);
    emulator.idled();
    for (auto _ : state)
        benchmark::DoNotOptimize(emulator.idleSeconds());
}
BENCHMARK(BM_IdleQuery_WaylandEmulation);

void BM_IdleQuery_None(benchmark::State &state)
{
    const IdleDetector::IdleTimeProvider provider =
        idleTimeProvider(selectIdleTimeSource({}, nullptr));
    for (auto _ : state)
        benchmark::DoNotOptimize(provider());
}
BENCHMARK(BM_IdleQuery_None);

} // namespace
