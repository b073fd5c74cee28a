#pragma once

#include <QString>

namespace stirwell {

// Whether the meeting about to start suits a walking meeting.
struct WalkingMeetingCheck {
    QString id; // stable per occurrence: identifier (or title), "@", start
    QString title;
    int attendeeCount = 0;
    int durationMinutes = 0;
    bool qualifies = false;

    friend bool operator==(const WalkingMeetingCheck &, const WalkingMeetingCheck &) = default;
};

} // namespace stirwell
