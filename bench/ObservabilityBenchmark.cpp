#include "runtime/virtual/VirtualRuntime.h"
#include "services/observability/TimerDiagnosticsLogger.h"
#include "services/storage/PreferencesStore.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace stirwell;

// One record appended to the diagnostics log (open, append, close).
static void BM_DiagnosticsRecord(benchmark::State &state)
{
    QTemporaryDir dir;
    PreferencesStore preferences;
    preferences.setBool(TimerDiagnosticsLogger::kEnabledKey, true);
    VirtualRuntime runtime(1'700'000'000);
    TimerDiagnosticsLogger logger(preferences, runtime, dir.path());
    const DiagnosticProperties properties = {
        {QStringLiteral("state"), QStringLiteral("counting")},
        {QStringLiteral("mode"), QStringLiteral("normal")},
        {QStringLiteral("time_remaining_seconds"), QStringLiteral("2650")},
    };
    for (auto _ : state)
        logger.log(QStringLiteral("scheduler.countdown_tick"), properties);
}
BENCHMARK(BM_DiagnosticsRecord);

// A record while logging is off: the cost every emitter pays on every step.
static void BM_DiagnosticsRecordDisabled(benchmark::State &state)
{
    QTemporaryDir dir;
    PreferencesStore preferences;
    VirtualRuntime runtime(1'700'000'000);
    TimerDiagnosticsLogger logger(preferences, runtime, dir.path());
    for (auto _ : state)
        logger.log(QStringLiteral("scheduler.countdown_tick"), {{QStringLiteral("state"), QStringLiteral("counting")}});
}
BENCHMARK(BM_DiagnosticsRecordDisabled);

BENCHMARK_MAIN();
