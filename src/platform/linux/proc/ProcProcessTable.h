#pragma once

#include "services/meetings/RunningProcesses.h"

#include <QHash>
#include <QSet>

namespace stirwell {

class Runtime;

// The session's processes from /proc.
//
// A listing costs one directory read and one short-name read per process;
// the executable, the sandbox id (from the process's cgroup: Flatpak
// "app-flatpak-<id>-<n>.scope", Snap "snap.<name>.<app>-<uuid>.scope") are
// read once per process and again only when its short name changes (an
// exec). Listings within one second are shared.
class ProcProcessTable : public RunningProcesses {
public:
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
    QHash<qint64, ProcessInfo> m_known;
    std::vector<ProcessInfo> m_list;
    double m_lastScan = -1e9;
};

} // namespace stirwell
