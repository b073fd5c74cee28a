#pragma once

#include <QString>

#include <optional>

namespace stirwell {

// The next calendar meeting: when it starts (seconds since the Unix epoch)
// and its title, when the calendar gives one.
struct UpcomingMeeting {
    double start = 0;
    std::optional<QString> title;

    // Whole minutes from `now` until the start, truncated toward zero
    // (negative once the meeting has begun).
    [[nodiscard]] int minutesUntilStart(double now) const;
    // "Standup in 12 min" for the menu bar; nothing when the meeting starts in
    // less than a minute. A missing or blank title reads "Meeting"; a title
    // of 26 characters or more is cut to 24 followed by an ellipsis.
    [[nodiscard]] std::optional<QString> displayLabel(double now) const;

    friend bool operator==(const UpcomingMeeting &, const UpcomingMeeting &) = default;
};

} // namespace stirwell
