#include "runtime/virtual/VirtualRuntime.h"
#include "services/observability/ObservabilityService.h"
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

namespace {

// Both outside clients, doing nothing but counting what reaches them.
class CountingObservabilityClient final : public ObservabilityClient {
public:
    long long breadcrumbs = 0;
    long long signalCount = 0;
    bool running = false;

    bool startErrorReporting(const ErrorReportingOptions &) override { return running = true; }
    bool isErrorReportingRunning() const override { return running; }
    void closeErrorReporting() override { running = false; }
    void addBreadcrumb(BreadcrumbLevel, const QString &, const QString &, const QString &,
        const ObservabilityParameters &) override
    {
        ++breadcrumbs;
    }
    void setTag(const QString &, const QString &) override {}
    void setContext(const QString &, const ObservabilityParameters &) override {}
    void reportError(const QString &, const QString &) override {}
    bool startUsageAnalytics(const UsageAnalyticsOptions &) override { return true; }
    void terminateUsageAnalytics() override {}
    void sendSignal(const QString &, const ObservabilityParameters &) override { ++signalCount; }
};

const AnalyticsProperties kStateChange = {
    {AnalyticsProperty::state, QStringLiteral("softBlock")},
    {AnalyticsProperty::previousState, QStringLiteral("nudge")},
    {AnalyticsProperty::breakType, QStringLiteral("exerciseSnack")},
    {AnalyticsProperty::mode, QStringLiteral("normal")},
};

ObservabilityProviderConfiguration configuredBuild()
{
    return ObservabilityProviderConfiguration::make(QStringLiteral("com.stirwell.app"), QStringLiteral("0.1.0"),
        QStringLiteral("1"), QStringLiteral("https://errors.example.org/report"),
        QStringLiteral("https://signals.example.org/v1"), QStringLiteral("APP"), {});
}

} // namespace

// One event while the user has consented to nothing: what every service pays
// on every step in the usual case.
static void BM_TrackBothClientsOff(benchmark::State &state)
{
    PreferencesStore preferences;
    CountingObservabilityClient client;
    ObservabilityService service(preferences, configuredBuild(), client);
    service.configureFromDefaults();
    for (auto _ : state)
        service.track(AnalyticsEvent::breakStateChanged, kStateChange);
}
BENCHMARK(BM_TrackBothClientsOff);

// One event with both clients on: sanitising, merging over the defaults and
// handing a breadcrumb and a signal over (the clients themselves only count).
static void BM_TrackBothClientsOn(benchmark::State &state)
{
    PreferencesStore preferences;
    preferences.setBool(ObservabilityService::kDiagnosticsConsentKey, true);
    preferences.setBool(ObservabilityService::kAnalyticsConsentKey, true);
    CountingObservabilityClient client;
    ObservabilityService service(preferences, configuredBuild(), client);
    service.configureFromDefaults();
    for (auto _ : state)
        service.track(AnalyticsEvent::breakStateChanged, kStateChange);
    state.counters["signals"] = static_cast<double>(client.signalCount);
}
BENCHMARK(BM_TrackBothClientsOn);

BENCHMARK_MAIN();
