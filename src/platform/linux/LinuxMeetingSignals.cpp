#include "platform/linux/LinuxMeetingSignals.h"

#include "platform/linux/browsers/SessionFileBrowserTabSource.h"
#include "platform/linux/calendar/LinuxCalendarStoreFactory.h"
#include "platform/linux/pipewire/PipeWireScreenCastProbe.h"
#include "platform/linux/proc/ProcCameraSensor.h"
#include "platform/linux/proc/ProcProcessTable.h"
#include "platform/linux/pulse/PulseMicSensor.h"
#include "platform/linux/x11/X11FullscreenProbe.h"
#include "services/meetings/DeviceMonitor.h"
#include "services/meetings/ProcessMonitor.h"
#include "services/meetings/ScreenShareMonitor.h"
#include "services/meetings/browser/BrowserMeetingTabMonitor.h"
#include "services/meetings/browser/BrowserTabMonitorProbe.h"
#include "services/meetings/calendar/CalendarService.h"
#include "services/meetings/calendar/CalendarServiceSource.h"

namespace stirwell {

struct LinuxMeetingSignals::Parts {
    Parts(Runtime &runtime, PreferencesStore &preferences)
        : cameraSensor(runtime)
        , micSensor(runtime)
        , processTable(runtime)
        , fullscreen(QString(), X11FullscreenProbe::environmentIsWayland())
        , screenCasts(runtime)
        , tabSource(SessionFileBrowserTabSource::forCurrentUser())
        , camera(runtime, cameraSensor)
        , microphone(runtime, micSensor)
        , processes(processTable, fullscreen)
        , screenShare(processTable, &screenCasts)
        , calendarService(runtime, preferences, calendarStores)
        , calendar(calendarService)
        , tabMonitor(tabSource)
        , browserTabs(tabMonitor)
    {
    }

    ProcCameraSensor cameraSensor;
    PulseMicSensor micSensor;
    ProcProcessTable processTable;
    X11FullscreenProbe fullscreen;
    PipeWireScreenCastProbe screenCasts;
    SessionFileBrowserTabSource tabSource;
    LinuxCalendarStoreFactory calendarStores;
    DeviceMonitor camera;
    DeviceMonitor microphone;
    ProcessMonitor processes;
    ScreenShareMonitor screenShare;
    CalendarService calendarService;
    CalendarServiceSource calendar;
    BrowserMeetingTabMonitor tabMonitor;
    BrowserTabMonitorProbe browserTabs;
};

LinuxMeetingSignals::LinuxMeetingSignals(Runtime &runtime, PreferencesStore &preferences)
    : m_parts(std::make_unique<Parts>(runtime, preferences))
{
}

LinuxMeetingSignals::~LinuxMeetingSignals() = default;

MeetingSignalSources LinuxMeetingSignals::sources()
{
    Parts &p = *m_parts;
    return MeetingSignalSources{p.camera, p.microphone, p.processes, p.screenShare, p.calendar, p.browserTabs};
}

} // namespace stirwell
