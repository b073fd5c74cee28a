#pragma once

#include "models/RawValue.h"

#include <array>

namespace stirwell {

// The strictness profile the user commits to for the day.
enum class CommitmentMode { gentle, normal, warrior };

inline constexpr std::array<CommitmentMode, 3> kAllCommitmentModes = {CommitmentMode::gentle, CommitmentMode::normal,
                                                                      CommitmentMode::warrior};

[[nodiscard]] QString rawValue(CommitmentMode mode);
template <>
[[nodiscard]] std::optional<CommitmentMode> fromRawValue<CommitmentMode>(const QString &raw);

[[nodiscard]] QString label(CommitmentMode mode);
[[nodiscard]] QString icon(CommitmentMode mode);
[[nodiscard]] int intervalMinutes(CommitmentMode mode);
[[nodiscard]] int breakDurationSeconds(CommitmentMode mode);
[[nodiscard]] int maxSnoozesPerDay(CommitmentMode mode);
// Only ever tested for being above zero: `warrior` permits no skip.
[[nodiscard]] int maxSkipsPerDay(CommitmentMode mode);
[[nodiscard]] bool allowsManualPause(CommitmentMode mode);
// "45 min intervals, firm blocks, 5 snoozes"
[[nodiscard]] QString description(CommitmentMode mode);
// "30 min · hard blocks · 2 snoozes · no skips"
[[nodiscard]] QString onboardingDescription(CommitmentMode mode);

} // namespace stirwell
