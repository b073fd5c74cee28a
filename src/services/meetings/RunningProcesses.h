#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace stirwell {

// One running process as far as meeting detection cares.
struct ProcessInfo {
    qint64 pid = 0;
    // The kernel's short name (at most 15 bytes) and the executable's file
    // name; either may be empty when unreadable.
    QString name;
    QString executableName;
    // The sandbox application id: a Flatpak id ("us.zoom.Zoom") or a Snap
    // name ("zoom-client"); empty for host applications.
    QString flatpakId;
    QString snapName;
    // The command line, filled only for processes a caller asked to see it
    // for (`RunningProcesses::setCommandLineNames`), as it is costly to read.
    QStringList arguments;
};

// The processes of the session. Implemented by the platform.
class RunningProcesses {
public:
    virtual ~RunningProcesses() = default;

    // The current processes; an empty list when they cannot be listed.
    // Callers within the same update may share one listing.
    [[nodiscard]] virtual const std::vector<ProcessInfo> &processes() = 0;
    // Short names whose command lines are wanted in `ProcessInfo::arguments`.
    virtual void setCommandLineNames(const QStringList &names) = 0;
};

} // namespace stirwell
