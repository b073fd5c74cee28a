#include "features/precommit/PrecommitVM.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/habits/DailyCommitment.h"
#include "services/storage/PreferencesStore.h"

#include <QSignalSpy>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;

namespace {

const LocalCalendar kBerlin = LocalCalendar::fromIanaName(QStringLiteral("Europe/Berlin"));

class PrecommitVMTest : public ::testing::Test {
protected:
    // 10:00 in Berlin on 2025-03-07.
    VirtualRuntime runtime{kBerlin.moment(QDate(2025, 3, 7), 10), kBerlin};
    PreferencesStore preferences;
    QList<CommitmentMode> applied;

    std::unique_ptr<PrecommitVM> open()
    {
        auto vm = std::make_unique<PrecommitVM>(preferences, runtime,
                                                [this](CommitmentMode mode) { applied.append(mode); });
        vm->loadToday();
        return vm;
    }
};

} // namespace

TEST_F(PrecommitVMTest, WithoutACommitmentItOffersNormalUntilSix)
{
    auto vm = open();
    EXPECT_FALSE(vm->isCommitted());
    EXPECT_FALSE(vm->showsLockedState());
    EXPECT_EQ(vm->selectedMode(), CommitmentMode::normal);
    EXPECT_EQ(vm->lockLine(), QStringLiteral("Locks in until 6 PM"));
    const QVariantList modes = vm->modes();
    ASSERT_EQ(modes.size(), 3);
    const QVariantMap warrior = modes.at(2).toMap();
    EXPECT_EQ(warrior.value(QStringLiteral("icon")).toString(), QStringLiteral("flame"));
    EXPECT_EQ(warrior.value(QStringLiteral("description")).toString(),
              QStringLiteral("30 min \u00b7 hard blocks \u00b7 2 snoozes \u00b7 no skips"));
    EXPECT_TRUE(modes.at(1).toMap().value(QStringLiteral("selected")).toBool());
}

TEST_F(PrecommitVMTest, StartMyDayCommitsAppliesTheModeAndCloses)
{
    preferences.setInt(QStringLiteral("lockUntilHour"), 20);
    auto vm = open();
    EXPECT_EQ(vm->lockLine(), QStringLiteral("Locks in until 8 PM"));
    QSignalSpy closes(vm.get(), &PrecommitVM::closeRequested);
    vm->setSelectedModeName(QStringLiteral("warrior"));
    vm->setSelectedModeName(QStringLiteral("nonsense")); // ignored
    vm->startMyDay();
    EXPECT_EQ(applied, (QList<CommitmentMode>{CommitmentMode::warrior}));
    EXPECT_EQ(closes.count(), 1);

    const std::optional<DailyCommitment> stored = DailyCommitment::load(preferences);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->mode, CommitmentMode::warrior);
    EXPECT_EQ(stored->date, QStringLiteral("2025-03-07"));
    EXPECT_EQ(stored->lockedUntilHour, 20);
    EXPECT_EQ(stored->committedAt, runtime.now());

    // "Cancel" changes nothing.
    vm->close();
    EXPECT_EQ(closes.count(), 2);
    EXPECT_EQ(applied.size(), 1);
}

TEST_F(PrecommitVMTest, TheCommitmentIsLockedUntilTheLockHour)
{
    open()->startMyDay();
    runtime.advanceTo(kBerlin.moment(QDate(2025, 3, 7), 17, 59));
    {
        auto vm = open();
        EXPECT_TRUE(vm->showsLockedState());
        EXPECT_EQ(vm->committedTitle(), QStringLiteral("Committed to Normal"));
        EXPECT_EQ(vm->committedDescription(), QStringLiteral("45 min intervals, firm blocks, 5 snoozes"));
        EXPECT_EQ(vm->lockedUntilLine(), QStringLiteral("Locked until 6 PM"));
    }
    runtime.advanceTo(kBerlin.moment(QDate(2025, 3, 7), 18, 0));
    auto vm = open();
    // Unlocked: the choice is offered again with the committed mode selected.
    EXPECT_TRUE(vm->isCommitted());
    EXPECT_FALSE(vm->showsLockedState());
    EXPECT_EQ(vm->selectedMode(), CommitmentMode::normal);
    vm->setSelectedMode(CommitmentMode::gentle);
    vm->commit();
    EXPECT_EQ(DailyCommitment::load(preferences)->mode, CommitmentMode::gentle);
}

TEST_F(PrecommitVMTest, AnotherDaysCommitmentIsIgnored)
{
    DailyCommitment yesterday;
    yesterday.mode = CommitmentMode::warrior;
    yesterday.date = QStringLiteral("2025-03-06");
    DailyCommitment::save(yesterday, preferences);
    auto vm = open();
    EXPECT_FALSE(vm->isCommitted());
    EXPECT_FALSE(vm->isLocked());
    EXPECT_EQ(vm->selectedMode(), CommitmentMode::normal);
    EXPECT_TRUE(vm->lockedUntilLine().isEmpty());
}

TEST(PrecommitVM, HoursInTwelveHourForm)
{
    const std::pair<int, const char *> cases[] = {{18, "6 PM"}, {13, "1 PM"}, {21, "9 PM"}, {12, "12 PM"},
                                                  {9, "9 AM"},  {0, "12 AM"}};
    for (const auto &[hour, text] : cases)
        EXPECT_EQ(PrecommitVM::formatHour(hour), QString::fromLatin1(text)) << hour;
}
