// Money arithmetic that saturates at the 32-bit limits instead of overflowing.
#pragma once

#include <cstdint>
#include <limits>

// A stored amount may sit anywhere in the 32-bit range, so every sum and
// difference of money is clamped to it rather than wrapping around.
constexpr std::int32_t SaturateMoney(std::int64_t value) {
  constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value < lowest ? lowest : (value > highest ? highest : value));
}

constexpr std::int32_t AddMoney(std::int32_t a, std::int32_t b) {
  return SaturateMoney(static_cast<std::int64_t>(a) + b);
}

constexpr std::int32_t SubtractMoney(std::int32_t a, std::int32_t b) {
  return SaturateMoney(static_cast<std::int64_t>(a) - b);
}
