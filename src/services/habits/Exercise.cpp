#include "services/habits/Exercise.h"

namespace stirwell {

QString rawValue(ExerciseCategory category)
{
    switch (category) {
    case ExerciseCategory::eyes:
        return QStringLiteral("eyes");
    case ExerciseCategory::legs:
        return QStringLiteral("legs");
    case ExerciseCategory::upper:
        return QStringLiteral("upper");
    case ExerciseCategory::stretch:
        return QStringLiteral("stretch");
    case ExerciseCategory::mobility:
        return QStringLiteral("mobility");
    case ExerciseCategory::walking:
        return QStringLiteral("walking");
    case ExerciseCategory::cardio:
        return QStringLiteral("cardio");
    case ExerciseCategory::calm:
        return QStringLiteral("calm");
    case ExerciseCategory::focus:
        return QStringLiteral("focus");
    }
    return {};
}

template <>
std::optional<ExerciseCategory> fromRawValue<ExerciseCategory>(const QString &raw)
{
    for (const ExerciseCategory category : kAllExerciseCategories) {
        if (rawValue(category) == raw)
            return category;
    }
    return std::nullopt;
}

QString defaultAnimationName(ExerciseCategory category)
{
    return QStringLiteral("anim-") + rawValue(category);
}

} // namespace stirwell
