// GLib headers first: Qt's keyword macros (signals, slots) would clash.
#include <libecal/libecal.h>

#include "platform/linux/calendar/EvolutionCalendarStore.h"

#include <QDate>
#include <QDateTime>
#include <QHash>

namespace stirwell {

namespace {

template <typename T>
struct GObjectDeleter {
    void operator()(T *object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct InstanceContext {
    const QTimeZone *local = nullptr;
    ICalTimezone *defaultZone = nullptr;
    QList<CalendarEvent> *events = nullptr;
};

std::optional<double> momentOf(ICalTime *time, const InstanceContext &context)
{
    if (!time || i_cal_time_is_null_time(time))
        return std::nullopt;
    if (i_cal_time_is_date(time)) {
        const QDate date(i_cal_time_get_year(time), i_cal_time_get_month(time), i_cal_time_get_day(time));
        if (!date.isValid())
            return std::nullopt;
        return double(date.startOfDay(*context.local).toSecsSinceEpoch());
    }
    ICalTimezone *zone = i_cal_time_get_timezone(time);
    return double(i_cal_time_as_timet_with_zone(time, zone ? zone : context.defaultZone));
}

gboolean addInstance(ICalComponent *component, ICalTime *instanceStart, ICalTime *instanceEnd, gpointer data,
                     GCancellable *, GError **)
{
    const auto &context = *static_cast<InstanceContext *>(data);
    if (i_cal_component_get_status(component) == I_CAL_STATUS_CANCELLED)
        return TRUE;
    const std::optional<double> start = momentOf(instanceStart, context);
    if (!start)
        return TRUE;
    CalendarEvent event;
    event.start = *start;
    event.end = momentOf(instanceEnd, context).value_or(*start);
    event.isAllDay = i_cal_time_is_date(instanceStart);
    if (const char *summary = i_cal_component_get_summary(component))
        event.title = QString::fromUtf8(summary);
    if (const char *uid = i_cal_component_get_uid(component); uid && *uid)
        event.eventIdentifier = QString::fromUtf8(uid);
    for (ICalProperty *attendee = i_cal_component_get_first_property(component, I_CAL_ATTENDEE_PROPERTY); attendee;
         attendee = i_cal_component_get_next_property(component, I_CAL_ATTENDEE_PROPERTY)) {
        if (!event.attendees)
            event.attendees = QStringList();
        if (const char *address = i_cal_property_get_attendee(attendee))
            event.attendees->append(QString::fromUtf8(address));
        g_object_unref(attendee);
    }
    context.events->append(event);
    return TRUE;
}

} // namespace

struct EvolutionCalendarStore::Private {
    unsigned connectTimeoutSeconds = 1;
    GObjectPtr<ESourceRegistry> registry;
    QHash<QString, std::shared_ptr<ECalClient>> clients; // by source uid

    ECalClient *clientFor(ESource *source)
    {
        const QString uid = QString::fromUtf8(e_source_get_uid(source));
        if (const auto it = clients.constFind(uid); it != clients.cend())
            return it->get();
        GError *error = nullptr;
        EClient *client = e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS, connectTimeoutSeconds,
                                                    nullptr, &error);
        g_clear_error(&error);
        if (!client)
            return nullptr;
        std::shared_ptr<ECalClient> shared(E_CAL_CLIENT(client), [](ECalClient *c) { g_object_unref(c); });
        clients.insert(uid, shared);
        return shared.get();
    }
};

EvolutionCalendarStore::EvolutionCalendarStore(unsigned connectTimeoutSeconds)
    : d(std::make_unique<Private>())
{
    d->connectTimeoutSeconds = connectTimeoutSeconds;
}

EvolutionCalendarStore::~EvolutionCalendarStore() = default;

bool EvolutionCalendarStore::requestAccess()
{
    if (d->registry)
        return true;
    GError *error = nullptr;
    d->registry.reset(e_source_registry_new_sync(nullptr, &error));
    g_clear_error(&error);
    return d->registry != nullptr;
}

QList<CalendarEvent> EvolutionCalendarStore::eventsBetween(double start, double end, const QTimeZone &localZone)
{
    QList<CalendarEvent> events;
    if (!d->registry)
        return events;
    const QByteArray zoneName = localZone.id();
    InstanceContext context{&localZone, i_cal_timezone_get_builtin_timezone(zoneName.constData()), &events};
    if (!context.defaultZone)
        context.defaultZone = i_cal_timezone_get_utc_timezone();

    GList *sources = e_source_registry_list_enabled(d->registry.get(), E_SOURCE_EXTENSION_CALENDAR);
    QSet<QString> present;
    for (GList *item = sources; item; item = item->next) {
        auto *source = static_cast<ESource *>(item->data);
        present.insert(QString::fromUtf8(e_source_get_uid(source)));
        auto *extension = static_cast<ESourceSelectable *>(e_source_get_extension(source, E_SOURCE_EXTENSION_CALENDAR));
        if (!e_source_selectable_get_selected(extension))
            continue;
        ECalClient *client = d->clientFor(source);
        if (!client)
            continue;
        e_cal_client_set_default_timezone(client, context.defaultZone);
        e_cal_client_generate_instances_sync(client, time_t(start), time_t(std::ceil(end)), nullptr, addInstance,
                                             &context);
    }
    g_list_free_full(sources, g_object_unref);
    // Calendars removed or disabled since: close them.
    for (auto it = d->clients.begin(); it != d->clients.end();) {
        if (present.contains(it.key()))
            ++it;
        else
            it = d->clients.erase(it);
    }
    return events;
}

} // namespace stirwell
