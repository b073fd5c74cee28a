#pragma once

#include <QString>

namespace stirwell {

// Coarse buckets for durations in seconds: "under_1m", "1_3m", "3_5m",
// "5_10m", "10m_plus".
[[nodiscard]] QString durationBucket(double seconds);
// Buckets for intervals, on whole minutes (truncated): "under_30m",
// "30_44m", "45_59m", "60_89m", "90m_plus".
[[nodiscard]] QString intervalBucket(double seconds);
// Seconds rounded to a whole number, halves away from zero, as decimal text.
[[nodiscard]] QString diagnosticSecondsString(double seconds);
// A property value as it may be sent: every line feed and carriage return
// becomes a space, white space is trimmed at both ends, and at most the
// first 80 characters (code points; a surrogate pair is never split) are kept.
[[nodiscard]] QString sanitizedAnalyticsValue(const QString &value);
inline constexpr qsizetype kMaxAnalyticsValueLength = 80;
// "true" or "false".
[[nodiscard]] inline QString boolString(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace stirwell
