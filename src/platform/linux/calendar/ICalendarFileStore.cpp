#include "platform/linux/calendar/ICalendarFileStore.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMultiHash>
#include <QSet>

#include <libical/ical.h>

#include <cmath>
#include <limits>

namespace stirwell {

namespace {

constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;
constexpr int kMaxFilesInFolder = 20000;
// A rule is followed at most this far; a hostile rule (every second since
// 1970) gives up instead of hanging.
constexpr int kMaxOccurrenceSteps = 50000;

struct ComponentDeleter {
    void operator()(icalcomponent *component) const { icalcomponent_free(component); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentDeleter>;

// How the wall-clock fields of a time become a moment.
struct Zone {
    enum class Kind { Utc, Libical, Qt, Local } kind = Kind::Local;
    icaltimezone *ical = nullptr; // owned by the component tree or libical
    QTimeZone qt;
};

Zone resolveZone(icalproperty *property, icaltimetype value, icalcomponent *calendar)
{
    if (icaltime_is_utc(value))
        return {Zone::Kind::Utc, nullptr, {}};
    icalparameter *tzidParameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    const char *tzid = tzidParameter ? icalparameter_get_tzid(tzidParameter) : nullptr;
    if (!tzid || !*tzid)
        return {Zone::Kind::Local, nullptr, {}};
    if (calendar) {
        if (icaltimezone *own = icalcomponent_get_timezone(calendar, tzid))
            return {Zone::Kind::Libical, own, {}};
    }
    const QByteArray name(tzid);
    QTimeZone system(name);
    if (system.isValid())
        return {Zone::Kind::Qt, nullptr, system};
    const QByteArray iana = QTimeZone::windowsIdToDefaultIanaId(name);
    if (!iana.isEmpty() && QTimeZone(iana).isValid())
        return {Zone::Kind::Qt, nullptr, QTimeZone(iana)};
    if (icaltimezone *builtin = icaltimezone_get_builtin_timezone_from_tzid(tzid))
        return {Zone::Kind::Libical, builtin, {}};
    if (icaltimezone *builtin = icaltimezone_get_builtin_timezone(tzid))
        return {Zone::Kind::Libical, builtin, {}};
    return {Zone::Kind::Local, nullptr, {}};
}

QDate dateOf(icaltimetype t)
{
    return QDate(t.year, t.month, t.day);
}

std::optional<double> toMoment(icaltimetype t, const Zone &zone, const QTimeZone &local)
{
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t))
        return std::nullopt;
    const QDate date = dateOf(t);
    if (!date.isValid())
        return std::nullopt;
    if (t.is_date)
        return double(date.startOfDay(local).toSecsSinceEpoch());
    const QTime time(t.hour, t.minute, std::min(t.second, 59));
    switch (zone.kind) {
    case Zone::Kind::Utc:
        return double(QDateTime(date, time, QTimeZone::utc()).toSecsSinceEpoch());
    case Zone::Kind::Libical: {
        icaltimetype wall = t;
        wall.zone = nullptr;
        return double(icaltime_as_timet_with_zone(wall, zone.ical));
    }
    case Zone::Kind::Qt:
        return double(QDateTime(date, time, zone.qt).toSecsSinceEpoch());
    case Zone::Kind::Local:
        break;
    }
    return double(QDateTime(date, time, local).toSecsSinceEpoch());
}

// The wall-clock reading of a moment in a zone, as libical wants it for
// skipping a rule ahead.
icaltimetype wallClockAt(double moment, const Zone &zone, const QTimeZone &local)
{
    QDateTime at;
    switch (zone.kind) {
    case Zone::Kind::Utc:
        at = QDateTime::fromSecsSinceEpoch(qint64(moment), QTimeZone::utc());
        break;
    case Zone::Kind::Libical:
        return icaltime_from_timet_with_zone(time_t(moment), 0, zone.ical);
    case Zone::Kind::Qt:
        at = QDateTime::fromSecsSinceEpoch(qint64(moment), zone.qt);
        break;
    case Zone::Kind::Local:
        at = QDateTime::fromSecsSinceEpoch(qint64(moment), local);
        break;
    }
    icaltimetype t = icaltime_null_time();
    t.year = at.date().year();
    t.month = at.date().month();
    t.day = at.date().day();
    t.hour = at.time().hour();
    t.minute = at.time().minute();
    t.second = at.time().second();
    return t;
}

struct TimeValue {
    icaltimetype value = icaltime_null_time();
    Zone zone;
    std::optional<double> moment;
};

TimeValue readTime(icalproperty *property, icaltimetype value, icalcomponent *calendar, const QTimeZone &local)
{
    TimeValue result;
    result.value = value;
    result.zone = resolveZone(property, value, calendar);
    result.moment = toMoment(value, result.zone, local);
    return result;
}

std::optional<QString> text(const char *value)
{
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value);
}

// What an occurrence of a VEVENT carries besides its times.
CalendarEvent describe(icalcomponent *event)
{
    CalendarEvent described;
    described.title = text(icalcomponent_get_summary(event));
    const char *uid = icalcomponent_get_uid(event);
    if (uid && *uid)
        described.eventIdentifier = QString::fromUtf8(uid);
    for (icalproperty *attendee = icalcomponent_get_first_property(event, ICAL_ATTENDEE_PROPERTY); attendee;
         attendee = icalcomponent_get_next_property(event, ICAL_ATTENDEE_PROPERTY)) {
        if (!described.attendees)
            described.attendees = QStringList();
        if (const char *address = icalproperty_get_attendee(attendee))
            described.attendees->append(QString::fromUtf8(address));
    }
    return described;
}

// The start and end of one VEVENT as written (its first occurrence).
struct Span {
    TimeValue start;
    bool allDay = false;
    double seconds = 0; // timed events: exact length
    qint64 days = 1;    // all-day events: number of days
};

std::optional<Span> spanOf(icalcomponent *event, icalcomponent *calendar, const QTimeZone &local)
{
    icalproperty *dtstart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (!dtstart)
        return std::nullopt;
    Span span;
    span.start = readTime(dtstart, icalproperty_get_dtstart(dtstart), calendar, local);
    if (!span.start.moment)
        return std::nullopt;
    span.allDay = span.start.value.is_date;
    if (icalproperty *dtend = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)) {
        const TimeValue end = readTime(dtend, icalproperty_get_dtend(dtend), calendar, local);
        if (span.allDay && end.value.is_date)
            span.days = std::max<qint64>(1, dateOf(span.start.value).daysTo(dateOf(end.value)));
        else if (end.moment)
            span.seconds = std::max(0.0, *end.moment - *span.start.moment);
    } else if (icalproperty *duration = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
        const int seconds = icaldurationtype_as_int(icalproperty_get_duration(duration));
        if (span.allDay)
            span.days = std::max(1, seconds / 86400);
        else
            span.seconds = std::max(0, seconds);
    }
    return span;
}

bool isCancelled(icalcomponent *event)
{
    return icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED;
}

std::optional<double> recurrenceIdOf(icalcomponent *event, icalcomponent *calendar, const QTimeZone &local)
{
    icalproperty *property = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
    if (!property)
        return std::nullopt;
    return readTime(property, icalproperty_get_recurrenceid(property), calendar, local).moment;
}

// Occurrence start moments of a master event that may overlap [from, to].
QList<double> occurrenceStarts(icalcomponent *event, icalcomponent *calendar, const Span &span, double from, double to,
                               const QTimeZone &local)
{
    QList<double> starts;
    const double reach = span.allDay ? double(span.days) * 86400 + 7200 : span.seconds;
    const auto wanted = [&](double start) { return start <= to && start + reach >= from; };

    icalproperty *rrule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
    icalproperty *rdate = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY);
    if (!rrule && !rdate) {
        if (wanted(*span.start.moment))
            starts.append(*span.start.moment);
        return starts;
    }
    QSet<qint64> seen;
    const auto add = [&](double start) {
        if (wanted(start) && !seen.contains(qint64(start))) {
            seen.insert(qint64(start));
            starts.append(start);
        }
    };
    for (; rrule; rrule = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
        const icalrecurrencetype rule = icalproperty_get_rrule(rrule);
        if (rule.freq == ICAL_NO_RECURRENCE)
            continue;
        icaltimetype first = span.start.value;
        first.zone = nullptr;
        icalrecur_iterator *iterator = icalrecur_iterator_new(rule, first);
        if (!iterator)
            continue;
        // Skip ahead to a day before the window where the rule allows it.
        const double skipTo = from - reach - 86400;
        if (rule.count == 0 && skipTo > *span.start.moment) {
            icaltimetype skip = wallClockAt(skipTo, span.start.zone, local);
            skip.is_date = first.is_date;
            if (!icalrecur_iterator_set_start(iterator, skip)) {
                icalrecur_iterator_free(iterator);
                iterator = icalrecur_iterator_new(rule, first);
                if (!iterator)
                    continue;
            }
        }
        // Steps before the window are compared as wall-clock readings, which
        // is cheap; only those near it are turned into moments.
        icaltimetype nearWindow = wallClockAt(from - reach - 86400, span.start.zone, local);
        nearWindow.is_date = 0;
        for (int step = 0; step < kMaxOccurrenceSteps; ++step) {
            const icaltimetype next = icalrecur_iterator_next(iterator);
            if (icaltime_is_null_time(next))
                break;
            icaltimetype nextWall = next;
            nextWall.is_date = 0;
            nextWall.zone = nullptr;
            if (icaltime_compare(nextWall, nearWindow) < 0)
                continue;
            const std::optional<double> start = toMoment(next, span.start.zone, local);
            if (!start)
                break;
            if (*start > to)
                break;
            add(*start);
        }
        icalrecur_iterator_free(iterator);
    }
    for (; rdate; rdate = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype value = icalproperty_get_rdate(rdate);
        const icaltimetype when = icaltime_is_null_time(value.time) ? value.period.start : value.time;
        if (const auto start = readTime(rdate, when, calendar, local).moment)
            add(*start);
    }
    // Excluded dates, compared as moments (a date-only exclusion removes
    // every occurrence on that local day).
    QSet<qint64> excludedMoments;
    QSet<QDate> excludedDays;
    for (icalproperty *exdate = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY); exdate;
         exdate = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY)) {
        const TimeValue excluded = readTime(exdate, icalproperty_get_exdate(exdate), calendar, local);
        if (excluded.value.is_date && !span.allDay)
            excludedDays.insert(dateOf(excluded.value));
        else if (excluded.moment)
            excludedMoments.insert(qint64(*excluded.moment));
    }
    QList<double> kept;
    for (const double start : std::as_const(starts)) {
        const QDate localDay = QDateTime::fromSecsSinceEpoch(qint64(start), local).date();
        if (!excludedMoments.contains(qint64(start)) && !excludedDays.contains(localDay))
            kept.append(start);
    }
    return kept;
}

CalendarEvent occurrence(icalcomponent *event, const Span &span, double start, const QTimeZone &local)
{
    CalendarEvent result = describe(event);
    result.isAllDay = span.allDay;
    result.start = start;
    if (span.allDay) {
        const QDate day = QDateTime::fromSecsSinceEpoch(qint64(start), local).date();
        result.end = double(day.addDays(span.days).startOfDay(local).toSecsSinceEpoch());
    } else {
        result.end = start + span.seconds;
    }
    return result;
}

void collectEvents(icalcomponent *component, icalcomponent *calendar, QList<std::pair<icalcomponent *, icalcomponent *>> &out)
{
    const icalcomponent_kind kind = icalcomponent_isa(component);
    if (kind == ICAL_VEVENT_COMPONENT) {
        out.append(std::make_pair(component, calendar));
        return;
    }
    if (kind == ICAL_VCALENDAR_COMPONENT)
        calendar = component;
    for (icalcomponent *child = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); child;
         child = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        collectEvents(child, calendar, out);
}

} // namespace

struct ICalendarFileStore::Parsed {
    ComponentPtr root;
};

namespace {

QList<CalendarEvent> expand(icalcomponent *root, double from, double to, const QTimeZone &local)
{
    QList<std::pair<icalcomponent *, icalcomponent *>> events;
    collectEvents(root, nullptr, events);

    // Moved or cancelled occurrences by UID, as the moments they replace.
    QHash<QString, QSet<qint64>> replaced;
    for (const auto &[event, calendar] : std::as_const(events)) {
        if (const auto id = recurrenceIdOf(event, calendar, local))
            replaced[QString::fromUtf8(icalcomponent_get_uid(event))].insert(qint64(*id));
    }

    QList<CalendarEvent> result;
    for (const auto &[event, calendar] : std::as_const(events)) {
        if (isCancelled(event))
            continue;
        const std::optional<Span> span = spanOf(event, calendar, local);
        if (!span)
            continue;
        const bool isOverride = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY) != nullptr;
        if (isOverride) {
            const CalendarEvent moved = occurrence(event, *span, *span->start.moment, local);
            if (moved.start <= to && moved.end >= from)
                result.append(moved);
            continue;
        }
        const QSet<qint64> skip = replaced.value(QString::fromUtf8(icalcomponent_get_uid(event)));
        for (const double start : occurrenceStarts(event, calendar, *span, from, to, local)) {
            if (skip.contains(qint64(start)))
                continue;
            const CalendarEvent one = occurrence(event, *span, start, local);
            if (one.start <= to && one.end >= from)
                result.append(one);
        }
    }
    return result;
}

ComponentPtr parse(const QByteArray &text)
{
    // Never abort the process on malformed input.
    icalerror_set_errors_are_fatal(0);
    QByteArray terminated = text;
    return ComponentPtr(icalparser_parse_string(terminated.constData()));
}

} // namespace

ICalendarFileStore::ICalendarFileStore(QString path)
    : m_path(std::move(path))
{
}

ICalendarFileStore::~ICalendarFileStore() = default;

bool ICalendarFileStore::requestAccess()
{
    const QFileInfo info(m_path);
    return info.exists() && info.isReadable();
}

QStringList ICalendarFileStore::files() const
{
    const QFileInfo info(m_path);
    if (info.isFile())
        return {m_path};
    QStringList found;
    QDirIterator it(m_path, {QStringLiteral("*.ics"), QStringLiteral("*.ICS")}, QDir::Files | QDir::Readable,
                    QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (it.hasNext() && found.size() < kMaxFilesInFolder)
        found.append(it.next());
    found.sort();
    return found;
}

QList<CalendarEvent> ICalendarFileStore::eventsBetween(double start, double end, const QTimeZone &localZone)
{
    QHash<QString, CachedFile> seen;
    QList<CalendarEvent> result;
    for (const QString &path : files()) {
        const QFileInfo info(path);
        CachedFile cached = m_files.value(path);
        const qint64 modified = info.lastModified().toMSecsSinceEpoch();
        if (!cached.parsed || cached.modifiedMs != modified || cached.size != info.size()) {
            cached = {modified, info.size(), std::make_shared<Parsed>()};
            QFile file(path);
            if (info.size() <= kMaxFileSize && file.open(QIODevice::ReadOnly))
                cached.parsed->root = parse(file.readAll());
        }
        seen.insert(path, cached);
        if (cached.parsed->root)
            result += expand(cached.parsed->root.get(), start, end, localZone);
    }
    m_files = std::move(seen);
    return result;
}

QList<CalendarEvent> ICalendarFileStore::eventsIn(const QByteArray &text, double start, double end,
                                                  const QTimeZone &localZone)
{
    const ComponentPtr root = parse(text);
    return root ? expand(root.get(), start, end, localZone) : QList<CalendarEvent>{};
}

} // namespace stirwell
