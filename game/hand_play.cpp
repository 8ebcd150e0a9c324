// One hand from Deal to settlement: the player's actions and the dealer's ticks.
#include "game/game_table.h"
#include "game/money.h"
#include "game/sound_cues.h"

namespace {
constexpr std::int32_t DealerStandsOn = 17;
} // namespace

void GameTable::Deal() {
  if (!bettingOpen || bet < 1) {
    PlayCue(*this, u"pong");
    RequestRedraw();
    return;
  }
  // The debt of the last hand comes out of the stake; the sum is unchanged.
  if (bank < 0) {
    bet = AddMoney(bet, bank);
    bank = 0;
  }
  if (bet < 1) {
    PlayCue(*this, u"pong");
    RequestRedraw();
    return;
  }
  bettingOpen = false;
  playerTurn = true;
  roundOver = false;
  playerBlackjack = false;
  DealOpeningCards();
  RequestRedraw();
}

void GameTable::DealOpeningCards() {
  ReshuffleIfLow();
  PlayCue(*this, u"flip");
  Card *const order[] = {&playerCards[0], &playerCards[1], &dealerCards[0], &dealerCards[1]};
  for (Card *slot : order) {
    DrawCard();
    *slot = drawnCard;
  }
  playerCardCount = 2;
  dealerCardCount = 2;
  UpdateTotals();
  if (playerSoftTotal == Blackjack) {
    if (dealerSoftTotal != Blackjack) {
      playerBlackjack = true;
    }
    SettleHand();
  }
}

void GameTable::Hit() {
  if (!playerTurn || playerCardCount >= CardsPerHand) {
    PlayCue(*this, u"pong");
    return;
  }
  newShuffle = false;
  PlayCue(*this, u"flip");
  DrawCard();
  playerCards[playerCardCount] = drawnCard;
  ++playerCardCount;
  UpdateTotals();
  RequestRedraw();
}

void GameTable::Stand() {
  if (!playerTurn) {
    PlayCue(*this, u"pong");
    return;
  }
  playerTurn = false;
  newShuffle = false;
  dealerTurn = true;
  UpdateTotals();
  SetTimer(window, DealerTimer, DealerTimerPeriod, nullptr);
  RequestRedraw();
}

void GameTable::DoubleDown() {
  if (!playerTurn || playerCardCount != 2 || static_cast<std::int64_t>(bank) - bet < 0) {
    PlayCue(*this, u"pong");
    return;
  }
  doubled = true;
  newShuffle = false;
  bank = SubtractMoney(bank, bet);
  bet = AddMoney(bet, bet);
  Hit();
  if (!hitAfterDouble) {
    Stand();
  }
  RequestRedraw();
}

void GameTable::DealerStep() {
  // A tick that outlived the dealer's turn (after a bust, or after NewGame or a
  // new Deal) stops the timer and leaves the table alone.
  if (!dealerTurn) {
    KillTimer(window, DealerTimer);
    return;
  }
  const bool softDraws = dealerSoftTotal < DealerStandsOn || dealerSoftTotal > Blackjack;
  const bool hardDraws = dealerHardTotal < DealerStandsOn || dealerHardTotal > Blackjack;
  const bool bothAtLeast21 = dealerSoftTotal >= Blackjack && dealerHardTotal >= Blackjack;
  if (softDraws && hardDraws && !bothAtLeast21 && dealerCardCount < CardsPerHand) {
    DrawCard();
    dealerCards[dealerCardCount] = drawnCard;
    ++dealerCardCount;
    UpdateTotals();
    RequestRedraw();
    PlayCue(*this, u"flip");
    return;
  }
  KillTimer(window, DealerTimer);
  SettleHand();
}

void GameTable::SettleHand() {
  const std::int32_t player = BestTotal(playerSoftTotal, playerHardTotal);
  const std::int32_t dealer = BestTotal(dealerSoftTotal, dealerHardTotal);
  if (playerBlackjack) {
    // Blackjack pays 2 to 1.
    bank = AddMoney(bank, AddMoney(bet, bet));
    pushResult = false;
    playerWon = false;
  } else if (dealer < player) {
    BookOutcome(+1);
    playerWon = true;
    pushResult = false;
  } else if (dealer == player && player <= Blackjack) {
    BookOutcome(0);
    pushResult = true;
    playerWon = false;
  } else if (dealerHardTotal > Blackjack) {
    return; // the dealer's bust was settled when its card was counted
  } else {
    BookOutcome(-1);
    pushResult = false;
    playerWon = false;
  }
  bettingOpen = true;
  playerTurn = dealerTurn = false;
  roundOver = true;
  RequestRedraw();
}

void GameTable::BookOutcome(int sign) {
  if (sign > 0) {
    bank = AddMoney(bank, bet);
  } else if (sign < 0) {
    bank = SubtractMoney(bank, bet);
  }
  // A doubled stake returns to the first stake; the second goes back to the bank.
  if (doubled) {
    doubled = false;
    bet /= 2;
    bank = AddMoney(bank, bet);
  }
}
