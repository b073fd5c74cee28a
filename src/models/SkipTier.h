#pragma once

#include "models/RawValue.h"

#include <array>

namespace stirwell {

// How hard the next skip of the day is; follows from today's skip count.
enum class SkipTier { tier1 = 1, tier2, tier3, tier4, tier5 };

inline constexpr std::array<SkipTier, 5> kAllSkipTiers = {SkipTier::tier1, SkipTier::tier2, SkipTier::tier3,
                                                          SkipTier::tier4, SkipTier::tier5};

[[nodiscard]] constexpr int rawValue(SkipTier tier) { return static_cast<int>(tier); }
// "tier_1" ... "tier_5", as written in analytics and diagnostics.
[[nodiscard]] QString reportedName(SkipTier tier);
// 0 -> tier1, 1 -> tier2, 2 -> tier3, 3 -> tier4, anything else -> tier5.
[[nodiscard]] SkipTier skipTierForSkipCount(int count);

[[nodiscard]] bool canSkip(SkipTier tier);
// How long the skip control stays disabled.
[[nodiscard]] int waitSeconds(SkipTier tier);
[[nodiscard]] QString buttonLabel(SkipTier tier);
// The phrase to type before the skip is accepted; tier4's phrase is a health
// fact supplied by the skip-friction service, not by the tier.
[[nodiscard]] std::optional<QString> typingChallenge(SkipTier tier);
[[nodiscard]] bool showStreakWarning(SkipTier tier);
[[nodiscard]] bool breaksStreak(SkipTier tier);

} // namespace stirwell
