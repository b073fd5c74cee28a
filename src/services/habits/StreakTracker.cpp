#include "services/habits/StreakTracker.h"

#include "runtime/Runtime.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTimeZone>

#include <cmath>

namespace stirwell {

namespace {

Q_LOGGING_CATEGORY(lcStreak, "stirwell.habits.records")

bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

StreakTracker::StreakTracker(const Runtime &runtime, QString dataDirectory)
    : m_runtime(runtime)
    , m_directory(std::move(dataDirectory))
{
    load();
}

QString StreakTracker::filePath() const
{
    return m_directory + QLatin1Char('/') + kFileName;
}

QString StreakTracker::backupPath() const
{
    return m_directory + QLatin1Char('/') + kBackupFileName;
}

std::optional<DailyRecordMap> StreakTracker::readFile(const QString &path, QString *problem) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("cannot be read (%1)").arg(file.errorString());
        return std::nullopt;
    }
    return decodeDailyRecords(file.readAll(), problem);
}

bool StreakTracker::setAside(const QString &path, const QString &stem)
{
    const QString stamp = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(m_runtime.now() * 1000.0),
                                                         QTimeZone::utc())
                              .toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = m_directory + QLatin1Char('/') + stem + QStringLiteral(".corrupt-") + stamp;
    QString aside = base + QStringLiteral(".json");
    for (int n = 2; QFile::exists(aside); ++n)
        aside = base + QLatin1Char('-') + QString::number(n) + QStringLiteral(".json");
    if (QFile::rename(path, aside) || QFile::copy(path, aside)) {
        m_setAsidePaths.append(aside);
        return true;
    }
    return false;
}

void StreakTracker::load()
{
    QDir().mkpath(m_directory);
    const QString mainPath = filePath();
    const QString backup = backupPath();
    const bool mainExists = QFile::exists(mainPath);
    const bool backupExists = QFile::exists(backup);
    if (!mainExists && !backupExists)
        return;

    QString problem;
    if (mainExists) {
        if (std::optional<DailyRecordMap> records = readFile(mainPath, &problem)) {
            m_records = std::move(*records);
            return;
        }
        m_loadProblem = QStringLiteral("%1 %2").arg(kFileName, problem);
        if (!setAside(mainPath, QStringLiteral("daily-records"))) {
            m_writesBlocked = true;
            m_loadProblem += QStringLiteral("; it could not be moved aside, so changes are kept in memory only");
        } else {
            m_loadProblem += QStringLiteral("; moved to %1").arg(m_setAsidePaths.constLast());
        }
    } else {
        m_loadProblem = QStringLiteral("%1 is missing").arg(kFileName);
    }

    if (!backupExists) {
        m_loadProblem += QStringLiteral("; no backup to restore from, history starts empty");
    } else if (std::optional<DailyRecordMap> records = readFile(backup, &problem)) {
        m_records = std::move(*records);
        m_loadProblem += QStringLiteral("; history restored from %1").arg(kBackupFileName);
    } else {
        m_loadProblem += QStringLiteral("; %1 %2 too").arg(kBackupFileName, problem);
        if (setAside(backup, QStringLiteral("daily-records.backup"))) {
            m_loadProblem += QStringLiteral(" and was moved to %1").arg(m_setAsidePaths.constLast());
        } else {
            m_writesBlocked = true;
            m_loadProblem += QStringLiteral(" and could not be moved aside, so changes are kept in memory only");
        }
        m_loadProblem += QStringLiteral("; history starts empty");
    }
    qCWarning(lcStreak).noquote() << m_loadProblem;
}

void StreakTracker::save()
{
    m_lastWriteSucceeded = false;
    if (m_writesBlocked)
        return;
    const QByteArray bytes = encodeDailyRecords(m_records);
    if (!QDir().mkpath(m_directory))
        return;
    const QString mainPath = filePath();
    QFile previous(mainPath);
    if (previous.exists() && previous.open(QIODevice::ReadOnly)) {
        // The backup is replaced atomically, so there is always a complete
        // copy of the previous history, even if the process dies here. A
        // previous file that cannot be read whole leaves the backup alone.
        const QByteArray previousBytes = previous.readAll();
        const bool readWhole = previous.error() == QFileDevice::NoError && previousBytes.size() == previous.size();
        previous.close();
        if (!readWhole || !writeAtomically(backupPath(), previousBytes))
            qCWarning(lcStreak).noquote() << "could not back up" << kFileName;
    }
    m_lastWriteSucceeded = writeAtomically(mainPath, bytes);
    if (!m_lastWriteSucceeded)
        qCWarning(lcStreak).noquote() << "could not write" << kFileName << "- the records stay in memory";
}

QString StreakTracker::todayKey() const
{
    return LocalCalendar::utcDayKey(m_runtime.now());
}

DailyRecord &StreakTracker::today(CommitmentMode mode, bool *created)
{
    const QString key = todayKey();
    auto it = m_records.find(key);
    *created = it == m_records.end();
    if (*created)
        it = m_records.insert(key, DailyRecord::empty(key, mode));
    return it.value();
}

void StreakTracker::update(CommitmentMode mode, const std::function<void(DailyRecord &)> &change)
{
    bool created = false;
    change(today(mode, &created));
    save();
}

DailyRecord StreakTracker::todayRecord(CommitmentMode mode)
{
    bool created = false;
    const DailyRecord record = today(mode, &created);
    if (created)
        save();
    return record;
}

int StreakTracker::todayCompletedCount(CommitmentMode mode)
{
    return todayRecord(mode).sessionsCompleted;
}

int StreakTracker::todayDueCount(CommitmentMode mode)
{
    return todayRecord(mode).sessionsDue;
}

void StreakTracker::recordCompletion(CommitmentMode mode, BreakType breakType)
{
    update(mode, [breakType](DailyRecord &record) {
        ++record.sessionsCompleted;
        ++record.sessionsDue;
        switch (breakType) {
        case BreakType::micro:
            ++record.microBreaksCompleted;
            break;
        case BreakType::exerciseSnack:
            ++record.exerciseSnacksCompleted;
            break;
        case BreakType::extended:
            ++record.extendedBreaksCompleted;
            break;
        case BreakType::movement:
            break;
        }
    });
}

void StreakTracker::recordSkip(CommitmentMode mode)
{
    update(mode, [](DailyRecord &record) {
        ++record.sessionsSkipped;
        ++record.sessionsDue;
    });
}

void StreakTracker::recordEmergencyBypass(CommitmentMode mode)
{
    update(mode, [](DailyRecord &record) {
        ++record.emergencyBypasses;
        ++record.sessionsSkipped;
        ++record.sessionsDue;
    });
}

void StreakTracker::recordSnooze(CommitmentMode mode)
{
    update(mode, [](DailyRecord &record) { ++record.snoozesUsed; });
}

void StreakTracker::recordNaturalBreak(CommitmentMode mode)
{
    update(mode, [](DailyRecord &record) { ++record.naturalBreaksDetected; });
}

const DailyRecord *StreakTracker::recordFor(const QDate &utcDate) const
{
    const auto it = m_records.constFind(utcDate.toString(QStringLiteral("yyyy-MM-dd")));
    return it == m_records.cend() ? nullptr : &it.value();
}

QDate StreakTracker::todayUtcDate() const
{
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(m_runtime.now() * 1000.0)),
                                          QTimeZone::utc())
        .date();
}

int StreakTracker::currentStreak()
{
    QDate check = todayUtcDate();
    if (const DailyRecord *today = recordFor(check); today && today->sessionsDue > 0 && !today->streakContinues())
        return 0;
    int streak = 0;
    while (const DailyRecord *record = recordFor(check)) {
        if (record->sessionsDue > 0) {
            if (!record->streakContinues())
                break;
            ++streak;
        }
        check = check.addDays(-1);
    }
    return streak;
}

bool StreakTracker::streakAtRisk(CommitmentMode mode)
{
    const DailyRecord record = todayRecord(mode);
    const double rate = record.complianceRate();
    return record.sessionsDue > 0 && rate >= 0.5 && rate < 0.8;
}

QList<DailyRecord> StreakTracker::dailyRecords(int days)
{
    QList<DailyRecord> result;
    if (days <= 0)
        return result;
    const QDate today = todayUtcDate();
    for (int offset = days - 1; offset >= 0; --offset) {
        if (const DailyRecord *record = recordFor(today.addDays(-offset)))
            result.append(*record);
    }
    return result;
}

WeeklyStats StreakTracker::weeklyStats()
{
    WeeklyStats stats;
    const QDate today = todayUtcDate();
    double complianceSum = 0;
    int countedDays = 0;
    for (int offset = 0; offset < 7; ++offset) {
        if (const DailyRecord *record = recordFor(today.addDays(-offset)); record && record->sessionsDue > 0) {
            stats.completed += record->sessionsCompleted;
            stats.skipped += record->sessionsSkipped;
            complianceSum += record->complianceRate();
            ++countedDays;
        }
    }
    stats.avgCompliance = countedDays > 0 ? complianceSum / countedDays : 1.0;
    return stats;
}

} // namespace stirwell
