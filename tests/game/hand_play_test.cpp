// Whole hands with rigged draws: dealing, the player's actions, the dealer's ticks.
#include "table_fixture.h"

namespace gametest {
namespace {

using Cues = std::vector<std::u16string>;

class HandPlay : public TableTest {};

TEST_F(HandPlay, DealRefusesAnEmptyBetWithAPongAndARedraw) {
  table->Deal();
  EXPECT_EQ(TakeCues(), Cues{u"pong"});
  EXPECT_EQ(TakeRedraws(), 1);
  EXPECT_EQ(PhaseOf(*table), Phase::Betting);
}

TEST_F(HandPlay, DealTakesADebtOutOfTheStake) {
  struct Case {
    std::int32_t bank, bet;
    std::int32_t bankAfter, betAfter;
    Phase phase;
  };
  const Case cases[] = {
      {-400, 500, 0, 100, Phase::PlayerTurn},
      {-500, 500, 0, 0, Phase::Betting},
      {-600, 500, 0, -100, Phase::Betting},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.bank);
    table->bettingOpen = true;
    table->playerTurn = false;
    table->bank = c.bank;
    table->bet = c.bet;
    RigDraws({C(10), C(7), C(10, 1), C(8)}, 5);
    table->Deal();
    EXPECT_EQ(table->bank, c.bankAfter);
    EXPECT_EQ(table->bet, c.betAfter);
    EXPECT_EQ(PhaseOf(*table), c.phase);
    EXPECT_EQ(TakeCues(), c.phase == Phase::Betting ? Cues{u"pong"} : Cues{u"flip"});
  }
}

TEST_F(HandPlay, OpeningCardsGoPlayerPlayerDealerDealer) {
  DealHand(100, C(2), C(3), C(4), C(5));
  EXPECT_EQ(table->playerCards[0].rank, 2);
  EXPECT_EQ(table->playerCards[1].rank, 3);
  EXPECT_EQ(table->dealerCards[0].rank, 4);
  EXPECT_EQ(table->dealerCards[1].rank, 5);
  EXPECT_EQ(table->playerCardCount, 2);
  EXPECT_EQ(table->dealerCardCount, 2);
  EXPECT_EQ(PhaseOf(*table), Phase::PlayerTurn);
}

TEST_F(HandPlay, NaturalsSettleAtTheDeal) {
  DealHand(100, C(1), C(13), C(9), C(7));
  EXPECT_TRUE(table->playerBlackjack);
  EXPECT_EQ(table->bank, 1200);
  EXPECT_EQ(table->bet, 100);
  EXPECT_EQ(PhaseOf(*table), Phase::Result);

  DealHand(100, C(1), C(12), C(1, 1), C(11));
  EXPECT_FALSE(table->playerBlackjack);
  EXPECT_TRUE(table->pushResult);
  EXPECT_EQ(table->bank, 1000);
  EXPECT_EQ(PhaseOf(*table), Phase::Result);
}

TEST_F(HandPlay, ADealerNaturalWaitsForThePlayerAndWins) {
  DealHand(100, C(10), C(9), C(1), C(13));
  EXPECT_EQ(PhaseOf(*table), Phase::PlayerTurn);
  table->Stand();
  EXPECT_TRUE(DealerTimerRunning());
  EXPECT_EQ(RunDealer(), 1);
  EXPECT_EQ(table->bank, 900);
  EXPECT_FALSE(table->playerWon);
  EXPECT_FALSE(table->pushResult);
  EXPECT_EQ(PhaseOf(*table), Phase::Result);
}

TEST_F(HandPlay, DealerDrawsBelowSeventeenAndStandsOnSoftSeventeen) {
  struct Case {
    const char *name;
    Card d1, d2;
    std::vector<Card> draws;
    std::int32_t dealerCards;
  };
  const Case cases[] = {
      {"soft 17 stands", C(1), C(6), {}, 2},
      {"ace five draws", C(1), C(5), {C(2, 3)}, 3},
      {"soft 26 hard 16 draws again", C(1), C(5), {C(13), C(4, 2)}, 4},
      {"five cards stop the dealer", C(2), C(2, 1), {C(2, 2), C(3), C(3, 1)}, 5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    DealHand(100, C(10), C(8), c.d1, c.d2, c.draws);
    table->Stand();
    TakeCues();
    RunDealer();
    EXPECT_EQ(table->dealerCardCount, c.dealerCards);
    EXPECT_FALSE(DealerTimerRunning());
    EXPECT_EQ(PhaseOf(*table), Phase::Result);
    EXPECT_EQ(TakeCues(), Cues(c.draws.size(), u"flip"));
  }
}

TEST_F(HandPlay, FiveCardHandsOnBothSidesDraw) {
  DealHand(100, C(2), C(3), C(2, 1), C(2, 2), {C(2, 3), C(3, 1), C(4), C(3, 2), C(3, 3), C(4, 1)});
  table->Hit();
  table->Hit();
  table->Hit();
  EXPECT_EQ(table->playerCardCount, 5);
  EXPECT_EQ(table->playerSoftTotal, 21);
  TakeCues();
  table->Hit();
  EXPECT_EQ(TakeCues(), Cues{u"pong"});
  table->Stand();
  RunDealer();
  EXPECT_EQ(table->dealerCardCount, 5);
  EXPECT_TRUE(table->pushResult);
  EXPECT_EQ(table->bank, 1000);
}

TEST_F(HandPlay, APlayerWithTwentyOneMayStillHit) {
  DealHand(100, C(10), C(5), C(9), C(8), {C(6), C(3)});
  table->Hit();
  EXPECT_EQ(table->playerHardTotal, 21);
  EXPECT_EQ(PhaseOf(*table), Phase::PlayerTurn);
  table->Hit();
  EXPECT_EQ(PhaseOf(*table), Phase::Result);
  EXPECT_EQ(table->bank, 900);
}

TEST_F(HandPlay, DoubleDownRules) {
  struct Case {
    const char *name;
    bool hitAfterDouble;
    Card card;
    std::vector<Card> dealerDraws;
    Phase phaseAfterDouble;
    std::int32_t bankAfter;
    Cues cues;
  };
  // Stake 100 from a bank of 1000, player 10+6 against dealer 10+7.
  const Case cases[] = {
      {"bust loses twice the stake and the stand pongs",
       false,
       C(13),
       {},
       Phase::Result,
       800,
       {u"flip", u"pong"}},
      {"win pays twice the stake", false, C(4), {}, Phase::DealerTurn, 1200, {u"flip"}},
      {"hit after double keeps the turn", true, C(2), {}, Phase::PlayerTurn, 0, {u"flip"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    table->hitAfterDouble = c.hitAfterDouble;
    std::vector<Card> more{c.card};
    more.insert(more.end(), c.dealerDraws.begin(), c.dealerDraws.end());
    DealHand(100, C(10), C(6), C(10, 1), C(7), more);
    table->DoubleDown();
    EXPECT_EQ(PhaseOf(*table), c.phaseAfterDouble);
    EXPECT_EQ(TakeCues(), c.cues);
    if (c.phaseAfterDouble == Phase::PlayerTurn) {
      EXPECT_EQ(table->bet, 200);
      EXPECT_EQ(table->bank, 900);
      continue;
    }
    RunDealer();
    EXPECT_EQ(table->bank, c.bankAfter);
    EXPECT_EQ(table->bet, 100);
    EXPECT_FALSE(table->doubled);
  }
}

TEST_F(HandPlay, DoubleDownIsRefusedAfterTwoCardsOrWithoutMoney) {
  DealHand(100, C(2), C(3), C(10, 1), C(7), {C(4)});
  table->Hit();
  TakeCues();
  table->DoubleDown();
  EXPECT_EQ(TakeCues(), Cues{u"pong"});
  EXPECT_EQ(table->bet, 100);

  table->NewGame();
  DealHand(100, C(2), C(3), C(10, 1), C(7));
  table->bank = 99;
  table->DoubleDown();
  EXPECT_EQ(TakeCues(), Cues{u"pong"});
  table->bank = 100; // a bank equal to the bet is enough
  RigDraws({C(5)}, 5);
  table->DoubleDown();
  EXPECT_EQ(table->bank, 0);
  EXPECT_EQ(table->bet, 200);
}

TEST_F(HandPlay, ActionsOutsideTheirPhasePongWithoutRedraw) {
  for (auto action : {&GameTable::Hit, &GameTable::Stand, &GameTable::DoubleDown}) {
    (table.get()->*action)();
  }
  EXPECT_EQ(TakeCues(), Cues(3, u"pong"));
  EXPECT_EQ(TakeRedraws(), 0);
  EXPECT_EQ(PhaseOf(*table), Phase::Betting);
}

TEST_F(HandPlay, ADebtLeftByALossIsRepaidByTheNextDeal) {
  DealHand(500, C(10), C(7), C(10, 1), C(9), {C(10, 2), C(6), C(5, 1), C(9, 1)});
  table->bank = 300;
  table->Stand();
  RunDealer();
  EXPECT_EQ(table->bank, -200); // the bank could not pay the stake again
  EXPECT_EQ(table->bet, 500);
  table->Deal();
  EXPECT_EQ(table->bank, 0);
  EXPECT_EQ(table->bet, 300);
  EXPECT_EQ(PhaseOf(*table), Phase::PlayerTurn);
}

TEST_F(HandPlay, PhaseTransitions) {
  struct Case {
    const char *name;
    std::vector<Card> cards; // opening four, then the draws
    void (*play)(GameTable &);
    Phase after;
  };
  const Case cases[] = {
      {"deal", {C(10), C(7), C(9), C(8)}, [](GameTable &) {}, Phase::PlayerTurn},
      {"natural", {C(1), C(10), C(9), C(8)}, [](GameTable &) {}, Phase::Result},
      {"hit bust",
       {C(10), C(7), C(9), C(8), C(10, 1)},
       [](GameTable &t) { t.Hit(); },
       Phase::Result},
      {"stand", {C(10), C(7), C(9), C(8)}, [](GameTable &t) { t.Stand(); }, Phase::DealerTurn},
      {"double stands",
       {C(10), C(7), C(9), C(8), C(2)},
       [](GameTable &t) { t.DoubleDown(); },
       Phase::DealerTurn},
      {"dealer done",
       {C(10), C(7), C(9), C(8)},
       [](GameTable &t) {
         t.Stand();
         t.DealerStep();
       },
       Phase::Result},
      {"dealer bust",
       {C(10), C(7), C(9), C(6), C(10, 1)},
       [](GameTable &t) {
         t.Stand();
         t.DealerStep();
       },
       Phase::Result},
      {"new game", {C(10), C(7), C(9), C(8)}, [](GameTable &t) { t.NewGame(); }, Phase::Betting},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    table->NewGame();
    table->bank = 1000;
    table->bet = 100;
    RigDraws(c.cards, 5);
    table->Deal();
    c.play(*table);
    EXPECT_EQ(PhaseOf(*table), c.after);
  }
}

// A tick that arrives after the dealer's turn has ended must never act.
TEST_F(HandPlay, StrayDealerTicksChangeNothing) {
  // A dealer bust settles during the tick; a deal accepted before the next tick
  // must not get a dealer card or a settlement from it.
  DealHand(100, C(10), C(8), C(10, 1), C(6), {C(9)});
  table->Stand();
  table->DealerStep();
  EXPECT_EQ(table->bank, 1100);
  EXPECT_TRUE(DealerTimerRunning());
  table->Deal();
  ASSERT_EQ(PhaseOf(*table), Phase::PlayerTurn);
  const std::int32_t dealerCards = table->dealerCardCount;
  const std::int32_t bank = table->bank;
  table->DealerStep();
  EXPECT_EQ(table->dealerCardCount, dealerCards);
  EXPECT_EQ(table->bank, bank);
  EXPECT_EQ(PhaseOf(*table), Phase::PlayerTurn);
  EXPECT_FALSE(DealerTimerRunning());

  // NewGame during the dealer's turn stops the timer.
  table->Stand();
  EXPECT_TRUE(DealerTimerRunning());
  table->NewGame();
  EXPECT_FALSE(DealerTimerRunning());
  table->DealerStep();
  EXPECT_EQ(PhaseOf(*table), Phase::Betting);
  EXPECT_EQ(table->bank, 1000);
}

TEST_F(HandPlay, NewGameForgetsAnAbandonedDouble) {
  table->hitAfterDouble = true;
  DealHand(100, C(10), C(6), C(10, 1), C(7), {C(2)});
  table->DoubleDown();
  ASSERT_TRUE(table->doubled);
  table->NewGame();
  EXPECT_FALSE(table->doubled);
  // The next hand, won, pays its own stake and keeps it.
  table->bet = 100;
  table->bank = 900;
  RigDraws({C(10), C(9), C(10, 1), C(8)}, 5);
  table->Deal();
  table->Stand();
  RunDealer();
  EXPECT_EQ(table->bet, 100);
  EXPECT_EQ(table->bank, 1000);
}

TEST_F(HandPlay, NewGameResetsMoneyAndShoeButKeepsTheDrawCount) {
  DealHand(100, C(1), C(13), C(9), C(7));
  const std::int32_t drawn = table->cardsDrawn;
  table->NewGame();
  EXPECT_EQ(table->bank, 1000);
  EXPECT_EQ(table->bet, 0);
  EXPECT_EQ(table->cardsDrawn, drawn);
  EXPECT_EQ(table->playerCardCount, 2);
  EXPECT_EQ(table->playerCards[0].rank, 0);
  for (std::int32_t copies : table->shoe) {
    EXPECT_EQ(copies, table->deckCount);
  }
  EXPECT_EQ(PhaseOf(*table), Phase::Betting);
  EXPECT_TRUE(TakeCues().empty());
  EXPECT_EQ(TakeRedraws(), 1);
}

TEST_F(HandPlay, TheShuffleBannerLastsUntilThePlayersFirstDecision) {
  table->newShuffle = true;
  DealHand(100, C(1), C(13), C(9), C(7)); // a natural: deal and settlement keep it
  EXPECT_TRUE(table->newShuffle);
  table->NewGame();
  EXPECT_TRUE(table->newShuffle);
  DealHand(100, C(10), C(7), C(9), C(8), {C(2)});
  EXPECT_TRUE(table->newShuffle);
  table->Hit();
  EXPECT_FALSE(table->newShuffle);
}

TEST_F(HandPlay, TheShoeRefillsAtADealWithFewerThanTwelveCardsLeft) {
  struct Case {
    std::int32_t decks, drawn;
    bool refills;
  };
  const Case cases[] = {{1, 40, false}, {1, 41, true},  {8, 404, false},
                        {8, 405, true}, {2, 92, false}, {2, 93, true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.decks << " decks, " << c.drawn << " drawn");
    table->deckCount = c.decks;
    table->RefillShoe();
    table->cardsDrawn = c.drawn;
    table->shoe[0] = 0; // a mark that only a refill restores
    table->newShuffle = false;
    table->bettingOpen = true;
    table->playerTurn = table->dealerTurn = false;
    table->bank = 1000;
    table->bet = 100;
    table->Deal();
    EXPECT_EQ(table->newShuffle, c.refills);
    EXPECT_EQ(table->cardsDrawn, c.refills ? 4 : c.drawn + 4);
    std::int32_t left = 0;
    for (std::int32_t copies : table->shoe) {
      left += copies;
    }
    const std::int32_t full = c.decks * 52 - 4;
    EXPECT_EQ(left, c.refills ? full : full - c.decks);
  }
}

TEST_F(HandPlay, KindIndexesMapToRankAndSuit) {
  struct Case {
    int kind;
    Card card;
  };
  const Case cases[] = {
      {0, C(1, 0)}, {12, C(13, 0)}, {13, C(1, 1)}, {51, C(13, 3)}, {38, C(13, 2)}};
  for (const Case &c : cases) {
    std::fill(std::begin(table->shoe), std::end(table->shoe), 0);
    table->shoe[c.kind] = 1;
    table->DrawCard();
    EXPECT_EQ(table->drawnCard.rank, c.card.rank);
    EXPECT_EQ(table->drawnCard.suit, c.card.suit);
    EXPECT_EQ(table->shoe[c.kind], 0);
  }
}

// The draw picks a kind, not a card: a kind with one copy left comes up as often
// as a kind with eight.
TEST_F(HandPlay, EveryKindLeftIsEquallyLikely) {
  constexpr int trials = 20000;
  std::srand(20261206);
  int rare = 0;
  for (int i = 0; i < trials; ++i) {
    std::fill(std::begin(table->shoe), std::end(table->shoe), 0);
    table->shoe[5] = 1;
    table->shoe[40] = 8;
    table->DrawCard();
    rare += table->drawnCard.suit == 0 ? 1 : 0;
  }
  // Weighted by copies the rare kind would come up 1/9 of the time (about 2222);
  // drawn by kind it comes up half the time. 4.5 standard deviations: +-318.
  EXPECT_NEAR(rare, trials / 2, 318);
}

} // namespace
} // namespace gametest
