#pragma once

#include "services/meetings/SensorReading.h"

#include <QSet>
#include <QString>

namespace stirwell {

class RunningProcesses;
class ScreenCastProbe;

// Is the screen being shared or recorded? Yes when the compositor or portal
// streams the screen (where a probe for that exists) or a known
// screen-recording program runs. Capture by an X11 client itself (a meeting
// app grabbing the root window) cannot be seen. Main thread only.
class ScreenShareMonitor {
public:
    // `screenCast` may be null where the session offers no such probe.
    ScreenShareMonitor(RunningProcesses &processes, ScreenCastProbe *screenCast);

    // Screen recorders by process name.
    static const QSet<QString> &sharingProcessNames();
    // General tools that record the screen only with one of these arguments
    // (ffmpeg -f x11grab).
    static const QSet<QString> &grabbingToolNames();
    static const QSet<QString> &grabArguments();

    [[nodiscard]] SensorReading isScreenSharing();

private:
    RunningProcesses &m_processes;
    ScreenCastProbe *m_screenCast;
};

} // namespace stirwell
