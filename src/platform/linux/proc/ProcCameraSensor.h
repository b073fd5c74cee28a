#pragma once

#include "runtime/Job.h"
#include "services/meetings/DeviceUsageSensor.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>

#include <memory>

class QSocketNotifier;

namespace stirwell {

class Runtime;

// Is a video capture device (/dev/video*) open in some process of this user?
//
// Scanning every process's open files costs several percent of a core if
// done blindly every few seconds, so the scan is driven by inotify: every
// open or close of a device node (by anyone, sandboxed applications too)
// marks the answer stale and, after 300 ms of quiet, hints the caller, whose
// next probe scans /proc. Between events a probe only re-checks the
// processes last seen holding a device; a full scan also runs every five
// minutes as a safety net (a device handed over a socket shows no open), and
// on every probe when inotify is unavailable. Without any video node (no
// camera plugged in) the answer is no and nothing is scanned.
//
// Processes of other users cannot be inspected and are not counted; the
// PipeWire and WirePlumber daemons, which may keep devices open while idle,
// are ignored. `unknown` when the process tree cannot be read.
class ProcCameraSensor : public QObject, public DeviceUsageSensor {
    Q_OBJECT
public:
    ProcCameraSensor(Runtime &runtime, const QString &deviceRoot = QStringLiteral("/dev"),
                     const QString &procRoot = QStringLiteral("/proc"), QObject *parent = nullptr);
    ~ProcCameraSensor() override;

    SensorReading probe() override;
    QString backendName() const override;
    void setChangeHint(std::function<void()> hint) override;

    // The processes seen holding a device at the last probe.
    [[nodiscard]] QList<qint64> holders() const { return m_holders.values(); }
    [[nodiscard]] int fullScanCount() const { return m_fullScans; }

    static constexpr double kFullScanSeconds = 300;

private:
    void watchDevices();
    void readEvents();
    void fullScan();
    [[nodiscard]] bool holdsDevice(qint64 pid) const;
    [[nodiscard]] bool isIgnoredDaemon(qint64 pid) const;

    Runtime &m_runtime;
    QString m_deviceRoot;
    QByteArray m_devicePrefix; // "<deviceRoot>/video"
    int m_procFd = -1;
    int m_inotifyFd = -1;
    QHash<int, QByteArray> m_deviceWatches; // watch descriptor → node name
    int m_deviceNodes = 0;                  // video nodes at the last listing
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_hint;
    Job m_hintJob;
    bool m_stale = true;
    double m_lastFullScan = 0;
    int m_fullScans = 0;
    QSet<qint64> m_holders;
};

} // namespace stirwell
