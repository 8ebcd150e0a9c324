// States of the table for the view tests, each with what a player must see in it.
#include "scenarios.h"

#include <algorithm>
#include <cstring>
#include <cstdlib>

#include "view/geometry.h"

namespace viewtest {

namespace {

constexpr Card AceSpades{1, 2};
constexpr Card SixHearts{6, 3};
constexpr Card KingHearts{13, 3};
constexpr Card TenClubs{10, 0};
constexpr Card SevenDiamonds{7, 1};
constexpr Card TwoClubs{2, 0};
constexpr Card ThreeDiamonds{3, 1};
constexpr Card FourSpades{4, 2};
constexpr Card NineHearts{9, 3};
constexpr Card QueenSpades{12, 2};
constexpr Card EightClubs{8, 0};
constexpr Card FiveDiamonds{5, 1};

constexpr Card Back{0, 0};
const std::set<int> AllChips{Chip500Piece, Chip100Piece, Chip25Piece, Chip10Piece, Chip5Piece};
const std::set<int> AllChipsDealClear{DealPiece,   ClearPiece,  Chip500Piece, Chip100Piece,
                                      Chip25Piece, Chip10Piece, Chip5Piece};

} // namespace

std::vector<Scenario> Scenarios() {
  const std::vector<Card> twoBacks{Back, Back};
  const std::vector<Card> aceSix{AceSpades, SixHearts};
  const std::vector<Card> tenSeven{TenClubs, SevenDiamonds};
  const std::vector<Card> holeCard{TenClubs, Back};
  const std::vector<Card> fiveCards{TwoClubs, ThreeDiamonds, FourSpades, TwoClubs, FiveDiamonds};
  const std::vector<Card> queenEight{QueenSpades, EightClubs};
  // clang-format off
  return {
      {.name = "new table", .phase = Betting, .bank = 1000, .bet = 0,
       .livePieces = AllChips, .playerShown = twoBacks, .dealerShown = twoBacks},
      {.name = "betting bank 499 with a bet", .phase = Betting, .bank = 499, .bet = 100,
       .livePieces = {DealPiece, ClearPiece, Chip100Piece, Chip25Piece, Chip10Piece, Chip5Piece},
       .playerShown = twoBacks, .dealerShown = twoBacks},
      {.name = "betting bank 4", .phase = Betting, .bank = 4, .bet = 10,
       .livePieces = {DealPiece, ClearPiece}, .playerShown = twoBacks, .dealerShown = twoBacks},
      {.name = "betting negative bank and a shuffle", .phase = Betting, .bank = -50, .bet = 100,
       .shuffle = true,
       .livePieces = {DealPiece, ClearPiece}, .playerShown = twoBacks, .dealerShown = twoBacks},
      {.name = "betting broke", .phase = Betting, .bank = 0, .bet = 0,
       .playerShown = twoBacks, .dealerShown = twoBacks,
       .message = u"You're Broke! - Game Over"},
      {.name = "player's turn two cards", .phase = PlayersTurn, .bank = 900, .bet = 100,
       .player = aceSix, .dealer = tenSeven, .playerSoft = 17, .playerHard = 7,
       .dealerSoft = 17, .dealerHard = 17,
       .livePieces = {HitPiece, StandPiece, DoublePiece}, .playerShown = aceSix,
       .dealerShown = holeCard, .playerTotal = u"7(17)"},
      {.name = "player's turn after a shuffle", .phase = PlayersTurn, .bank = 900, .bet = 100,
       .player = aceSix, .dealer = tenSeven, .playerSoft = 17, .playerHard = 7,
       .dealerSoft = 17, .dealerHard = 17, .shuffle = true,
       .livePieces = {HitPiece, StandPiece, DoublePiece}, .playerShown = aceSix,
       .dealerShown = holeCard, .playerTotal = u"7(17)"},
      {.name = "player's turn bank below bet", .phase = PlayersTurn, .bank = 50, .bet = 100,
       .player = aceSix, .dealer = tenSeven, .playerSoft = 17, .playerHard = 7,
       .dealerSoft = 17, .dealerHard = 17,
       .livePieces = {HitPiece, StandPiece}, .playerShown = aceSix, .dealerShown = holeCard,
       .playerTotal = u"7(17)"},
      {.name = "player's turn three cards", .phase = PlayersTurn, .bank = 900, .bet = 100,
       .player = {AceSpades, SixHearts, NineHearts}, .dealer = tenSeven, .playerSoft = 26,
       .playerHard = 16, .dealerSoft = 17, .dealerHard = 17,
       .livePieces = {HitPiece, StandPiece}, .playerShown = {AceSpades, SixHearts, NineHearts},
       .dealerShown = holeCard, .playerTotal = u"16"},
      {.name = "player's turn five cards", .phase = PlayersTurn, .bank = 900, .bet = 100,
       .player = fiveCards, .dealer = tenSeven, .playerSoft = 21, .playerHard = 21,
       .dealerSoft = 17, .dealerHard = 17,
       .livePieces = {StandPiece}, .playerShown = fiveCards, .dealerShown = holeCard,
       .playerTotal = u"21"},
      {.name = "dealer's turn", .phase = DealersTurn, .bank = 900, .bet = 100,
       .player = queenEight, .dealer = {TenClubs, TwoClubs}, .playerSoft = 18,
       .playerHard = 18, .dealerSoft = 12, .dealerHard = 12,
       .playerShown = queenEight, .dealerShown = {TenClubs, TwoClubs},
       .playerTotal = u"18", .dealerTotal = u"12"},
      {.name = "result blackjack", .phase = Result, .bank = 1100, .bet = 100,
       .player = {AceSpades, KingHearts}, .dealer = tenSeven, .playerSoft = 21,
       .playerHard = 11, .dealerSoft = 17, .dealerHard = 17, .blackjack = true,
       .livePieces = AllChipsDealClear, .playerShown = {AceSpades, KingHearts},
       .dealerShown = tenSeven, .playerTotal = u"11(21)", .dealerTotal = u"17",
       .message = u"Black Jack!", .cue = u"chaching"},
      {.name = "result player busts", .phase = Result, .bank = 800, .bet = 100,
       .player = {QueenSpades, EightClubs, FiveDiamonds}, .dealer = tenSeven, .playerSoft = 23,
       .playerHard = 23, .dealerSoft = 17, .dealerHard = 17,
       .livePieces = AllChipsDealClear, .playerShown = {QueenSpades, EightClubs, FiveDiamonds},
       .dealerShown = tenSeven, .playerTotal = u"23", .dealerTotal = u"17",
       .message = u"Player Busts - You Lose", .cue = u"lose"},
      {.name = "result dealer busts", .phase = Result, .bank = 450, .bet = 100,
       .player = queenEight, .dealer = {TenClubs, SixHearts, NineHearts}, .playerSoft = 18,
       .playerHard = 18, .dealerSoft = 25, .dealerHard = 25, .won = true,
       .livePieces = {DealPiece, ClearPiece, Chip100Piece, Chip25Piece, Chip10Piece, Chip5Piece},
       .playerShown = queenEight, .dealerShown = {TenClubs, SixHearts, NineHearts},
       .playerTotal = u"18", .dealerTotal = u"25",
       .message = u"Dealer Busts - You Win", .cue = u"chaching"},
      {.name = "result win", .phase = Result, .bank = 30, .bet = 100,
       .player = queenEight, .dealer = tenSeven, .playerSoft = 18, .playerHard = 18,
       .dealerSoft = 17, .dealerHard = 17, .won = true,
       .livePieces = {DealPiece, ClearPiece, Chip25Piece, Chip10Piece, Chip5Piece},
       .playerShown = queenEight, .dealerShown = tenSeven, .playerTotal = u"18",
       .dealerTotal = u"17", .message = u"You Win", .cue = u"chaching"},
      {.name = "result draw", .phase = Result, .bank = 5, .bet = 100,
       .player = {QueenSpades, SevenDiamonds}, .dealer = tenSeven, .playerSoft = 17,
       .playerHard = 17, .dealerSoft = 17, .dealerHard = 17, .push = true,
       .livePieces = {DealPiece, ClearPiece, Chip5Piece},
       .playerShown = {QueenSpades, SevenDiamonds}, .dealerShown = tenSeven,
       .playerTotal = u"17", .dealerTotal = u"17", .message = u"Draw", .cue = u"lose"},
      {.name = "result loss", .phase = Result, .bank = 0, .bet = 100,
       .player = {QueenSpades, SixHearts}, .dealer = tenSeven, .playerSoft = 16,
       .playerHard = 16, .dealerSoft = 17, .dealerHard = 17,
       .livePieces = {DealPiece, ClearPiece}, .playerShown = {QueenSpades, SixHearts},
       .dealerShown = tenSeven, .playerTotal = u"16", .dealerTotal = u"17",
       .message = u"You Lose", .cue = u"lose"},
      {.name = "result broke", .phase = Result, .bank = 0, .bet = 0,
       .player = {QueenSpades, SixHearts}, .dealer = tenSeven, .playerSoft = 16,
       .playerHard = 16, .dealerSoft = 17, .dealerHard = 17,
       .playerShown = {QueenSpades, SixHearts}, .dealerShown = tenSeven,
       .playerTotal = u"16", .dealerTotal = u"17", .message = u"You're Broke! - Game Over"},
  };
  // clang-format on
}

void Apply(const Scenario &s, GameTable &table) {
  table.bettingOpen = s.phase.betting;
  table.playerTurn = s.phase.player;
  table.dealerTurn = s.phase.dealer;
  table.roundOver = s.phase.over;
  table.bank = s.bank;
  table.bet = s.bet;
  table.playerCardCount = static_cast<std::int32_t>(s.player.size());
  table.dealerCardCount = static_cast<std::int32_t>(s.dealer.size());
  std::copy(s.player.begin(), s.player.end(), table.playerCards);
  std::copy(s.dealer.begin(), s.dealer.end(), table.dealerCards);
  table.playerSoftTotal = s.playerSoft;
  table.playerHardTotal = s.playerHard;
  table.dealerSoftTotal = s.dealerSoft;
  table.dealerHardTotal = s.dealerHard;
  table.playerBlackjack = s.blackjack;
  table.playerWon = s.won;
  table.pushResult = s.push;
  table.newShuffle = s.shuffle;
}

const Scenario &ScenarioNamed(const char *name) {
  static const std::vector<Scenario> all = Scenarios();
  for (const Scenario &s : all) {
    if (std::strcmp(s.name, name) == 0) {
      return s;
    }
  }
  std::abort();
}

} // namespace viewtest
