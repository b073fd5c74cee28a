#pragma once

#include "services/habits/DailyRecordsCodec.h"
#include "services/ports/BreakHistory.h"

#include <QDate>
#include <QStringList>

#include <functional>

namespace stirwell {

class Runtime;

// One DailyRecord per day, kept in "daily-records.json" in the data
// directory, and what is derived from them: the streak of compliant days,
// the last days' records, weekly totals and the "streak at risk" signal.
//
// Today is the UTC date of the runtime's clock. Earlier days are the UTC
// dates before it, one by one: stepping back a local calendar day instead
// would skip or repeat a UTC date across a daylight-saving change for users
// near UTC, breaking a streak or counting a day twice. Every change is written through at once: the previous file is
// first copied atomically to "daily-records.backup.json", then the new
// content replaces the file atomically. A write that fails leaves the
// records in memory intact; the next change tries again.
//
// Nothing recorded is ever deleted. When the records file does not decode,
// the backup is loaded if it decodes, and every file that does not decode
// is moved aside to a name no later save touches
// ("daily-records.corrupt-<UTC time>.json",
// "daily-records.backup.corrupt-<UTC time>.json"). `loadProblem()` says what
// happened. Runs on the thread that owns the runtime.
class StreakTracker final : public BreakHistory {
public:
    static inline const QString kFileName = QStringLiteral("daily-records.json");
    static inline const QString kBackupFileName = QStringLiteral("daily-records.backup.json");

    // `runtime` must outlive this object. Creates `dataDirectory` (with its
    // parents) when missing and loads the records.
    StreakTracker(const Runtime &runtime, QString dataDirectory);

    void recordCompletion(CommitmentMode mode, BreakType breakType) override;
    void recordSkip(CommitmentMode mode) override;
    void recordEmergencyBypass(CommitmentMode mode) override;
    void recordSnooze(CommitmentMode mode) override;
    void recordNaturalBreak(CommitmentMode mode) override;

    // Today's record; a missing one is created empty with `mode` and saved.
    [[nodiscard]] DailyRecord todayRecord(CommitmentMode mode) override;
    [[nodiscard]] int todayCompletedCount(CommitmentMode mode) override;
    [[nodiscard]] int todayDueCount(CommitmentMode mode) override;
    // Consecutive days with at least 70 % of due breaks completed, counted
    // back from today; days with nothing due are passed over, a day without
    // a record ends the streak, and a non-compliant today makes it 0.
    [[nodiscard]] int currentStreak() override;
    // Today (created like todayRecord) has something due and a compliance
    // rate in [0.5, 0.8).
    [[nodiscard]] bool streakAtRisk(CommitmentMode mode) override;
    [[nodiscard]] QList<DailyRecord> dailyRecords(int days) override;
    [[nodiscard]] WeeklyStats weeklyStats() override;

    [[nodiscard]] const DailyRecordMap &records() const { return m_records; }
    [[nodiscard]] QString filePath() const;
    [[nodiscard]] QString backupPath() const;
    // Empty when the history loaded cleanly (or there was none yet).
    [[nodiscard]] const QString &loadProblem() const { return m_loadProblem; }
    // Where undecodable files were moved at load; empty when none was.
    [[nodiscard]] const QStringList &setAsidePaths() const { return m_setAsidePaths; }
    // False when the last save did not reach the file.
    [[nodiscard]] bool lastWriteSucceeded() const { return m_lastWriteSucceeded; }

private:
    void load();
    [[nodiscard]] std::optional<DailyRecordMap> readFile(const QString &path, QString *problem) const;
    [[nodiscard]] bool setAside(const QString &path, const QString &stem);
    void save();
    [[nodiscard]] QString todayKey() const;
    [[nodiscard]] DailyRecord &today(CommitmentMode mode, bool *created);
    void update(CommitmentMode mode, const std::function<void(DailyRecord &)> &change);
    [[nodiscard]] QDate todayUtcDate() const;
    [[nodiscard]] const DailyRecord *recordFor(const QDate &utcDate) const;

    const Runtime &m_runtime;
    QString m_directory;
    DailyRecordMap m_records;
    QString m_loadProblem;
    QStringList m_setAsidePaths;
    // Set when an undecodable file could neither be moved nor copied aside:
    // writing would eventually replace it, so the history stays in memory.
    bool m_writesBlocked = false;
    bool m_lastWriteSucceeded = true;
};

} // namespace stirwell
