#include "services/habits/ExerciseProvider.h"

#include <algorithm>

namespace stirwell {

namespace {

QList<Exercise> withCategories(const QList<Exercise> &pool, std::initializer_list<ExerciseCategory> categories)
{
    QList<Exercise> result;
    for (const Exercise &exercise : pool) {
        if (std::find(categories.begin(), categories.end(), exercise.category) != categories.end())
            result.append(exercise);
    }
    return result;
}

} // namespace

ExerciseProvider::ExerciseProvider(ExerciseDatabase database, RandomSource random)
    : m_database(std::move(database))
    , m_random(std::move(random))
{
}

std::optional<Exercise> ExerciseProvider::pickRandom(const QList<Exercise> &pool)
{
    QList<Exercise> candidates;
    for (const Exercise &exercise : pool) {
        if (!m_recentlyUsed.contains(exercise.name))
            candidates.append(exercise);
    }
    if (candidates.isEmpty())
        candidates = pool;
    if (candidates.isEmpty())
        return std::nullopt;
    const int count = static_cast<int>(candidates.size());
    const Exercise chosen = candidates.at(std::clamp(m_random(count), 0, count - 1));
    m_recentlyUsed.append(chosen.name);
    if (m_recentlyUsed.size() > kMaxRecent)
        m_recentlyUsed.removeFirst();
    return chosen;
}

std::optional<Exercise> ExerciseProvider::nextMicro()
{
    return pickRandom(m_database.micro);
}

std::optional<Exercise> ExerciseProvider::nextMovement()
{
    return pickRandom(m_database.movement);
}

std::optional<Exercise> ExerciseProvider::nextBreathing()
{
    return pickRandom(m_database.breathing);
}

std::optional<Exercise> ExerciseProvider::nextExerciseSnack()
{
    if (!m_database.exerciseSnack.isEmpty())
        return pickRandom(m_database.exerciseSnack);
    return pickRandom(withCategories(m_database.movement, {ExerciseCategory::cardio, ExerciseCategory::legs}));
}

std::optional<Exercise> ExerciseProvider::nextExtended()
{
    if (!m_database.extended.isEmpty())
        return pickRandom(m_database.extended);
    return pickRandom(withCategories(m_database.movement, {ExerciseCategory::walking}));
}

QList<Exercise> ExerciseProvider::buildSession(BreakType breakType, int durationSeconds)
{
    QList<Exercise> session;
    int remaining = durationSeconds;
    const auto add = [&](std::optional<Exercise> exercise) {
        if (!exercise)
            return;
        remaining -= exercise->duration;
        session.append(std::move(*exercise));
    };
    switch (breakType) {
    case BreakType::micro:
        add(nextMicro());
        break;
    case BreakType::movement:
    case BreakType::extended:
        if (breakType == BreakType::movement) {
            add(nextMovement());
        } else {
            std::optional<Exercise> first = nextExtended();
            add(first ? std::move(first) : nextMovement());
        }
        if (remaining > 60)
            add(nextMovement());
        if (remaining > 30)
            add(nextBreathing());
        break;
    case BreakType::exerciseSnack:
        add(nextExerciseSnack());
        if (remaining > 45)
            add(nextExerciseSnack());
        break;
    }
    return session;
}

} // namespace stirwell
