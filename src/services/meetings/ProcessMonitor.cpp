#include "services/meetings/ProcessMonitor.h"

#include "services/meetings/FullscreenProbe.h"
#include "services/meetings/MeetingApps.h"
#include "services/meetings/RunningProcesses.h"

namespace stirwell {

ProcessMonitor::ProcessMonitor(RunningProcesses &processes, FullscreenProbe &fullscreen)
    : m_processes(processes)
    , m_fullscreen(fullscreen)
{
}

SensorReading ProcessMonitor::isMeetingAppRunning()
{
    const std::vector<ProcessInfo> &list = m_processes.processes();
    if (list.empty())
        return SensorReading::unknown;
    for (const ProcessInfo &process : list)
        if (MeetingApps::isMeetingApp(process))
            return SensorReading::yes;
    return SensorReading::no;
}

SensorReading ProcessMonitor::isFrontmostFullscreen()
{
    return m_fullscreen.frontmostFullscreen();
}

} // namespace stirwell
