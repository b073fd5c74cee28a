#include "runtime/virtual/VirtualRuntime.h"
#include "services/habits/HealthFacts.h"
#include "services/habits/InMemoryFrictionStorage.h"
#include "services/habits/PreferencesFrictionStorage.h"
#include "services/habits/SkipFriction.h"
#include "services/storage/PreferencesStore.h"

#include "support/QtPrinters.h"
#include "support/UtcDayCases.h"

#include <gtest/gtest.h>

using namespace stirwell;

namespace {

double at(const char *zone, QDate date, int hour, int minute = 0)
{
    return LocalCalendar::fromIanaName(QString::fromLatin1(zone)).moment(date, hour, minute);
}

// Always picks the same index, so the fourth-tier phrase is known.
RandomSource fixedIndex(int index)
{
    return [index](int) { return index; };
}

class SkipFrictionTest : public ::testing::Test {
protected:
    VirtualRuntime runtime{at("UTC", QDate(2025, 3, 7), 10), LocalCalendar::fromIanaName(QStringLiteral("UTC"))};
    InMemoryFrictionStorage storage;

    SkipFriction make(int factIndex = 2) { return SkipFriction(runtime, storage, HealthFacts(fixedIndex(factIndex))); }
};

} // namespace

TEST_F(SkipFrictionTest, EachSkipRaisesTheTierAndItsChallenge)
{
    SkipFriction friction = make(2);
    // Fresh installation: nothing to type, anything passes.
    EXPECT_EQ(friction.currentTier(), SkipTier::tier1);
    EXPECT_TRUE(friction.canSkip());
    EXPECT_EQ(friction.getTypingChallenge(), std::nullopt);
    EXPECT_TRUE(friction.validateChallenge(QString()));
    EXPECT_TRUE(friction.validateChallenge(QStringLiteral("whatever")));

    EXPECT_EQ(friction.recordSkip(), SkipTier::tier2);
    EXPECT_EQ(friction.getTypingChallenge(), QStringLiteral("skip"));

    EXPECT_EQ(friction.recordSkip(), SkipTier::tier3);
    EXPECT_EQ(friction.getTypingChallenge(), QStringLiteral("I choose to sit instead of move"));

    EXPECT_EQ(friction.recordSkip(), SkipTier::tier4);
    EXPECT_EQ(friction.getTypingChallenge(), HealthFacts::typingFacts().at(2));
    EXPECT_TRUE(friction.canSkip());

    EXPECT_EQ(friction.recordSkip(), SkipTier::tier5);
    EXPECT_FALSE(friction.canSkip());
    EXPECT_EQ(friction.getTypingChallenge(), std::nullopt);
    // Counting goes on past the last tier; the tier stays.
    EXPECT_EQ(friction.recordSkip(), SkipTier::tier5);
    EXPECT_EQ(storage.loadFriction(), (FrictionState{5, QStringLiteral("2025-03-07")}));
}

TEST_F(SkipFrictionTest, ValidationTrimsAndIgnoresCaseOnly)
{
    struct Case {
        int skips;
        const char *typed;
        bool passes;
    };
    const Case cases[] = {
        {1, "skip", true},
        {1, "  SKIP \n", true},
        {1, "Skip", true},
        {1, "skip it", false},
        {1, "", false},
        {2, "i choose to sit instead of move", true},
        {2, "I CHOOSE TO SIT INSTEAD OF MOVE\t", true},
        {2, "ichoosetositinsteadofmove", false},
        {2, "I choose to sit instead of move.", false},
        {2, "I choose to  sit instead of move", false},
        {3, "  prolonged SITTING doubles the risk of type 2 diabetes  ", true},
        {3, "Prolonged sitting doubles the risk of type two diabetes", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.skips << " skips, typed \"" << c.typed << '"');
        storage.saveFriction({c.skips, QStringLiteral("2025-03-07")});
        SkipFriction friction = make(7);
        EXPECT_EQ(friction.validateChallenge(QString::fromUtf8(c.typed)), c.passes);
    }
}

TEST_F(SkipFrictionTest, TheFourthTierPhraseIsKeptForTheDay)
{
    storage.saveFriction({3, QStringLiteral("2025-03-07")});
    int draws = 0;
    int next = 0;
    SkipFriction friction(runtime, storage, HealthFacts([&](int bound) {
                              ++draws;
                              EXPECT_EQ(bound, 8);
                              return next++;
                          }));
    const std::optional<QString> phrase = friction.getTypingChallenge();
    ASSERT_TRUE(phrase);
    EXPECT_TRUE(HealthFacts::typingFacts().contains(*phrase));
    runtime.advance(3 * 3600);
    EXPECT_EQ(friction.getTypingChallenge(), phrase);
    EXPECT_TRUE(friction.validateChallenge(phrase->toUpper()));
    EXPECT_EQ(draws, 1);
}

TEST_F(SkipFrictionTest, ADayChangeResetsCountAndPhrase)
{
    // A pair saved yesterday is replaced at construction.
    storage.saveFriction({3, QStringLiteral("2025-03-06")});
    {
        SkipFriction friction = make();
        EXPECT_EQ(storage.loadFriction(), (FrictionState{0, QStringLiteral("2025-03-07")}));
        EXPECT_EQ(friction.currentTier(), SkipTier::tier1);
    }

    // Today's pair is taken as it is; a negative count reads as 0.
    storage.saveFriction({2, QStringLiteral("2025-03-07")});
    EXPECT_EQ(make().currentTier(), SkipTier::tier3);
    storage.saveFriction({-4, QStringLiteral("2025-03-07")});
    EXPECT_EQ(make().currentTier(), SkipTier::tier1);

    // Running across midnight UTC: the first read after it resets.
    storage.saveFriction({3, QStringLiteral("2025-03-07")});
    int draws = 0;
    SkipFriction friction(runtime, storage, HealthFacts([&](int) { return draws++; }));
    const std::optional<QString> before = friction.getTypingChallenge();
    runtime.advanceTo(at("UTC", QDate(2025, 3, 8), 0, 0));
    EXPECT_EQ(friction.currentTier(), SkipTier::tier1);
    EXPECT_EQ(storage.loadFriction(), (FrictionState{0, QStringLiteral("2025-03-08")}));
    friction.recordSkip();
    friction.recordSkip();
    friction.recordSkip();
    // A new phrase is drawn for the new day.
    EXPECT_NE(friction.getTypingChallenge(), before);
    EXPECT_EQ(draws, 2);
}

TEST(SkipFrictionDay, TheDayIsTheUtcDateWhereverTheUserIs)
{
    // A skip counts against the UTC day: yesterday's two skips still count
    // while the UTC date is the 7th, whatever the local date.
    for (const test::UtcDayCase &c : test::utcDayCases()) {
        SCOPED_TRACE(c.describe());
        VirtualRuntime runtime(c.moment(), c.calendar());
        InMemoryFrictionStorage storage({2, QStringLiteral("2025-03-07")});
        SkipFriction friction(runtime, storage, HealthFacts(fixedIndex(0)));
        friction.recordSkip();
        EXPECT_EQ(storage.loadFriction().date, c.key());
        EXPECT_EQ(storage.loadFriction().count, c.key() == QStringLiteral("2025-03-07") ? 3 : 1);
    }
}

TEST(PreferencesFrictionStorage, KeepsThePairUnderItsKeys)
{
    PreferencesStore preferences;
    PreferencesFrictionStorage storage(preferences);
    // Nothing stored, or values of the wrong type: (0, "").
    EXPECT_EQ(storage.loadFriction(), FrictionState{});
    preferences.setString(QStringLiteral("skipFrictionCount"), QStringLiteral("three"));
    preferences.setInt(QStringLiteral("skipFrictionDate"), 20250307);
    EXPECT_EQ(storage.loadFriction(), FrictionState{});

    storage.saveFriction({3, QStringLiteral("2025-03-07")});
    EXPECT_EQ(preferences.intValue(QStringLiteral("skipFrictionCount")), 3);
    EXPECT_EQ(preferences.stringValue(QStringLiteral("skipFrictionDate")), QStringLiteral("2025-03-07"));
    EXPECT_EQ(storage.loadFriction(), (FrictionState{3, QStringLiteral("2025-03-07")}));

    // A hand-edited count beyond the int range is clamped, not wrapped.
    preferences.setInt(QStringLiteral("skipFrictionCount"), qint64(1) << 40);
    EXPECT_EQ(storage.loadFriction().count, std::numeric_limits<int>::max());
    VirtualRuntime runtime(at("UTC", QDate(2025, 3, 7), 10), LocalCalendar::fromIanaName(QStringLiteral("UTC")));
    SkipFriction friction(runtime, storage, HealthFacts(fixedIndex(0)));
    EXPECT_EQ(friction.recordSkip(), SkipTier::tier5);
}

TEST(HealthFacts, PicksFromTheFixedListsWithTheInjectedSource)
{
    ASSERT_EQ(HealthFacts::typingFacts().size(), 8);
    ASSERT_EQ(HealthFacts::displayFacts().size(), 6);
    EXPECT_EQ(HealthFacts::displayFacts().at(1),
              QStringLiteral("Studies link 8\u201311 hours of daily sitting to ~27% higher all-cause mortality"));

    QList<int> bounds;
    HealthFacts facts([&](int bound) {
        bounds.append(bound);
        return bound - 1;
    });
    EXPECT_EQ(facts.randomTyping(), QStringLiteral("Prolonged sitting doubles the risk of type 2 diabetes"));
    EXPECT_EQ(facts.randomDisplay(),
              QStringLiteral("Breaking up sitting every 30 minutes is associated with better insulin sensitivity"));
    EXPECT_EQ(bounds, (QList<int>{8, 6}));

    // Equal seeds give equal picks.
    QRandomGenerator a(42);
    QRandomGenerator b(42);
    HealthFacts fromA(randomSourceFrom(a));
    HealthFacts fromB(randomSourceFrom(b));
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(fromA.randomTyping(), fromB.randomTyping());
}
