// The break overlay's view models on virtual time against the real break
// engine: the session, the skip wait per tier, the exercise rotation, the
// completion text, and the skip panel's rows and decisions.
#include "support/QtPrinters.h"

#include "features/overlay/OverlayVM.h"
#include "features/overlay/SkipChallengeVM.h"
#include "services/engine/EngineHarness.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace stirwell;
using stirwell::test::EngineHarness;

namespace {

Exercise exercise(const QString &name, int seconds, ExerciseCategory category = ExerciseCategory::legs)
{
    Exercise e;
    e.name = name;
    e.instruction = name + QStringLiteral(" slowly");
    e.duration = seconds;
    e.category = category;
    return e;
}

// A catalog whose movement break is exactly "March" (30 s) then "Reach"
// (45 s): the second draw skips the recently used first one.
ExerciseDatabase twoExerciseCatalog()
{
    ExerciseDatabase catalog;
    catalog.movement = {exercise(QStringLiteral("March"), 30), exercise(QStringLiteral("Reach"), 45)};
    return catalog;
}

class OverlayVMTest : public ::testing::Test {
protected:
    OverlayVMTest()
        : vm(engine.runtime, ExerciseProvider(twoExerciseCatalog(), [](int) { return 0; }), [](int) { return 0; })
    {
    }

    void prepare(int duration = 180) { vm.prepareSession(duration, *engine.scheduler); }

    EngineHarness engine;
    OverlayVM vm;
};

TEST_F(OverlayVMTest, PreparedSessionCarriesTheEngineFigures)
{
    engine.history.streak = 9;
    engine.snoozeBudget.used = 2;
    prepare(120);

    EXPECT_EQ(vm.breakType(), BreakType::movement);
    EXPECT_EQ(vm.breakTimeRemaining(), 120);
    EXPECT_EQ(vm.streakDays(), 9);
    EXPECT_EQ(vm.snoozesRemaining(), 3);
    EXPECT_EQ(vm.sessionNumber(), 1);
    EXPECT_TRUE(vm.canSkip());
    EXPECT_TRUE(vm.canSnooze());
    EXPECT_EQ(vm.skipTier(), SkipTier::tier1);
    ASSERT_EQ(vm.exercises().size(), 2);
    EXPECT_EQ(vm.currentExercise()->name, QStringLiteral("March"));
}

// The wait before the skip controls appear, per tier.
TEST_F(OverlayVMTest, SkipControlsAppearAfterTheTiersWait)
{
    struct Case {
        int skipsToday;
        SkipTier tier;
        int wait;
    };
    const Case cases[] = {{0, SkipTier::tier1, 8}, {1, SkipTier::tier2, 12}, {2, SkipTier::tier3, 15},
                          {3, SkipTier::tier4, 20}};
    for (const Case &c : cases) {
        SCOPED_TRACE(reportedName(c.tier).toStdString());
        engine.skipFriction.skipsToday = c.skipsToday;
        prepare();
        EXPECT_EQ(vm.skipTier(), c.tier);
        EXPECT_EQ(vm.skipWaitRemaining(), c.wait);
        EXPECT_FALSE(vm.showSkipControls());
        engine.runtime.advance(c.wait - 0.5);
        EXPECT_FALSE(vm.showSkipControls());
        EXPECT_EQ(vm.skipWaitRemaining(), 1);
        engine.runtime.advance(0.5);
        EXPECT_TRUE(vm.showSkipControls());
        EXPECT_EQ(vm.skipWaitRemaining(), 0);
    }
}

TEST_F(OverlayVMTest, NoSkipMeansNoWaitAndNoControls)
{
    engine.skipFriction.skipsToday = 10; // tier 5: skipping is over for today
    prepare();
    EXPECT_FALSE(vm.canSkip());
    EXPECT_FALSE(vm.showSkipControls());
    engine.runtime.advance(60);
    EXPECT_FALSE(vm.showSkipControls());
}

TEST_F(OverlayVMTest, CleanupEndsTheWaitWithoutShowingControls)
{
    prepare();
    engine.runtime.advance(3);
    vm.cleanup();
    engine.runtime.advance(30);
    EXPECT_FALSE(vm.showSkipControls());
    EXPECT_EQ(vm.skipWaitRemaining(), 5);
}

TEST_F(OverlayVMTest, EachExerciseShowsForItsDurationAndTheLastStays)
{
    prepare();
    vm.beginBreakSession();
    engine.runtime.advance(29.9);
    EXPECT_EQ(vm.currentExerciseIndex(), 0);
    engine.runtime.advance(0.1);
    EXPECT_EQ(vm.currentExerciseIndex(), 1);
    engine.runtime.advance(600);
    EXPECT_EQ(vm.currentExerciseIndex(), 1);
}

TEST_F(OverlayVMTest, GoingBackGivesTheExerciseItsFullDuration)
{
    prepare();
    vm.beginBreakSession();
    engine.runtime.advance(40); // 10 s into the second
    vm.goToExercise(0);
    EXPECT_EQ(vm.currentExerciseIndex(), 0);
    engine.runtime.advance(29.9);
    EXPECT_EQ(vm.currentExerciseIndex(), 0);
    engine.runtime.advance(0.1);
    EXPECT_EQ(vm.currentExerciseIndex(), 1);
}

TEST_F(OverlayVMTest, OutOfRangeIndexesChangeNothing)
{
    prepare();
    vm.beginBreakSession();
    engine.runtime.advance(10);
    for (int index : {-1, 2}) {
        vm.goToExercise(index);
        EXPECT_EQ(vm.currentExerciseIndex(), 0);
    }
    engine.runtime.advance(20); // the original timing still runs
    EXPECT_EQ(vm.currentExerciseIndex(), 1);
}

TEST_F(OverlayVMTest, ASecondBeginDoesNotRestartTheRotation)
{
    prepare();
    vm.beginBreakSession();
    engine.runtime.advance(20);
    vm.beginBreakSession();
    engine.runtime.advance(10);
    EXPECT_EQ(vm.currentExerciseIndex(), 1);
}

TEST_F(OverlayVMTest, AnEmptySessionHasNoCurrentExercise)
{
    OverlayVM empty(engine.runtime, ExerciseProvider(ExerciseDatabase{}, [](int) { return 0; }), {});
    empty.prepareSession(180, *engine.scheduler);
    empty.beginBreakSession();
    EXPECT_TRUE(empty.exercises().isEmpty());
    EXPECT_FALSE(empty.currentExercise().has_value());
    EXPECT_TRUE(empty.currentExerciseMap().isEmpty());
}

TEST_F(OverlayVMTest, CompletionMessageNamesTheSessionOfTheDay)
{
    engine.history.record = DailyRecord::empty(QStringLiteral("2025-03-10"), CommitmentMode::normal);
    engine.history.record->sessionsCompleted = 2;
    prepare();
    const QStringList lines = vm.getCompletionMessage().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Movement #3 complete"));
    EXPECT_EQ(lines[1], QStringLiteral("You are someone who moves."));
}

TEST_F(OverlayVMTest, MilestoneCapsuleOnlyOnMilestoneDays)
{
    const std::pair<int, QString> cases[] = {{7, QStringLiteral("1 week streak!")},
                                             {14, QStringLiteral("2 weeks streak!")},
                                             {15, QString()},
                                             {0, QString()}};
    for (const auto &[days, text] : cases) {
        engine.history.streak = days;
        prepare();
        EXPECT_EQ(vm.milestoneText(), text) << days;
        EXPECT_EQ(vm.milestoneIcon().isEmpty(), text.isEmpty()) << days;
    }
}

TEST(OverlayFormat, TimeAndScreens)
{
    EXPECT_EQ(OverlayVM::formatTime(125.7), QStringLiteral("2:05"));
    EXPECT_EQ(OverlayVM::formatTime(-3), QStringLiteral("0:00"));
    EXPECT_EQ(OverlayVM::formatTime(75), QStringLiteral("1:15"));
    EXPECT_EQ(overlayScreenFor(BreakState::nudge), OverlayScreen::nudge);
    EXPECT_EQ(overlayScreenFor(BreakState::firmBlock), OverlayScreen::block);
    EXPECT_EQ(overlayScreenFor(BreakState::hardBlock), OverlayScreen::breakActive);
    EXPECT_EQ(overlayScreenFor(BreakState::completed), OverlayScreen::completion);
    EXPECT_EQ(overlayScreenFor(BreakState::paused), OverlayScreen::none);
}

TEST(OverlayAnimation, CategoryFileMustBeLargeEnoughAndLoad)
{
    QTemporaryDir dir;
    const Exercise e = [] {
        Exercise x = exercise(QStringLiteral("March"), 30, ExerciseCategory::legs);
        x.animationName = QStringLiteral("no-such-animation");
        return x;
    }();
    const QString categoryFile = dir.filePath(defaultAnimationName(ExerciseCategory::legs) + QStringLiteral(".json"));
    auto write = [&](const QByteArray &bytes) {
        QFile f(categoryFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };

    write(QByteArray("{\"v\":\"5\",\"pad\":\"") + QByteArray(9000, 'x') + "\"}");
    EXPECT_FALSE(OverlayVM::resolveAnimation(e, dir.path())) << "10000 bytes or less falls back to the icon";
    EXPECT_EQ(OverlayVM::describe(e, dir.path()).value(QStringLiteral("icon")).toString(),
              QStringLiteral("figure.walk"));

    write(QByteArray("{\"v\":\"5\",\"pad\":\"") + QByteArray(12000, 'x') + "\"}");
    EXPECT_EQ(OverlayVM::resolveAnimation(e, dir.path()), categoryFile);

    write(QByteArray(12000, '{')); // large but unreadable
    EXPECT_FALSE(OverlayVM::resolveAnimation(e, dir.path()));
}

// The skip panel ---------------------------------------------------------

class SkipChallengeTest : public OverlayVMTest {
protected:
    void prepareAt(int skipsToday, int streak)
    {
        engine.skipFriction.skipsToday = skipsToday;
        engine.history.streak = streak;
        prepare();
    }
    // Brings the engine to a nudge so that a confirmed skip has something
    // to end.
    void reachNudge()
    {
        engine.scheduler->applySettings(1, 60);
        engine.scheduler->start();
        engine.typing();
        for (int i = 0; i < 2000 && engine.scheduler->state() != BreakState::nudge; ++i)
            engine.runtime.advance(1);
        ASSERT_EQ(engine.scheduler->state(), BreakState::nudge);
    }
};

TEST_F(SkipChallengeTest, RowsFollowTierAndStreak)
{
    struct Case {
        int skipsToday;
        int streak;
        QString button;
        QString tint;
        bool atRisk;
        bool loss;
        bool typing;
    };
    const Case cases[] = {
        {0, 5, QStringLiteral("I choose to skip"), QStringLiteral("transparent"), false, false, false},
        {1, 5, QStringLiteral("Confirm skip"), QStringLiteral("#08ffffff"), false, false, true},
        {2, 5, QStringLiteral("Confirm skip"), QStringLiteral("#0dff3b30"), true, false, true},
        {3, 5, QStringLiteral("Confirm skip"), QStringLiteral("#1aff3b30"), true, true, false},
        {3, 0, QStringLiteral("Confirm skip"), QStringLiteral("#1aff3b30"), false, false, false},
        {4, 5, QString(), QStringLiteral("transparent"), false, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "skips " << c.skipsToday << " streak " << c.streak);
        OverlayVM overlay(engine.runtime, ExerciseProvider(twoExerciseCatalog(), [](int) { return 0; }), {});
        engine.skipFriction.skipsToday = c.skipsToday;
        engine.history.streak = c.streak;
        overlay.prepareSession(180, *engine.scheduler);
        SkipChallengeVM panel(overlay, *engine.scheduler, engine.preferences);
        EXPECT_EQ(panel.buttonLabel(), c.button);
        EXPECT_EQ(panel.tint(), c.tint);
        EXPECT_EQ(panel.showStreakAtRisk(), c.atRisk);
        EXPECT_EQ(panel.showStreakLoss(), c.loss);
        EXPECT_EQ(panel.showTypingChallenge(), c.typing);
    }
    engine.history.streak = 9;
    prepare();
    SkipChallengeVM panel(vm, *engine.scheduler, engine.preferences);
    EXPECT_EQ(panel.streakAtRiskText(), QStringLiteral("This puts your 9-day streak at risk"));
    EXPECT_EQ(panel.streakLossText(), QStringLiteral("9-day streak will be lost"));
}

TEST_F(SkipChallengeTest, ExplanationIsShownOncePanelAndThenNeverAgain)
{
    prepareAt(0, 0);
    SkipChallengeVM first(vm, *engine.scheduler, engine.preferences);
    EXPECT_TRUE(first.showExplanation());
    first.explanationShown();
    EXPECT_TRUE(first.showExplanation()) << "the panel that showed it keeps it readable";
    EXPECT_EQ(engine.preferences.boolValue(SkipChallengeVM::kHasSeenExplanationKey), true);
    SkipChallengeVM later(vm, *engine.scheduler, engine.preferences);
    EXPECT_FALSE(later.showExplanation());
}

TEST_F(SkipChallengeTest, TierOneSkipsAtOnce)
{
    reachNudge();
    prepareAt(0, 0);
    SkipChallengeVM panel(vm, *engine.scheduler, engine.preferences);
    EXPECT_TRUE(panel.skip());
    EXPECT_EQ(engine.scheduler->state(), BreakState::counting);
    EXPECT_EQ(engine.skipFriction.skipsToday, 1);
}

TEST_F(SkipChallengeTest, TypedPhraseMustMatchAndAnErrorClearsWhenItDoes)
{
    reachNudge();
    prepareAt(1, 3);
    SkipChallengeVM panel(vm, *engine.scheduler, engine.preferences);
    ASSERT_FALSE(vm.typingChallenge().isEmpty());

    vm.setTypingInput(QString());
    EXPECT_FALSE(panel.skip());
    EXPECT_TRUE(vm.skipValidationError());
    vm.setTypingInput(QStringLiteral("something else"));
    EXPECT_FALSE(panel.skip());
    EXPECT_EQ(vm.typingInput(), QStringLiteral("something else")) << "the typed text stays";
    EXPECT_EQ(engine.scheduler->state(), BreakState::nudge);

    vm.setTypingInput(vm.typingChallenge());
    EXPECT_TRUE(panel.skip());
    EXPECT_FALSE(vm.skipValidationError());
    EXPECT_EQ(engine.scheduler->state(), BreakState::counting);
}

TEST_F(SkipChallengeTest, ANewSessionClearsTypedTextAndError)
{
    prepareAt(1, 0);
    vm.setTypingInput(QStringLiteral("wrong"));
    EXPECT_FALSE(vm.attemptSkip(*engine.scheduler));
    prepare();
    EXPECT_TRUE(vm.typingInput().isEmpty());
    EXPECT_FALSE(vm.skipValidationError());
}

} // namespace
