// Hand totals, the five-card rule, and the settlement of a bust.
#include "game/game_table.h"

namespace {

struct Totals {
  std::int32_t soft = 0;
  std::int32_t hard = 0;
};

// The first ace counts 11 in the soft total; every other ace counts 1.
Totals CountHand(const Card *cards, std::int32_t count) {
  Totals totals;
  bool aceMet = false;
  for (std::int32_t i = 0; i < count && i < CardsPerHand; ++i) {
    const std::int32_t rank = cards[i].rank;
    if (rank > 9) {
      totals.soft += 10;
      totals.hard += 10;
    } else if (rank == 1 && !aceMet) {
      totals.soft += 11;
      totals.hard += 1;
      aceMet = true;
    } else {
      totals.soft += rank;
      totals.hard += rank;
    }
  }
  return totals;
}

} // namespace

std::int32_t BestTotal(std::int32_t softTotal, std::int32_t hardTotal) {
  return softTotal <= Blackjack ? softTotal : hardTotal;
}

void GameTable::UpdateTotals() {
  const Totals player = CountHand(playerCards, playerCardCount);
  const Totals dealer = CountHand(dealerCards, dealerCardCount);
  playerSoftTotal = player.soft;
  playerHardTotal = player.hard;
  dealerSoftTotal = dealer.soft;
  dealerHardTotal = dealer.hard;

  if (playerHardTotal > Blackjack || dealerHardTotal > Blackjack) {
    bettingOpen = true;
    playerTurn = dealerTurn = false;
    roundOver = true;
    BookOutcome(playerHardTotal > Blackjack ? -1 : +1);
    return;
  }
  if (playerCardCount == CardsPerHand) {
    playerSoftTotal = playerHardTotal = Blackjack;
  }
  if (dealerCardCount == CardsPerHand) {
    dealerSoftTotal = dealerHardTotal = Blackjack;
  }
}
