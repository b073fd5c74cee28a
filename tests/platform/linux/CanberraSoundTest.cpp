// The cue sounds played through libcanberra into a private PulseAudio
// server's null sink, and recorded back from the sink's monitor.
#include "platform/linux/canberra/CanberraSoundPlayer.h"
#include "services/storage/PreferencesStore.h"
#include "services/system/SoundService.h"

#include "support/PrivateBus.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <cstring>
#include <string_view>

using namespace stirwell;
using stirwell::test::waitFor;

namespace {

// A private PulseAudio with one null sink "cues", for this test alone.
class PrivatePulse {
public:
    PrivatePulse()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty() || QStandardPaths::findExecutable("parec").isEmpty()) {
            m_error = "pulseaudio or parec is not installed";
            return;
        }
        m_socket = m_dir.filePath("native");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_dir.path());
        environment.insert("XDG_RUNTIME_DIR", m_dir.path());
        environment.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        // No bus and no display: a server that finds neither would start or
        // share a D-Bus daemon through the X display, and two test servers
        // running at once would then contend for the same names.
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        environment.remove("DISPLAY");
        m_server.setProcessEnvironment(environment);
        m_server.setStandardOutputFile(QProcess::nullDevice());
        m_server.setStandardErrorFile(m_dir.filePath("pulseaudio.log"));
        m_server.start("pulseaudio",
                       {"--daemonize=no", "-n", "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no",
                        // The sink first: once the socket is there, the sink is too.
                        "--load=module-null-sink sink_name=cues rate=44100 channels=1",
                        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + m_socket});
        if (!m_server.waitForStarted(5000)) {
            m_error = "pulseaudio does not start";
            return;
        }
        if (!waitFor([this] { return QFileInfo::exists(m_socket) || m_server.state() != QProcess::Running; }, 10000)
            || m_server.state() != QProcess::Running) {
            m_error = "pulseaudio did not open its socket";
            return;
        }
        const bool answers = waitFor(
            [this] {
                QProcess pactl;
                pactl.start("pactl", {"--server=" + serverAddress(), "list", "short", "sinks"});
                return pactl.waitForFinished(3000) && pactl.exitCode() == 0
                       && pactl.readAllStandardOutput().contains("cues");
            },
            10000);
        if (!answers)
            m_error = "pulseaudio does not answer";
    }
    ~PrivatePulse()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(3000))
            m_server.kill();
        m_server.waitForFinished(3000);
    }
    [[nodiscard]] const QString &error() const { return m_error; }
    [[nodiscard]] QString serverAddress() const { return "unix:" + m_socket; }

private:
    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_server;
    QString m_error;
};

// Records the sink's monitor as raw 16-bit mono samples.
class MonitorRecording {
public:
    explicit MonitorRecording(const QString &server)
    {
        m_parec.start("parec", {"--server=" + server, "--device=cues.monitor", "--raw", "--format=s16le",
                                "--channels=1", "--rate=44100", "--latency-msec=20"});
        m_parec.waitForStarted(5000);
    }
    ~MonitorRecording() { stop(); }
    void stop()
    {
        if (m_parec.state() == QProcess::NotRunning)
            return;
        m_parec.terminate();
        if (!m_parec.waitForFinished(3000))
            m_parec.kill();
        m_parec.waitForFinished(3000);
        m_data += m_parec.readAllStandardOutput();
    }
    void drain() { m_data += m_parec.readAllStandardOutput(); }
    // The loudest sample so far, 0..32768.
    [[nodiscard]] int peak()
    {
        drain();
        int peak = 0;
        for (qsizetype i = 0; i + 1 < m_data.size(); i += 2) {
            qint16 sample = 0;
            std::memcpy(&sample, m_data.constData() + i, sizeof sample);
            peak = std::max(peak, std::abs(int(sample)));
        }
        return peak;
    }

private:
    QProcess m_parec;
    QByteArray m_data;
};

class CanberraSound : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pulse.error().isEmpty())
            GTEST_SKIP() << pulse.error().toStdString();
        m_savedServer = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", pulse.serverAddress().toUtf8());
        player = std::make_unique<CanberraSoundPlayer>("com.stirwell.app", "Stirwell");
    }
    void TearDown() override
    {
        player.reset();
        if (m_savedServer.isNull())
            qunsetenv("PULSE_SERVER");
        else
            qputenv("PULSE_SERVER", m_savedServer);
    }

    PrivatePulse pulse;
    std::unique_ptr<CanberraSoundPlayer> player;
    QByteArray m_savedServer;
};

constexpr int kAudible = 1000; // of 32768; silence records as 0

} // namespace

TEST_F(CanberraSound, EveryCueReachesTheSoundServerWithoutBlocking)
{
    PreferencesStore prefs;
    SoundService sounds(*player, prefs, STIRWELL_SOUNDS_DIR);
    const std::vector<std::pair<const char *, void (SoundService::*)()>> cues = {
        {"nudge", &SoundService::playNudge},
        {"break-start", &SoundService::playBreakStart},
        {"break-complete", &SoundService::playBreakComplete},
        {"streak-lost", &SoundService::playStreakLost},
    };
    // The first sound connects to the server; the cues are timed after that.
    (void)player->playThemeSound("stirwell-no-such-sound");
    for (const auto &[name, play] : cues) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(QFileInfo::exists(sounds.cuePath(name)));
        MonitorRecording recording(pulse.serverAddress());
        QTest::qWait(300); // the recorder is connected
        QElapsedTimer timer;
        timer.start();
        (sounds.*play)();
        // Starts the cue and returns: the longest one lasts 1.2 s.
        if (std::string_view(name) == "break-complete") {
            EXPECT_LT(timer.elapsed(), 1000);
        }
        EXPECT_TRUE(waitFor([&] { return recording.peak() > kAudible; }, 5000)) << "peak " << recording.peak();
    }
}

TEST_F(CanberraSound, MutedCuesStaySilent)
{
    PreferencesStore prefs;
    prefs.setBool("enableSounds", false);
    SoundService sounds(*player, prefs, STIRWELL_SOUNDS_DIR);
    MonitorRecording recording(pulse.serverAddress());
    QTest::qWait(300);
    sounds.playBreakComplete();
    QTest::qWait(1000);
    EXPECT_LT(recording.peak(), kAudible);
}

TEST_F(CanberraSound, ThemeSoundsPlayAndUnknownOnesAreRefused)
{
    EXPECT_FALSE(player->playThemeSound("stirwell-no-such-sound"));
    EXPECT_FALSE(player->playFile("/nonexistent/nudge.wav"));
    if (!QFileInfo::exists("/usr/share/sounds/freedesktop/stereo/complete.oga"))
        GTEST_SKIP() << "the freedesktop sound theme is not installed";
    MonitorRecording recording(pulse.serverAddress());
    QTest::qWait(300);
    EXPECT_TRUE(player->playThemeSound("complete"));
    EXPECT_TRUE(waitFor([&] { return recording.peak() > kAudible; }, 5000)) << "peak " << recording.peak();
}
