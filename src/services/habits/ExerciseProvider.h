#pragma once

#include "models/BreakType.h"
#include "services/habits/ExerciseDatabase.h"
#include "services/habits/RandomSource.h"

#include <QStringList>

namespace stirwell {

// Picks exercises at random while avoiding the last five shown, and
// assembles a break session of one to three exercises that fits the break's
// length. One recency list covers all pools. Each owner (the break screen,
// the eye-break panel) has its own provider. Runs on the main thread.
class ExerciseProvider {
public:
    static constexpr int kMaxRecent = 5;

    ExerciseProvider(ExerciseDatabase database, RandomSource random);

    // The exercises for a break of `breakType` lasting `durationSeconds`,
    // in order; empty when the pools have nothing to offer.
    //  - micro: one eye exercise.
    //  - movement: a movement exercise; a second one when more than 60 s
    //    remain; a breathing exercise when more than 30 s then remain.
    //  - exerciseSnack: a snack; a second one when more than 45 s remain.
    //  - extended: an extended exercise (a movement one when there is
    //    none); then as for movement.
    [[nodiscard]] QList<Exercise> buildSession(BreakType breakType, int durationSeconds);

    [[nodiscard]] std::optional<Exercise> nextMicro();
    [[nodiscard]] std::optional<Exercise> nextMovement();
    [[nodiscard]] std::optional<Exercise> nextBreathing();
    // From the snack pool, or from the cardio and legs movement exercises
    // when that pool is empty.
    [[nodiscard]] std::optional<Exercise> nextExerciseSnack();
    // From the extended pool, or from the walking movement exercises when
    // that pool is empty.
    [[nodiscard]] std::optional<Exercise> nextExtended();

    [[nodiscard]] const ExerciseDatabase &database() const { return m_database; }
    // Names of the latest picks, oldest first, at most kMaxRecent.
    [[nodiscard]] const QStringList &recentlyUsed() const { return m_recentlyUsed; }

private:
    // A uniform pick among the pool's exercises not picked recently (among
    // the whole pool when all were); nothing for an empty pool.
    [[nodiscard]] std::optional<Exercise> pickRandom(const QList<Exercise> &pool);

    ExerciseDatabase m_database;
    RandomSource m_random;
    QStringList m_recentlyUsed;
};

} // namespace stirwell
