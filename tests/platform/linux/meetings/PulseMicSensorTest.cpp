#include "platform/linux/pulse/PulseMicSensor.h"

#include "PlatformWait.h"
#include "runtime/virtual/VirtualRuntime.h"

#include <QDir>
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

// A private PulseAudio with a null sink "spk" and two null sources, "mic"
// (the default) and "other", reached through PULSE_SERVER.
class PulseMicSensorTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QProcess server;
    std::vector<std::unique_ptr<QProcess>> clients;
    QByteArray savedServer;
    VirtualRuntime runtime{1'741'356'200};
    int hints = 0;

    void SetUp() override
    {
        const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulseaudio.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
            GTEST_SKIP() << "pulseaudio or parec is not installed";
        const QString socket = dir.filePath(QStringLiteral("native"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir.path());
        env.remove(QStringLiteral("PULSE_SERVER"));
        // Off the session bus: servers of tests running side by side would
        // otherwise compete for the bus name "org.PulseAudio1".
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.remove(QStringLiteral("DISPLAY"));
        server.setProcessEnvironment(env);
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.setStandardOutputFile(QProcess::nullDevice());
        server.start(pulseaudio,
                     {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                      QStringLiteral("--disallow-exit"), QStringLiteral("--use-pid-file=no"),
                      QStringLiteral("--disable-shm=yes"), QStringLiteral("--log-level=error"),
                      QStringLiteral("-L"), QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(socket),
                      QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=spk"),
                      QStringLiteral("-L"), QStringLiteral("module-null-source source_name=mic"),
                      QStringLiteral("-L"), QStringLiteral("module-null-source source_name=other")});
        if (!server.waitForStarted(3000))
            GTEST_SKIP() << "pulseaudio did not start: " << server.errorString().toStdString();
        savedServer = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
        if (!waitUntil([&] { return QFileInfo::exists(socket) || server.state() == QProcess::NotRunning; }, 5000)
            || server.state() == QProcess::NotRunning)
            GTEST_SKIP() << "pulseaudio did not come up";
        if (QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("set-default-source"), QStringLiteral("mic")}) != 0)
            GTEST_SKIP() << "pactl cannot reach the private server";
    }

    void TearDown() override
    {
        for (auto &client : clients) {
            client->kill();
            client->waitForFinished(2000);
        }
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            if (!server.waitForFinished(3000)) {
                server.kill();
                server.waitForFinished(2000);
            }
        }
        if (savedServer.isNull())
            qunsetenv("PULSE_SERVER");
        else
            qputenv("PULSE_SERVER", savedServer);
    }

    QProcess &startClient(const QString &program, const QStringList &arguments)
    {
        clients.push_back(std::make_unique<QProcess>());
        QProcess &client = *clients.back();
        client.setStandardOutputFile(QProcess::nullDevice());
        client.start(program, arguments);
        EXPECT_TRUE(client.waitForStarted(3000));
        return client;
    }

    static int sourceOutputCount()
    {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("source-outputs")});
        pactl.waitForFinished(3000);
        return static_cast<int>(pactl.readAllStandardOutput().count('\n'));
    }

    // Waits for the sensor to settle on `expected`.
    static bool reads(PulseMicSensor &sensor, SensorReading expected)
    {
        return waitUntil([&] { return sensor.probe() == expected; }, 5000);
    }
};

TEST_F(PulseMicSensorTest, ARunningRecorderOnTheDefaultSourceIsUseOthersAreNot)
{
    PulseMicSensor sensor(runtime);
    sensor.setChangeHint([this] { ++hints; });
    ASSERT_TRUE(reads(sensor, SensorReading::no)) << "no answer from the private server";
    const int hintsAtRest = hints;

    // Recording another source, and a recorder that is corked: not in use.
    startClient(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("other")});
    startClient(QStringLiteral(PULSE_TEST_RECORDER), {QStringLiteral("mic"), QStringLiteral("corked")});
    ASSERT_TRUE(waitUntil([] { return sourceOutputCount() == 2; }));
    QThread::msleep(200);
    QCoreApplication::processEvents();
    EXPECT_EQ(sensor.probe(), SensorReading::no);

    // parec on the default source: in use, and the sensor says so by itself.
    QProcess &recorder = startClient(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("mic")});
    EXPECT_TRUE(waitUntil([&] { return hints > hintsAtRest; })) << "no change hint";
    EXPECT_TRUE(reads(sensor, SensorReading::yes));

    recorder.kill();
    recorder.waitForFinished(2000);
    EXPECT_TRUE(reads(sensor, SensorReading::no));
}

TEST_F(PulseMicSensorTest, TheDefaultSourceDecides)
{
    PulseMicSensor sensor(runtime);
    startClient(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("other")});
    ASSERT_TRUE(reads(sensor, SensorReading::no));
    ASSERT_EQ(QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("set-default-source"), QStringLiteral("other")}), 0);
    EXPECT_TRUE(reads(sensor, SensorReading::yes));
}

TEST_F(PulseMicSensorTest, ALostServerReadsUnknown)
{
    PulseMicSensor sensor(runtime);
    ASSERT_TRUE(reads(sensor, SensorReading::no));
    server.terminate();
    server.waitForFinished(3000);
    EXPECT_TRUE(reads(sensor, SensorReading::unknown));
}

TEST(PulseMicSensorWithoutServer, IsUnknownAndStartsNoServer)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(dir.filePath(QStringLiteral("absent"))));
    VirtualRuntime runtime{1'741'356'200};
    {
        PulseMicSensor sensor(runtime);
        QThread::msleep(100);
        QCoreApplication::processEvents();
        EXPECT_EQ(sensor.probe(), SensorReading::unknown);
        runtime.advance(31);
        EXPECT_EQ(sensor.probe(), SensorReading::unknown); // tries again, quietly
    }
    if (saved.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", saved);
}

} // namespace
