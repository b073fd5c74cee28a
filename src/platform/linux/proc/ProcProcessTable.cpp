#include "platform/linux/proc/ProcProcessTable.h"

#include "platform/linux/proc/ProcFs.h"
#include "runtime/Runtime.h"

#include <QRegularExpression>

#include <fcntl.h>
#include <unistd.h>

namespace stirwell {

namespace {
constexpr double kShareListingSeconds = 1.0;

QString trimmedLine(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).trimmed();
}
} // namespace

ProcProcessTable::ProcProcessTable(const Runtime &runtime, const QString &procRoot)
    : m_runtime(runtime)
    , m_procFd(::open(procRoot.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
}

ProcProcessTable::~ProcProcessTable()
{
    if (m_procFd >= 0)
        ::close(m_procFd);
}

void ProcProcessTable::setCommandLineNames(const QStringList &names)
{
    for (const QString &name : names)
        m_commandLineNames.insert(name);
}

const std::vector<ProcessInfo> &ProcProcessTable::processes()
{
    const double now = m_runtime.monotonic();
    if (now - m_lastScan >= kShareListingSeconds || now < m_lastScan) {
        m_lastScan = now;
        scan();
    }
    return m_list;
}

void ProcProcessTable::readSandboxIds(const QByteArray &cgroup, ProcessInfo &info)
{
    static const QRegularExpression flatpak(QStringLiteral("/app-flatpak-(.+)-[0-9]+\\.scope$"));
    static const QRegularExpression snap(QStringLiteral("/snap\\.([^./]+)\\.[^/]+\\.scope$"));
    for (const QByteArray &line : cgroup.split('\n')) {
        const QString path = QString::fromUtf8(line.mid(line.lastIndexOf(':') + 1));
        if (const auto m = flatpak.match(path); m.hasMatch()) {
            info.flatpakId = m.captured(1);
            return;
        }
        if (const auto m = snap.match(path); m.hasMatch()) {
            info.snapName = m.captured(1);
            return;
        }
    }
}

void ProcProcessTable::scan()
{
    m_list.clear();
    if (m_procFd < 0)
        return;
    const double now = m_runtime.monotonic();
    const bool reread = now - m_lastReread >= kRereadSeconds || now < m_lastReread;
    if (reread)
        m_lastReread = now;
    QHash<qint64, Known> seen;
    seen.reserve(m_known.size());
    char path[64];
    procfs::forEachPidEntry(m_procFd, [&](qint64 pid, const char *name, quint64 inode) {
        const auto known = m_known.constFind(pid);
        const bool sameProcess = known != m_known.cend() && known->inode == inode;
        if (sameProcess && !reread && !m_commandLineNames.contains(known->info.name)) {
            seen.insert(pid, *known);
            m_list.push_back(known->info);
            return;
        }
        std::snprintf(path, sizeof path, "%s/comm", name);
        const QString comm = trimmedLine(procfs::readSmallFile(m_procFd, path, 64));
        if (comm.isEmpty())
            return; // gone meanwhile, or a kernel oddity
        ProcessInfo info;
        if (sameProcess && known->info.name == comm) {
            info = known->info;
        } else {
            info.pid = pid;
            info.name = comm;
            std::snprintf(path, sizeof path, "%s/exe", name);
            const QByteArray exe = procfs::readLink(m_procFd, path);
            info.executableName = QString::fromLocal8Bit(exe.mid(exe.lastIndexOf('/') + 1));
            std::snprintf(path, sizeof path, "%s/cgroup", name);
            readSandboxIds(procfs::readSmallFile(m_procFd, path), info);
        }
        if (m_commandLineNames.contains(comm)) {
            // The few tools whose arguments tell what they do (screen
            // recorders) are read in full at every listing.
            std::snprintf(path, sizeof path, "%s/cmdline", name);
            const QByteArray cmdline = procfs::readSmallFile(m_procFd, path, 16384);
            info.arguments.clear();
            for (const QByteArray &argument : cmdline.split('\0'))
                if (!argument.isEmpty())
                    info.arguments << QString::fromLocal8Bit(argument);
        }
        seen.insert(pid, Known{inode, info});
        m_list.push_back(info);
    });
    m_known = std::move(seen);
}

} // namespace stirwell
