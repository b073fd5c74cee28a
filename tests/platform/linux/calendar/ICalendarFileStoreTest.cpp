#include "support/QtPrinters.h"

#include "platform/linux/calendar/ICalendarFileStore.h"
#include "platform/linux/calendar/LinuxCalendarStoreFactory.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/meetings/calendar/CalendarService.h"
#include "services/storage/PreferencesStore.h"
#include "support/TempXdg.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTemporaryDir>

namespace stirwell {
namespace {

using test::setModified;

const QTimeZone kBerlin("Europe/Berlin");
const QTimeZone kNewYork("America/New_York");

double at(const QTimeZone &zone, int y, int mo, int d, int h, int mi, int s = 0)
{
    return double(QDateTime(QDate(y, mo, d), QTime(h, mi, s), zone).toSecsSinceEpoch());
}

// Berlin changes to summer time on 2024-03-31, New York on 2024-03-10.
const QByteArray kWorkCalendar = R"(BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//Stirwell tests//EN
BEGIN:VEVENT
UID:standup@example.com
DTSTAMP:20240301T000000Z
DTSTART;TZID=Europe/Berlin:20240325T093000
DTEND;TZID=Europe/Berlin:20240325T094500
RRULE:FREQ=DAILY;COUNT=10
EXDATE;TZID=Europe/Berlin:20240328T093000
SUMMARY:Standup
END:VEVENT
BEGIN:VEVENT
UID:standup@example.com
DTSTAMP:20240301T000000Z
RECURRENCE-ID;TZID=Europe/Berlin:20240329T093000
DTSTART;TZID=Europe/Berlin:20240329T110000
DTEND;TZID=Europe/Berlin:20240329T111500
SUMMARY:Standup (moved)
END:VEVENT
BEGIN:VEVENT
UID:standup@example.com
DTSTAMP:20240301T000000Z
RECURRENCE-ID:20240327T083000Z
DTSTART;TZID=Europe/Berlin:20240327T093000
DTEND;TZID=Europe/Berlin:20240327T094500
STATUS:CANCELLED
SUMMARY:Standup
END:VEVENT
BEGIN:VEVENT
UID:holiday@example.com
DTSTAMP:20240301T000000Z
DTSTART;VALUE=DATE:20240401
DTEND;VALUE=DATE:20240402
SUMMARY:Easter Monday
END:VEVENT
BEGIN:VEVENT
UID:floating@example.com
DTSTAMP:20240301T000000Z
DTSTART:20240401T140000
DTEND:20240401T143000
SUMMARY:Floating focus time
END:VEVENT
BEGIN:VEVENT
UID:windows@example.com
DTSTAMP:20240301T000000Z
DTSTART;TZID=W. Europe Standard Time:20240410T150000
DTEND;TZID=W. Europe Standard Time:20240410T160000
SUMMARY:Outlook invite
END:VEVENT
END:VCALENDAR
)";

// Its own VTIMEZONE, as exports carry.
const QByteArray kOneOnOne = R"(BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//Stirwell tests//EN
BEGIN:VTIMEZONE
TZID:Eastern
BEGIN:DAYLIGHT
TZOFFSETFROM:-0500
TZOFFSETTO:-0400
DTSTART:20070311T020000
RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU
TZNAME:EDT
END:DAYLIGHT
BEGIN:STANDARD
TZOFFSETFROM:-0400
TZOFFSETTO:-0500
DTSTART:20071104T020000
RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU
TZNAME:EST
END:STANDARD
END:VTIMEZONE
BEGIN:VEVENT
UID:one-on-one@example.com
DTSTAMP:20240301T000000Z
DTSTART;TZID=Eastern:20240227T100000
DTEND;TZID=Eastern:20240227T110000
RRULE:FREQ=WEEKLY;BYDAY=TU
ATTENDEE;CN=Ann;PARTSTAT=ACCEPTED:mailto:ann@example.com
ATTENDEE;CN=Bo;PARTSTAT=ACCEPTED:mailto:bo@example.com
SUMMARY:1:1 Ann / Bo
END:VEVENT
END:VCALENDAR
)";

class ICalendarServiceTest : public ::testing::Test {
protected:
    ICalendarServiceTest()
    {
        // A vdirsyncer-style folder: one item per file, a folder per calendar,
        // with broken neighbours.
        test::writeFile(dir.path() + QStringLiteral("/vdir/work/standup.ics"), kWorkCalendar);
        test::writeFile(dir.path() + QStringLiteral("/vdir/personal/broken.ics"), QByteArrayLiteral("\x00\xff garbage"));
        test::writeFile(dir.path() + QStringLiteral("/vdir/personal/cut.ics"), kWorkCalendar.left(300));
        test::writeFile(dir.path() + QStringLiteral("/vdir/personal/hostile.ics"), QByteArrayLiteral(R"(BEGIN:VCALENDAR
BEGIN:VEVENT
UID:every-second
DTSTART:19700101T000000Z
DTEND:19700101T000001Z
RRULE:FREQ=SECONDLY;COUNT=2000000000
EXDATE;TZID=Nowhere/Nothing:garbage
SUMMARY:Hostile
END:VEVENT
END:VCALENDAR
)"));
        test::writeFile(dir.path() + QStringLiteral("/export.ics"), kOneOnOne);
        preferences.setBool(CalendarService::kOnboardingCompletedKey, true);
        preferences.setBool(CalendarService::kReadSystemCalendarsKey, false);
        CalendarService::setCalendarFilePaths(
            preferences, {dir.path() + QStringLiteral("/vdir"), dir.path() + QStringLiteral("/export.ics"),
                          dir.path() + QStringLiteral("/missing.ics")});
    }

    // A fresh service at the moment, as if the detector asked then.
    CalendarService &serviceAt(double moment)
    {
        // Cases go back and forth in time: set the wall clock.
        runtime.jumpWallClock(moment - runtime.now());
        service = std::make_unique<CalendarService>(runtime, preferences, factory);
        return *service;
    }

    QTemporaryDir dir;
    VirtualRuntime runtime{at(kBerlin, 2024, 2, 20, 0, 0), LocalCalendar(kBerlin)};
    PreferencesStore preferences;
    LinuxCalendarStoreFactory factory;
    std::unique_ptr<CalendarService> service;
};

TEST_F(ICalendarServiceTest, CurrentEventAcrossRecurrenceExceptionsAndDst)
{
    const struct {
        const char *name;
        double moment;
        std::optional<QString> current;
    } cases[] = {
        {"daily standup before DST", at(kBerlin, 2024, 3, 26, 9, 35), QStringLiteral("Standup")},
        {"an hour later it is over", at(kBerlin, 2024, 3, 26, 10, 35), std::nullopt},
        {"cancelled occurrence", at(kBerlin, 2024, 3, 27, 9, 35), std::nullopt},
        {"excluded date", at(kBerlin, 2024, 3, 28, 9, 35), std::nullopt},
        {"moved occurrence: not at its old time", at(kBerlin, 2024, 3, 29, 9, 35), std::nullopt},
        {"moved occurrence: at its new time", at(kBerlin, 2024, 3, 29, 11, 5), QStringLiteral("Standup (moved)")},
        {"after DST still 09:30 local", at(kBerlin, 2024, 4, 2, 9, 35), QStringLiteral("Standup")},
        {"after DST not at the old UTC time", at(kBerlin, 2024, 4, 2, 10, 35), std::nullopt},
        {"count ends the rule", at(kBerlin, 2024, 4, 4, 9, 35), std::nullopt},
        {"all-day event is never current", at(kBerlin, 2024, 4, 1, 12, 0), std::nullopt},
        {"floating time is local time", at(kBerlin, 2024, 4, 1, 14, 10), QStringLiteral("Floating focus time")},
        {"Windows zone name", at(kBerlin, 2024, 4, 10, 15, 30), QStringLiteral("Outlook invite")},
        {"weekly with own zone, after US DST", at(kNewYork, 2024, 3, 12, 10, 30), QStringLiteral("1:1 Ann / Bo")},
        {"weekly with own zone, before US DST", at(kNewYork, 2024, 3, 5, 10, 30), QStringLiteral("1:1 Ann / Bo")},
        {"weekly, wrong hour after US DST", at(kNewYork, 2024, 3, 12, 11, 30), std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<CalendarEvent> current = serviceAt(c.moment).currentEvent();
        EXPECT_EQ(current ? current->title : std::nullopt, c.current);
    }
}

TEST_F(ICalendarServiceTest, NextMeetingAndWalkingMeeting)
{
    EXPECT_EQ(serviceAt(at(kBerlin, 2024, 3, 31, 9, 10)).nextMeeting(1800),
              (UpcomingMeeting{at(kBerlin, 2024, 3, 31, 9, 30), QStringLiteral("Standup")}));
    // The moved occurrence is next at its new time, the old slot is empty.
    EXPECT_EQ(serviceAt(at(kBerlin, 2024, 3, 29, 9, 10)).nextMeeting(1800), std::nullopt);
    EXPECT_EQ(serviceAt(at(kBerlin, 2024, 3, 29, 10, 45)).nextMeeting(1800),
              (UpcomingMeeting{at(kBerlin, 2024, 3, 29, 11, 0), QStringLiteral("Standup (moved)")}));
    // The all-day event on April 1 is not a meeting; the floating one is.
    EXPECT_EQ(serviceAt(at(kBerlin, 2024, 4, 1, 13, 45)).nextMeeting(1800),
              (UpcomingMeeting{at(kBerlin, 2024, 4, 1, 14, 0), QStringLiteral("Floating focus time")}));

    const double oneOnOne = at(kNewYork, 2024, 3, 19, 10, 0);
    EXPECT_EQ(serviceAt(oneOnOne - 240).upcomingWalkingMeeting(),
              (WalkingMeetingCheck{QStringLiteral("one-on-one@example.com@%1").arg(qint64(oneOnOne)),
                                   QStringLiteral("1:1 Ann / Bo"), 2, 60, true}));
    // The 15-minute standup with no attendees does not qualify.
    const std::optional<WalkingMeetingCheck> standup = serviceAt(at(kBerlin, 2024, 4, 2, 9, 27)).upcomingWalkingMeeting();
    ASSERT_TRUE(standup);
    EXPECT_EQ(standup->attendeeCount, 0);
    EXPECT_EQ(standup->durationMinutes, 15);
    EXPECT_FALSE(standup->qualifies);
}

TEST_F(ICalendarServiceTest, FloatingTimesFollowTheUsersZone)
{
    runtime.setCalendar(LocalCalendar(QTimeZone::utc()));
    const std::optional<CalendarEvent> current = serviceAt(at(QTimeZone::utc(), 2024, 4, 1, 14, 10)).currentEvent();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->title, QStringLiteral("Floating focus time"));
}

TEST(ICalendarFileStoreTest, AllDayEventsSpanWholeLocalDays)
{
    const QList<CalendarEvent> events = ICalendarFileStore::eventsIn(
        kWorkCalendar, at(kBerlin, 2024, 4, 1, 0, 0), at(kBerlin, 2024, 4, 1, 23, 0), kBerlin);
    const auto holiday = std::find_if(events.begin(), events.end(), [](const CalendarEvent &e) {
        return e.title == QStringLiteral("Easter Monday");
    });
    ASSERT_NE(holiday, events.end());
    EXPECT_TRUE(holiday->isAllDay);
    EXPECT_EQ(holiday->start, at(kBerlin, 2024, 4, 1, 0, 0));
    EXPECT_EQ(holiday->end, at(kBerlin, 2024, 4, 2, 0, 0));
}

TEST(ICalendarFileStoreTest, BrokenInputsGiveNoEventsAndNeverCrash)
{
    const QTimeZone utc = QTimeZone::utc();
    for (qsizetype length = 0; length < kWorkCalendar.size(); length += 13)
        (void)ICalendarFileStore::eventsIn(kWorkCalendar.left(length), 0, 2e9, utc);
    const char *const hostile[] = {
        "",
        "BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:VCALENDAR\n",
        "BEGIN:VEVENT\nDTSTART:garbage\nRRULE:FREQ=DAILY\nEND:VEVENT\n",
        "BEGIN:VEVENT\nDTSTART:20240101T000000Z\nRRULE:FREQ=NONSENSE;INTERVAL=-3\nEND:VEVENT\n",
        "BEGIN:VEVENT\nDTSTART:20240101T000000Z\nRRULE:FREQ=MINUTELY;INTERVAL=0\nEND:VEVENT\n",
        "BEGIN:VEVENT\nDTSTART;VALUE=DATE:20240230\nDTEND;VALUE=DATE:20240101\nEND:VEVENT\n",
        "BEGIN:VEVENT\nDTSTART:99991231T235959Z\nDURATION:-P5000W\nEND:VEVENT\n",
        "BEGIN:VEVENT\nUID:x\nRECURRENCE-ID:20240101T000000Z\nEND:VEVENT\n",
    };
    for (const char *text : hostile) {
        SCOPED_TRACE(text);
        (void)ICalendarFileStore::eventsIn(QByteArray(text), 1.7e9, 1.72e9, utc);
    }
    SUCCEED();
}

TEST(ICalendarFileStoreTest, FilesAreReadAgainOnlyWhenTheyChange)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/cal.ics");
    test::writeFile(path, kWorkCalendar);
    ICalendarFileStore store(path);
    ASSERT_TRUE(store.requestAccess());
    const double from = at(kBerlin, 2024, 3, 26, 0, 0);
    const double to = at(kBerlin, 2024, 3, 27, 0, 0);
    EXPECT_EQ(store.eventsBetween(from, to, kBerlin).size(), 1);
    QByteArray renamed = kWorkCalendar;
    renamed.replace("SUMMARY:Standup\n", "SUMMARY:Daily\n");
    test::writeFile(path, renamed);
    setModified(path, 10);
    const QList<CalendarEvent> events = store.eventsBetween(from, to, kBerlin);
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].title, QStringLiteral("Daily"));
    EXPECT_FALSE(ICalendarFileStore(dir.path() + QStringLiteral("/none.ics")).requestAccess());
}

} // namespace
} // namespace stirwell
