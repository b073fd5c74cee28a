#pragma once

#include "models/RawValue.h"

#include <QStringList>

#include <array>
#include <set>

namespace stirwell {

enum class PauseReason { meeting, systemSleep, screenLock, quietHours, manual };

inline constexpr std::array<PauseReason, 5> kAllPauseReasons = {PauseReason::meeting, PauseReason::systemSleep,
                                                                PauseReason::screenLock, PauseReason::quietHours,
                                                                PauseReason::manual};

[[nodiscard]] QString rawValue(PauseReason reason);
template <>
[[nodiscard]] std::optional<PauseReason> fromRawValue<PauseReason>(const QString &raw);

// Raw values sorted in ascending byte order and joined with ",", as reasons
// are listed in diagnostics ("manual,meeting").
[[nodiscard]] QString joinedRawValues(const std::set<PauseReason> &reasons);

} // namespace stirwell
