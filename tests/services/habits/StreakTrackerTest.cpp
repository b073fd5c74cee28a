#include "runtime/virtual/VirtualRuntime.h"
#include "services/habits/DailyRecordsCodec.h"
#include "services/habits/StreakTracker.h"
#include "support/TempXdg.h"
#include "support/UtcDayCases.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using stirwell::test::readFile;
using stirwell::test::writeFile;

namespace {

const LocalCalendar kUtc = LocalCalendar::fromIanaName(QStringLiteral("UTC"));

DailyRecord record(const char *date, int completed, int due, CommitmentMode mode = CommitmentMode::normal)
{
    DailyRecord r = DailyRecord::empty(QString::fromLatin1(date), mode);
    r.sessionsCompleted = completed;
    r.sessionsDue = due;
    r.sessionsSkipped = due - completed;
    return r;
}

DailyRecordMap mapOf(std::initializer_list<DailyRecord> records)
{
    DailyRecordMap map;
    for (const DailyRecord &r : records)
        map.insert(r.date, r);
    return map;
}

class StreakTrackerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    // 2025-03-07 12:00 UTC.
    VirtualRuntime runtime{kUtc.moment(QDate(2025, 3, 7), 12), kUtc};

    QString path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
    QString recordsPath() const { return path(QStringLiteral("daily-records.json")); }
    QString backupPath() const { return path(QStringLiteral("daily-records.backup.json")); }
    void writeRecords(const DailyRecordMap &records) { writeFile(recordsPath(), encodeDailyRecords(records)); }
    QStringList filesInDir() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
};

} // namespace

TEST_F(StreakTrackerTest, FirstRunCreatesTheDirectoryAndTodaysRecord)
{
    const QString nested = path(QStringLiteral("share/Stirwell"));
    StreakTracker tracker(runtime, nested);
    EXPECT_TRUE(QDir(nested).exists());
    EXPECT_TRUE(tracker.loadProblem().isEmpty());
    EXPECT_EQ(tracker.currentStreak(), 0);
    EXPECT_FALSE(QFile::exists(tracker.filePath()));

    EXPECT_EQ(tracker.todayRecord(CommitmentMode::normal), DailyRecord::empty(QStringLiteral("2025-03-07"), CommitmentMode::normal));
    // Exactly the expected file: indented, keys sorted, all eleven keys.
    EXPECT_EQ(readFile(tracker.filePath()), QByteArray(R"({
    "2025-03-07": {
        "date": "2025-03-07",
        "emergencyBypasses": 0,
        "exerciseSnacksCompleted": 0,
        "extendedBreaksCompleted": 0,
        "microBreaksCompleted": 0,
        "mode": "normal",
        "naturalBreaksDetected": 0,
        "sessionsCompleted": 0,
        "sessionsDue": 0,
        "sessionsSkipped": 0,
        "snoozesUsed": 0
    }
}
)"));
    // No backup before there was a previous file.
    EXPECT_FALSE(QFile::exists(tracker.backupPath()));
}

TEST_F(StreakTrackerTest, OutcomesLandInTodaysRecordAndSurviveARestart)
{
    {
        StreakTracker tracker(runtime, dir.path());
        tracker.recordCompletion(CommitmentMode::warrior, BreakType::movement);
        // The mode a record starts with stays.
        tracker.recordCompletion(CommitmentMode::gentle, BreakType::micro);
        tracker.recordCompletion(CommitmentMode::gentle, BreakType::exerciseSnack);
        tracker.recordCompletion(CommitmentMode::gentle, BreakType::extended);
        tracker.recordSkip(CommitmentMode::gentle);
        tracker.recordEmergencyBypass(CommitmentMode::gentle);
        tracker.recordSnooze(CommitmentMode::gentle);
        tracker.recordSnooze(CommitmentMode::gentle);
        tracker.recordNaturalBreak(CommitmentMode::gentle);
        EXPECT_TRUE(tracker.lastWriteSucceeded());
    }
    StreakTracker tracker(runtime, dir.path());
    DailyRecord expected = DailyRecord::empty(QStringLiteral("2025-03-07"), CommitmentMode::warrior);
    expected.sessionsCompleted = 4;
    expected.sessionsSkipped = 2;
    expected.sessionsDue = 6;
    expected.emergencyBypasses = 1;
    expected.microBreaksCompleted = 1;
    expected.exerciseSnacksCompleted = 1;
    expected.extendedBreaksCompleted = 1;
    expected.snoozesUsed = 2;
    expected.naturalBreaksDetected = 1;
    EXPECT_EQ(tracker.todayRecord(CommitmentMode::normal), expected);
    EXPECT_EQ(tracker.todayCompletedCount(CommitmentMode::normal), 4);
    EXPECT_EQ(tracker.todayDueCount(CommitmentMode::normal), 6);
    // Each write kept the version before it.
    const std::optional<DailyRecordMap> backup = decodeDailyRecords(readFile(tracker.backupPath()));
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->value(QStringLiteral("2025-03-07")).naturalBreaksDetected, 0);
    EXPECT_EQ(backup->value(QStringLiteral("2025-03-07")).snoozesUsed, 2);
}

TEST_F(StreakTrackerTest, StreakCountsCompliantDaysBackFromToday)
{
    struct Case {
        const char *what;
        DailyRecordMap records;
        int streak;
    };
    const Case cases[] = {
        {"no records", {}, 0},
        {"0.7 exactly counts", mapOf({record("2025-03-07", 7, 10)}), 1},
        {"6 of 9 does not", mapOf({record("2025-03-07", 6, 9), record("2025-03-06", 5, 5)}), 0},
        {"today failing zeroes it", mapOf({record("2025-03-07", 0, 2), record("2025-03-06", 5, 5)}), 0},
        {"a missing day ends it",
         mapOf({record("2025-03-07", 2, 2), record("2025-03-06", 5, 5), record("2025-03-04", 5, 5)}), 2},
        {"days with nothing due are passed over",
         mapOf({record("2025-03-07", 0, 0), record("2025-03-06", 4, 4), record("2025-03-05", 3, 3)}), 2},
        {"a quiet day in the middle neither extends nor breaks",
         mapOf({record("2025-03-07", 3, 3), record("2025-03-06", 0, 0), record("2025-03-05", 3, 4),
                record("2025-03-04", 1, 4)}),
         2},
        // Today's record comes into being at the first outcome or read.
        {"no record yet today", mapOf({record("2025-03-06", 4, 4), record("2025-03-05", 4, 4)}), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir caseDir;
        writeFile(caseDir.path() + QStringLiteral("/daily-records.json"), encodeDailyRecords(c.records));
        StreakTracker tracker(runtime, caseDir.path());
        EXPECT_EQ(tracker.currentStreak(), c.streak);
    }
}

TEST_F(StreakTrackerTest, RiskWeeklyStatsAndRecentDays)
{
    struct Risk {
        int completed;
        int due;
        bool atRisk;
    };
    for (const Risk &r : {Risk{1, 2, true}, Risk{4, 5, false}, Risk{0, 0, false}, Risk{3, 4, true}, Risk{2, 5, false}}) {
        SCOPED_TRACE(testing::Message() << r.completed << " of " << r.due);
        QTemporaryDir caseDir;
        writeFile(caseDir.path() + QStringLiteral("/daily-records.json"),
                  encodeDailyRecords(mapOf({record("2025-03-07", r.completed, r.due)})));
        StreakTracker tracker(runtime, caseDir.path());
        EXPECT_EQ(tracker.streakAtRisk(CommitmentMode::normal), r.atRisk);
    }

    {
        StreakTracker empty(runtime, path(QStringLiteral("empty")));
        EXPECT_EQ(empty.weeklyStats(), (WeeklyStats{0, 0, 1.0}));
        EXPECT_TRUE(empty.dailyRecords(7).isEmpty());
    }

    DailyRecord quiet = record("2025-03-05", 0, 0);
    quiet.sessionsCompleted = 3; // completions on a day with nothing due add nothing
    writeRecords(mapOf({record("2025-03-07", 1, 2), record("2025-03-06", 4, 4), quiet, record("2025-03-01", 3, 4),
                        record("2025-02-28", 9, 9)}));
    StreakTracker tracker(runtime, dir.path());
    const WeeklyStats stats = tracker.weeklyStats();
    EXPECT_EQ(stats.completed, 1 + 4 + 3);
    EXPECT_EQ(stats.skipped, 1 + 0 + 1);
    EXPECT_DOUBLE_EQ(stats.avgCompliance, (0.5 + 1.0 + 0.75) / 3);

    QStringList dates;
    for (const DailyRecord &r : tracker.dailyRecords(7))
        dates.append(r.date);
    EXPECT_EQ(dates, (QStringList{QStringLiteral("2025-03-01"), QStringLiteral("2025-03-05"),
                                  QStringLiteral("2025-03-06"), QStringLiteral("2025-03-07")}));
    EXPECT_EQ(tracker.dailyRecords(1).size(), 1);
    EXPECT_TRUE(tracker.dailyRecords(0).isEmpty());
    EXPECT_TRUE(tracker.dailyRecords(-3).isEmpty());
}

TEST_F(StreakTrackerTest, TodayIsTheUtcDateEastAndWestOfUtc)
{
    for (const test::UtcDayCase &c : test::utcDayCases()) {
        SCOPED_TRACE(c.describe());
        VirtualRuntime zoned(c.moment(), c.calendar());
        QTemporaryDir caseDir;
        writeFile(caseDir.path() + QStringLiteral("/daily-records.json"),
                  encodeDailyRecords(mapOf({record("2025-03-07", 3, 3), record("2025-03-06", 3, 3)})));
        StreakTracker tracker(zoned, caseDir.path());
        tracker.recordCompletion(CommitmentMode::normal, BreakType::movement);
        const DailyRecord today = tracker.todayRecord(CommitmentMode::normal);
        EXPECT_EQ(today.date, c.key());
        EXPECT_TRUE(tracker.records().contains(c.key()));
        // Either way the streak runs on unbroken from the day before.
        EXPECT_EQ(tracker.currentStreak(), today.date == QStringLiteral("2025-03-07") ? 2 : 3);
    }
}

TEST_F(StreakTrackerTest, WalkingBackNeverSkipsOrRepeatsADayAcrossDaylightSaving)
{
    // London leaves summer time at 01:00 UTC on 2025-10-26. At 00:30 UTC the
    // next day, one local calendar day earlier is 23:30 UTC on the 24th:
    // stepping back by local days would skip the 25th and end the streak.
    const LocalCalendar london = LocalCalendar::fromIanaName(QStringLiteral("Europe/London"));
    VirtualRuntime autumn(kUtc.moment(QDate(2025, 10, 27), 0, 30), london);
    writeRecords(mapOf({record("2025-10-27", 2, 2), record("2025-10-26", 2, 2), record("2025-10-25", 2, 2),
                        record("2025-10-24", 2, 2)}));
    StreakTracker tracker(autumn, dir.path());
    EXPECT_EQ(tracker.currentStreak(), 4);
    EXPECT_EQ(tracker.dailyRecords(4).size(), 4);
    EXPECT_EQ(tracker.weeklyStats().completed, 8);
}

TEST(DailyRecordsCodec, OlderFilesLoadAndBadOnesAreRejectedWhole)
{
    const QByteArray older = R"({"2024-01-02": {"date": "2024-01-02", "sessionsCompleted": 3, "sessionsSkipped": 1,
        "sessionsDue": 4, "emergencyBypasses": 0, "mode": "warrior", "futureField": [1, 2]}})";
    const std::optional<DailyRecordMap> decoded = decodeDailyRecords(older);
    ASSERT_TRUE(decoded);
    DailyRecord expected = DailyRecord::empty(QStringLiteral("2024-01-02"), CommitmentMode::warrior);
    expected.sessionsCompleted = 3;
    expected.sessionsSkipped = 1;
    expected.sessionsDue = 4;
    EXPECT_EQ(decoded->value(QStringLiteral("2024-01-02")), expected);

    const char *good = R"({"date": "d", "sessionsCompleted": 1, "sessionsSkipped": 0, "sessionsDue": 1,
        "emergencyBypasses": 0, "mode": "normal")";
    struct Bad {
        const char *what;
        QByteArray bytes;
    };
    const Bad bads[] = {
        {"truncated", QByteArray(R"({"d": )") + good},
        {"not an object", "[]"},
        {"empty file", ""},
        {"unknown mode", QByteArray(R"({"d": {"date": "d", "sessionsCompleted": 1, "sessionsSkipped": 0,
            "sessionsDue": 1, "emergencyBypasses": 0, "mode": "heroic"}})")},
        {"required counter missing", R"({"d": {"date": "d", "sessionsCompleted": 1, "sessionsDue": 1,
            "emergencyBypasses": 0, "mode": "normal"}})"},
        {"counter as text", QByteArray(R"({"d": )") + good + R"(, "snoozesUsed": "2"}})"},
        {"fractional counter", QByteArray(R"({"d": )") + good + R"(, "snoozesUsed": 2.5}})"},
        {"entry not an object", R"({"d": 3})"},
    };
    for (const Bad &bad : bads) {
        SCOPED_TRACE(bad.what);
        QString error;
        EXPECT_EQ(decodeDailyRecords(bad.bytes, &error), std::nullopt);
        EXPECT_FALSE(error.isEmpty());
    }
    // The good prefix alone does decode (the table tests what it claims).
    EXPECT_TRUE(decodeDailyRecords(QByteArray(R"({"d": )") + good + "}}"));
}

// The recovery paths: a records file that does not decode never costs the
// user their history.
TEST_F(StreakTrackerTest, ABadFileIsSetAsideAndTheBackupRestored)
{
    const QByteArray bad = R"({"2025-03-06": {"date": "2025-03-06", "mode": "heroic"}})";
    const DailyRecordMap history = mapOf({record("2025-03-06", 5, 5), record("2025-03-05", 4, 4)});
    writeFile(recordsPath(), bad);
    writeFile(backupPath(), encodeDailyRecords(history));

    StreakTracker tracker(runtime, dir.path());
    EXPECT_EQ(tracker.records(), history);
    EXPECT_TRUE(tracker.loadProblem().contains(QStringLiteral("restored from daily-records.backup.json")))
        << tracker.loadProblem().toStdString();
    ASSERT_EQ(tracker.setAsidePaths().size(), 1);
    const QString aside = tracker.setAsidePaths().constFirst();
    EXPECT_EQ(aside, path(QStringLiteral("daily-records.corrupt-20250307T120000Z.json")));
    EXPECT_EQ(readFile(aside), bad);

    // Saves go on as usual and never touch the set-aside file.
    for (int i = 0; i < 3; ++i)
        tracker.recordCompletion(CommitmentMode::normal, BreakType::movement);
    EXPECT_EQ(readFile(aside), bad);
    const std::optional<DailyRecordMap> saved = decodeDailyRecords(readFile(recordsPath()));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->size(), 3);
    EXPECT_EQ(tracker.currentStreak(), 3);
}

TEST_F(StreakTrackerTest, ABadFileWithoutAGoodBackupIsKeptAsideAndHistoryStartsEmpty)
{
    const QByteArray badMain = "{ \"2025-03-06\": { truncated";
    const QByteArray badBackup = "not json at all";
    struct Case {
        const char *what;
        bool withBackup;
    };
    for (const Case &c : {Case{"bad backup", true}, Case{"no backup", false}}) {
        SCOPED_TRACE(c.what);
        QTemporaryDir caseDir;
        const QString main = caseDir.path() + QStringLiteral("/daily-records.json");
        const QString backup = caseDir.path() + QStringLiteral("/daily-records.backup.json");
        writeFile(main, badMain);
        if (c.withBackup)
            writeFile(backup, badBackup);

        VirtualRuntime caseRuntime(runtime.now(), kUtc);
        StreakTracker tracker(caseRuntime, caseDir.path());
        EXPECT_TRUE(tracker.records().isEmpty());
        EXPECT_EQ(tracker.currentStreak(), 0);
        EXPECT_FALSE(tracker.loadProblem().isEmpty());
        ASSERT_EQ(tracker.setAsidePaths().size(), c.withBackup ? 2 : 1);

        // Many saves later, every byte the user had is still on disk.
        for (int i = 0; i < 4; ++i) {
            tracker.recordSkip(CommitmentMode::normal);
            caseRuntime.advance(60);
        }
        QStringList expectedFiles = {QStringLiteral("daily-records.backup.json"),
                                     QStringLiteral("daily-records.corrupt-20250307T120000Z.json"),
                                     QStringLiteral("daily-records.json")};
        if (c.withBackup)
            expectedFiles.prepend(QStringLiteral("daily-records.backup.corrupt-20250307T120000Z.json"));
        EXPECT_EQ(QDir(caseDir.path()).entryList(QDir::Files, QDir::Name), expectedFiles);
        EXPECT_EQ(readFile(caseDir.path() + QStringLiteral("/daily-records.corrupt-20250307T120000Z.json")), badMain);
        if (c.withBackup) {
            EXPECT_EQ(readFile(caseDir.path() + QStringLiteral("/daily-records.backup.corrupt-20250307T120000Z.json")),
                      badBackup);
        }
        EXPECT_EQ(tracker.todayRecord(CommitmentMode::normal).sessionsSkipped, 4);
    }
}

TEST_F(StreakTrackerTest, RepeatedCorruptionNeverOverwritesAnEarlierSetAsideFile)
{
    writeFile(recordsPath(), "first bad");
    { StreakTracker tracker(runtime, dir.path()); }
    writeFile(recordsPath(), "second bad");
    StreakTracker tracker(runtime, dir.path());
    ASSERT_EQ(tracker.setAsidePaths().size(), 1);
    EXPECT_EQ(tracker.setAsidePaths().constFirst(), path(QStringLiteral("daily-records.corrupt-20250307T120000Z-2.json")));
    EXPECT_EQ(readFile(path(QStringLiteral("daily-records.corrupt-20250307T120000Z.json"))), "first bad");
    EXPECT_EQ(readFile(path(QStringLiteral("daily-records.corrupt-20250307T120000Z-2.json"))), "second bad");
}

TEST_F(StreakTrackerTest, AMissingFileIsRestoredFromItsBackup)
{
    const DailyRecordMap history = mapOf({record("2025-03-06", 5, 5)});
    writeFile(backupPath(), encodeDailyRecords(history));
    StreakTracker tracker(runtime, dir.path());
    EXPECT_EQ(tracker.records(), history);
    EXPECT_TRUE(tracker.setAsidePaths().isEmpty());
}

TEST_F(StreakTrackerTest, AFailedWriteKeepsTheRecordsAndTheNextSaveRetries)
{
    StreakTracker tracker(runtime, dir.path());
    tracker.recordCompletion(CommitmentMode::normal, BreakType::movement);
    // A directory where the file should be makes every write fail.
    ASSERT_TRUE(QFile::remove(recordsPath()));
    ASSERT_TRUE(QDir().mkdir(recordsPath()));
    tracker.recordCompletion(CommitmentMode::normal, BreakType::movement);
    EXPECT_FALSE(tracker.lastWriteSucceeded());
    EXPECT_EQ(tracker.todayCompletedCount(CommitmentMode::normal), 2);

    ASSERT_TRUE(QDir().rmdir(recordsPath()));
    tracker.recordCompletion(CommitmentMode::normal, BreakType::movement);
    EXPECT_TRUE(tracker.lastWriteSucceeded());
    const std::optional<DailyRecordMap> saved = decodeDailyRecords(readFile(recordsPath()));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->value(QStringLiteral("2025-03-07")).sessionsCompleted, 3);
}
