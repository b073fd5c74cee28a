// Idle time from a real compositor: headless sway 1.7, which offers only
// KDE's org_kde_kwin_idle. Runs inside tests/support/sway_session.py, as the
// session's user, and types with wtype on the session's virtual keyboard.
// Virtual time makes the emulated seconds exact; the compositor's idle and
// resume events arrive in real time.
#include "platform/linux/wayland/WaylandIdleNotifySource.h"
#include "runtime/virtual/VirtualRuntime.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

using namespace stirwell;

namespace {

// wtype's status and error output, empty when it typed.
QString typeKey(const QString &key)
{
    QProcess wtype;
    wtype.start(QStringLiteral("wtype"), {QStringLiteral("-k"), key});
    if (!wtype.waitForFinished(5000))
        return QStringLiteral("wtype did not finish: ") + wtype.errorString();
    if (wtype.exitStatus() != QProcess::NormalExit || wtype.exitCode() != 0)
        return QStringLiteral("wtype failed (%1): %2")
            .arg(wtype.exitCode())
            .arg(QString::fromLocal8Bit(wtype.readAllStandardError()));
    return {};
}

// Real milliseconds until the source reports idle time, or -1 when it does
// not within `timeoutMs`.
qint64 waitForIdle(WaylandIdleNotifySource &source, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    if (!QTest::qWaitFor([&] { return source.idleSeconds().value_or(0) > 0; }, timeoutMs))
        return -1;
    return waited.elapsed();
}

} // namespace

TEST(WaylandKdeIdleOnSway, IdleGrowsWhileNothingHappensAndDropsOnInput)
{
    if (qEnvironmentVariableIsEmpty("SWAYSOCK"))
        GTEST_SKIP() << "needs the headless sway of tests/support/sway_session.py";

    VirtualRuntime runtime{1000};
    WaylandIdleNotifySource source(runtime);
    EXPECT_EQ(source.name(), "wayland-idle");
    ASSERT_TRUE(source.probe()) << "sway at $WAYLAND_DISPLAY=" << qgetenv("WAYLAND_DISPLAY").constData()
                                << " offered no idle protocol";
    EXPECT_EQ(source.name(), "wayland-kde-idle") << "sway 1.7 offers only org_kde_kwin_idle";
    EXPECT_EQ(source.idleSeconds(), 0.0);

    // The compositor says "idle" once nothing has happened for 5 s, not before.
    const qint64 firstIdleMs = waitForIdle(source, 12000);
    ASSERT_GE(firstIdleMs, 0) << "no idle event within 12 s of asking for a 5 s timeout";
    EXPECT_GE(firstIdleMs, 4000) << "idle reported after only " << firstIdleMs << " ms";
    EXPECT_EQ(source.idleSeconds(), WaylandIdleNotifySource::kNotificationSeconds);
    runtime.advance(7);
    EXPECT_EQ(source.idleSeconds(), 12.0);

    // A key on the seat: the compositor says "resumed" and idle is 0 again.
    const QString typed = typeKey(QStringLiteral("Shift_L"));
    ASSERT_TRUE(typed.isEmpty()) << typed.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return source.idleSeconds() == 0.0; }, 5000))
        << "idle still " << source.idleSeconds().value_or(-1) << " s after a key press";
    runtime.advance(3);
    EXPECT_EQ(source.idleSeconds(), 0.0);

    // The timeout keeps working: 5 s after the key the user is idle again,
    // counted from that new moment.
    const qint64 secondIdleMs = waitForIdle(source, 12000);
    ASSERT_GE(secondIdleMs, 0) << "no second idle event within 12 s of the key press";
    EXPECT_GE(secondIdleMs, 3000) << "idle again after only " << secondIdleMs << " ms";
    EXPECT_EQ(source.idleSeconds(), WaylandIdleNotifySource::kNotificationSeconds);
}
