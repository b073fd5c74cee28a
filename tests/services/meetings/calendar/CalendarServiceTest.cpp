#include "support/QtPrinters.h"

#include "runtime/virtual/VirtualRuntime.h"
#include "services/meetings/calendar/CalendarService.h"
#include "services/storage/PreferencesStore.h"

#include <gtest/gtest.h>

namespace stirwell {
namespace {

// A store that answers from a list, in list order, and counts its use.
class FakeStore final : public CalendarStore {
public:
    bool requestAccess() override
    {
        ++accessRequests;
        return grants;
    }
    QList<CalendarEvent> eventsBetween(double start, double end, const QTimeZone &) override
    {
        ++reads;
        QList<CalendarEvent> overlapping;
        for (const CalendarEvent &event : events) {
            if (event.start <= end && event.end >= start)
                overlapping.append(event);
        }
        return overlapping;
    }

    bool grants = true;
    QList<CalendarEvent> events;
    int accessRequests = 0;
    int reads = 0;
};

class FakeFactory final : public CalendarStoreFactory {
public:
    std::unique_ptr<CalendarStore> createSystemStore() override { return take(system); }
    std::unique_ptr<CalendarStore> createFileStore(const QString &path) override
    {
        createdFiles.append(path);
        return take(files.value(path));
    }

    // The stores stay reachable through these pointers after being handed over.
    FakeStore *system = nullptr;
    QHash<QString, FakeStore *> files;
    QStringList createdFiles;
    std::vector<std::unique_ptr<FakeStore>> owned;

    FakeStore *make()
    {
        owned.push_back(std::make_unique<FakeStore>());
        return owned.back().get();
    }

private:
    std::unique_ptr<CalendarStore> take(FakeStore *store)
    {
        if (!store)
            return nullptr;
        // Hand out a forwarding store so the test keeps the original.
        struct Forward final : CalendarStore {
            explicit Forward(FakeStore *s) : target(s) {}
            bool requestAccess() override { return target->requestAccess(); }
            QList<CalendarEvent> eventsBetween(double a, double b, const QTimeZone &z) override
            {
                return target->eventsBetween(a, b, z);
            }
            FakeStore *target;
        };
        return std::make_unique<Forward>(store);
    }
};

// 2024-06-11 10:00:00 UTC.
constexpr double kTen = 1718100000;

CalendarEvent timed(double start, double end, const char *title, QStringList attendees = {}, const char *id = nullptr)
{
    CalendarEvent event;
    event.start = start;
    event.end = end;
    if (title)
        event.title = QString::fromUtf8(title);
    if (id)
        event.eventIdentifier = QString::fromUtf8(id);
    if (!attendees.isEmpty())
        event.attendees = attendees;
    return event;
}

class CalendarServiceTest : public ::testing::Test {
protected:
    CalendarServiceTest()
    {
        factory.system = factory.make();
        preferences.setBool(CalendarService::kOnboardingCompletedKey, true);
    }

    VirtualRuntime runtime{kTen - 3600, LocalCalendar(QTimeZone::utc())};
    PreferencesStore preferences;
    FakeFactory factory;
    std::unique_ptr<CalendarService> service = std::make_unique<CalendarService>(runtime, preferences, factory);
    FakeStore &store() { return *factory.system; }
};

TEST_F(CalendarServiceTest, NothingIsAskedBeforeOnboardingIsComplete)
{
    preferences.setBool(CalendarService::kOnboardingCompletedKey, false);
    store().events = {timed(kTen - 3600, kTen, "Now", {}, "a")};
    EXPECT_FALSE(service->hasCurrentCalendarEvent());
    EXPECT_EQ(service->currentEvent(), std::nullopt);
    EXPECT_EQ(service->nextMeeting(1800), std::nullopt);
    EXPECT_EQ(service->upcomingWalkingMeeting(), std::nullopt);
    EXPECT_EQ(store().accessRequests, 0);
    EXPECT_EQ(store().reads, 0);
    EXPECT_FALSE(service->hasAccess());

    preferences.setBool(CalendarService::kOnboardingCompletedKey, true);
    EXPECT_TRUE(service->hasCurrentCalendarEvent());
    EXPECT_TRUE(service->hasAccess());
    EXPECT_EQ(store().accessRequests, 1);
}

TEST_F(CalendarServiceTest, CurrentEventIncludesItsEndSecond)
{
    store().events = {timed(kTen, kTen + 1800, "Review")};
    const struct {
        double at;
        bool current;
    } cases[] = {{kTen - 1, false}, {kTen, true}, {kTen + 1800, true}, {kTen + 1801, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.at - kTen);
        runtime.advanceTo(c.at);
        EXPECT_EQ(service->hasCurrentCalendarEvent(), c.current);
    }
}

TEST_F(CalendarServiceTest, AllDayEventsAreNeverCurrentNorNext)
{
    CalendarEvent holiday = timed(kTen - 36000, kTen + 50400, "Holiday");
    holiday.isAllDay = true;
    CalendarEvent tomorrow = timed(kTen + 60, kTen + 86460, "Offsite");
    tomorrow.isAllDay = true;
    store().events = {holiday, tomorrow};
    runtime.advanceTo(kTen);
    EXPECT_EQ(service->currentEvent(), std::nullopt);
    EXPECT_EQ(service->nextMeeting(1800), std::nullopt);
    EXPECT_EQ(service->upcomingWalkingMeeting(), std::nullopt);
}

TEST_F(CalendarServiceTest, NextMeetingStartsStrictlyLaterAndEarliestWins)
{
    store().events = {timed(kTen - 1, kTen + 600, "Started a second ago"), timed(kTen + 900, kTen + 1200, "Later"),
                      timed(kTen + 1, kTen + 600, "In one second")};
    runtime.advanceTo(kTen);
    EXPECT_EQ(service->nextMeeting(1800), (UpcomingMeeting{kTen + 1, QStringLiteral("In one second")}));
    EXPECT_EQ(service->nextMeeting(0.5), std::nullopt);
    // Beyond the window: nothing.
    store().events = {timed(kTen + 1801, kTen + 3600, "Too late")};
    service = std::make_unique<CalendarService>(runtime, preferences, factory);
    EXPECT_EQ(service->nextMeeting(1800), std::nullopt);
}

TEST_F(CalendarServiceTest, EqualStartsGoToTheFirstInStoreOrder)
{
    FakeStore *file = factory.make();
    factory.files.insert(QStringLiteral("/cal.ics"), file);
    CalendarService::setCalendarFilePaths(preferences, {QStringLiteral("/cal.ics")});
    store().events = {timed(kTen + 600, kTen + 1200, "From the desktop store")};
    file->events = {timed(kTen + 600, kTen + 1200, "From the file")};
    runtime.advanceTo(kTen);
    EXPECT_EQ(service->nextMeeting(1800)->title, QStringLiteral("From the desktop store"));
    // Without a title the meeting is still reported, untitled.
    store().events = {timed(kTen + 300, kTen + 1200, nullptr)};
    runtime.advance(CalendarService::kRefreshInterval);
    EXPECT_EQ(service->nextMeeting(1800), (UpcomingMeeting{kTen + 300, std::nullopt}));
}

TEST_F(CalendarServiceTest, WalkingMeetingChecks)
{
    const QString a = QStringLiteral("mailto:a@example.com");
    const QString b = QStringLiteral("mailto:b@example.com");
    const QString c = QStringLiteral("mailto:c@example.com");
    const QString d = QStringLiteral("mailto:d@example.com");
    const struct {
        const char *name;
        CalendarEvent event;
        std::optional<WalkingMeetingCheck> expected;
    } cases[] = {
        {"30 minutes, two attendees", timed(kTen + 120, kTen + 1920, "Sync", {a, b}, "ev1"),
         WalkingMeetingCheck{QStringLiteral("ev1@1718100120"), QStringLiteral("Sync"), 2, 30, true}},
        {"one attendee listed twice", timed(kTen + 120, kTen + 1920, "Sync", {a, a}, "ev1"),
         WalkingMeetingCheck{QStringLiteral("ev1@1718100120"), QStringLiteral("Sync"), 1, 30, false}},
        {"29 minutes, three attendees", timed(kTen + 120, kTen + 1860, "Sync", {a, b, c}, "ev1"),
         WalkingMeetingCheck{QStringLiteral("ev1@1718100120"), QStringLiteral("Sync"), 3, 29, false}},
        {"four attendees", timed(kTen + 120, kTen + 3720, "All hands", {a, b, c, d}),
         WalkingMeetingCheck{QStringLiteral("All hands@1718100120"), QStringLiteral("All hands"), 4, 60, false}},
        {"no title", timed(kTen + 120, kTen + 1920, nullptr, {a, b}), std::nullopt},
        {"starts in more than five minutes", timed(kTen + 301, kTen + 2200, "Sync", {a, b}), std::nullopt},
    };
    for (const auto &c2 : cases) {
        SCOPED_TRACE(c2.name);
        store().events = {c2.event};
        service = std::make_unique<CalendarService>(runtime, preferences, factory);
        runtime.advanceTo(kTen);
        EXPECT_EQ(service->upcomingWalkingMeeting(), c2.expected);
    }
}

TEST(CalendarServiceStaticsTest, IdentifiersAndCounts)
{
    EXPECT_EQ(CalendarService::walkingMeetingID(std::nullopt, QStringLiteral("Standup"), 100.9),
              QStringLiteral("Standup@100"));
    EXPECT_EQ(CalendarService::walkingMeetingID(QStringLiteral("uid-1"), QStringLiteral("Standup"), 1718100000.2),
              QStringLiteral("uid-1@1718100000"));
    EXPECT_EQ(CalendarService::distinctAttendeeCount(std::nullopt), 0);
    EXPECT_EQ(CalendarService::distinctCount({QStringLiteral("a"), std::nullopt, QStringLiteral("a"), QStringLiteral("b")}),
              2);
    EXPECT_TRUE(CalendarService::isWalkingMeetingCandidate(3, 1800));
    EXPECT_FALSE(CalendarService::isWalkingMeetingCandidate(1, 3600));
    EXPECT_FALSE(CalendarService::isWalkingMeetingCandidate(2, 1799.9));
}

TEST_F(CalendarServiceTest, EventsAreFetchedAtMostOnceAMinute)
{
    store().events = {timed(kTen + 120, kTen + 1920, "Sync")};
    runtime.advanceTo(kTen);
    for (int i = 0; i < 12; ++i) {
        (void)service->hasCurrentCalendarEvent();
        (void)service->nextMeeting(1800);
        (void)service->upcomingWalkingMeeting();
        runtime.advance(4);
    }
    EXPECT_EQ(store().reads, 1);
    runtime.advance(20);
    EXPECT_TRUE(service->nextMeeting(1800));
    EXPECT_EQ(store().reads, 2);
}

TEST_F(CalendarServiceTest, ARefusingStoreDoesNotBlockTheOthersAndIsAskedAgainLater)
{
    store().grants = false;
    FakeStore *file = factory.make();
    factory.files.insert(QStringLiteral("/work.ics"), file);
    file->events = {timed(kTen - 60, kTen + 60, "From the file")};
    CalendarService::setCalendarFilePaths(preferences, {QStringLiteral("/work.ics")});
    runtime.advanceTo(kTen);
    EXPECT_EQ(service->currentEvent()->title, QStringLiteral("From the file"));
    EXPECT_EQ(store().reads, 0);
    EXPECT_EQ(store().accessRequests, 1);
    (void)service->currentEvent();
    EXPECT_EQ(store().accessRequests, 1);
    store().grants = true;
    runtime.advance(CalendarService::kRefreshInterval);
    (void)service->currentEvent();
    EXPECT_EQ(store().accessRequests, 2);
    EXPECT_EQ(store().reads, 1);
}

TEST_F(CalendarServiceTest, TheChosenCalendarsArePreferences)
{
    // Hand-edited nonsense reads as no files.
    preferences.setString(CalendarService::kCalendarFilePathsKey, QStringLiteral("{not json"));
    EXPECT_TRUE(CalendarService::calendarFilePaths(preferences).isEmpty());
    preferences.setInt(CalendarService::kCalendarFilePathsKey, 7);
    EXPECT_TRUE(CalendarService::calendarFilePaths(preferences).isEmpty());

    FakeStore *file = factory.make();
    factory.files.insert(QStringLiteral("/a.ics"), file);
    file->events = {timed(kTen - 60, kTen + 60, "File")};
    store().events = {timed(kTen - 60, kTen + 60, "Desktop")};
    runtime.advanceTo(kTen);
    EXPECT_EQ(service->currentEvent()->title, QStringLiteral("Desktop"));

    preferences.setBool(CalendarService::kReadSystemCalendarsKey, false);
    CalendarService::setCalendarFilePaths(preferences, {QStringLiteral("/a.ics"), QStringLiteral("/a.ics")});
    EXPECT_EQ(service->currentEvent()->title, QStringLiteral("File"));
    EXPECT_EQ(factory.createdFiles, QStringList{QStringLiteral("/a.ics")});
}

TEST(UpcomingMeetingTest, DisplayLabel)
{
    const double now = kTen;
    EXPECT_EQ(UpcomingMeeting(now + 30, QStringLiteral("Sync")).displayLabel(now), std::nullopt);
    EXPECT_EQ(UpcomingMeeting(now + 12 * 60, QStringLiteral("An exceedingly long title here")).displayLabel(now),
              QStringLiteral("An exceedingly long titl\u2026 in 12 min"));
    EXPECT_EQ(UpcomingMeeting(now + 12 * 60 + 59, QStringLiteral("Twenty-five characters ok")).displayLabel(now),
              QStringLiteral("Twenty-five characters ok in 12 min"));
    EXPECT_EQ(UpcomingMeeting(now + 60, QStringLiteral(" \n ")).displayLabel(now), QStringLiteral("Meeting in 1 min"));
    EXPECT_EQ(UpcomingMeeting(now + 60, std::nullopt).displayLabel(now), QStringLiteral("Meeting in 1 min"));
}

} // namespace
} // namespace stirwell
