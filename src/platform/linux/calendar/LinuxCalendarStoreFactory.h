#pragma once

#include "services/meetings/calendar/CalendarStore.h"

namespace stirwell {

// Evolution Data Server for the desktop's calendars, libical for files.
class LinuxCalendarStoreFactory final : public CalendarStoreFactory {
public:
    [[nodiscard]] std::unique_ptr<CalendarStore> createSystemStore() override;
    [[nodiscard]] std::unique_ptr<CalendarStore> createFileStore(const QString &path) override;
};

} // namespace stirwell
