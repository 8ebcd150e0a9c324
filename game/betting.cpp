// Betting between hands: chips from the bank onto the bet, and Clear.
#include "game/game_table.h"
#include "game/money.h"
#include "game/sound_cues.h"

void GameTable::AddChip(std::int32_t value) {
  if (!bettingOpen || value <= 0) {
    PlayCue(*this, u"pong");
    return;
  }
  if (bank / value == 0) {
    PlayCue(*this, u"pong");
    return;
  }
  // The table limit and a bank in debt refuse the chip without a sound.
  if (static_cast<std::int64_t>(bet) + value >= TableLimit) {
    return;
  }
  if (static_cast<std::int64_t>(bank) - value < 0) {
    return;
  }
  bank = SubtractMoney(bank, value);
  bet = AddMoney(bet, value);
  PlayCue(*this, u"coin");
  RequestRedraw();
}

void GameTable::ClearBet() {
  if (bettingOpen && bet != 0) {
    bank = AddMoney(bank, bet);
    bet = 0;
    RequestRedraw();
    return;
  }
  PlayCue(*this, u"pong");
}
