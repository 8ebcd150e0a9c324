// The chips the player bets with: the one list of their values.
#pragma once

#include <cstdint>
#include <iterator>

// Cheapest first, the order of their touch regions; the renderer offers them dearest first.
inline constexpr std::int32_t ChipValues[] = {5, 10, 25, 100, 500};
inline constexpr int ChipCount = static_cast<int>(std::size(ChipValues));
