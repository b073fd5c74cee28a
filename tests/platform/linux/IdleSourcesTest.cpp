// Idle time from the real sources: the X server's screensaver extension on
// the test's Xvfb display, and GNOME's idle monitor stood in for by
// python-dbusmock on a private session bus.
#include "platform/linux/dbus/MutterIdleMonitorSource.h"
#include "platform/linux/wayland/WaylandIdleNotifySource.h"
#include "platform/linux/x11/XScreenSaverIdleSource.h"
#include "runtime/virtual/VirtualRuntime.h"

#include "support/PrivateBus.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

using namespace stirwell;
using stirwell::test::DBusMock;
using stirwell::test::PrivateBus;

namespace {
bool moveThePointer(int x, int y)
{
    QProcess xdotool;
    xdotool.start("xdotool", {"mousemove", QString::number(x), QString::number(y)});
    return xdotool.waitForFinished(5000) && xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}
} // namespace

// The test's Xvfb display, with the pointer just moved.
class XScreenSaverIdle : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "no X display (run under scripts/with-test-env.sh)";
        if (!source.probe())
            GTEST_SKIP() << "the X server has no screensaver extension";
        if (!moveThePointer(10, 10))
            GTEST_SKIP() << "xdotool cannot move the pointer";
    }

    VirtualRuntime runtime{0};
    XScreenSaverIdleSource source{runtime};
};

TEST_F(XScreenSaverIdle, GrowsWhileNothingHappensAndResetsOnInput)
{
    QTest::qWait(100);
    const std::optional<double> start = source.idleSeconds();
    ASSERT_TRUE(start.has_value());
    QTest::qWait(1500);
    runtime.advance(1.5);
    const std::optional<double> later = source.idleSeconds();
    ASSERT_TRUE(later.has_value());
    EXPECT_GE(*later - *start, 1.3);
    EXPECT_LT(*later - *start, 3.0);

    ASSERT_TRUE(moveThePointer(200, 150));
    runtime.advance(2);
    const std::optional<double> afterInput = source.idleSeconds();
    ASSERT_TRUE(afterInput.has_value());
    EXPECT_LT(*afterInput, 0.5);
}

// At the countdown's one-second cadence an answer is the one asked for at the
// previous call: input after that call shows one call later.
TEST_F(XScreenSaverIdle, SteadyCallersGetTheAnswerAskedForAtTheirPreviousCall)
{
    QTest::qWait(1200);
    const std::optional<double> before = source.idleSeconds();
    ASSERT_TRUE(before.has_value());
    ASSERT_GE(*before, 1.0);
    QTest::qWait(300);

    ASSERT_TRUE(moveThePointer(300, 200));
    runtime.advance(1);
    const std::optional<double> oneStepOld = source.idleSeconds();
    ASSERT_TRUE(oneStepOld.has_value());
    EXPECT_GE(*oneStepOld, *before) << "answered before the input";
    runtime.advance(1);
    const std::optional<double> current = source.idleSeconds();
    ASSERT_TRUE(current.has_value());
    EXPECT_LT(*current, 0.5);
}

TEST(XScreenSaverIdleWithoutDisplay, IsUnavailable)
{
    VirtualRuntime runtime{0};
    XScreenSaverIdleSource source(runtime, ":4242");
    EXPECT_FALSE(source.probe());
    EXPECT_EQ(source.idleSeconds(), std::nullopt);
}

TEST(MutterIdleMonitor, ReadsTheCompositorsIdleTime)
{
    PrivateBus bus;
    if (!bus.error().isEmpty())
        GTEST_SKIP() << "no private D-Bus: " << bus.error().toStdString();
    VirtualRuntime runtime{0};
    MutterIdleMonitorSource source(runtime, bus.connection());
    EXPECT_FALSE(source.probe()); // nobody owns the name yet

    DBusMock mutter(bus,
                    {"org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                     "org.gnome.Mutter.IdleMonitor"},
                    "org.gnome.Mutter.IdleMonitor");
    if (!mutter.error().isEmpty())
        GTEST_SKIP() << "python-dbusmock unavailable: " << mutter.error().toStdString();
    mutter.mock("/org/gnome/Mutter/IdleMonitor/Core", "AddMethod",
                {"", "GetIdletime", "", "t", "ret = 12345"});
    ASSERT_TRUE(source.probe());
    runtime.advance(2);
    EXPECT_EQ(source.idleSeconds(), 12.345);

    // At a one-second cadence each answer is the reply to the call sent at
    // the query before.
    mutter.mock("/org/gnome/Mutter/IdleMonitor/Core", "AddMethod", {"", "GetIdletime", "", "t", "ret = 20000"});
    runtime.advance(1);
    EXPECT_EQ(source.idleSeconds(), 12.345);
    runtime.advance(1);
    EXPECT_EQ(source.idleSeconds(), 20.0);

    // A monitor that fails to answer gives no reading (not a stale one).
    mutter.mock("/org/gnome/Mutter/IdleMonitor/Core", "AddMethod",
                {"", "GetIdletime", "", "t", "raise dbus.exceptions.DBusException('busy', name='org.gnome.Failed')"});
    runtime.advance(2);
    EXPECT_EQ(source.idleSeconds(), std::nullopt);
    mutter.kill();
    runtime.advance(2);
    EXPECT_EQ(source.idleSeconds(), std::nullopt);
}

TEST(WaylandIdleNotify, NoCompositorMeansUnavailable)
{
    const QByteArray saved = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "stirwell-no-such-compositor");
    VirtualRuntime runtime{0};
    WaylandIdleNotifySource source(runtime);
    EXPECT_FALSE(source.probe());
    EXPECT_EQ(source.idleSeconds(), std::nullopt);
    if (saved.isNull())
        qunsetenv("WAYLAND_DISPLAY");
    else
        qputenv("WAYLAND_DISPLAY", saved);
}
