#pragma once

#include <QString>

#include <array>
#include <optional>

namespace stirwell {

// Celebrated streak lengths; the value is the number of days.
enum class StreakMilestone { week = 7, twoWeeks = 14, month = 30, twoMonths = 60, hundred = 100 };

inline constexpr std::array<StreakMilestone, 5> kAllStreakMilestones = {
    StreakMilestone::week, StreakMilestone::twoWeeks, StreakMilestone::month, StreakMilestone::twoMonths,
    StreakMilestone::hundred};

[[nodiscard]] constexpr int days(StreakMilestone milestone) { return static_cast<int>(milestone); }
[[nodiscard]] QString label(StreakMilestone milestone);
[[nodiscard]] QString menubarIcon(StreakMilestone milestone);
// The largest milestone reached by a streak of `streak` days; nothing below 7.
[[nodiscard]] std::optional<StreakMilestone> streakMilestoneForStreak(int streak);

} // namespace stirwell
