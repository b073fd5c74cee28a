#pragma once

#include <QString>

#include <cmath>
#include <optional>

namespace stirwell {

// The next calendar meeting: when it starts (seconds since the Unix epoch)
// and its title, if it has one.
struct UpcomingMeeting {
    double start = 0;
    std::optional<QString> title;

    friend bool operator==(const UpcomingMeeting &, const UpcomingMeeting &) = default;

    // Whole minutes until the start, truncated toward zero.
    [[nodiscard]] int minutesUntilStart(double now) const { return static_cast<int>(std::trunc((start - now) / 60.0)); }

    // "Title in 12 min" for the menu bar; nothing when less than a minute
    // remains. A missing or blank title reads "Meeting"; a title of 26
    // characters or more is cut to 24 and an ellipsis.
    [[nodiscard]] std::optional<QString> displayLabel(double now) const
    {
        const int minutes = minutesUntilStart(now);
        if (minutes < 1)
            return std::nullopt;
        QString name = title ? title->trimmed() : QString();
        if (name.isEmpty())
            name = QStringLiteral("Meeting");
        else if (name.size() >= 26)
            name = name.left(24) + QChar(0x2026);
        return name + QStringLiteral(" in ") + QString::number(minutes) + QStringLiteral(" min");
    }
};

} // namespace stirwell
