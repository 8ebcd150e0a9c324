// Totals, betting and settlement as tables of cases on a fresh table.
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

  void EnterPlayerTurn() {
    table->bettingOpen = false;
    table->playerTurn = true;
    table->dealerTurn = false;
    table->roundOver = false;
  }
};

TEST_F(Rules, TotalsCountTheFirstAceSoftAndApplyTheFiveCardRule) {
  struct Case {
    const char *name;
    std::vector<Card> player;
    std::vector<Card> dealer;
    std::int32_t playerSoft, playerHard, dealerSoft, dealerHard;
    bool settled;
  };
  const Case cases[] = {
      {"two aces and a nine", {C(1), C(1, 1), C(9)}, {C(5), C(6)}, 21, 11, 11, 11, false},
      {"ace six ten stays in play", {C(1), C(6), C(10)}, {C(5)}, 27, 17, 5, 5, false},
      {"ace six eight", {C(1), C(6), C(8)}, {C(5)}, 25, 15, 5, 5, false},
      {"ten counts like a face", {C(10), C(11), C(12)}, {C(13), C(10, 2)}, 30, 30, 20, 20, true},
      {"five small cards make 21",
       {C(2), C(3), C(2, 1), C(4), C(3, 1)},
       {C(9)},
       21,
       21,
       9,
       9,
       false},
      {"five cards over 21 bust", {C(5), C(6), C(2), C(4), C(5, 1)}, {C(9)}, 22, 22, 9, 9, true},
      {"dealer five cards make 21",
       {C(10)},
       {C(2), C(2, 1), C(2, 2), C(3), C(4)},
       10,
       10,
       21,
       21,
       false},
      {"a dealer bust skips the five-card rule",
       {C(2), C(3), C(2, 1), C(4), C(3, 1)},
       {C(10), C(6), C(9)},
       14,
       14,
       25,
       25,
       true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    table->bank = 1000;
    table->bet = 100;
    table->doubled = false;
    EnterPlayerTurn();
    SetHands(c.player, c.dealer);
    table->UpdateTotals();
    EXPECT_EQ(table->playerSoftTotal, c.playerSoft);
    EXPECT_EQ(table->playerHardTotal, c.playerHard);
    EXPECT_EQ(table->dealerSoftTotal, c.dealerSoft);
    EXPECT_EQ(table->dealerHardTotal, c.dealerHard);
    EXPECT_EQ(PhaseOf(*table), c.settled ? Phase::Result : Phase::PlayerTurn);
  }
}

TEST_F(Rules, ABustMovesTheStakeAndUndoesADouble) {
  struct Case {
    const char *name;
    bool playerBusts;
    bool doubled;
    std::int32_t bankAfter, betAfter;
  };
  // Stake 100; a doubled hand has bet 200 and the bank already paid the second 100.
  const Case cases[] = {
      {"player bust", true, false, 900, 100},
      {"dealer bust", false, false, 1100, 100},
      {"player bust doubled", true, true, 800 - 200 + 100, 100},
      {"dealer bust doubled", false, true, 800 + 200 + 100, 100},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    table->bank = c.doubled ? 800 : 1000;
    table->bet = c.doubled ? 200 : 100;
    table->doubled = c.doubled;
    EnterPlayerTurn();
    if (c.playerBusts) {
      SetHands({C(13), C(12), C(5)}, {C(9), C(7)});
    } else {
      SetHands({C(10), C(9)}, {C(10), C(6), C(9)});
    }
    table->UpdateTotals();
    EXPECT_EQ(table->bank, c.bankAfter);
    EXPECT_EQ(table->bet, c.betAfter);
    EXPECT_FALSE(table->doubled);
    EXPECT_EQ(PhaseOf(*table), Phase::Result);
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
    EXPECT_EQ(table->bank, placed ? c.bank - c.chip : c.bank);
    EXPECT_EQ(table->bet, placed ? c.bet + c.chip : c.bet);
    const auto cues = TakeCues();
    const std::vector<std::u16string> expected =
        placed ? std::vector<std::u16string>{u"coin"}
               : (c.outcome == Case::Pong ? std::vector<std::u16string>{u"pong"}
                                          : std::vector<std::u16string>{});
    EXPECT_EQ(cues, expected);
    EXPECT_EQ(TakeRedraws(), placed ? 1 : 0);
  }
}

TEST_F(Rules, ChipsAndClearAreRefusedWithAPongDuringAHand) {
  for (bool dealerTurn : {false, true}) {
    table->bettingOpen = false;
    table->playerTurn = !dealerTurn;
    table->dealerTurn = dealerTurn;
    table->bank = 1000;
    table->bet = 100;
    for (std::int32_t chip : {5, 10, 25, 100, 500}) {
      table->AddChip(chip);
    }
    table->ClearBet();
    EXPECT_EQ(TakeCues(), std::vector<std::u16string>(6, u"pong"));
    EXPECT_EQ(table->bank, 1000);
    EXPECT_EQ(table->bet, 100);
    EXPECT_EQ(TakeRedraws(), 0);
  }
}

TEST_F(Rules, ClearReturnsTheBetSilentlyOrPongsOnAnEmptyBet) {
  table->bank = 750;
  table->bet = 250;
  table->ClearBet();
  EXPECT_EQ(table->bank, 1000);
  EXPECT_EQ(table->bet, 0);
  EXPECT_TRUE(TakeCues().empty());
  EXPECT_EQ(TakeRedraws(), 1);
  table->ClearBet();
  EXPECT_EQ(TakeCues(), std::vector<std::u16string>{u"pong"});
  EXPECT_EQ(TakeRedraws(), 0);
}

TEST_F(Rules, SettlementPaysByTotalsAndUndoesADouble) {
  struct Case {
    const char *name;
    std::vector<Card> player, dealer;
    bool blackjack, doubled;
    std::int32_t bankAfter, betAfter;
    bool won, push;
  };
  // Stake 100 from a bank of 1000; doubled hands start at bank 900, bet 200.
  const Case cases[] = {
      {"blackjack pays two to one",
       {C(1), C(13)},
       {C(9), C(7)},
       true,
       false,
       1200,
       100,
       false,
       false},
      {"win", {C(10), C(9)}, {C(10), C(8)}, false, false, 1100, 100, true, false},
      {"win doubled", {C(10), C(9)}, {C(10), C(8)}, false, true, 900 + 200 + 100, 100, true, false},
      {"draw", {C(10), C(8)}, {C(9), C(9)}, false, false, 1000, 100, false, true},
      {"draw doubled", {C(10), C(8)}, {C(9), C(9)}, false, true, 900 + 100, 100, false, true},
      {"loss", {C(10), C(7)}, {C(10), C(8)}, false, false, 900, 100, false, false},
      {"loss doubled",
       {C(10), C(7)},
       {C(10), C(8)},
       false,
       true,
       900 - 200 + 100,
       100,
       false,
       false},
      {"dealer natural beats twenty",
       {C(10), C(10)},
       {C(1), C(11)},
       false,
       false,
       900,
       100,
       false,
       false},
      {"dealer natural ties a three-card 21",
       {C(10), C(5), C(6)},
       {C(1), C(11)},
       false,
       false,
       1000,
       100,
       false,
       true},
      {"soft total counts when 21 or less",
       {C(1), C(7)},
       {C(10), C(7)},
       false,
       false,
       1100,
       100,
       true,
       false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    table->bank = c.doubled ? 900 : 1000;
    table->bet = c.doubled ? 200 : 100;
    table->doubled = c.doubled;
    table->playerBlackjack = c.blackjack;
    table->bettingOpen = false;
    table->dealerTurn = true;
    SetHands(c.player, c.dealer);
    table->UpdateTotals();
    table->SettleHand();
    EXPECT_EQ(table->bank, c.bankAfter);
    EXPECT_EQ(table->bet, c.betAfter);
    EXPECT_EQ(table->playerWon, c.won);
    EXPECT_EQ(table->pushResult, c.push);
    EXPECT_FALSE(table->doubled);
    EXPECT_EQ(PhaseOf(*table), Phase::Result);
  }
}

TEST_F(Rules, SettlementLeavesADealerBustAlone) {
  table->bank = 1000;
  table->bet = 100;
  table->bettingOpen = false;
  table->dealerTurn = true;
  SetHands({C(10), C(8)}, {C(10), C(6), C(9)});
  table->UpdateTotals(); // settles the bust: bank 1100
  TakeRedraws();
  table->SettleHand();
  EXPECT_EQ(table->bank, 1100);
  EXPECT_EQ(table->bet, 100);
  EXPECT_EQ(TakeRedraws(), 0);
}

} // namespace
} // namespace gametest
