#pragma once

#include <QString>

#include <cmath>
#include <optional>

namespace stirwell {

// The next calendar meeting: when it starts (seconds since the Unix epoch,
// wall clock) and its title, if the event has one.
struct UpcomingMeeting {
    double start = 0;
    std::optional<QString> title;

    friend bool operator==(const UpcomingMeeting &, const UpcomingMeeting &) = default;

    // Whole minutes from `now` to the start, truncated toward zero (negative
    // once the meeting has begun).
    [[nodiscard]] int minutesUntilStart(double now) const
    {
        return static_cast<int>(std::trunc((start - now) / 60.0));
    }

    // "Standup in 12 min" for the menu bar; none when less than a minute is
    // left. An untitled or blank event is called "Meeting"; a title of 26
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
        return QStringLiteral("%1 in %2 min").arg(name).arg(minutes);
    }
};

} // namespace stirwell
