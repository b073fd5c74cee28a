#pragma once

#include "services/habits/Exercise.h"

#include <QList>

namespace stirwell {

// The five pools of exercises, read from the catalog "Exercises.json".
struct ExerciseDatabase {
    // Where the catalog is embedded in the program (a Qt resource).
    static inline const QString kBundledPath = QStringLiteral(":/stirwell/Exercises.json");

    QList<Exercise> micro;
    // Also the fallback for snacks and extended breaks.
    QList<Exercise> movement;
    QList<Exercise> breathing;
    QList<Exercise> exerciseSnack;
    QList<Exercise> extended;

    [[nodiscard]] bool isEmpty() const
    {
        return micro.isEmpty() && movement.isEmpty() && breathing.isEmpty() && exerciseSnack.isEmpty()
            && extended.isEmpty();
    }

    // Decodes a catalog: a JSON object with up to five arrays ("micro",
    // "movement", "breathing", "exerciseSnack", "extended"; a missing key is
    // an empty pool, other keys are ignored). Each exercise needs "name",
    // "instruction", an integral "duration" and a known "category";
    // "animationName" is optional. Any fault rejects the whole catalog:
    // nothing, and `error` (when given) names the pool and position.
    [[nodiscard]] static std::optional<ExerciseDatabase> decode(const QByteArray &bytes, QString *error = nullptr);

    // Reads and decodes the catalog at `path` (a file or a ":/" resource).
    // A missing, unreadable or undecodable catalog gives five empty pools,
    // and `problem` (when given) says why; it is left empty on success.
    [[nodiscard]] static ExerciseDatabase load(const QString &path, QString *problem = nullptr);

    friend bool operator==(const ExerciseDatabase &, const ExerciseDatabase &) = default;
};

} // namespace stirwell
