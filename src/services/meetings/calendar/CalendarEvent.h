#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace stirwell {

// One occurrence of a calendar event as a store provides it. Times are
// seconds since the Unix epoch; an all-day event runs from the start of its
// first local day to the start of the day after its last.
struct CalendarEvent {
    double start = 0;
    double end = 0;
    std::optional<QString> title;
    bool isAllDay = false;
    // Stable across the occurrences of a recurring event.
    std::optional<QString> eventIdentifier;
    // Attendee addresses as URIs ("mailto:..."); nothing when the event has
    // no attendee list.
    std::optional<QStringList> attendees;

    friend bool operator==(const CalendarEvent &, const CalendarEvent &) = default;
};

} // namespace stirwell
