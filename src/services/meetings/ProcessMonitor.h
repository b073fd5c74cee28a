#pragma once

#include "services/meetings/SensorReading.h"

namespace stirwell {

class FullscreenProbe;
class RunningProcesses;

// Is a meeting application running? Does the active window cover the whole
// primary screen? Main thread only; asked on every meeting update.
class ProcessMonitor {
public:
    ProcessMonitor(RunningProcesses &processes, FullscreenProbe &fullscreen);

    // `unknown` when the processes cannot be listed.
    [[nodiscard]] SensorReading isMeetingAppRunning();
    [[nodiscard]] SensorReading isFrontmostFullscreen();

private:
    RunningProcesses &m_processes;
    FullscreenProbe &m_fullscreen;
};

} // namespace stirwell
