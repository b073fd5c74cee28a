#include "runtime/virtual/VirtualRuntime.h"
#include "services/habits/DailyCommitment.h"
#include "services/storage/FilePreferencesStore.h"
#include "services/storage/PreferencesStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;

namespace {

const LocalCalendar kBerlin = LocalCalendar::fromIanaName(QStringLiteral("Europe/Berlin"));

DailyCommitment commitment(CommitmentMode mode, const char *date, int hour, double at)
{
    DailyCommitment c;
    c.mode = mode;
    c.date = QString::fromLatin1(date);
    c.lockedUntilHour = hour;
    c.committedAt = at;
    return c;
}

} // namespace

TEST(DailyCommitment, RoundTripsThroughAFileBackedStore)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/preferences.json");
    VirtualRuntime runtime(kBerlin.moment(QDate(2025, 3, 7), 10, 15), kBerlin);
    const DailyCommitment made = commitment(CommitmentMode::warrior, "2025-03-07", 18, runtime.now() + 0.25);
    {
        FilePreferencesStore preferences(file);
        DailyCommitment::save(made, preferences);
    }
    FilePreferencesStore preferences(file);
    EXPECT_EQ(DailyCommitment::load(preferences), made);
    EXPECT_EQ(DailyCommitment::loadToday(preferences, runtime), made);

    // The stored JSON: the mode by its raw value, the moment in seconds
    // since 2001-01-01 UTC.
    const QJsonObject json = QJsonDocument::fromJson(*preferences.bytesValue(QStringLiteral("dailyCommitment"))).object();
    EXPECT_EQ(json.value(QLatin1String("mode")).toString(), QStringLiteral("warrior"));
    EXPECT_EQ(json.value(QLatin1String("date")).toString(), QStringLiteral("2025-03-07"));
    EXPECT_EQ(json.value(QLatin1String("lockedUntilHour")).toInt(), 18);
    EXPECT_DOUBLE_EQ(json.value(QLatin1String("committedAt")).toDouble(), made.committedAt - kReferenceDateOffset);
}

TEST(DailyCommitment, UndecodableOrForeignDataReadsAsNone)
{
    const char *bad[] = {
        "",
        "{}",
        "[1]",
        R"({"mode":"heroic","date":"2025-03-07","lockedUntilHour":18,"committedAt":1})",
        R"({"mode":"normal","date":"2025-03-07","lockedUntilHour":"18","committedAt":1})",
        R"({"mode":"normal","date":"2025-03-07","lockedUntilHour":18.5,"committedAt":1})",
        R"({"mode":"normal","date":"2025-03-07","lockedUntilHour":18})",
        R"({"mode":"normal","lockedUntilHour":18,"committedAt":1})",
    };
    for (const char *bytes : bad) {
        SCOPED_TRACE(bytes);
        PreferencesStore preferences;
        preferences.setBytes(QStringLiteral("dailyCommitment"), QByteArray(bytes));
        EXPECT_EQ(DailyCommitment::load(preferences), std::nullopt);
    }
    PreferencesStore preferences;
    EXPECT_EQ(DailyCommitment::load(preferences), std::nullopt);
    // A value of another type under the key.
    preferences.setString(QStringLiteral("dailyCommitment"), QStringLiteral("warrior"));
    EXPECT_EQ(DailyCommitment::load(preferences), std::nullopt);
    // Key order does not matter; extra keys are ignored.
    preferences.setBytes(QStringLiteral("dailyCommitment"),
                         R"({"committedAt":5.5,"extra":true,"lockedUntilHour":20,"date":"2025-03-07","mode":"gentle"})");
    EXPECT_EQ(DailyCommitment::load(preferences),
              commitment(CommitmentMode::gentle, "2025-03-07", 20, 5.5 + kReferenceDateOffset));
}

TEST(DailyCommitment, LockedUntilTheLocalHourOnItsUtcDayOnly)
{
    struct Case {
        const char *what;
        const char *zone;
        QDate localDate;
        int hour;
        int minute;
        const char *committedDate;
        bool locked;
        bool isToday;
    };
    const Case cases[] = {
        {"Berlin, morning", "Europe/Berlin", QDate(2025, 3, 7), 10, 0, "2025-03-07", true, true},
        {"Berlin, 17:59", "Europe/Berlin", QDate(2025, 3, 7), 17, 59, "2025-03-07", true, true},
        {"Berlin, 18:00", "Europe/Berlin", QDate(2025, 3, 7), 18, 0, "2025-03-07", false, true},
        {"yesterday's commitment", "Europe/Berlin", QDate(2025, 3, 8), 10, 0, "2025-03-07", false, false},
        // East of UTC: committed just after local midnight on the 8th, the
        // commitment carries the UTC date of the 7th and stops counting as
        // today's at 09:00 local, when the UTC date turns.
        {"Tokyo 00:30", "Asia/Tokyo", QDate(2025, 3, 8), 0, 30, "2025-03-07", true, true},
        {"Tokyo 09:00", "Asia/Tokyo", QDate(2025, 3, 8), 9, 0, "2025-03-07", false, false},
        // West of UTC: the UTC date turns at 16:00 local (PST).
        {"Los Angeles 15:59", "America/Los_Angeles", QDate(2025, 3, 7), 15, 59, "2025-03-07", true, true},
        {"Los Angeles 16:00", "America/Los_Angeles", QDate(2025, 3, 7), 16, 0, "2025-03-07", false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const LocalCalendar calendar = LocalCalendar::fromIanaName(QString::fromLatin1(c.zone));
        VirtualRuntime runtime(calendar.moment(c.localDate, c.hour, c.minute), calendar);
        PreferencesStore preferences;
        const DailyCommitment stored = commitment(CommitmentMode::normal, c.committedDate, 18, 0);
        DailyCommitment::save(stored, preferences);
        EXPECT_EQ(stored.isLocked(runtime), c.locked);
        EXPECT_EQ(DailyCommitment::loadToday(preferences, runtime).has_value(), c.isToday);
    }
}

TEST(DailyCommitment, LockHourPreference)
{
    struct Case {
        std::optional<qint64> stored;
        int hour;
    };
    for (const Case &c : {Case{std::nullopt, 18}, Case{0, 18}, Case{20, 20}, Case{15, 15}, Case{-3, 18}, Case{99, 18}}) {
        SCOPED_TRACE(c.stored.value_or(-999));
        PreferencesStore preferences;
        if (c.stored)
            preferences.setInt(QStringLiteral("lockUntilHour"), *c.stored);
        EXPECT_EQ(DailyCommitment::lockUntilHourPreference(preferences), c.hour);
    }
}
