#pragma once

#include "models/RawValue.h"

#include <array>

namespace stirwell {

enum class BreakType { micro, movement, exerciseSnack, extended };

inline constexpr std::array<BreakType, 4> kAllBreakTypes = {BreakType::micro, BreakType::movement,
                                                            BreakType::exerciseSnack, BreakType::extended};

[[nodiscard]] QString rawValue(BreakType type);
template <>
[[nodiscard]] std::optional<BreakType> fromRawValue<BreakType>(const QString &raw);

[[nodiscard]] QString label(BreakType type);
// A symbol name of the icon set ("eye", "figure.walk", ...).
[[nodiscard]] QString icon(BreakType type);
[[nodiscard]] QString breakDescription(BreakType type);
// The break length installed when a break of this kind falls due.
[[nodiscard]] int defaultDurationSeconds(BreakType type);
// The cadence of the two rarer kinds (90 and 180 minutes); nothing for the
// others, which no cadence governs.
[[nodiscard]] std::optional<int> defaultIntervalMinutes(BreakType type);

} // namespace stirwell
