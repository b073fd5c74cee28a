#pragma once

#include "services/meetings/RunningProcesses.h"

#include <QHash>
#include <QSet>

namespace stirwell {

class Runtime;

// The session's processes from /proc.
//
// A listing costs one directory read; a process is read (short name,
// executable, the sandbox id from its cgroup: Flatpak
// "app-flatpak-<id>-<n>.scope", Snap "snap.<name>.<app>-<uuid>.scope") when
// it first appears, and all are read afresh once every kRereadSeconds so that
// an exec (a launcher script becoming the meeting app) is noticed within a
// minute. Reading every process's name at every listing cost about a
// millisecond each time, which the five-second meeting check cannot afford.
// A pid reused by a new process shows a new inode and is read as new.
// Listings within one second are shared.
class ProcProcessTable : public RunningProcesses {
public:
    static constexpr double kRereadSeconds = 60.0;

    explicit ProcProcessTable(const Runtime &runtime, const QString &procRoot = QStringLiteral("/proc"));
    ~ProcProcessTable() override;
    ProcProcessTable(const ProcProcessTable &) = delete;
    ProcProcessTable &operator=(const ProcProcessTable &) = delete;

    const std::vector<ProcessInfo> &processes() override;
    void setCommandLineNames(const QStringList &names) override;

    // Parses one /proc/<pid>/cgroup text into `info`'s sandbox ids.
    static void readSandboxIds(const QByteArray &cgroup, ProcessInfo &info);

private:
    void scan();

    const Runtime &m_runtime;
    int m_procFd = -1;
    QSet<QString> m_commandLineNames;
    struct Known {
        quint64 inode = 0;
        ProcessInfo info;
    };
    QHash<qint64, Known> m_known;
    std::vector<ProcessInfo> m_list;
    double m_lastScan = -1e9;
    double m_lastReread = -1e9;
};

} // namespace stirwell
