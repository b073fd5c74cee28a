#include "platform/linux/calendar/LinuxCalendarStoreFactory.h"

#include "platform/linux/calendar/EvolutionCalendarStore.h"
#include "platform/linux/calendar/ICalendarFileStore.h"

namespace stirwell {

std::unique_ptr<CalendarStore> LinuxCalendarStoreFactory::createSystemStore()
{
    return std::make_unique<EvolutionCalendarStore>();
}

std::unique_ptr<CalendarStore> LinuxCalendarStoreFactory::createFileStore(const QString &path)
{
    return std::make_unique<ICalendarFileStore>(path);
}

} // namespace stirwell
