#pragma once

#include "models/UpcomingMeeting.h"
#include "services/meetings/calendar/CalendarEvent.h"
#include "services/meetings/calendar/CalendarStore.h"
#include "models/WalkingMeetingCheck.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace stirwell {

class PreferencesStore;
class Runtime;

// Answers the meeting detector's calendar questions: is a timed event on now,
// which timed event starts next, and does the one starting within five
// minutes suit a walking meeting. Reads, never writes.
//
// No calendar is touched before onboarding is complete ("onboardingCompleted"),
// so the user is never asked about calendars before being told why. Which
// calendars are read is a preference: the desktop's calendar store unless
// switched off, plus any iCalendar files and folders the user added. A
// calendar that fails gives nothing and never keeps the others from
// answering.
//
// The events around now are fetched at most once a minute and kept in memory
// in between, so the detector's frequent questions cost no calendar reads.
// All time comes from the runtime. Calls run on the caller's thread and
// block for at most one store read.
class CalendarService : public QObject {
    Q_OBJECT
public:
    static inline const QString kOnboardingCompletedKey = QStringLiteral("onboardingCompleted");
    // Boolean, true when absent: read the desktop's calendar store.
    static inline const QString kReadSystemCalendarsKey = QStringLiteral("calendarReadSystemStore");
    // String: a JSON array of paths of iCalendar files or folders.
    static inline const QString kCalendarFilePathsKey = QStringLiteral("calendarFilePaths");

    // How long fetched events answer questions before they are fetched anew,
    // and how long a store that refused is left alone before it is asked again.
    static constexpr double kRefreshInterval = 60;

    CalendarService(Runtime &runtime, PreferencesStore &preferences, CalendarStoreFactory &factory,
                    QObject *parent = nullptr);
    ~CalendarService() override;

    [[nodiscard]] bool hasCurrentCalendarEvent();
    // The first timed event (in store order) with start <= now <= end.
    [[nodiscard]] std::optional<CalendarEvent> currentEvent();
    // The timed event starting soonest in (now, now + within]; on equal
    // starts the one the stores list first.
    [[nodiscard]] std::optional<UpcomingMeeting> nextMeeting(double within);
    // The next timed event within five minutes, as a walking-meeting check;
    // nothing when there is none or it has no title.
    [[nodiscard]] std::optional<WalkingMeetingCheck> upcomingWalkingMeeting();

    [[nodiscard]] bool hasAccess() const { return m_hasAccess; }

    // Two or three distinct attendees and at least 30 minutes.
    [[nodiscard]] static bool isWalkingMeetingCandidate(int attendeeCount, double durationSeconds);
    // The identifier (or, without one, the title), "@", and the start in whole
    // seconds since the Unix epoch.
    [[nodiscard]] static QString walkingMeetingID(const std::optional<QString> &eventIdentifier, const QString &title,
                                                  double start);
    [[nodiscard]] static int distinctAttendeeCount(const std::optional<QStringList> &attendees);
    [[nodiscard]] static int distinctCount(const QList<std::optional<QString>> &values);

    // The file paths stored under kCalendarFilePathsKey; anything unreadable
    // reads as none.
    [[nodiscard]] static QStringList calendarFilePaths(const PreferencesStore &preferences);
    static void setCalendarFilePaths(PreferencesStore &preferences, const QStringList &paths);

private:
    struct Source {
        std::unique_ptr<CalendarStore> store;
        bool granted = false;
    };

    [[nodiscard]] bool ensureAccess();
    void buildSources();
    [[nodiscard]] QList<CalendarEvent> eventsBetween(double start, double end);
    [[nodiscard]] std::optional<CalendarEvent> earliestUpcoming(double within);
    void onPreferenceChanged(const QString &key);

    Runtime &m_runtime;
    PreferencesStore &m_preferences;
    CalendarStoreFactory &m_factory;
    std::vector<Source> m_sources;
    bool m_sourcesBuilt = false;
    bool m_hasAccess = false;
    std::optional<double> m_lastAccessRequest; // monotonic

    // Events overlapping [m_cachedFrom, m_cachedTo], fetched at m_cachedAt.
    std::optional<double> m_cachedAt; // monotonic
    double m_cachedFrom = 0;
    double m_cachedTo = 0;
    QList<CalendarEvent> m_cached;
};

} // namespace stirwell
