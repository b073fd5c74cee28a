#include "runtime/LocalCalendar.h"

#include <QDateTime>
#include <QTimeZone>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;

namespace {
double utc(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toMSecsSinceEpoch() / 1000.0;
}

struct DstCase {
    const char *name;
    const char *zone;
    const char *moment;        // a UTC instant shortly after a DST change
    int hour;                  // local hour of that instant
    double hoursInPreviousDay; // moment - oneDayEarlier(moment)
    const char *startOfDayUtc;
};

class LocalCalendarDst : public ::testing::TestWithParam<DstCase> {};
} // namespace

TEST_P(LocalCalendarDst, AnswersAcrossTheChange)
{
    const DstCase &c = GetParam();
    const LocalCalendar calendar = LocalCalendar::fromIanaName(QString::fromLatin1(c.zone));
    const double moment = utc(c.moment);
    EXPECT_EQ(calendar.hourOfDay(moment), c.hour);
    EXPECT_DOUBLE_EQ((moment - calendar.oneDayEarlier(moment)) / 3600.0, c.hoursInPreviousDay);
    EXPECT_DOUBLE_EQ(calendar.startOfDay(moment), utc(c.startOfDayUtc));
    EXPECT_EQ(calendar.localDateTime(calendar.oneDayEarlier(moment)).time(),
              calendar.localDateTime(moment).time());
}

INSTANTIATE_TEST_SUITE_P(
    Zones, LocalCalendarDst,
    ::testing::Values(
        // Berlin springs forward on 2026-03-29 at 02:00 CET -> 03:00 CEST.
        DstCase{"BerlinSpring", "Europe/Berlin", "2026-03-29T10:00:00Z", 12, 23, "2026-03-28T23:00:00Z"},
        // ... and falls back on 2026-10-25 at 03:00 CEST -> 02:00 CET.
        DstCase{"BerlinAutumn", "Europe/Berlin", "2026-10-25T11:00:00Z", 12, 25, "2026-10-24T22:00:00Z"},
        // New York springs forward on 2026-03-08, falls back on 2026-11-01.
        DstCase{"NewYorkSpring", "America/New_York", "2026-03-08T16:00:00Z", 12, 23, "2026-03-08T05:00:00Z"},
        DstCase{"NewYorkAutumn", "America/New_York", "2026-11-01T17:00:00Z", 12, 25, "2026-11-01T04:00:00Z"},
        // Tokyo has no DST.
        DstCase{"Tokyo", "Asia/Tokyo", "2026-03-29T03:00:00Z", 12, 24, "2026-03-28T15:00:00Z"}),
    [](const ::testing::TestParamInfo<DstCase> &p) { return std::string(p.param.name); });

TEST(LocalCalendar, DayKeyIsTheUtcDate)
{
    // 23:30 in New York on 10 March is already 11 March in UTC.
    const LocalCalendar ny = LocalCalendar::fromIanaName(QStringLiteral("America/New_York"));
    const double moment = utc("2026-03-11T03:30:00Z");
    EXPECT_EQ(ny.localDate(moment), QDate(2026, 3, 10));
    EXPECT_EQ(LocalCalendar::utcDayKey(moment), QStringLiteral("2026-03-11"));
}

TEST(LocalCalendar, DayTokenIsStartOfLocalDaySinceTwoThousandOne)
{
    const LocalCalendar utcCal(QTimeZone::utc());
    EXPECT_EQ(utcCal.dayToken(utc("2001-01-01T15:00:00Z")), 0);
    EXPECT_EQ(utcCal.dayToken(utc("2001-01-02T00:00:00Z")), 86400);
    const LocalCalendar tokyo = LocalCalendar::fromIanaName(QStringLiteral("Asia/Tokyo"));
    // Local 2026-12-11 in Tokyo starts at 2026-12-10T15:00:00Z.
    EXPECT_EQ(tokyo.dayToken(utc("2026-12-11T03:00:00Z")),
              static_cast<qint64>(utc("2026-12-10T15:00:00Z") - kReferenceDateOffset));
}

TEST(LocalCalendar, UnknownZoneFallsBackToUtc)
{
    const LocalCalendar calendar = LocalCalendar::fromIanaName(QStringLiteral("Mars/Olympus_Mons"));
    EXPECT_EQ(calendar.hourOfDay(utc("2026-06-01T07:00:00Z")), 7);
}

TEST(LocalCalendar, MomentOfALocalTime)
{
    const LocalCalendar berlin = LocalCalendar::fromIanaName(QStringLiteral("Europe/Berlin"));
    EXPECT_DOUBLE_EQ(berlin.moment(QDate(2026, 7, 1), 9, 30), utc("2026-07-01T07:30:00Z"));
    EXPECT_EQ(berlin.minuteOfDay(utc("2026-07-01T07:30:00Z")), 9 * 60 + 30);
}
