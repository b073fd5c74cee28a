#pragma once

#include "services/habits/ExerciseDatabase.h"
#include "services/habits/ExerciseProvider.h"
#include "services/habits/HealthFacts.h"
#include "services/habits/PreferencesBudgetStorage.h"
#include "services/habits/PreferencesFrictionStorage.h"
#include "services/habits/RandomSource.h"
#include "services/habits/SkipFriction.h"
#include "services/habits/SnoozeBudget.h"
#include "services/habits/StreakTracker.h"

namespace stirwell {

class PreferencesStore;
class Runtime;

// The habit services of one process, built together the way the application
// builds them: skip friction and snooze budget over the preferences store,
// the streak tracker over "daily-records.json" in the data directory, and
// the exercise catalog embedded in the program. The application and the
// day simulator both construct this, so they run the same services.
//
// Every random choice (health facts, exercise picks) draws from `random`;
// a seeded source makes them all repeatable.
class HabitServices {
public:
    // `runtime` and `preferences` must outlive this object; `random` must
    // stay valid for as long as this object and every provider made by it.
    HabitServices(const Runtime &runtime, PreferencesStore &preferences, const QString &dataDirectory,
                  RandomSource random);
    HabitServices(const HabitServices &) = delete;
    HabitServices &operator=(const HabitServices &) = delete;

    [[nodiscard]] SkipFriction &skipFriction() { return m_skipFriction; }
    [[nodiscard]] SnoozeBudget &snoozeBudget() { return m_snoozeBudget; }
    [[nodiscard]] StreakTracker &streakTracker() { return m_streakTracker; }

    // The catalog as loaded once at construction; empty (with a problem)
    // when the embedded catalog could not be read.
    [[nodiscard]] const ExerciseDatabase &exerciseCatalog() const { return m_catalog; }
    [[nodiscard]] const QString &exerciseCatalogProblem() const { return m_catalogProblem; }
    // A provider for one owner (break screen, eye-break panel): each has its
    // own recency list, all draw from this object's random source.
    [[nodiscard]] ExerciseProvider makeExerciseProvider() const { return ExerciseProvider(m_catalog, m_random); }
    // Statements for the break screen, from the same random source.
    [[nodiscard]] HealthFacts healthFacts() const { return HealthFacts(m_random); }

private:
    RandomSource m_random;
    PreferencesFrictionStorage m_frictionStorage;
    PreferencesBudgetStorage m_budgetStorage;
    SkipFriction m_skipFriction;
    SnoozeBudget m_snoozeBudget;
    StreakTracker m_streakTracker;
    QString m_catalogProblem;
    ExerciseDatabase m_catalog;
};

} // namespace stirwell
