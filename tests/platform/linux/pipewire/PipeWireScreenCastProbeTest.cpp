#include "platform/linux/pipewire/PipeWireScreenCastProbe.h"

#include "../meetings/PlatformWait.h"
#include "runtime/virtual/VirtualRuntime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <memory>

using namespace stirwell;
using stirwell::test::waitUntil;

namespace {

// The modules a client needs to publish streams and link them; no session
// manager, no devices, no D-Bus.
constexpr const char kDaemonConfig[] = R"(
context.properties = {
    core.daemon = true
    core.name = pipewire-0
    support.dbus = false
}
context.spa-libs = {
    support.* = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-access }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
]
context.objects = [
    { factory = spa-node-factory
        args = {
            factory.name = support.node.driver
            node.name = Dummy-Driver
            priority.driver = 20000
        }
    }
]
)";

// A private PipeWire daemon in a temporary runtime directory, reached
// through PIPEWIRE_RUNTIME_DIR, and video nodes published by
// pipewire_test_node.
class PipeWireScreenCastProbeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<QProcess> daemon;
    std::vector<std::unique_ptr<QProcess>> nodes;
    QByteArray savedRuntimeDir;
    QByteArray savedRemote;
    VirtualRuntime runtime{1'741'356'200};

    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pipewire")).isEmpty())
            GTEST_SKIP() << "pipewire is not installed";
        QFile config(dir.filePath(QStringLiteral("daemon.conf")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(kDaemonConfig);
        config.close();
        savedRuntimeDir = qgetenv("PIPEWIRE_RUNTIME_DIR");
        savedRemote = qgetenv("PIPEWIRE_REMOTE");
        qputenv("PIPEWIRE_RUNTIME_DIR", QFile::encodeName(dir.path()));
        qunsetenv("PIPEWIRE_REMOTE");
        const QString failure = startDaemon();
        if (!failure.isEmpty())
            GTEST_SKIP() << failure.toStdString();
    }

    void TearDown() override
    {
        for (auto &node : nodes)
            stop(*node);
        if (daemon)
            stop(*daemon);
        restore("PIPEWIRE_RUNTIME_DIR", savedRuntimeDir);
        restore("PIPEWIRE_REMOTE", savedRemote);
    }

    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    static void stop(QProcess &process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PIPEWIRE_RUNTIME_DIR"), dir.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        env.remove(QStringLiteral("PIPEWIRE_REMOTE"));
        env.remove(QStringLiteral("PIPEWIRE_DEBUG"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.remove(QStringLiteral("DISPLAY"));
        return env;
    }

    QString socketPath() const { return dir.filePath(QStringLiteral("pipewire-0")); }

    // Empty on success, else why the daemon is not there.
    QString startDaemon()
    {
        QFile::remove(socketPath());
        daemon = std::make_unique<QProcess>();
        daemon->setProcessEnvironment(environment());
        daemon->setStandardOutputFile(QProcess::nullDevice());
        daemon->setStandardErrorFile(dir.filePath(QStringLiteral("daemon.log")), QIODevice::Append);
        daemon->start(QStringLiteral("pipewire"), {QStringLiteral("-c"), dir.filePath(QStringLiteral("daemon.conf"))});
        if (!daemon->waitForStarted(3000))
            return QStringLiteral("pipewire did not start: ") + daemon->errorString();
        if (!waitUntil([&] { return QFileInfo::exists(socketPath()) || daemon->state() == QProcess::NotRunning; }, 5000)
            || daemon->state() == QProcess::NotRunning)
            return QStringLiteral("pipewire did not come up (see daemon.log)");
        return {};
    }

    // Publishes a video node with `properties`; `consumer` names the
    // application that watches it ("" for none). Waits until it is there.
    QProcess &publish(const QStringList &properties, const QString &consumer = QString())
    {
        nodes.push_back(std::make_unique<QProcess>());
        QProcess &node = *nodes.back();
        node.setProcessEnvironment(environment());
        node.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments = properties;
        if (!consumer.isEmpty())
            arguments.prepend(QStringLiteral("--consume=") + consumer);
        node.start(QStringLiteral(PIPEWIRE_TEST_NODE), arguments);
        EXPECT_TRUE(node.waitForStarted(3000));
        EXPECT_TRUE(waitUntil([&] { return node.canReadLine() || node.state() == QProcess::NotRunning; }, 5000));
        EXPECT_TRUE(node.readLine().startsWith("ready")) << properties.join(QLatin1Char(' ')).toStdString();
        return node;
    }

    static bool reads(PipeWireScreenCastProbe &probe, SensorReading expected)
    {
        return waitUntil([&] { return probe.screenCastActive() == expected; }, 5000);
    }
};

const QStringList kWlrCast = {QStringLiteral("media.class=Video/Source"), QStringLiteral("media.name=xdpw-stream-Qx81ab"),
                              QStringLiteral("node.name=xdg-desktop-portal-wlr")};
const QStringList kGnomeCast = {QStringLiteral("media.name=meta-screen-cast-src"), QStringLiteral("node.name=gnome-shell")};
const QStringList kKwinCast = {QStringLiteral("media.name=kwin-screencast-DP-1")};
const QStringList kCamera = {QStringLiteral("media.class=Video/Source"), QStringLiteral("device.api=v4l2"),
                             QStringLiteral("node.name=v4l2_input.usb-webcam"), QStringLiteral("media.role=Camera")};

TEST_F(PipeWireScreenCastProbeTest, AWatchedScreencastIsSharingCamerasAndIdleCastsAreNot)
{
    PipeWireScreenCastProbe probe(runtime);
    ASSERT_TRUE(reads(probe, SensorReading::no)) << "no answer from the private daemon";

    // Seen before the cast below (the registry announces in order), so once
    // the probe says yes it has judged these too.
    QProcess &camera = publish(kCamera, QStringLiteral("zoom"));
    QProcess &idleCast = publish(kGnomeCast);
    QProcess &cast = publish(kWlrCast, QStringLiteral("chromium"));
    EXPECT_TRUE(reads(probe, SensorReading::yes));

    stop(cast);
    EXPECT_TRUE(reads(probe, SensorReading::no));
    EXPECT_EQ(camera.state(), QProcess::Running) << "the camera must still stream for this to show anything";
    EXPECT_EQ(idleCast.state(), QProcess::Running);
    // And it stays so: nothing else in the graph counts.
    QThread::msleep(200);
    EXPECT_EQ(probe.screenCastActive(), SensorReading::no);
}

TEST_F(PipeWireScreenCastProbeTest, ACastWatchedOnlyByTheDesktopsThumbnailsIsNotSharing)
{
    PipeWireScreenCastProbe probe(runtime);
    ASSERT_TRUE(reads(probe, SensorReading::no));
    publish(kKwinCast, QStringLiteral("plasmashell"));
    QProcess &shared = publish(kGnomeCast, QStringLiteral("firefox"));
    EXPECT_TRUE(reads(probe, SensorReading::yes));
    stop(shared);
    EXPECT_TRUE(reads(probe, SensorReading::no));
}

TEST_F(PipeWireScreenCastProbeTest, UnknownWhileNoDaemonRunsAndBackAfterThirtySeconds)
{
    PipeWireScreenCastProbe probe(runtime);
    ASSERT_TRUE(reads(probe, SensorReading::no));
    publish(kWlrCast, QStringLiteral("zoom"));
    ASSERT_TRUE(reads(probe, SensorReading::yes));

    stop(*daemon);
    EXPECT_TRUE(reads(probe, SensorReading::unknown)) << "a lost daemon must not read as no sharing";

    // The probe never starts a daemon of its own.
    runtime.advance(31);
    EXPECT_EQ(probe.screenCastActive(), SensorReading::unknown);
    EXPECT_FALSE(QFileInfo::exists(socketPath()));

    const QString failure = startDaemon();
    if (!failure.isEmpty())
        GTEST_SKIP() << failure.toStdString();
    // Retried at most every 30 seconds.
    runtime.advance(10);
    QThread::msleep(200);
    EXPECT_EQ(probe.screenCastActive(), SensorReading::unknown);
    runtime.advance(21);
    EXPECT_TRUE(reads(probe, SensorReading::no));
}

TEST_F(PipeWireScreenCastProbeTest, UnknownWhenNoDaemonIsReachableAtStart)
{
    stop(*daemon);
    PipeWireScreenCastProbe probe(runtime);
    EXPECT_EQ(probe.screenCastActive(), SensorReading::unknown);
    QThread::msleep(100);
    EXPECT_EQ(probe.screenCastActive(), SensorReading::unknown);
    EXPECT_EQ(probe.backendName(), QStringLiteral("libpipewire"));
}

} // namespace
