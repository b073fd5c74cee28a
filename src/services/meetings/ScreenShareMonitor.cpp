#include "services/meetings/ScreenShareMonitor.h"

#include "services/meetings/RunningProcesses.h"
#include "services/meetings/ScreenCastProbe.h"

namespace stirwell {

ScreenShareMonitor::ScreenShareMonitor(RunningProcesses &processes, ScreenCastProbe *screenCast)
    : m_processes(processes)
    , m_screenCast(screenCast)
{
    m_processes.setCommandLineNames(QStringList(grabbingToolNames().cbegin(), grabbingToolNames().cend()));
}

const QSet<QString> &ScreenShareMonitor::sharingProcessNames()
{
    static const QSet<QString> names = {
        QStringLiteral("obs"),         QStringLiteral("simplescreenrecorder"), QStringLiteral("vokoscreenNG"),
        QStringLiteral("kazam"),       QStringLiteral("peek"),                 QStringLiteral("gpu-screen-recorder"), QStringLiteral("gpu-screen-reco"),
        QStringLiteral("wf-recorder"), QStringLiteral("wl-screenrec"),         QStringLiteral("kooha"),
    };
    return names;
}

const QSet<QString> &ScreenShareMonitor::grabbingToolNames()
{
    static const QSet<QString> names = {QStringLiteral("ffmpeg")};
    return names;
}

const QSet<QString> &ScreenShareMonitor::grabArguments()
{
    static const QSet<QString> arguments = {QStringLiteral("x11grab"), QStringLiteral("kmsgrab")};
    return arguments;
}

SensorReading ScreenShareMonitor::isScreenSharing()
{
    const SensorReading cast = m_screenCast ? m_screenCast->screenCastActive() : SensorReading::unknown;
    if (cast == SensorReading::yes)
        return SensorReading::yes;

    const std::vector<ProcessInfo> &list = m_processes.processes();
    for (const ProcessInfo &process : list) {
        if (sharingProcessNames().contains(process.name) || sharingProcessNames().contains(process.executableName))
            return SensorReading::yes;
        if (grabbingToolNames().contains(process.name)) {
            for (const QString &argument : process.arguments)
                if (grabArguments().contains(argument))
                    return SensorReading::yes;
        }
    }
    if (list.empty() && cast == SensorReading::unknown)
        return SensorReading::unknown;
    return SensorReading::no;
}

} // namespace stirwell
