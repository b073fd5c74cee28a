#pragma once

#include "models/RawValue.h"

#include <array>

namespace stirwell {

// Where the scheduler is in its cycle. The declaration order matters: the
// predicates below are ranges over it.
enum class BreakState { counting, due, nudge, softBlock, firmBlock, hardBlock, breakActive, completed, paused };

inline constexpr std::array<BreakState, 9> kAllBreakStates = {
    BreakState::counting, BreakState::due, BreakState::nudge, BreakState::softBlock, BreakState::firmBlock,
    BreakState::hardBlock, BreakState::breakActive, BreakState::completed, BreakState::paused};

[[nodiscard]] QString rawValue(BreakState state);
template <>
[[nodiscard]] std::optional<BreakState> fromRawValue<BreakState>(const QString &raw);

// `due` through `breakActive`: the application refuses to quit.
[[nodiscard]] constexpr bool preventsQuit(BreakState s)
{
    return s >= BreakState::due && s <= BreakState::breakActive;
}
// `nudge` through `hardBlock`: the overlay offers snooze and skip.
[[nodiscard]] constexpr bool showsControls(BreakState s)
{
    return s >= BreakState::nudge && s <= BreakState::hardBlock;
}
// `nudge` through `completed`: the break screen is up.
[[nodiscard]] constexpr bool isOverlayVisible(BreakState s)
{
    return s >= BreakState::nudge && s <= BreakState::completed;
}

} // namespace stirwell
