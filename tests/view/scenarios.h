// States of the table for the view tests, each with what a player must see in it.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "game/game_table.h"

namespace viewtest {

struct Phase {
  bool betting, player, dealer, over;
};
inline constexpr Phase Betting{true, false, false, false};
inline constexpr Phase PlayersTurn{false, true, false, false};
inline constexpr Phase DealersTurn{false, false, true, false};
inline constexpr Phase Result{true, false, false, true};

struct Scenario {
  const char *name = "";
  // The state.
  Phase phase = Betting;
  std::int32_t bank = 0;
  std::int32_t bet = 0;
  std::vector<Card> player;
  std::vector<Card> dealer;
  std::int32_t playerSoft = 0, playerHard = 0, dealerSoft = 0, dealerHard = 0;
  bool blackjack = false, won = false, push = false, shuffle = false;
  // What must be seen: the rows of ImagePieces drawn live,
  std::set<int> livePieces;
  // per row the cards shown from slot 0 on (rank 0 stands for a card back),
  std::vector<Card> playerShown;
  std::vector<Card> dealerShown;
  // the totals (null: not drawn), the result message and the cue of every paint.
  const char16_t *playerTotal = nullptr;
  const char16_t *dealerTotal = nullptr;
  const char16_t *message = nullptr;
  const char16_t *cue = nullptr;
};

// Betting, player's turn, dealer's turn and result, with their edge cases.
std::vector<Scenario> Scenarios();
// The scenario of the given name; aborts the test when there is none.
const Scenario &ScenarioNamed(const char *name);

// Puts the scenario's state on the table, as the rules would have left it.
void Apply(const Scenario &scenario, GameTable &table);

} // namespace viewtest
