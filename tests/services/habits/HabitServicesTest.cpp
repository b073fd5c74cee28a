#include "runtime/virtual/VirtualRuntime.h"
#include "services/habits/HabitServices.h"
#include "services/storage/FilePreferencesStore.h"

#include <QFile>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;

namespace {

QStringList sessionNames(ExerciseProvider &provider)
{
    QStringList names;
    for (const BreakType type : kAllBreakTypes) {
        for (const Exercise &exercise : provider.buildSession(type, defaultDurationSeconds(type)))
            names.append(exercise.name);
    }
    return names;
}

} // namespace

// The services as the application builds them: state in the real
// preferences file and data directory, surviving a restart.
TEST(HabitServices, StateSurvivesARestartAndSeedsRepeatEveryChoice)
{
    QTemporaryDir dir;
    const LocalCalendar calendar = LocalCalendar::fromIanaName(QStringLiteral("Europe/Berlin"));
    VirtualRuntime runtime(calendar.moment(QDate(2025, 3, 7), 10), calendar);
    const QString preferencesPath = dir.path() + QStringLiteral("/config/preferences.json");
    const QString dataDirectory = dir.path() + QStringLiteral("/data/Stirwell");
    QStringList firstRun;
    QString firstPhrase;
    {
        FilePreferencesStore preferences(preferencesPath);
        QRandomGenerator generator(99);
        HabitServices services(runtime, preferences, dataDirectory, randomSourceFrom(generator));
        EXPECT_TRUE(services.exerciseCatalogProblem().isEmpty());
        services.snoozeBudget().configure(CommitmentMode::warrior);
        (void)services.snoozeBudget().useSnooze();
        for (int i = 0; i < 3; ++i)
            services.skipFriction().recordSkip();
        firstPhrase = *services.skipFriction().getTypingChallenge();
        services.streakTracker().recordSkip(CommitmentMode::warrior);
        ExerciseProvider provider = services.makeExerciseProvider();
        firstRun = sessionNames(provider);
    }
    EXPECT_TRUE(QFile::exists(dataDirectory + QStringLiteral("/daily-records.json")));

    FilePreferencesStore preferences(preferencesPath);
    QRandomGenerator generator(99);
    HabitServices services(runtime, preferences, dataDirectory, randomSourceFrom(generator));
    EXPECT_EQ(services.snoozeBudget().snoozesRemaining(), 1);
    EXPECT_EQ(services.skipFriction().currentTier(), SkipTier::tier4);
    EXPECT_EQ(services.streakTracker().todayRecord(CommitmentMode::normal).sessionsSkipped, 1);
    // The same seed draws the same phrase and the same sessions.
    EXPECT_EQ(services.skipFriction().getTypingChallenge(), firstPhrase);
    ExerciseProvider provider = services.makeExerciseProvider();
    EXPECT_EQ(sessionNames(provider), firstRun);
}
