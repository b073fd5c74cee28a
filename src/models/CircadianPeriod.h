#pragma once

#include "models/RawValue.h"

#include <array>

namespace stirwell {

// The time-of-day period, from the local hour.
enum class CircadianPeriod { earlyMorning, peakFocus, postLunch, afternoon, evening };

inline constexpr std::array<CircadianPeriod, 5> kAllCircadianPeriods = {
    CircadianPeriod::earlyMorning, CircadianPeriod::peakFocus, CircadianPeriod::postLunch,
    CircadianPeriod::afternoon, CircadianPeriod::evening};

[[nodiscard]] QString rawValue(CircadianPeriod period);
template <>
[[nodiscard]] std::optional<CircadianPeriod> fromRawValue<CircadianPeriod>(const QString &raw);

// 6-8 early morning, 9-11 peak focus, 12-14 post-lunch, 15-17 afternoon,
// every other hour evening.
[[nodiscard]] CircadianPeriod circadianPeriodForHour(int hour);
[[nodiscard]] QString label(CircadianPeriod period);
[[nodiscard]] double intervalMultiplier(CircadianPeriod period);
[[nodiscard]] double escalationMultiplier(CircadianPeriod period);
[[nodiscard]] bool showWindDown(CircadianPeriod period);

} // namespace stirwell
