#pragma once

#include <QString>

namespace stirwell {

// The calendar's answer about the meeting that starts within the next few
// minutes: whether it suits a walk (two or three distinct attendees, at least
// 30 minutes long). `id` identifies this occurrence of the meeting, so that
// it is suggested at most once.
struct WalkingMeetingCheck {
    QString id;
    QString title;
    int attendeeCount = 0;
    int durationMinutes = 0;
    bool qualifies = false;

    friend bool operator==(const WalkingMeetingCheck &, const WalkingMeetingCheck &) = default;
};

} // namespace stirwell
