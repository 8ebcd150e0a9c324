// The shoe: one counter of copies left per card kind, and the draw.
#include <cstdlib>

#include "game/game_table.h"

namespace {
// Fewer cards than this left at a deal refills the shoe: a hand uses at most 10.
constexpr std::int32_t ReshuffleThreshold = 12;
} // namespace

void GameTable::RefillShoe() {
  for (std::int32_t &copies : shoe) {
    copies = deckCount;
  }
  for (int slot = 0; slot < CardsPerHand; ++slot) {
    dealerCards[slot] = Card{0, 0};
    playerCards[slot] = Card{0, 0};
  }
}

void GameTable::DrawCard() {
  drawnCard = Card{0, 0};
  // Every kind with a copy left is equally likely, however many copies it has:
  // the draw picks a kind, not a card.
  int kind = 0;
  do {
    kind = std::rand() % CardKinds;
  } while (shoe[kind] == 0);
  ++cardsDrawn;
  --shoe[kind];
  drawnCard.rank = kind % 13 + 1;
  drawnCard.suit = kind / 13;
}

void GameTable::ReshuffleIfLow() {
  if (static_cast<std::int64_t>(deckCount) * CardKinds - cardsDrawn < ReshuffleThreshold) {
    for (std::int32_t &copies : shoe) {
      copies = deckCount;
    }
    newShuffle = true;
    cardsDrawn = 0;
  }
}
