#pragma once

#include "services/meetings/calendar/CalendarStore.h"

#include <memory>

namespace stirwell {

// Events of the calendars selected in Evolution Data Server, the desktop's
// calendar store (GNOME Online Accounts fills it with Google, Microsoft and
// Nextcloud calendars; Evolution and GNOME Calendar edit it), read through
// libecal. EDS expands recurrences, exceptions and moved occurrences itself.
//
// Access is the connection to the source registry on the session bus; it
// fails quickly where EDS is not installed. Each calendar is opened once,
// waiting at most `connectTimeoutSeconds` for its backend; a calendar that
// fails is left out and tried again at the next read.
class EvolutionCalendarStore final : public CalendarStore {
public:
    explicit EvolutionCalendarStore(unsigned connectTimeoutSeconds = 1);
    ~EvolutionCalendarStore() override;

    [[nodiscard]] bool requestAccess() override;
    [[nodiscard]] QList<CalendarEvent> eventsBetween(double start, double end, const QTimeZone &localZone) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace stirwell
