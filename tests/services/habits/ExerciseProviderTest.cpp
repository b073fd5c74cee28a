#include "services/habits/ExerciseDatabase.h"
#include "services/habits/ExerciseProvider.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;

namespace {

Exercise exercise(const char *name, int duration, ExerciseCategory category = ExerciseCategory::stretch)
{
    Exercise e;
    e.name = QString::fromLatin1(name);
    e.instruction = QStringLiteral("Do it.");
    e.duration = duration;
    e.category = category;
    return e;
}

// Picks the first candidate every time: the order of a session is then
// decided by the pools and the recency list alone.
RandomSource first()
{
    return [](int) { return 0; };
}

QStringList names(const QList<Exercise> &exercises)
{
    QStringList result;
    for (const Exercise &e : exercises)
        result.append(e.name);
    return result;
}

} // namespace

TEST(ExerciseCatalog, TheBundledCatalogIsCompleteAndFitsTheSessions)
{
    QString problem;
    const ExerciseDatabase database = ExerciseDatabase::load(ExerciseDatabase::kBundledPath, &problem);
    ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();

    const std::pair<const char *, const QList<Exercise> *> pools[] = {
        {"micro", &database.micro},         {"movement", &database.movement},
        {"breathing", &database.breathing}, {"exerciseSnack", &database.exerciseSnack},
        {"extended", &database.extended},
    };
    QSet<QString> allNames;
    for (const auto &[pool, exercises] : pools) {
        SCOPED_TRACE(pool);
        EXPECT_GE(exercises->size(), 8);
        for (const Exercise &e : *exercises) {
            SCOPED_TRACE(e.name.toStdString());
            EXPECT_FALSE(e.name.isEmpty());
            EXPECT_GE(e.instruction.size(), 40);
            EXPECT_GT(e.duration, 0);
            EXPECT_FALSE(allNames.contains(e.name)) << "names are identities and must be unique";
            allNames.insert(e.name);
        }
    }
    // Micro exercises fit the 20-second eye break closely.
    for (const Exercise &e : database.micro)
        EXPECT_LE(e.duration, 30) << e.name.toStdString();

    // Over many seeded sessions of each kind at its usual length, every
    // session size the rules allow turns up.
    struct Kind {
        BreakType type;
        int duration;
        QSet<int> sizes;
    };
    const Kind kinds[] = {
        {BreakType::micro, 20, {1}},
        {BreakType::movement, 180, {2, 3}},
        {BreakType::movement, 120, {1, 2, 3}},
        {BreakType::exerciseSnack, 180, {1, 2}},
        {BreakType::extended, 600, {1, 2, 3}},
    };
    for (const Kind &kind : kinds) {
        SCOPED_TRACE(testing::Message() << rawValue(kind.type).toStdString() << ' ' << kind.duration);
        QRandomGenerator generator(7);
        ExerciseProvider provider(database, randomSourceFrom(generator));
        QSet<int> seen;
        for (int i = 0; i < 300; ++i)
            seen.insert(static_cast<int>(provider.buildSession(kind.type, kind.duration).size()));
        EXPECT_EQ(seen, kind.sizes);
    }
}

TEST(ExerciseCatalog, ABrokenOrMissingCatalogIsEmptyAndSaysWhy)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Exercises.json");
    const auto write = [&](const QByteArray &bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const char *valid = R"({"name": "A", "instruction": "x", "duration": 30, "category": "legs"})";
    struct Case {
        const char *what;
        QByteArray bytes;
        const char *mentions;
    };
    const Case cases[] = {
        {"malformed JSON", "{\"micro\": [", "not valid JSON"},
        {"unknown category", QByteArray(R"({"micro": [)") + valid + R"(], "movement": [)" + valid
                                 + R"(, {"name": "B", "instruction": "x", "duration": 30, "category": "Legs"}]})",
         "\"movement\" exercise 1"},
        {"missing instruction", R"({"breathing": [{"name": "B", "duration": 30, "category": "calm"}]})", "instruction"},
        {"duration as text", R"({"extended": [{"name": "B", "instruction": "x", "duration": "30", "category": "calm"}]})",
         "duration"},
        {"pool not an array", R"({"micro": {}})", "not an array"},
        {"animation of the wrong type",
         R"({"micro": [{"name": "B", "instruction": "x", "duration": 30, "category": "eyes", "animationName": 3}]})",
         "animationName"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        write(c.bytes);
        QString problem;
        const ExerciseDatabase database = ExerciseDatabase::load(path, &problem);
        EXPECT_TRUE(database.isEmpty());
        EXPECT_TRUE(problem.contains(QString::fromLatin1(c.mentions))) << problem.toStdString();
        ExerciseProvider provider(database, first());
        for (const BreakType type : kAllBreakTypes)
            EXPECT_TRUE(provider.buildSession(type, 600).isEmpty());
        EXPECT_EQ(provider.nextMicro(), std::nullopt);
    }

    QString problem;
    EXPECT_TRUE(ExerciseDatabase::load(dir.path() + QStringLiteral("/absent.json"), &problem).isEmpty());
    EXPECT_TRUE(problem.contains(QStringLiteral("cannot be read"))) << problem.toStdString();
}

TEST(ExerciseCatalog, OptionalAndUnknownKeys)
{
    const std::optional<ExerciseDatabase> database = ExerciseDatabase::decode(R"({
        "movement": [
            {"name": "A", "instruction": "x", "duration": 30, "category": "calm", "extra": 1},
            {"name": "B", "instruction": "x", "duration": 30, "category": "legs", "animationName": null},
            {"name": "C", "instruction": "x", "duration": 30, "category": "walking", "animationName": "anim-stairs"}
        ],
        "unknownPool": 42
    })");
    ASSERT_TRUE(database);
    EXPECT_TRUE(database->micro.isEmpty());
    ASSERT_EQ(database->movement.size(), 3);
    EXPECT_EQ(database->movement.at(0).animationName, std::nullopt);
    EXPECT_EQ(database->movement.at(0).effectiveAnimationName(), QStringLiteral("anim-calm"));
    EXPECT_EQ(database->movement.at(1).animationName, std::nullopt);
    EXPECT_EQ(database->movement.at(2).effectiveAnimationName(), QStringLiteral("anim-stairs"));
}

TEST(ExerciseProvider, SessionsFollowTheRemainingTime)
{
    struct Case {
        const char *what;
        BreakType type;
        int duration;
        QList<Exercise> movement;
        QList<Exercise> snacks;
        QStringList expected;
    };
    ExerciseDatabase base;
    base.breathing = {exercise("Breathe", 45, ExerciseCategory::calm)};
    base.micro = {exercise("Eyes", 20, ExerciseCategory::eyes)};
    base.extended = {exercise("Walk", 420, ExerciseCategory::walking)};
    const Case cases[] = {
        {"movement 120: 30 + 40 + breathing", BreakType::movement, 120, {exercise("M30", 30), exercise("M40", 40)}, {},
         {"M30", "M40", "Breathe"}},
        {"movement 90: 60 leaves exactly 30", BreakType::movement, 90, {exercise("M60", 60), exercise("M20", 20)}, {},
         {"M60"}},
        {"movement 100: 40 leaves exactly 60", BreakType::movement, 100, {exercise("M40", 40), exercise("M20", 20)}, {},
         {"M40", "Breathe"}},
        {"movement 120: a one-exercise pool repeats itself", BreakType::movement, 120, {exercise("Only", 30)}, {},
         {"Only", "Only", "Breathe"}},
        {"extended 600 without movement exercises: breathing still follows", BreakType::extended, 600, {}, {},
         {"Walk", "Breathe"}},
        {"snack 75: 30 leaves exactly 45", BreakType::exerciseSnack, 75, {}, {exercise("S30", 30), exercise("S10", 10)},
         {"S30"}},
        {"snack 75: 29 leaves 46", BreakType::exerciseSnack, 75, {}, {exercise("S29", 29), exercise("S10", 10)},
         {"S29", "S10"}},
        {"extended 600: 420 + movement + breathing", BreakType::extended, 600, {exercise("M60", 60)}, {},
         {"Walk", "M60", "Breathe"}},
        {"micro", BreakType::micro, 20, {exercise("M60", 60)}, {}, {"Eyes"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExerciseDatabase database = base;
        database.movement = c.movement;
        database.exerciseSnack = c.snacks;
        ExerciseProvider provider(database, first());
        EXPECT_EQ(names(provider.buildSession(c.type, c.duration)), c.expected);
    }
}

TEST(ExerciseProvider, EmptyPoolsFallBackToMatchingMovementExercises)
{
    ExerciseDatabase database;
    database.movement = {exercise("Stretch", 30, ExerciseCategory::stretch), exercise("Jog", 30, ExerciseCategory::cardio),
                         exercise("Squat", 30, ExerciseCategory::legs), exercise("Stroll", 90, ExerciseCategory::walking)};
    ExerciseProvider provider(database, first());
    EXPECT_TRUE(provider.buildSession(BreakType::micro, 20).isEmpty());
    EXPECT_EQ(names(provider.buildSession(BreakType::exerciseSnack, 180)), (QStringList{"Jog", "Squat"}));
    // Extended: the walking exercise first, then a movement one; no
    // breathing pool.
    EXPECT_EQ(names(provider.buildSession(BreakType::extended, 600)).constFirst(), QStringLiteral("Stroll"));

    // No walking exercise: any movement exercise opens an extended break.
    database.movement = {exercise("Stretch", 30, ExerciseCategory::stretch)};
    ExerciseProvider noWalking(database, first());
    EXPECT_EQ(names(noWalking.buildSession(BreakType::extended, 60)), (QStringList{"Stretch"}));
}

TEST(ExerciseProvider, RecentPicksAreAvoidedUntilFiveOthersFollow)
{
    ExerciseDatabase database;
    database.micro = {exercise("A", 20), exercise("B", 20), exercise("C", 20)};
    ExerciseProvider small(database, first());
    QStringList picks;
    for (int i = 0; i < 4; ++i)
        picks.append(small.nextMicro()->name);
    // The fourth pick: all three are recent, the whole pool is eligible.
    EXPECT_EQ(picks, (QStringList{"A", "B", "C", "A"}));

    database.micro = {exercise("A", 20), exercise("B", 20), exercise("C", 20), exercise("D", 20), exercise("E", 20),
                      exercise("F", 20), exercise("G", 20)};
    ExerciseProvider provider(database, first());
    picks.clear();
    for (int i = 0; i < 7; ++i)
        picks.append(provider.nextMicro()->name);
    // After six picks the list holds the last five, so A is eligible again.
    EXPECT_EQ(picks, (QStringList{"A", "B", "C", "D", "E", "F", "A"}));
    EXPECT_EQ(provider.recentlyUsed(), (QStringList{"C", "D", "E", "F", "A"}));

    // One recency list covers every pool.
    database.movement = {exercise("A", 30), exercise("Z", 30)};
    ExerciseProvider shared(database, first());
    EXPECT_EQ(shared.nextMicro()->name, QStringLiteral("A"));
    EXPECT_EQ(shared.nextMovement()->name, QStringLiteral("Z"));
}
