// A playing card as the table holds it.
#pragma once

#include <cstdint>

// rank: 1 = ace, 2 to 10, 11 = jack, 12 = queen, 13 = king; 0 = empty slot.
// suit: 0 = clubs, 1 = diamonds, 2 = spades, 3 = hearts.
struct Card {
  std::int32_t rank;
  std::int32_t suit;
};

constexpr int CardsPerHand = 5;
// The best total: a hand above it is bust, and a two-card hand at it is a natural.
constexpr std::int32_t Blackjack = 21;
constexpr int CardKinds = 52;
