#pragma once

#include "models/UpcomingMeeting.h"
#include "models/WalkingMeetingCheck.h"

#include <optional>

namespace stirwell {

// What the meeting detector asks of the user's calendars. Every call answers
// at once from what the source already knows (a source that must fetch does
// so in the background); a source without calendar access answers false and
// none.
class CalendarSource {
public:
    virtual ~CalendarSource() = default;

    // A timed (not all-day) event is under way now.
    [[nodiscard]] virtual bool hasCurrentCalendarEvent() = 0;
    // The earliest timed event that starts within `withinSeconds`.
    [[nodiscard]] virtual std::optional<UpcomingMeeting> nextMeeting(double withinSeconds) = 0;
    // The meeting starting within the next five minutes, with whether it
    // suits a walk.
    [[nodiscard]] virtual std::optional<WalkingMeetingCheck> upcomingWalkingMeeting() = 0;
};

} // namespace stirwell
