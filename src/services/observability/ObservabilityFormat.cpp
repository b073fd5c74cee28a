#include "services/observability/ObservabilityFormat.h"

#include <cmath>

namespace stirwell {

QString durationBucket(double seconds)
{
    if (seconds < 60)
        return QStringLiteral("under_1m");
    if (seconds < 180)
        return QStringLiteral("1_3m");
    if (seconds < 300)
        return QStringLiteral("3_5m");
    if (seconds < 600)
        return QStringLiteral("5_10m");
    return QStringLiteral("10m_plus");
}

QString intervalBucket(double seconds)
{
    const double minutes = std::trunc(seconds / 60.0);
    if (!(minutes >= 30)) // NaN and negative land here too
        return QStringLiteral("under_30m");
    if (minutes < 45)
        return QStringLiteral("30_44m");
    if (minutes < 60)
        return QStringLiteral("45_59m");
    if (minutes < 90)
        return QStringLiteral("60_89m");
    return QStringLiteral("90m_plus");
}

QString diagnosticSecondsString(double seconds)
{
    if (!std::isfinite(seconds))
        return QStringLiteral("0");
    return QString::number(static_cast<qint64>(std::round(seconds)));
}

QString sanitizedAnalyticsValue(const QString &value)
{
    QString text = value;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text = text.trimmed();
    qsizetype end = 0;
    for (qsizetype kept = 0; end < text.size() && kept < kMaxAnalyticsValueLength; ++kept) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    text.truncate(end);
    return text;
}

} // namespace stirwell
