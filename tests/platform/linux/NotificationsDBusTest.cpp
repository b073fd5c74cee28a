// Stirwell's notifications as a freedesktop notification server receives
// them: python-dbusmock's notification daemon on a private session bus.
#include "platform/linux/dbus/FreedesktopNotificationServer.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/storage/PreferencesStore.h"
#include "services/system/NotificationService.h"

#include "support/PrivateBus.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace stirwell;
using stirwell::test::DBusMock;
using stirwell::test::PrivateBus;
using stirwell::test::waitFor;

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kName = QStringLiteral("org.freedesktop.Notifications");
// 2023-11-14 20:00 in Europe/Berlin: evening.
constexpr double kEvening = 1'699'920'000 + 19 * 3600;

// One Notify call as the server got it.
struct Received {
    QString appName;
    uint replacesId = 0;
    QString icon;
    QString title;
    QString body;
    QJsonObject hints;
};

class NotificationsDBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!bus.error().isEmpty())
            GTEST_SKIP() << "no private D-Bus: " << bus.error().toStdString();
        startDaemon();
        if (!daemon->error().isEmpty())
            GTEST_SKIP() << "python-dbusmock unavailable: " << daemon->error().toStdString();
        bool granted = false;
        bool answered = false;
        service.requestPermission([&](bool ok) {
            granted = ok;
            answered = true;
        });
        ASSERT_TRUE(waitFor([&] { return answered; }));
        ASSERT_TRUE(granted);
        ASSERT_TRUE(service.hasPermission());
    }

    void startDaemon()
    {
        daemon = std::make_unique<DBusMock>(bus, QStringList{"--template", "notification_daemon"}, kName);
        // The Notify calls, arguments and all, as JSON.
        daemon->mock(kPath, "AddMethod",
                     {"org.stirwell.Test", "NotifyCalls", "", "s",
                      "import json\nret = json.dumps([list(c[2]) for c in self.call_log if c[1] == 'Notify'])"});
    }

    std::vector<Received> received()
    {
        const QDBusMessage reply = daemon->call(kPath, "org.stirwell.Test", "NotifyCalls");
        std::vector<Received> calls;
        if (reply.type() != QDBusMessage::ReplyMessage)
            return calls;
        const QJsonArray array = QJsonDocument::fromJson(reply.arguments().value(0).toString().toUtf8()).array();
        for (const QJsonValue &call : array) {
            const QJsonArray a = call.toArray();
            calls.push_back({a[0].toString(), uint(a[1].toInteger()), a[2].toString(), a[3].toString(),
                             a[4].toString(), a[6].toObject()});
        }
        return calls;
    }

    // Waits until the server has received `count` notifications in all.
    std::vector<Received> waitForReceived(std::size_t count)
    {
        std::vector<Received> calls;
        (void)waitFor([&] {
            calls = received();
            return calls.size() >= count;
        });
        return calls;
    }

    PrivateBus bus;
    std::unique_ptr<DBusMock> daemon;
    VirtualRuntime runtime{kEvening, LocalCalendar::fromIanaName("Europe/Berlin")};
    PreferencesStore prefs;
    FreedesktopNotificationServer server{bus.connection(), "com.stirwell.app", "Stirwell"};
    NotificationService service{server, prefs, runtime};
};

} // namespace

TEST_F(NotificationsDBus, TheServerReceivesTitlesBodiesAndReplaceIds)
{
    service.sendBreakReminder(BreakType::extended);
    waitForReceived(1); // the reply carries the id the next one replaces
    service.sendBreakReminder(BreakType::extended);
    service.sendWalkingMeetingSuggestion("Design sync");
    service.sendNaturalBreakDetected(12);
    service.sendWindDownNudgeIfNeeded();
    service.sendWindDownNudgeIfNeeded(); // once per evening
    const std::vector<Received> calls = waitForReceived(5);
    QTest::qWait(200);
    ASSERT_EQ(received().size(), 5u);

    struct Expected {
        uint replacesId;
        QString title;
        QString body;
        bool sound;
    };
    const Expected expected[] = {
        {0, "Extended Break", "Walk outside, hydrate, and reset", true},
        {1, "Extended Break", "Walk outside, hydrate, and reset", true},
        {0, "Walking Meeting?", "\"Design sync\" is a 1:1 — consider a phone + walk", true},
        {0, "Natural Break Detected", "You were away for 12 min — timer reset", false},
        {0, "Evening Mode", "Breaks slow down now. Consider wrapping up.", false},
    };
    // A post made before the server's id for the previous one under the same
    // identifier is known goes out once the id is in, so order may vary.
    std::vector<bool> matched(calls.size(), false);
    for (const Expected &e : expected) {
        SCOPED_TRACE(e.title.toStdString() + " replacing " + std::to_string(e.replacesId));
        std::size_t i = 0;
        while (i < calls.size() && (matched[i] || calls[i].title != e.title || calls[i].replacesId != e.replacesId))
            ++i;
        ASSERT_LT(i, calls.size()) << "not received";
        matched[i] = true;
        EXPECT_EQ(calls[i].appName, "Stirwell");
        EXPECT_EQ(calls[i].icon, "com.stirwell.app");
        EXPECT_EQ(calls[i].body, e.body);
        EXPECT_EQ(calls[i].hints.value("desktop-entry").toString(), "com.stirwell.app");
        EXPECT_EQ(calls[i].hints.value("urgency").toInt(), 1);
        if (e.sound) {
            EXPECT_EQ(calls[i].hints.value("sound-name").toString(), "message-new-instant");
        } else {
            // dbus-python's Boolean is an int: it reaches JSON as 1.
            EXPECT_TRUE(calls[i].hints.value("suppress-sound").toVariant().toBool());
        }
    }
}

TEST_F(NotificationsDBus, AClosedNotificationIsNotReplaced)
{
    service.sendMicroBreakNudge();
    auto calls = waitForReceived(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].title, "👀 Eye Break");
    EXPECT_EQ(calls[0].body, "Look at something 20 feet away for 20 seconds");

    // The user dismisses it: the server says so, and the next one is new.
    // The service hears of it before this test does (it connected first).
    bool closed = false;
    QObject::connect(&server, &NotificationServer::notificationClosed, [&closed](uint) { closed = true; });
    daemon->mock(kPath, "EmitSignal", {kName, "NotificationClosed", "uu", QVariantList{1u, 2u}});
    ASSERT_TRUE(waitFor([&] { return closed; })) << "the closing never arrived";
    service.sendMicroBreakNudge();
    calls = waitForReceived(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].replacesId, 0u);
}

TEST_F(NotificationsDBus, ARestartedServerGetsNoStaleIds)
{
    service.sendBreakReminder(BreakType::movement);
    ASSERT_EQ(waitForReceived(1).size(), 1u);
    QTest::qWait(200);

    daemon->kill();
    ASSERT_TRUE(waitFor([&] { return !service.hasPermission(); })) << "the server's departure went unnoticed";
    service.sendBreakReminder(BreakType::movement); // nobody to show it: dropped
    startDaemon();
    ASSERT_TRUE(daemon->error().isEmpty());
    ASSERT_TRUE(waitFor([&] { return service.hasPermission(); })) << "the new server went unnoticed";

    service.sendBreakReminder(BreakType::movement);
    const auto calls = waitForReceived(1); // the new daemon's own log
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].replacesId, 0u);
    EXPECT_EQ(calls[0].title, "Movement");
}

TEST(NotificationsWithoutServer, NoServerMeansNoPermission)
{
    PrivateBus bus;
    if (!bus.error().isEmpty())
        GTEST_SKIP() << "no private D-Bus: " << bus.error().toStdString();
    VirtualRuntime runtime{kEvening};
    PreferencesStore prefs;
    FreedesktopNotificationServer server{bus.connection(), "com.stirwell.app", "Stirwell"};
    NotificationService service{server, prefs, runtime};
    std::optional<bool> granted;
    service.requestPermission([&](bool ok) { granted = ok; });
    ASSERT_TRUE(waitFor([&] { return granted.has_value(); }));
    EXPECT_FALSE(*granted);
    EXPECT_FALSE(service.hasPermission());
}
