#include "runtime/virtual/VirtualRuntime.h"
#include "services/storage/PreferencesStore.h"
#include "services/system/NotificationServer.h"
#include "services/system/NotificationService.h"
#include "services/system/OncePerTokenGate.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <deque>

using namespace stirwell;

namespace {

// A notification server that hands out ids 1, 2, ... and echoes a non-zero
// replaces id, as the freedesktop servers do. Replies wait until released.
class FakeNotificationServer final : public NotificationServer {
public:
    bool available = true;
    bool autoReply = true;
    std::vector<NotificationRequest> received;
    std::deque<std::function<void()>> pendingReplies;
    uint nextId = 1;

    void notify(const NotificationRequest &request, std::function<void(std::optional<uint>)> reply) override
    {
        received.push_back(request);
        const uint id = request.replacesId ? request.replacesId : nextId++;
        pendingReplies.push_back([reply, id] { reply(id); });
        if (autoReply)
            releaseReplies();
    }
    void checkAvailable(std::function<void(bool)> reply) override { reply(available); }
    void releaseReplies()
    {
        while (!pendingReplies.empty()) {
            auto next = std::move(pendingReplies.front());
            pendingReplies.pop_front();
            next();
        }
    }
};

// 2023-11-14 in Europe/Berlin (UTC+1).
constexpr double kDayStartUtc = 1'699'920'000;        // 2023-11-14 00:00 UTC
constexpr double kMorning = kDayStartUtc + 9 * 3600;  // 10:00 local
constexpr double kEvening = kDayStartUtc + 19 * 3600; // 20:00 local

struct Fixture {
    VirtualRuntime runtime{kMorning, LocalCalendar::fromIanaName("Europe/Berlin")};
    PreferencesStore prefs;
    FakeNotificationServer server;
    NotificationService service{server, prefs, runtime};

    Fixture() { service.requestPermission(); }
};

} // namespace

TEST(NotificationService, TextsAndIdentifiers)
{
    struct Case {
        std::function<void(NotificationService &)> send;
        QString title;
        QString body;
        bool withSound;
    };
    const std::vector<Case> cases = {
        {[](auto &s) { s.sendBreakReminder(BreakType::micro); }, "Eye Break", "Look at something 20 feet away", true},
        {[](auto &s) { s.sendBreakReminder(BreakType::movement); }, "Movement", "Stand up, stretch, and move around",
         true},
        {[](auto &s) { s.sendBreakReminder(BreakType::exerciseSnack); }, "Exercise Snack",
         "Quick vigorous movement — squats, stairs, or jumping jacks", true},
        {[](auto &s) { s.sendBreakReminder(BreakType::extended); }, "Extended Break",
         "Walk outside, hydrate, and reset", true},
        {[](auto &s) { s.sendMicroBreakNudge(); }, "👀 Eye Break", "Look at something 20 feet away for 20 seconds",
         true},
        {[](auto &s) { s.sendWalkingMeetingSuggestion("Design sync"); }, "Walking Meeting?",
         "\"Design sync\" is a 1:1 — consider a phone + walk", true},
        {[](auto &s) { s.sendNaturalBreakDetected(12); }, "Natural Break Detected",
         "You were away for 12 min — timer reset", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        Fixture f;
        c.send(f.service);
        ASSERT_EQ(f.server.received.size(), 1u);
        EXPECT_EQ(f.server.received[0].title, c.title);
        EXPECT_EQ(f.server.received[0].body, c.body);
        EXPECT_EQ(f.server.received[0].withSound, c.withSound);
        EXPECT_EQ(f.server.received[0].replacesId, 0u);
    }
    EXPECT_EQ(NotificationService::breakReminderIdentifier(BreakType::extended), "stirwell-break-extended");
    EXPECT_EQ(NotificationService::breakReminderIdentifier(BreakType::exerciseSnack), "stirwell-break-exerciseSnack");
}

TEST(NotificationService, SameIdentifierReplacesUntilClosedOrServerRestarts)
{
    Fixture f;
    f.service.sendBreakReminder(BreakType::movement);  // id 1
    f.service.sendBreakReminder(BreakType::movement);  // replaces 1
    f.service.sendBreakReminder(BreakType::extended);  // id 2, another identifier
    f.service.sendMicroBreakNudge();                   // id 3
    ASSERT_EQ(f.server.received.size(), 4u);
    EXPECT_EQ(f.server.received[1].replacesId, 1u);
    EXPECT_EQ(f.server.received[2].replacesId, 0u);

    Q_EMIT f.server.notificationClosed(1); // the user dismissed it
    f.service.sendBreakReminder(BreakType::movement);
    EXPECT_EQ(f.server.received[4].replacesId, 0u);

    Q_EMIT f.server.serverChanged(); // a new server reuses ids: forget them all
    f.service.sendMicroBreakNudge();
    EXPECT_EQ(f.server.received[5].replacesId, 0u);
}

TEST(NotificationService, ASecondPostBeforeTheFirstIdIsKnownStillReplaces)
{
    Fixture f;
    f.server.autoReply = false;
    f.service.sendNaturalBreakDetected(5);
    f.service.sendNaturalBreakDetected(6);
    f.service.sendNaturalBreakDetected(7); // only the newest waiting one is kept
    ASSERT_EQ(f.server.received.size(), 1u);
    f.server.releaseReplies();
    ASSERT_EQ(f.server.received.size(), 2u);
    EXPECT_EQ(f.server.received[1].replacesId, 1u);
    EXPECT_EQ(f.server.received[1].body, "You were away for 7 min — timer reset");
}

TEST(NotificationService, WithoutAServerNothingIsPostedAndTheGateStaysShut)
{
    Fixture f;
    f.server.available = false;
    bool answer = true;
    f.service.requestPermission([&answer](bool granted) { answer = granted; });
    EXPECT_FALSE(answer);
    EXPECT_FALSE(f.service.hasPermission());
    f.runtime.advanceTo(kEvening);
    f.service.sendBreakReminder(BreakType::micro);
    f.service.sendMicroBreakNudge();
    f.service.sendWalkingMeetingSuggestion("x");
    f.service.sendWindDownNudgeIfNeeded();
    f.service.sendNaturalBreakDetected(3);
    EXPECT_TRUE(f.server.received.empty());
    EXPECT_FALSE(f.prefs.contains(NotificationService::kWindDownKey));

    // A server that appears later is noticed.
    f.server.available = true;
    Q_EMIT f.server.serverChanged();
    EXPECT_TRUE(f.service.hasPermission());
}

TEST(NotificationService, WindDownOncePerEveningAndOnlyInTheEvening)
{
    Fixture f;
    f.service.sendWindDownNudgeIfNeeded(); // 10:00: not evening
    EXPECT_TRUE(f.server.received.empty());
    EXPECT_FALSE(f.prefs.contains(NotificationService::kWindDownKey));

    f.runtime.advanceTo(kEvening);
    f.service.sendWindDownNudgeIfNeeded();
    f.service.sendWindDownNudgeIfNeeded();
    ASSERT_EQ(f.server.received.size(), 1u);
    EXPECT_EQ(f.server.received[0].title, "Evening Mode");
    EXPECT_EQ(f.server.received[0].body, "Breaks slow down now. Consider wrapping up.");
    EXPECT_FALSE(f.server.received[0].withSound);
    // The day token: local midnight of 2023-11-14 (23:00 UTC the day before), since 2001.
    EXPECT_EQ(f.prefs.stringValue(NotificationService::kWindDownKey),
              QString::number(qint64(kDayStartUtc - 3600 - kReferenceDateOffset)));

    f.runtime.advance(24 * 3600); // the next evening
    f.service.sendWindDownNudgeIfNeeded();
    EXPECT_EQ(f.server.received.size(), 2u);
}

TEST(OncePerTokenGate, ClaimsEachTokenOnceAndSurvivesOddValues)
{
    PreferencesStore prefs;
    OncePerTokenGate gate("walkingMeetingLatch", prefs);
    EXPECT_TRUE(gate.claim("meeting-1"));
    EXPECT_FALSE(gate.claim("meeting-1"));
    EXPECT_TRUE(gate.claim("meeting-2"));
    EXPECT_TRUE(gate.claim("meeting-1")); // only the last token is remembered
    prefs.setInt("walkingMeetingLatch", 7); // a hand-edited value of another type
    EXPECT_TRUE(OncePerTokenGate("walkingMeetingLatch", prefs).claim("7"));
    EXPECT_EQ(prefs.stringValue("walkingMeetingLatch"), "7");
}
