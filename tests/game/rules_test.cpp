// Totals, betting and settlement as tables of cases on a fresh table.
#include <tuple>

#include "table_fixture.h"

namespace gametest {
namespace {

class Rules : public TableTest {
protected:
  void SetHands(const std::vector<Card> &player, const std::vector<Card> &dealer) {
    for (int i = 0; i < CardsPerHand; ++i) {
      table->playerCards[i] = i < static_cast<int>(player.size()) ? player[i] : C(0);
      table->dealerCards[i] = i < static_cast<int>(dealer.size()) ? dealer[i] : C(0);
    }
    table->playerCardCount = static_cast<std::int32_t>(player.size());
    table->dealerCardCount = static_cast<std::int32_t>(dealer.size());
  }

  void EnterPhase(bool dealerTurn) {
    table->bettingOpen = table->roundOver = false;
    table->playerTurn = !dealerTurn;
    table->dealerTurn = dealerTurn;
  }
};

TEST_F(Rules, TotalsCountTheFirstAceSoftAndApplyTheFiveCardRule) {
  struct Case {
    const char *name;
    std::vector<Card> player, dealer;
    std::int32_t playerSoft, playerHard, dealerSoft, dealerHard;
    bool settled;
  };
  const std::vector<Card> fiveSmall{C(2), C(3), C(2, 1), C(4), C(3, 1)}; // 14
  // clang-format off
  const Case cases[] = {
      {"two aces and a nine", {C(1), C(1, 1), C(9)}, {C(5), C(6)}, 21, 11, 11, 11, false},
      {"ace six ten stays in play", {C(1), C(6), C(10)}, {C(5)}, 27, 17, 5, 5, false},
      {"ace six eight", {C(1), C(6), C(8)}, {C(5)}, 25, 15, 5, 5, false},
      {"ten counts like a face", {C(10), C(11), C(12)}, {C(13), C(10, 2)}, 30, 30, 20, 20, true},
      {"five small cards make 21", fiveSmall, {C(9)}, 21, 21, 9, 9, false},
      {"five cards over 21 bust", {C(5), C(6), C(2), C(4), C(5, 1)}, {C(9)}, 22, 22, 9, 9, true},
      {"dealer five cards make 21", {C(10)}, fiveSmall, 10, 10, 21, 21, false},
      {"a dealer bust skips the five-card rule", fiveSmall, {C(10), C(6), C(9)},
       14, 14, 25, 25, true},
  };
  // clang-format on
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    table->bank = 1000;
    table->bet = 100;
    EnterPhase(false);
    SetHands(c.player, c.dealer);
    table->UpdateTotals();
    EXPECT_EQ(std::tuple(table->playerSoftTotal, table->playerHardTotal, table->dealerSoftTotal,
                         table->dealerHardTotal, PhaseOf(*table)),
              std::tuple(c.playerSoft, c.playerHard, c.dealerSoft, c.dealerHard,
                         c.settled ? Phase::Result : Phase::PlayerTurn));
  }
}

TEST_F(Rules, ChipsFollowTheTableLimitAndTheBank) {
  struct Case {
    std::int32_t chip, bank, bet;
    enum { Placed, Pong, Silent } outcome;
  };
  const Case cases[] = {
      {500, 1000, 0, Case::Placed},    {500, 500, 500, Case::Placed},  {500, 0, 1000, Case::Pong},
      {100, 1000, 5400, Case::Silent}, {25, 1000, 5400, Case::Placed}, {10, 7, 0, Case::Pong},
      {5, 7, 0, Case::Placed},         {5, -300, 0, Case::Silent},     {10, -300, 0, Case::Silent},
      {25, -300, 0, Case::Silent},     {100, -300, 0, Case::Silent},   {500, -300, 0, Case::Pong},
      {5, 5, 5494, Case::Placed},      {5, 5, 5495, Case::Silent},     {5, -4, 0, Case::Pong},
      {5, 4, 0, Case::Pong},           {5, -5, 0, Case::Silent},       {500, 499, 0, Case::Pong},
      {500, 500, 4999, Case::Placed},  {500, 500, 5000, Case::Silent}, {100, -99, 0, Case::Pong},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "chip " << c.chip << " bank " << c.bank << " bet " << c.bet);
    table->bank = c.bank;
    table->bet = c.bet;
    TakeCues();
    TakeRedraws();
    table->AddChip(c.chip);
    const bool placed = c.outcome == Case::Placed;
    const Cues cue = placed ? Cues{u"coin"} : c.outcome == Case::Pong ? Cues{u"pong"} : Cues{};
    EXPECT_EQ(std::tuple(table->bank, table->bet, TakeCues(), TakeRedraws()),
              std::tuple(placed ? c.bank - c.chip : c.bank, placed ? c.bet + c.chip : c.bet, cue,
                         placed ? 1 : 0));
  }
}

// During a hand every chip and Clear pong and change nothing; between hands Clear returns the bet
// silently, or pongs when there is none.
TEST_F(Rules, ChipsAndClearOutsideBetting) {
  for (bool dealerTurn : {false, true}) {
    EnterPhase(dealerTurn);
    table->bank = 1000;
    table->bet = 100;
    for (std::int32_t chip : {5, 10, 25, 100, 500}) {
      table->AddChip(chip);
    }
    table->ClearBet();
    EXPECT_EQ(std::tuple(TakeCues(), table->bank, table->bet, TakeRedraws()),
              std::tuple(Cues(6, u"pong"), 1000, 100, 0));
  }
  table->bettingOpen = true;
  table->playerTurn = table->dealerTurn = false;
  table->bank = 750;
  table->bet = 250;
  table->ClearBet();
  EXPECT_EQ(std::tuple(table->bank, table->bet, TakeCues(), TakeRedraws()),
            std::tuple(1000, 0, Cues{}, 1));
  table->ClearBet();
  EXPECT_EQ(std::tuple(TakeCues(), TakeRedraws()), std::tuple(Cues{u"pong"}, 0));
}

TEST_F(Rules, SettlementPaysByTotalsAndUndoesADouble) {
  struct Case {
    const char *name;
    std::vector<Card> player, dealer;
    bool blackjack, doubled;
    std::int32_t bank, bet, bankAfter;
    bool won, push;
  };
  const std::vector<Card> seventeen{C(10), C(7)}, eighteen{C(10), C(8)}, nineteen{C(10), C(9)};
  const std::vector<Card> sixteen{C(9), C(7)}, natural{C(1), C(11)}, bust{C(13), C(12), C(5)};
  const std::vector<Card> dealerBust{C(10), C(6), C(9)};
  // A doubled hand has bet 200 and the bank already paid the second 100. A bust is settled
  // when it is counted; a settlement after a dealer's bust must leave it alone.
  // clang-format off
  const Case cases[] = {
      {"blackjack pays 2 to 1", {C(1), C(13)}, sixteen, true, false, 1000, 100, 1200, false, false},
      {"win", nineteen, eighteen, false, false, 1000, 100, 1100, true, false},
      {"win doubled", nineteen, eighteen, false, true, 900, 200, 1200, true, false},
      {"draw", eighteen, {C(9), C(9)}, false, false, 1000, 100, 1000, false, true},
      {"draw doubled", eighteen, {C(9), C(9)}, false, true, 900, 200, 1000, false, true},
      {"loss", seventeen, eighteen, false, false, 1000, 100, 900, false, false},
      {"loss doubled", seventeen, eighteen, false, true, 900, 200, 800, false, false},
      {"unpaid loss: a debt", seventeen, eighteen, false, false, 300, 500, -200, false, false},
      {"natural beats 20", {C(10), C(10)}, natural, false, false, 1000, 100, 900, false, false},
      {"natural ties 21", {C(10), C(5), C(6)}, natural, false, false, 1000, 100, 1000, false, true},
      {"soft 18 counts", {C(1), C(7)}, seventeen, false, false, 1000, 100, 1100, true, false},
      {"player bust", bust, sixteen, false, false, 1000, 100, 900, false, false},
      {"player bust doubled", bust, sixteen, false, true, 800, 200, 700, false, false},
      {"dealer bust", eighteen, dealerBust, false, false, 1000, 100, 1100, false, false},
      {"dealer bust doubled", eighteen, dealerBust, false, true, 800, 200, 1100, false, false},
  };
  // clang-format on
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    table->bank = c.bank;
    table->bet = c.bet;
    table->doubled = c.doubled;
    table->playerBlackjack = c.blackjack;
    table->playerWon = table->pushResult = false;
    EnterPhase(true);
    SetHands(c.player, c.dealer);
    table->UpdateTotals();
    const bool settledAtCount = PhaseOf(*table) == Phase::Result;
    TakeRedraws();
    if (table->playerHardTotal <= 21) {
      table->SettleHand();
    }
    EXPECT_EQ(std::tuple(table->bank, table->bet, table->playerWon, table->pushResult,
                         table->doubled, PhaseOf(*table), TakeRedraws()),
              std::tuple(c.bankAfter, c.doubled ? c.bet / 2 : c.bet, c.won, c.push, false,
                         Phase::Result, settledAtCount ? 0 : 1));
  }
}

} // namespace
} // namespace gametest
