#pragma once

#include <QDate>
#include <QString>
#include <QTimeZone>

namespace stirwell {

// Calendar arithmetic on moments (seconds since the Unix epoch) in one time
// zone. A plain value: it never reads the clock.
class LocalCalendar {
public:
    // The system's time zone.
    LocalCalendar();
    explicit LocalCalendar(QTimeZone zone);
    // An IANA name such as "Europe/Berlin"; an unknown name gives UTC.
    [[nodiscard]] static LocalCalendar fromIanaName(const QString &name);

    [[nodiscard]] const QTimeZone &timeZone() const { return m_zone; }

    [[nodiscard]] QDateTime localDateTime(double moment) const;
    [[nodiscard]] QDate localDate(double moment) const;
    [[nodiscard]] int hourOfDay(double moment) const;
    // Minutes since local midnight, as a wall-clock reading (0...1439).
    [[nodiscard]] int minuteOfDay(double moment) const;
    // The first moment of the local day that contains `moment`.
    [[nodiscard]] double startOfDay(double moment) const;
    // The same local wall-clock time one calendar day earlier; across a DST
    // change this is 23 or 25 hours earlier, not 24.
    [[nodiscard]] double oneDayEarlier(double moment) const;
    // The moment at which the given local date and time first occur.
    [[nodiscard]] double moment(QDate date, int hour, int minute = 0, int second = 0) const;

    // "yyyy-MM-dd" of the moment's date in UTC (the habit day key).
    [[nodiscard]] static QString utcDayKey(double moment);
    // Start of the local day as whole seconds since 2001-01-01 00:00:00 UTC.
    [[nodiscard]] qint64 dayToken(double moment) const;

private:
    QTimeZone m_zone;
};

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
inline constexpr double kReferenceDateOffset = 978307200.0;

} // namespace stirwell
