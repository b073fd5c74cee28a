#include "services/habits/HabitServices.h"

namespace stirwell {

HabitServices::HabitServices(const Runtime &runtime, PreferencesStore &preferences, const QString &dataDirectory,
                             RandomSource random)
    : m_random(std::move(random))
    , m_frictionStorage(preferences)
    , m_budgetStorage(preferences)
    , m_skipFriction(runtime, m_frictionStorage, HealthFacts(m_random))
    , m_snoozeBudget(runtime, m_budgetStorage)
    , m_streakTracker(runtime, dataDirectory)
    , m_catalog(ExerciseDatabase::load(ExerciseDatabase::kBundledPath, &m_catalogProblem))
{
}

} // namespace stirwell
