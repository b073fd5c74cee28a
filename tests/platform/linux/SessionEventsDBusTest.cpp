// Sleep and lock events from logind and the desktops' screensavers, through
// a private system bus and a private session bus with python-dbusmock
// standing in for logind, GNOME's screensaver and KDE's.
#include "platform/linux/dbus/LogindScreenSaverEventSource.h"
#include "runtime/SystemRuntime.h"
#include "services/system/SleepWakeObserver.h"

#include "support/PrivateBus.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QDBusVariant>
#include <QStringList>
#include <QTest>

#include <unistd.h>

using namespace stirwell;
using stirwell::test::DBusMock;
using stirwell::test::PrivateBus;
using stirwell::test::waitFor;

namespace {

const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/auto");
// Long enough for any duplicate to have been folded in or reported.
constexpr int kQuietMs = 2 * 1000 * SleepWakeObserver::kLockDebounceSeconds + 300;

class SessionEventsDBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!systemBus.error().isEmpty() || !sessionBus.error().isEmpty())
            GTEST_SKIP() << "no private D-Bus: " << systemBus.error().toStdString() << sessionBus.error().toStdString();
        logind = std::make_unique<DBusMock>(systemBus, QStringList{"--template", "logind"}, "org.freedesktop.login1");
        gnome = std::make_unique<DBusMock>(sessionBus, QStringList{"--template", "gnome_screensaver"},
                                           "org.gnome.ScreenSaver");
        kde = std::make_unique<DBusMock>(
            sessionBus, QStringList{"org.freedesktop.ScreenSaver", "/ScreenSaver", "org.freedesktop.ScreenSaver"},
            "org.freedesktop.ScreenSaver");
        for (DBusMock *mock : {logind.get(), gnome.get(), kde.get()}) {
            if (!mock->error().isEmpty())
                GTEST_SKIP() << "python-dbusmock unavailable: " << mock->error().toStdString();
        }
        // logind answers GetSession("auto") with .../session/auto.
        ASSERT_EQ(logind->mock("/org/freedesktop/login1", "AddSession",
                               {"auto", "seat0", uint(getuid()), "me", true})
                      .type(),
                  QDBusMessage::ReplyMessage);
        // KDE signals on a second path as well.
        ASSERT_EQ(kde->mock("/ScreenSaver", "AddObject",
                            {"/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", QVariantMap(),
                             test::mockMethods({})})
                      .type(),
                  QDBusMessage::ReplyMessage)
            << "AddObject";

        observer.onSleep = [this] { calls << "sleep"; };
        observer.onWake = [this] { calls << "wake"; };
        observer.onScreensLocked = [this] { calls << "locked"; };
        observer.onScreensUnlocked = [this] { calls << "unlocked"; };
    }

    void startObserving()
    {
        observer.start();
        ASSERT_TRUE(waitFor([this] { return !source.sessionPath().isEmpty(); })) << "GetSession(auto) unanswered";
        ASSERT_EQ(source.sessionPath(), kSessionPath);
    }

    void setLockedHint(bool locked)
    {
        ASSERT_EQ(logind->call(kSessionPath, "org.freedesktop.login1.Session", "SetLockedHint", {locked}).type(),
                  QDBusMessage::ReplyMessage);
    }
    void setGnomeActive(bool active)
    {
        ASSERT_EQ(gnome->call("/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "SetActive", {active}).type(),
                  QDBusMessage::ReplyMessage);
    }
    void emitKdeActiveChanged(const QString &path, bool active)
    {
        ASSERT_EQ(kde->mock(path, "EmitSignal",
                            {"org.freedesktop.ScreenSaver", "ActiveChanged", "b", QVariantList{active}})
                      .type(),
                  QDBusMessage::ReplyMessage);
    }
    void emitPrepareForSleep(bool goingToSleep)
    {
        ASSERT_EQ(logind->mock("/org/freedesktop/login1", "EmitSignal",
                               {"org.freedesktop.login1.Manager", "PrepareForSleep", "b", QVariantList{goingToSleep}})
                      .type(),
                  QDBusMessage::ReplyMessage);
    }

    // Waits for the expected calls, then a little longer so that duplicates show.
    void expectCalls(const QStringList &expected)
    {
        (void)waitFor([&] { return calls.size() >= expected.size(); });
        QTest::qWait(kQuietMs);
        EXPECT_EQ(calls, expected);
    }

    PrivateBus systemBus;
    PrivateBus sessionBus;
    std::unique_ptr<DBusMock> logind;
    std::unique_ptr<DBusMock> gnome;
    std::unique_ptr<DBusMock> kde;
    SystemRuntime runtime;
    LogindScreenSaverEventSource source{systemBus.connection(), sessionBus.connection()};
    SleepWakeObserver observer{runtime, source};
    QStringList calls;
};

} // namespace

TEST_F(SessionEventsDBus, GnomeLockGivesOneLockAndOneUnlock)
{
    startObserving();
    // GNOME: the shield comes up and the shell sets the session's LockedHint.
    setGnomeActive(true);
    setLockedHint(true);
    expectCalls({"locked"});
    setGnomeActive(false);
    setLockedHint(false);
    expectCalls({"locked", "unlocked"});
}

TEST_F(SessionEventsDBus, KdeSignalsOnTwoPathsAreFolded)
{
    startObserving();
    emitKdeActiveChanged("/ScreenSaver", true);
    emitKdeActiveChanged("/org/freedesktop/ScreenSaver", true);
    setLockedHint(true);
    expectCalls({"locked"});
    setLockedHint(false);
    emitKdeActiveChanged("/ScreenSaver", false);
    emitKdeActiveChanged("/org/freedesktop/ScreenSaver", false);
    expectCalls({"locked", "unlocked"});
}

TEST_F(SessionEventsDBus, SuspendAndResumeFromLogind)
{
    startObserving();
    emitPrepareForSleep(true);
    emitPrepareForSleep(true); // a repeat is no second sleep
    ASSERT_TRUE(waitFor([this] { return calls.size() == 1; }));
    emitPrepareForSleep(false);
    expectCalls({"sleep", "wake"});
}

TEST_F(SessionEventsDBus, ASessionLockedAtStartIsReported)
{
    setLockedHint(true);
    startObserving();
    expectCalls({"locked"});
}

TEST_F(SessionEventsDBus, NothingArrivesAfterStop)
{
    startObserving();
    observer.stop();
    emitPrepareForSleep(true);
    setLockedHint(true);
    setGnomeActive(true);
    QTest::qWait(kQuietMs);
    EXPECT_TRUE(calls.isEmpty()) << calls.join(',').toStdString();
}

TEST_F(SessionEventsDBus, AScreensaverThatVanishesHoldsNoLock)
{
    startObserving();
    setGnomeActive(true);
    expectCalls({"locked"});
    gnome->kill(); // the shell crashed while the shield was up
    expectCalls({"locked", "unlocked"});
}
