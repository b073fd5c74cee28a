#include "services/meetings/calendar/CalendarService.h"

#include "runtime/Runtime.h"
#include "services/storage/PreferencesStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace stirwell {

namespace {
// What one fetch covers around now: enough for the current event (±60 s)
// and the next meeting within the detector's half hour, with room to spare
// for the minute the fetch is reused.
constexpr double kFetchBefore = 120;
constexpr double kFetchAfter = 2 * 3600;
constexpr double kCurrentSlack = 60;
constexpr double kWalkingMeetingWindow = 300;
} // namespace

CalendarService::CalendarService(Runtime &runtime, PreferencesStore &preferences, CalendarStoreFactory &factory,
                                 QObject *parent)
    : QObject(parent)
    , m_runtime(runtime)
    , m_preferences(preferences)
    , m_factory(factory)
{
    connect(&m_preferences, &PreferencesStore::changed, this, &CalendarService::onPreferenceChanged);
}

CalendarService::~CalendarService() = default;

void CalendarService::onPreferenceChanged(const QString &key)
{
    if (key != kReadSystemCalendarsKey && key != kCalendarFilePathsKey)
        return;
    // The chosen calendars changed: rebuild them at the next question.
    m_sources.clear();
    m_sourcesBuilt = false;
    m_lastAccessRequest.reset();
    m_cachedAt.reset();
}

void CalendarService::buildSources()
{
    m_sourcesBuilt = true;
    if (m_preferences.boolValue(kReadSystemCalendarsKey).value_or(true)) {
        if (auto store = m_factory.createSystemStore())
            m_sources.push_back({std::move(store), false});
    }
    for (const QString &path : calendarFilePaths(m_preferences)) {
        if (auto store = m_factory.createFileStore(path))
            m_sources.push_back({std::move(store), false});
    }
}

bool CalendarService::ensureAccess()
{
    if (!m_preferences.boolValue(kOnboardingCompletedKey).value_or(false))
        return false;
    if (!m_sourcesBuilt)
        buildSources();
    const bool allGranted =
        std::all_of(m_sources.begin(), m_sources.end(), [](const Source &source) { return source.granted; });
    const double now = m_runtime.monotonic();
    if (!allGranted && (!m_lastAccessRequest || now - *m_lastAccessRequest >= kRefreshInterval)) {
        m_lastAccessRequest = now;
        bool newlyGranted = false;
        for (Source &source : m_sources) {
            if (!source.granted && source.store->requestAccess()) {
                source.granted = true;
                newlyGranted = true;
            }
        }
        if (newlyGranted)
            m_cachedAt.reset();
    }
    m_hasAccess = m_hasAccess ||
                  std::any_of(m_sources.begin(), m_sources.end(), [](const Source &source) { return source.granted; });
    return m_hasAccess;
}

QList<CalendarEvent> CalendarService::eventsBetween(double start, double end)
{
    const double now = m_runtime.now();
    const bool fresh = m_cachedAt && m_runtime.monotonic() - *m_cachedAt < kRefreshInterval &&
                       start >= m_cachedFrom && end <= m_cachedTo;
    if (!fresh) {
        m_cachedFrom = std::min(start, now - kFetchBefore);
        m_cachedTo = std::max(end, now + kFetchAfter);
        m_cached.clear();
        const QTimeZone &zone = m_runtime.calendar().timeZone();
        for (Source &source : m_sources) {
            if (source.granted)
                m_cached += source.store->eventsBetween(m_cachedFrom, m_cachedTo, zone);
        }
        m_cachedAt = m_runtime.monotonic();
    }
    QList<CalendarEvent> overlapping;
    for (const CalendarEvent &event : std::as_const(m_cached)) {
        if (event.start <= end && event.end >= start)
            overlapping.append(event);
    }
    return overlapping;
}

bool CalendarService::hasCurrentCalendarEvent()
{
    return currentEvent().has_value();
}

std::optional<CalendarEvent> CalendarService::currentEvent()
{
    if (!ensureAccess())
        return std::nullopt;
    const double now = m_runtime.now();
    for (const CalendarEvent &event : eventsBetween(now - kCurrentSlack, now + kCurrentSlack)) {
        if (!event.isAllDay && event.start <= now && event.end >= now)
            return event;
    }
    return std::nullopt;
}

std::optional<CalendarEvent> CalendarService::earliestUpcoming(double within)
{
    const double now = m_runtime.now();
    std::optional<CalendarEvent> earliest;
    for (const CalendarEvent &event : eventsBetween(now, now + within)) {
        if (event.isAllDay || event.start <= now || event.start > now + within)
            continue;
        if (!earliest || event.start < earliest->start)
            earliest = event;
    }
    return earliest;
}

std::optional<UpcomingMeeting> CalendarService::nextMeeting(double within)
{
    if (!ensureAccess())
        return std::nullopt;
    const std::optional<CalendarEvent> event = earliestUpcoming(within);
    if (!event)
        return std::nullopt;
    return UpcomingMeeting{event->start, event->title};
}

std::optional<WalkingMeetingCheck> CalendarService::upcomingWalkingMeeting()
{
    if (!ensureAccess())
        return std::nullopt;
    const std::optional<CalendarEvent> event = earliestUpcoming(kWalkingMeetingWindow);
    if (!event || !event->title)
        return std::nullopt;
    const int attendeeCount = distinctAttendeeCount(event->attendees);
    const double durationSeconds = event->end - event->start;
    return WalkingMeetingCheck{walkingMeetingID(event->eventIdentifier, *event->title, event->start), *event->title,
                               attendeeCount, static_cast<int>(std::trunc(durationSeconds / 60.0)),
                               isWalkingMeetingCandidate(attendeeCount, durationSeconds)};
}

bool CalendarService::isWalkingMeetingCandidate(int attendeeCount, double durationSeconds)
{
    return attendeeCount >= 2 && attendeeCount <= 3 && durationSeconds >= 1800;
}

QString CalendarService::walkingMeetingID(const std::optional<QString> &eventIdentifier, const QString &title,
                                          double start)
{
    return eventIdentifier.value_or(title) + u'@' + QString::number(static_cast<qint64>(std::trunc(start)));
}

int CalendarService::distinctAttendeeCount(const std::optional<QStringList> &attendees)
{
    if (!attendees)
        return 0;
    QList<std::optional<QString>> values;
    for (const QString &attendee : *attendees)
        values.append(attendee);
    return distinctCount(values);
}

int CalendarService::distinctCount(const QList<std::optional<QString>> &values)
{
    QSet<QString> distinct;
    for (const std::optional<QString> &value : values) {
        if (value)
            distinct.insert(*value);
    }
    return static_cast<int>(distinct.size());
}

QStringList CalendarService::calendarFilePaths(const PreferencesStore &preferences)
{
    const std::optional<QString> stored = preferences.stringValue(kCalendarFilePathsKey);
    if (!stored)
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(stored->toUtf8());
    QStringList paths;
    const QJsonArray array = document.array();
    for (const QJsonValue &value : array) {
        const QString path = value.toString();
        if (!path.isEmpty() && !paths.contains(path))
            paths.append(path);
    }
    return paths;
}

void CalendarService::setCalendarFilePaths(PreferencesStore &preferences, const QStringList &paths)
{
    preferences.setString(kCalendarFilePathsKey,
                          QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(paths)).toJson(QJsonDocument::Compact)));
}

} // namespace stirwell
