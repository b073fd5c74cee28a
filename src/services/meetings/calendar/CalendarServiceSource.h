#pragma once

#include "services/meetings/CalendarSource.h"
#include "services/meetings/calendar/CalendarService.h"

namespace stirwell {

// The meeting detector's view of the calendar service.
class CalendarServiceSource final : public CalendarSource {
public:
    explicit CalendarServiceSource(CalendarService &service) : m_service(service) {}

    bool hasCurrentCalendarEvent() override { return m_service.hasCurrentCalendarEvent(); }
    std::optional<UpcomingMeeting> nextMeeting(double withinSeconds) override
    {
        return m_service.nextMeeting(withinSeconds);
    }
    std::optional<WalkingMeetingCheck> upcomingWalkingMeeting() override { return m_service.upcomingWalkingMeeting(); }

private:
    CalendarService &m_service;
};

} // namespace stirwell
