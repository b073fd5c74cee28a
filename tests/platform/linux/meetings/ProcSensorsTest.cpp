#include "platform/linux/proc/ProcCameraSensor.h"
#include "platform/linux/proc/ProcProcessTable.h"

#include "PlatformWait.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/meetings/MeetingApps.h"
#include "services/meetings/ScreenShareMonitor.h"
#include "support/TempXdg.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace stirwell;
using stirwell::test::waitUntil;
using stirwell::test::writeFile;

namespace {

// A device directory with two camera nodes and one that is not a camera.
class CameraFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString dev = dir.filePath(QStringLiteral("dev"));
    VirtualRuntime runtime{1'741'356'200};
    int hints = 0;
    std::vector<std::unique_ptr<QProcess>> children;

    void SetUp() override
    {
        for (const char *node : {"video0", "video1", "null"})
            writeFile(dev + QLatin1Char('/') + QLatin1String(node), {});
    }
    void TearDown() override
    {
        for (auto &child : children) {
            child->kill();
            child->waitForFinished(2000);
        }
    }

    // A child process that keeps `node` open.
    QProcess &holdOpen(const QString &node)
    {
        children.push_back(std::make_unique<QProcess>());
        QProcess &child = *children.back();
        child.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exec sleep 60 3<\"$0\""), node});
        EXPECT_TRUE(child.waitForStarted(3000));
        return child;
    }

    // Lets inotify events arrive and the 300 ms quiet period pass.
    bool hintArrives(int before)
    {
        return waitUntil([&] {
            runtime.advance(0.1);
            return hints > before;
        });
    }
};

TEST_F(CameraFixture, AChildHoldingADeviceOpenIsSeenThroughInotifyAndProc)
{
    ProcCameraSensor sensor(runtime, dev, QStringLiteral("/proc"));
    sensor.setChangeHint([this] { ++hints; });
    EXPECT_EQ(sensor.backendName(), QStringLiteral("inotify+/proc"));
    EXPECT_EQ(sensor.probe(), SensorReading::no);

    // Without events, probes do not scan /proc again.
    const int scans = sensor.fullScanCount();
    for (int i = 0; i < 5; ++i) {
        runtime.advance(3);
        EXPECT_EQ(sensor.probe(), SensorReading::no);
    }
    EXPECT_EQ(sensor.fullScanCount(), scans);

    QProcess &child = holdOpen(dev + QStringLiteral("/video1"));
    ASSERT_TRUE(hintArrives(0)) << "no inotify event for the open";
    EXPECT_EQ(sensor.probe(), SensorReading::yes);
    EXPECT_EQ(sensor.holders(), QList<qint64>{child.processId()});

    const int hintsBefore = hints;
    child.kill();
    child.waitForFinished(2000);
    ASSERT_TRUE(hintArrives(hintsBefore)) << "no inotify event for the close";
    EXPECT_EQ(sensor.probe(), SensorReading::no);

    // Opening a device node that is not a camera means nothing.
    holdOpen(dev + QStringLiteral("/null"));
    QThread::msleep(100);
    runtime.advance(1);
    EXPECT_EQ(sensor.probe(), SensorReading::no);
}

TEST_F(CameraFixture, AHotPluggedCameraIsWatched)
{
    ProcCameraSensor sensor(runtime, dev, QStringLiteral("/proc"));
    sensor.setChangeHint([this] { ++hints; });
    EXPECT_EQ(sensor.probe(), SensorReading::no);
    writeFile(dev + QStringLiteral("/video2"), {});
    ASSERT_TRUE(hintArrives(0));
    sensor.probe();
    const int hintsBefore = hints;
    holdOpen(dev + QStringLiteral("/video2"));
    ASSERT_TRUE(hintArrives(hintsBefore));
    EXPECT_EQ(sensor.probe(), SensorReading::yes);
}

TEST_F(CameraFixture, WithoutAnyCameraNodeNothingIsScannedUntilOneIsPlugged)
{
    QTemporaryDir empty;
    ProcCameraSensor sensor(runtime, empty.path(), QStringLiteral("/proc"));
    sensor.setChangeHint([this] { ++hints; });
    EXPECT_EQ(sensor.probe(), SensorReading::no);
    runtime.advance(ProcCameraSensor::kFullScanSeconds + 1);
    EXPECT_EQ(sensor.probe(), SensorReading::no);
    EXPECT_EQ(sensor.fullScanCount(), 0);

    writeFile(empty.path() + QStringLiteral("/video0"), {});
    ASSERT_TRUE(hintArrives(0));
    const int hintsBefore = hints;
    holdOpen(empty.path() + QStringLiteral("/video0"));
    ASSERT_TRUE(hintArrives(hintsBefore));
    EXPECT_EQ(sensor.probe(), SensorReading::yes);
    EXPECT_GT(sensor.fullScanCount(), 0);
}

TEST_F(CameraFixture, AProcTreeOfTheTestsOwnDecidesAndSoundDaemonsAreIgnored)
{
    const QString proc = dir.filePath(QStringLiteral("proc"));
    auto addProcess = [&](int pid, const char *comm, const QString &device) {
        const QString base = proc + QStringLiteral("/%1").arg(pid);
        writeFile(base + QStringLiteral("/comm"), QByteArray(comm) + '\n');
        QDir().mkpath(base + QStringLiteral("/fd"));
        QFile::link(QStringLiteral("/dev/pts/0"), base + QStringLiteral("/fd/0"));
        if (!device.isEmpty())
            QFile::link(device, base + QStringLiteral("/fd/7"));
    };
    addProcess(4242, "pipewire", dev + QStringLiteral("/video0"));
    addProcess(4343, "zoom", dev + QStringLiteral("/video1"));
    addProcess(4444, "bash", {});
    writeFile(proc + QStringLiteral("/self/comm"), "x\n"); // not a process entry

    ProcCameraSensor sensor(runtime, dev, proc);
    EXPECT_EQ(sensor.probe(), SensorReading::yes);
    EXPECT_EQ(sensor.holders(), QList<qint64>{4343});

    // The holder lets go: the cheap re-check sees it without a full scan.
    const int scans = sensor.fullScanCount();
    QFile::remove(proc + QStringLiteral("/4343/fd/7"));
    runtime.advance(3);
    EXPECT_EQ(sensor.probe(), SensorReading::no);
    EXPECT_EQ(sensor.fullScanCount(), scans);

    // A holder that appeared without an event is found by the safety scan.
    QFile::link(dev + QStringLiteral("/video0"), proc + QStringLiteral("/4444/fd/9"));
    runtime.advance(3);
    EXPECT_EQ(sensor.probe(), SensorReading::no);
    runtime.advance(ProcCameraSensor::kFullScanSeconds);
    EXPECT_EQ(sensor.probe(), SensorReading::yes);

    ProcCameraSensor unreadable(runtime, dev, dir.filePath(QStringLiteral("missing")));
    EXPECT_EQ(unreadable.probe(), SensorReading::unknown);
}

TEST(ProcProcessTable, ReadsNamesSandboxIdsAndCommandLines)
{
    QTemporaryDir dir;
    const QString proc = dir.path();
    writeFile(proc + QStringLiteral("/100/comm"), "zoom\n");
    writeFile(proc + QStringLiteral("/101/comm"), "bwrap\n");
    writeFile(proc + QStringLiteral("/101/cgroup"),
              "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-flatpak-com.slack.Slack-81234.scope\n");
    writeFile(proc + QStringLiteral("/102/comm"), "electron\n");
    writeFile(proc + QStringLiteral("/102/cgroup"),
              "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
              "snap.discord.discord-2b1d5f0e-2c1e-4d6a-9a57-0c3e2f7b2a10.scope\n");
    writeFile(proc + QStringLiteral("/103/comm"), "ffmpeg\n");
    writeFile(proc + QStringLiteral("/103/cmdline"), QByteArray("ffmpeg\0-f\0x11grab\0-i\0:0\0out.mkv\0", 33));
    writeFile(proc + QStringLiteral("/104/comm"), "teams-for-linu\n");
    QFile::link(QStringLiteral("/opt/teams-for-linux/teams-for-linux"), proc + QStringLiteral("/104/exe"));

    VirtualRuntime runtime{1'741'356'200};
    ProcProcessTable table(runtime, proc);
    ScreenShareMonitor sharing(table, nullptr);
    const auto &list = table.processes();
    ASSERT_EQ(list.size(), 5u);
    QMap<qint64, ProcessInfo> byPid;
    for (const ProcessInfo &p : list)
        byPid.insert(p.pid, p);
    EXPECT_EQ(byPid[101].flatpakId, QStringLiteral("com.slack.Slack"));
    EXPECT_EQ(byPid[102].snapName, QStringLiteral("discord"));
    EXPECT_EQ(byPid[104].executableName, QStringLiteral("teams-for-linux"));
    for (qint64 pid : {100, 101, 102, 104})
        EXPECT_TRUE(MeetingApps::isMeetingApp(byPid[pid])) << pid;
    EXPECT_FALSE(MeetingApps::isMeetingApp(byPid[103]));
    EXPECT_EQ(sharing.isScreenSharing(), SensorReading::yes);

    // An exec changes the short name; the process is read afresh at the
    // next full reading, a minute after the last.
    writeFile(proc + QStringLiteral("/100/comm"), "bash\n");
    auto zoomRuns = [&] {
        for (const ProcessInfo &p : table.processes())
            if (p.pid == 100)
                return MeetingApps::isMeetingApp(p);
        return false;
    };
    runtime.advance(5);
    EXPECT_TRUE(zoomRuns()) << "names are not read again at every listing";
    runtime.advance(ProcProcessTable::kRereadSeconds);
    EXPECT_FALSE(zoomRuns());

    // A new process is read at the next listing.
    writeFile(proc + QStringLiteral("/105/comm"), "zoom\n");
    runtime.advance(5);
    bool seen = false;
    for (const ProcessInfo &p : table.processes())
        seen = seen || (p.pid == 105 && MeetingApps::isMeetingApp(p));
    EXPECT_TRUE(seen);
}

TEST(ProcProcessTable, SeesARealProcessByItsName)
{
    QTemporaryDir dir;
    const QString zoom = dir.filePath(QStringLiteral("zoom"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), zoom));
    QFile::setPermissions(zoom, QFile::ReadOwner | QFile::ExeOwner);
    VirtualRuntime runtime{1'741'356'200};
    ProcProcessTable table(runtime);
    auto running = [&] {
        runtime.advance(1);
        for (const ProcessInfo &p : table.processes())
            if (MeetingApps::isMeetingApp(p))
                return true;
        return false;
    };
    EXPECT_FALSE(running());
    QProcess app;
    app.start(zoom, {QStringLiteral("60")});
    ASSERT_TRUE(app.waitForStarted(3000));
    EXPECT_TRUE(running());
    app.kill();
    app.waitForFinished(2000);
    EXPECT_FALSE(running());
}

} // namespace
