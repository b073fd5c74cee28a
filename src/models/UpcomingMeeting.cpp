#include "models/UpcomingMeeting.h"

#include <cmath>
#include <limits>

namespace stirwell {

int UpcomingMeeting::minutesUntilStart(double now) const
{
    const double minutes = std::trunc((start - now) / 60.0);
    // A start read from a broken calendar entry must not overflow the count.
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    if (std::isnan(minutes))
        return 0;
    if (minutes <= lowest)
        return std::numeric_limits<int>::min();
    if (minutes >= highest)
        return std::numeric_limits<int>::max();
    return static_cast<int>(minutes);
}

std::optional<QString> UpcomingMeeting::displayLabel(double now) const
{
    const int minutes = minutesUntilStart(now);
    if (minutes < 1)
        return std::nullopt;
    QString name = title ? title->trimmed() : QString();
    if (name.isEmpty()) {
        name = QStringLiteral("Meeting");
    } else if (name.size() >= 26) {
        qsizetype cut = 24;
        // Never split a character that takes two UTF-16 units.
        if (name.at(cut - 1).isHighSurrogate())
            --cut;
        name = name.left(cut) + QChar(0x2026);
    }
    return name + QStringLiteral(" in ") + QString::number(minutes) + QStringLiteral(" min");
}

} // namespace stirwell
