#include "platform/linux/proc/ProcCameraSensor.h"

#include "platform/linux/proc/ProcFs.h"
#include "runtime/Runtime.h"

#include <QDir>
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

namespace stirwell {

namespace {
constexpr double kEventQuietSeconds = 0.3;

bool isVideoNodeName(const char *name)
{
    return std::strncmp(name, "video", 5) == 0 && name[5] >= '0' && name[5] <= '9';
}
} // namespace

ProcCameraSensor::ProcCameraSensor(Runtime &runtime, const QString &deviceRoot, const QString &procRoot,
                                   QObject *parent)
    : QObject(parent)
    , m_runtime(runtime)
    , m_deviceRoot(QDir::cleanPath(deviceRoot))
    , m_devicePrefix(QFile::encodeName(QDir::cleanPath(deviceRoot)) + "/video")
    , m_procFd(::open(QFile::encodeName(procRoot).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    , m_inotifyFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_inotifyFd < 0)
        return;
    // Hot-plugged cameras appear and vanish in the device directory.
    if (::inotify_add_watch(m_inotifyFd, QFile::encodeName(m_deviceRoot).constData(), IN_CREATE | IN_DELETE) < 0) {
        ::close(m_inotifyFd);
        m_inotifyFd = -1;
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_inotifyFd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &ProcCameraSensor::readEvents);
    watchDevices();
}

ProcCameraSensor::~ProcCameraSensor()
{
    m_notifier.reset();
    if (m_inotifyFd >= 0)
        ::close(m_inotifyFd);
    if (m_procFd >= 0)
        ::close(m_procFd);
}

QString ProcCameraSensor::backendName() const
{
    return m_inotifyFd >= 0 ? QStringLiteral("inotify+/proc") : QStringLiteral("/proc");
}

void ProcCameraSensor::setChangeHint(std::function<void()> hint)
{
    m_hint = std::move(hint);
}

void ProcCameraSensor::watchDevices()
{
    QDir dir(m_deviceRoot);
    const QStringList nodes = dir.entryList({QStringLiteral("video*")}, QDir::System | QDir::Files);
    QSet<QByteArray> watched(m_deviceWatches.cbegin(), m_deviceWatches.cend());
    m_deviceNodes = 0;
    for (const QString &node : nodes) {
        const QByteArray name = QFile::encodeName(node);
        if (!isVideoNodeName(name.constData()))
            continue;
        ++m_deviceNodes;
        if (watched.contains(name))
            continue;
        const int wd = ::inotify_add_watch(m_inotifyFd, QFile::encodeName(dir.filePath(node)).constData(),
                                           IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
        if (wd >= 0)
            m_deviceWatches.insert(wd, name);
    }
}

void ProcCameraSensor::readEvents()
{
    alignas(inotify_event) char buffer[4096];
    bool relevant = false;
    bool devicesChanged = false;
    for (;;) {
        const ssize_t n = ::read(m_inotifyFd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t offset = 0; offset < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_IGNORED) {
                m_deviceWatches.remove(event->wd);
                continue;
            }
            if (event->mask & (IN_CREATE | IN_DELETE)) {
                if (event->len > 0 && isVideoNodeName(event->name)) {
                    devicesChanged = true;
                    relevant = true;
                }
                continue;
            }
            relevant = true;
        }
    }
    if (devicesChanged)
        watchDevices();
    if (!relevant)
        return;
    m_stale = true;
    // A camera application, udev and PipeWire open a node in bursts; answer
    // once the burst is over.
    m_hintJob = m_runtime.after(kEventQuietSeconds, [this] {
        if (m_hint)
            m_hint();
    });
}

SensorReading ProcCameraSensor::probe()
{
    if (m_procFd < 0)
        return SensorReading::unknown;
    if (m_inotifyFd >= 0 && m_deviceNodes == 0) {
        m_holders.clear();
        return SensorReading::no;
    }
    const double now = m_runtime.monotonic();
    if (m_stale || m_inotifyFd < 0 || m_fullScans == 0 || now - m_lastFullScan >= kFullScanSeconds
        || now < m_lastFullScan) {
        m_stale = false;
        m_lastFullScan = now;
        fullScan();
    } else {
        for (auto it = m_holders.begin(); it != m_holders.end();)
            it = holdsDevice(*it) ? std::next(it) : m_holders.erase(it);
    }
    return m_holders.isEmpty() ? SensorReading::no : SensorReading::yes;
}

void ProcCameraSensor::fullScan()
{
    ++m_fullScans;
    m_holders.clear();
    const uid_t uid = ::getuid();
    procfs::forEachPid(m_procFd, [&](qint64 pid, const char *name) {
        struct stat st {};
        if (::fstatat(m_procFd, name, &st, 0) != 0 || (uid != 0 && st.st_uid != uid))
            return;
        if (holdsDevice(pid) && !isIgnoredDaemon(pid))
            m_holders.insert(pid);
    });
}

bool ProcCameraSensor::holdsDevice(qint64 pid) const
{
    char path[64];
    std::snprintf(path, sizeof path, "%lld/fd", static_cast<long long>(pid));
    const int fdDir = ::openat(m_procFd, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdDir < 0)
        return false;
    bool holds = false;
    procfs::forEachPid(fdDir, [&](qint64, const char *fdName) {
        if (holds)
            return;
        const QByteArray target = procfs::readLink(fdDir, fdName);
        holds = target.startsWith(m_devicePrefix) && target.size() > m_devicePrefix.size()
                && isVideoNodeName(target.constData() + m_devicePrefix.size() - 5);
    });
    ::close(fdDir);
    return holds;
}

bool ProcCameraSensor::isIgnoredDaemon(qint64 pid) const
{
    char path[64];
    std::snprintf(path, sizeof path, "%lld/comm", static_cast<long long>(pid));
    const QByteArray comm = procfs::readSmallFile(m_procFd, path, 64).trimmed();
    return comm == "pipewire" || comm == "wireplumber" || comm == "pipewire-media-session"
           || comm == "pipewire-media-";
}

} // namespace stirwell
