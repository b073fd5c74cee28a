#include "runtime/virtual/VirtualRuntime.h"
#include "services/habits/InMemoryBudgetStorage.h"
#include "services/habits/PreferencesBudgetStorage.h"
#include "services/habits/SnoozeBudget.h"
#include "services/storage/PreferencesStore.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;

namespace {

const LocalCalendar kUtc = LocalCalendar::fromIanaName(QStringLiteral("UTC"));

class SnoozeBudgetTest : public ::testing::Test {
protected:
    VirtualRuntime runtime{kUtc.moment(QDate(2025, 3, 7), 10), kUtc};
    InMemoryBudgetStorage storage;
    const QString today = QStringLiteral("2025-03-07");
};

} // namespace

TEST_F(SnoozeBudgetTest, FirstLaunchStartsFullAndSavesNothingUntilUsed)
{
    SnoozeBudget budget(runtime, storage);
    EXPECT_EQ(storage.saveCount(), 0);
    EXPECT_EQ(budget.maxSnoozes(), 5);
    EXPECT_EQ(budget.snoozesRemaining(), 5);
    budget.configure(CommitmentMode::normal);
    EXPECT_EQ(budget.snoozesRemaining(), 5);
    EXPECT_EQ(storage.loadBudget(), (BudgetState{5, today, 5}));
}

TEST_F(SnoozeBudgetTest, WarriorSpendsTwoAndEarnsThemBack)
{
    SnoozeBudget budget(runtime, storage);
    budget.configure(CommitmentMode::warrior);
    EXPECT_EQ(budget.useSnooze(), 1);
    EXPECT_EQ(budget.useSnooze(), 0);
    EXPECT_FALSE(budget.canSnooze());
    const int saves = storage.saveCount();
    // Nothing left: stays at 0 and still saves.
    EXPECT_EQ(budget.useSnooze(), 0);
    EXPECT_EQ(storage.saveCount(), saves + 1);

    budget.regenerate();
    EXPECT_EQ(budget.snoozesRemaining(), 1);
    budget.regenerate();
    budget.regenerate();
    EXPECT_EQ(budget.snoozesRemaining(), 2);
    EXPECT_EQ(storage.loadBudget(), (BudgetState{2, today, 2}));
}

TEST_F(SnoozeBudgetTest, AChangeOfModeRefillsToTheNewMaximum)
{
    SnoozeBudget budget(runtime, storage);
    budget.configure(CommitmentMode::warrior);
    (void)budget.useSnooze();
    (void)budget.useSnooze();
    budget.configure(CommitmentMode::gentle);
    EXPECT_EQ(budget.maxSnoozes(), 10);
    EXPECT_EQ(budget.snoozesRemaining(), 10);
    (void)budget.useSnooze();
    // The same mode again keeps what was spent.
    budget.configure(CommitmentMode::gentle);
    EXPECT_EQ(budget.snoozesRemaining(), 9);
    budget.configure(CommitmentMode::warrior);
    EXPECT_EQ(budget.snoozesRemaining(), 2);
}

TEST_F(SnoozeBudgetTest, SavedStateIsReadLikeThis)
{
    struct Case {
        const char *what;
        BudgetState saved;
        int remaining;
        int max;
        int afterConfigureNormal;
    };
    const Case cases[] = {
        {"today, within range", {3, today, 5}, 3, 5, 3},
        {"today, above the maximum: kept until configure", {7, today, 5}, 7, 5, 5},
        {"today, negative", {-2, today, 5}, 0, 5, 0},
        {"yesterday: refilled with the saved maximum", {0, QStringLiteral("2025-03-06"), 2}, 2, 2, 5},
        {"empty store: maximum 5, full", {0, QString(), 0}, 5, 5, 5},
        {"nonsense maximum", {4, today, -3}, 4, 5, 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        InMemoryBudgetStorage caseStorage(c.saved);
        SnoozeBudget budget(runtime, caseStorage);
        EXPECT_EQ(budget.snoozesRemaining(), c.remaining);
        EXPECT_EQ(budget.maxSnoozes(), c.max);
        EXPECT_EQ(caseStorage.saveCount(), 0);
        budget.configure(CommitmentMode::normal);
        EXPECT_EQ(budget.snoozesRemaining(), c.afterConfigureNormal);
        EXPECT_EQ(caseStorage.loadBudget().date, today);
    }
}

TEST_F(SnoozeBudgetTest, MidnightUtcRefillsOnTheNextRead)
{
    // A user in Los Angeles: the budget day ends at 16:00 local (PST).
    const LocalCalendar la = LocalCalendar::fromIanaName(QStringLiteral("America/Los_Angeles"));
    VirtualRuntime laRuntime(la.moment(QDate(2025, 3, 7), 15, 50), la);
    SnoozeBudget budget(laRuntime, storage);
    budget.configure(CommitmentMode::warrior);
    (void)budget.useSnooze();
    (void)budget.useSnooze();
    laRuntime.advance(9 * 60);
    EXPECT_FALSE(budget.canSnooze());
    laRuntime.advance(60);
    EXPECT_TRUE(budget.canSnooze());
    EXPECT_EQ(budget.snoozesRemaining(), 2);
    EXPECT_EQ(storage.loadBudget(), (BudgetState{2, QStringLiteral("2025-03-08"), 2}));
}

TEST(PreferencesBudgetStorage, KeepsTheTripleUnderItsKeys)
{
    PreferencesStore preferences;
    PreferencesBudgetStorage storage(preferences);
    EXPECT_EQ(storage.loadBudget(), BudgetState{});
    storage.saveBudget({4, QStringLiteral("2025-03-07"), 10});
    EXPECT_EQ(preferences.intValue(QStringLiteral("snoozeBudgetRemaining")), 4);
    EXPECT_EQ(preferences.stringValue(QStringLiteral("snoozeBudgetDate")), QStringLiteral("2025-03-07"));
    EXPECT_EQ(preferences.intValue(QStringLiteral("snoozeBudgetMax")), 10);
    EXPECT_EQ(storage.loadBudget(), (BudgetState{4, QStringLiteral("2025-03-07"), 10}));

    // A hand-edited value of the wrong type reads as missing.
    preferences.setString(QStringLiteral("snoozeBudgetMax"), QStringLiteral("ten"));
    EXPECT_EQ(storage.loadBudget(), (BudgetState{4, QStringLiteral("2025-03-07"), 0}));
}
