#include "runtime/virtual/VirtualRuntime.h"
#include "services/habits/DailyRecordsCodec.h"
#include "services/habits/StreakTracker.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace stirwell;

namespace {

// Ten years of daily records ending today, with realistic counters.
constexpr int kTenYears = 3653;
const LocalCalendar kUtc = LocalCalendar::fromIanaName(QStringLiteral("UTC"));
const QDate kToday(2035, 3, 7);

DailyRecordMap tenYears()
{
    DailyRecordMap records;
    for (int i = 0; i < kTenYears; ++i) {
        const QString key = kToday.addDays(-i).toString(QStringLiteral("yyyy-MM-dd"));
        DailyRecord record = DailyRecord::empty(key, kAllCommitmentModes.at(static_cast<std::size_t>(i % 3)));
        record.sessionsDue = 8 + i % 5;
        record.sessionsCompleted = 6 + i % 4;
        record.sessionsSkipped = record.sessionsDue - record.sessionsCompleted;
        record.emergencyBypasses = i % 17 == 0 ? 1 : 0;
        record.microBreaksCompleted = 10 + i % 7;
        record.exerciseSnacksCompleted = i % 3;
        record.extendedBreaksCompleted = i % 2;
        record.snoozesUsed = i % 4;
        record.naturalBreaksDetected = i % 6;
        records.insert(key, record);
    }
    return records;
}

void writeTenYears(const QString &directory)
{
    QFile file(directory + QLatin1Char('/') + StreakTracker::kFileName);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    file.write(encodeDailyRecords(tenYears()));
}

} // namespace

// Encoding the whole history to indented, key-sorted JSON.
static void BM_DailyRecordsEncodeTenYears(benchmark::State &state)
{
    const DailyRecordMap records = tenYears();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const QByteArray encoded = encodeDailyRecords(records);
        bytes = static_cast<std::size_t>(encoded.size());
        benchmark::DoNotOptimize(encoded.constData());
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_DailyRecordsEncodeTenYears)->Unit(benchmark::kMillisecond);

static void BM_DailyRecordsDecodeTenYears(benchmark::State &state)
{
    const QByteArray encoded = encodeDailyRecords(tenYears());
    for (auto _ : state) {
        std::optional<DailyRecordMap> decoded = decodeDailyRecords(encoded);
        benchmark::DoNotOptimize(decoded);
    }
}
BENCHMARK(BM_DailyRecordsDecodeTenYears)->Unit(benchmark::kMillisecond);

// Start-up: reading and decoding the file from disk.
static void BM_StreakTrackerLoadTenYears(benchmark::State &state)
{
    QTemporaryDir dir;
    writeTenYears(dir.path());
    VirtualRuntime runtime(kUtc.moment(kToday, 12), kUtc);
    for (auto _ : state) {
        StreakTracker tracker(runtime, dir.path());
        benchmark::DoNotOptimize(tracker.records().size());
    }
}
BENCHMARK(BM_StreakTrackerLoadTenYears)->Unit(benchmark::kMillisecond);

// One recorded outcome: update today's record, back up the previous file
// and write the whole history atomically. This happens after every break.
static void BM_StreakTrackerSaveTenYears(benchmark::State &state)
{
    QTemporaryDir dir;
    writeTenYears(dir.path());
    VirtualRuntime runtime(kUtc.moment(kToday, 12), kUtc);
    StreakTracker tracker(runtime, dir.path());
    for (auto _ : state)
        tracker.recordSnooze(CommitmentMode::normal);
    if (!tracker.lastWriteSucceeded())
        state.SkipWithError("write failed");
}
BENCHMARK(BM_StreakTrackerSaveTenYears)->Unit(benchmark::kMillisecond);

// The derived reads the menu bar and statistics make over a long history.
static void BM_StreakTrackerStreakAndWeekTenYears(benchmark::State &state)
{
    QTemporaryDir dir;
    DailyRecordMap records = tenYears();
    for (DailyRecord &record : records)
        record.sessionsCompleted = record.sessionsDue; // one unbroken ten-year streak
    QFile file(dir.path() + QLatin1Char('/') + StreakTracker::kFileName);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    file.write(encodeDailyRecords(records));
    file.close();
    VirtualRuntime runtime(kUtc.moment(kToday, 12), kUtc);
    StreakTracker tracker(runtime, dir.path());
    for (auto _ : state) {
        benchmark::DoNotOptimize(tracker.currentStreak());
        benchmark::DoNotOptimize(tracker.weeklyStats());
    }
}
BENCHMARK(BM_StreakTrackerStreakAndWeekTenYears)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
