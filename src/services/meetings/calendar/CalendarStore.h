#pragma once

#include "services/meetings/calendar/CalendarEvent.h"

#include <QList>
#include <QString>
#include <QTimeZone>

#include <memory>

namespace stirwell {

// A calendar the service reads (never writes).
class CalendarStore {
public:
    virtual ~CalendarStore() = default;

    // Whether the store can be read now; may contact a service. False is not
    // final: the caller may ask again later.
    [[nodiscard]] virtual bool requestAccess() = 0;
    // The occurrences overlapping [start, end], in the store's own order,
    // cancelled ones left out. Times without a zone (floating times, all-day
    // dates) are read in `localZone`. Failures give what could be read.
    [[nodiscard]] virtual QList<CalendarEvent> eventsBetween(double start, double end, const QTimeZone &localZone) = 0;
};

// Makes the stores the user chose to read.
class CalendarStoreFactory {
public:
    virtual ~CalendarStoreFactory() = default;

    // The desktop's calendar store (Evolution Data Server), or nothing where
    // there is none.
    [[nodiscard]] virtual std::unique_ptr<CalendarStore> createSystemStore() = 0;
    // An iCalendar file, or a folder of them (vdirsyncer and khal keep one
    // event per file in a folder per calendar).
    [[nodiscard]] virtual std::unique_ptr<CalendarStore> createFileStore(const QString &path) = 0;
};

} // namespace stirwell
