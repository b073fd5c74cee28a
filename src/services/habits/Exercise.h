#pragma once

#include "models/RawValue.h"

#include <QString>

#include <array>
#include <optional>

namespace stirwell {

// The kind of movement an exercise is; the raw value is the case name.
enum class ExerciseCategory { eyes, legs, upper, stretch, mobility, walking, cardio, calm, focus };

inline constexpr std::array<ExerciseCategory, 9> kAllExerciseCategories = {
    ExerciseCategory::eyes,    ExerciseCategory::legs,   ExerciseCategory::upper,
    ExerciseCategory::stretch, ExerciseCategory::mobility, ExerciseCategory::walking,
    ExerciseCategory::cardio,  ExerciseCategory::calm,   ExerciseCategory::focus};

[[nodiscard]] QString rawValue(ExerciseCategory category);
template <>
[[nodiscard]] std::optional<ExerciseCategory> fromRawValue<ExerciseCategory>(const QString &raw);
// "anim-" followed by the raw value: the animation played for an exercise
// that names none.
[[nodiscard]] QString defaultAnimationName(ExerciseCategory category);

// One movement a break asks for. Its name is its identity.
struct Exercise {
    using Category = ExerciseCategory;

    QString name;
    QString instruction;
    // Seconds.
    int duration = 0;
    Category category = Category::stretch;
    // Absent: the category's default animation.
    std::optional<QString> animationName;

    [[nodiscard]] const QString &id() const { return name; }
    [[nodiscard]] QString effectiveAnimationName() const
    {
        return animationName.value_or(defaultAnimationName(category));
    }

    friend bool operator==(const Exercise &, const Exercise &) = default;
};

} // namespace stirwell
