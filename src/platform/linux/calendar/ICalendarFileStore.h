#pragma once

#include "services/meetings/calendar/CalendarStore.h"

#include <QHash>
#include <QString>

#include <memory>

namespace stirwell {

// Events from an iCalendar file or a folder of them (vdirsyncer and khal
// keep one item per .ics file, a folder per calendar; exports are one file),
// read with libical.
//
// Recurrence rules and extra dates are expanded in the event's own time
// zone, so a weekly 09:00 meeting stays at 09:00 across a DST change;
// excluded dates are dropped; a moved or cancelled occurrence
// (RECURRENCE-ID) replaces the one it stands for. Zones come from the file's
// VTIMEZONE, else the system's zone database (IANA or Windows names), else
// libical's built-in zones; floating times and all-day dates are local.
//
// Each file is parsed again only when it changed; a file that cannot be
// parsed gives no events and leaves the others alone.
class ICalendarFileStore final : public CalendarStore {
public:
    explicit ICalendarFileStore(QString path);
    ~ICalendarFileStore() override;

    [[nodiscard]] bool requestAccess() override;
    [[nodiscard]] QList<CalendarEvent> eventsBetween(double start, double end, const QTimeZone &localZone) override;

    // Events of one iCalendar text (for tools and tests).
    [[nodiscard]] static QList<CalendarEvent> eventsIn(const QByteArray &text, double start, double end,
                                                       const QTimeZone &localZone);

    struct Parsed;

private:
    struct CachedFile {
        qint64 modifiedMs = 0;
        qint64 size = -1;
        std::shared_ptr<Parsed> parsed;
    };

    [[nodiscard]] QStringList files() const;

    QString m_path;
    QHash<QString, CachedFile> m_files;
};

} // namespace stirwell
