#pragma once

#include "runtime/LocalCalendar.h"

#include <QDate>
#include <QString>

#include <span>
#include <string>

namespace stirwell::test {

// A local wall-clock moment in a zone far from UTC and the UTC day key it
// belongs to: day-keyed records follow the UTC date wherever the user is.
struct UtcDayCase {
    const char *zone;
    QDate localDate;
    int hour;
    int minute;
    const char *dayKey;

    [[nodiscard]] LocalCalendar calendar() const { return LocalCalendar::fromIanaName(QString::fromLatin1(zone)); }
    [[nodiscard]] double moment() const { return calendar().moment(localDate, hour, minute); }
    [[nodiscard]] QString key() const { return QString::fromLatin1(dayKey); }
    [[nodiscard]] std::string describe() const
    {
        return std::string(zone) + ' ' + localDate.toString(Qt::ISODate).toStdString() + ' ' + std::to_string(hour)
            + ':' + std::to_string(minute);
    }
};

// Around the UTC day change on 2025-03-07/08, east and west of UTC.
inline std::span<const UtcDayCase> utcDayCases()
{
    static const UtcDayCase cases[] = {
        // UTC+9: until 09:00 local on the 8th it is still the 7th in UTC.
        {"Asia/Tokyo", QDate(2025, 3, 8), 0, 5, "2025-03-07"},
        {"Asia/Tokyo", QDate(2025, 3, 8), 0, 30, "2025-03-07"},
        {"Asia/Tokyo", QDate(2025, 3, 8), 8, 59, "2025-03-07"},
        {"Asia/Tokyo", QDate(2025, 3, 8), 9, 0, "2025-03-08"},
        // UTC-8: from 16:00 local on the 7th it is already the 8th in UTC.
        {"America/Los_Angeles", QDate(2025, 3, 7), 15, 59, "2025-03-07"},
        {"America/Los_Angeles", QDate(2025, 3, 7), 16, 0, "2025-03-08"},
        {"America/Los_Angeles", QDate(2025, 3, 7), 16, 30, "2025-03-08"},
        {"America/Los_Angeles", QDate(2025, 3, 7), 23, 55, "2025-03-08"},
        {"America/Los_Angeles", QDate(2025, 3, 7), 23, 59, "2025-03-08"},
    };
    return cases;
}

} // namespace stirwell::test
