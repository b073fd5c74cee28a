#include "runtime/LocalCalendar.h"

#include <QDateTime>
#include <QTime>

#include <cmath>

namespace stirwell {

namespace {
qint64 toMsecs(double moment)
{
    return static_cast<qint64>(std::floor(moment * 1000.0));
}
} // namespace

LocalCalendar::LocalCalendar()
    : m_zone(QTimeZone::systemTimeZone())
{
}

LocalCalendar::LocalCalendar(QTimeZone zone)
    : m_zone(std::move(zone))
{
}

LocalCalendar LocalCalendar::fromIanaName(const QString &name)
{
    QTimeZone zone(name.toUtf8());
    if (!zone.isValid())
        zone = QTimeZone::utc();
    return LocalCalendar(zone);
}

QDateTime LocalCalendar::localDateTime(double moment) const
{
    return QDateTime::fromMSecsSinceEpoch(toMsecs(moment), m_zone);
}

QDate LocalCalendar::localDate(double moment) const
{
    return localDateTime(moment).date();
}

int LocalCalendar::hourOfDay(double moment) const
{
    return localDateTime(moment).time().hour();
}

int LocalCalendar::minuteOfDay(double moment) const
{
    const QTime time = localDateTime(moment).time();
    return time.hour() * 60 + time.minute();
}

double LocalCalendar::startOfDay(double moment) const
{
    return localDate(moment).startOfDay(m_zone).toMSecsSinceEpoch() / 1000.0;
}

double LocalCalendar::oneDayEarlier(double moment) const
{
    return localDateTime(moment).addDays(-1).toMSecsSinceEpoch() / 1000.0;
}

double LocalCalendar::moment(QDate date, int hour, int minute, int second) const
{
    return QDateTime(date, QTime(hour, minute, second), m_zone).toMSecsSinceEpoch() / 1000.0;
}

QString LocalCalendar::utcDayKey(double moment)
{
    return QDateTime::fromMSecsSinceEpoch(toMsecs(moment), QTimeZone::utc())
        .date()
        .toString(QStringLiteral("yyyy-MM-dd"));
}

qint64 LocalCalendar::dayToken(double moment) const
{
    return static_cast<qint64>(std::llround(startOfDay(moment) - kReferenceDateOffset));
}

} // namespace stirwell
