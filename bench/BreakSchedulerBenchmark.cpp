#include "DaySimulation.h"

#include <benchmark/benchmark.h>

using namespace stirwell;

// Thirty virtual days of the break engine under a restless user (the same
// seeded run as the engine's randomized test, without its checks): the CPU
// cost of every countdown step, idle poll, escalation, pause and report.
static void BM_ThirtySimulatedDays(benchmark::State &state)
{
    for (auto _ : state) {
        test::DaySimulation simulation(20250310);
        simulation.run(30);
        benchmark::DoNotOptimize(simulation.analytics.count(AnalyticsEvent::breakStateChanged));
    }
}
BENCHMARK(BM_ThirtySimulatedDays)->Unit(benchmark::kMillisecond);

// One undisturbed working day: eight hours of counting and breaks.
static void BM_OneQuietWorkingDay(benchmark::State &state)
{
    for (auto _ : state) {
        test::DaySimulation simulation(1);
        simulation.scheduler->start();
        simulation.runtime.advance(8 * 3600);
        benchmark::DoNotOptimize(simulation.history.completedTypes.size());
    }
}
BENCHMARK(BM_OneQuietWorkingDay)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
