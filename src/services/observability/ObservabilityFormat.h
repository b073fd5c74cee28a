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
// "true" or "false".
[[nodiscard]] inline QString boolString(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace stirwell
