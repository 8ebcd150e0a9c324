// Whole hands with rigged draws: dealing, the player's actions, the dealer's ticks.
#include <cstdlib>
#include <set>
#include <tuple>
#include <vector>

#include "table_fixture.h"

// The C library's own generator, which the game's calls do not reach (the build
// links those to the device's).
extern "C" int __real_rand();           // NOLINT(bugprone-reserved-identifier)
extern "C" void __real_srand(unsigned); // NOLINT(bugprone-reserved-identifier)

namespace gametest {
namespace {

class HandPlay : public TableTest {};

TEST_F(HandPlay, DealRefusesAnEmptyStakeAndTakesADebtOutOfTheStake) {
  struct Case {
    std::int32_t bank, bet, bankAfter, betAfter;
    Phase phase;
  };
  const Case cases[] = {
      {1000, 0, 1000, 0, Phase::Betting},  {-400, 500, 0, 100, Phase::PlayerTurn},
      {-500, 500, 0, 0, Phase::Betting},   {-600, 500, 0, -100, Phase::Betting},
      {300, 1, 300, 1, Phase::PlayerTurn}, {-1, 500, 0, 499, Phase::PlayerTurn},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bank << " " << c.bet);
    table->NewGame();
    table->bank = c.bank;
    table->bet = c.bet;
    TakeRedraws();
    DealOneKind();
    EXPECT_EQ(std::tuple(table->bank, table->bet, PhaseOf(*table), TakeCues(), TakeRedraws()),
              std::tuple(c.bankAfter, c.betAfter, c.phase,
                         Cues{c.phase == Phase::Betting ? u"pong" : u"flip"}, 1));
  }
}

// Real deals from a shoe of two aces, two kings, a nine and a seven, each replayed from its seed:
// the draws go player, player, dealer, dealer; a player's natural against none is paid two to one
// at once, two naturals push, anything else (a dealer's natural too) waits for the player; the
// shuffle banner outlives the deal and its settlement.
TEST_F(HandPlay, TheDealGoesPlayerPlayerDealerDealerAndSettlesNaturals) {
  const Card shoe[] = {C(1), C(1, 1), C(13), C(13, 1), C(9), C(7)};
  const auto fill = [&] {
    std::fill(std::begin(table->shoe), std::end(table->shoe), 0);
    for (Card c : shoe) {
      ++table->shoe[KindOf(c)];
    }
  };
  // An ace and a king: the only natural this shoe holds.
  const auto natural = [](Card a, Card b) { return a.rank * b.rank == 13; };
  std::set<std::pair<bool, bool>> seen;
  for (unsigned seed = 1; seed <= 400; ++seed) {
    SCOPED_TRACE(seed);
    table->NewGame();
    table->bank = 900;
    table->bet = 100;
    table->newShuffle = true;
    table->cardsDrawn = 0;
    fill();
    std::srand(seed);
    Card drawn[4];
    for (Card &card : drawn) {
      table->DrawCard();
      card = table->drawnCard;
    }
    fill();
    table->cardsDrawn = 0;
    std::srand(seed);
    table->Deal();
    const Card dealt[] = {table->playerCards[0], table->playerCards[1], table->dealerCards[0],
                          table->dealerCards[1]};
    for (int i = 0; i < 4; ++i) {
      ASSERT_EQ(KindOf(dealt[i]), KindOf(drawn[i])) << "draw " << i;
    }
    const bool player = natural(drawn[0], drawn[1]);
    const bool dealer = natural(drawn[2], drawn[3]);
    seen.insert({player, dealer});
    EXPECT_EQ(std::tuple(table->playerBlackjack, table->bank, table->bet, PhaseOf(*table),
                         table->newShuffle),
              std::tuple(player && !dealer, player && !dealer ? 1100 : 900, 100,
                         player ? Phase::Result : Phase::PlayerTurn, true));
    EXPECT_TRUE(!player || table->pushResult == dealer);
  }
  EXPECT_EQ(seen.size(), 4u) << "every combination of naturals was dealt";
}

TEST_F(HandPlay, DealerDrawsBelowSeventeenAndStandsOnSoftSeventeen) {
  struct Case {
    const char *name;
    Card d1, d2;
    std::vector<Card> draws;
    std::int32_t dealerCards, bankAfter; // against the player's 18
  };
  const Case cases[] = {
      {"soft 17 stands", C(1), C(6), {}, 2, 1100},
      {"ace five draws", C(1), C(5), {C(2, 3)}, 3, 1000},
      {"soft 26 hard 16 draws again", C(1), C(5), {C(13), C(4, 2)}, 4, 900},
      {"five cards stop the dealer", C(2), C(2, 1), {C(2, 2), C(3), C(3, 1)}, 5, 900},
      {"a natural stands and wins", C(1), C(13), {}, 2, 900},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    DealHand(100, C(10), C(8), c.d1, c.d2, c.draws);
    Act(&GameTable::Stand);
    EXPECT_EQ(PhaseOf(*table), Phase::DealerTurn);
    EXPECT_TRUE(DealerTimerRunning());
    TakeCues();
    RunDealer();
    EXPECT_EQ(std::tuple(table->dealerCardCount, table->bank, DealerTimerRunning(), PhaseOf(*table),
                         TakeCues()),
              std::tuple(c.dealerCards, c.bankAfter, false, Phase::Result,
                         Cues(c.draws.size(), u"flip")));
  }
}

TEST_F(HandPlay, APlayerWithTwentyOneMayStillHitAndBust) {
  DealHand(100, C(10), C(5), C(9), C(8), {C(6), C(3)});
  Act(&GameTable::Hit);
  EXPECT_EQ(table->playerHardTotal, 21);
  EXPECT_EQ(PhaseOf(*table), Phase::PlayerTurn);
  Act(&GameTable::Hit);
  EXPECT_EQ(PhaseOf(*table), Phase::Result);
  EXPECT_EQ(table->bank, 900);
}

TEST_F(HandPlay, DoubleDownRules) {
  struct Case {
    const char *name;
    bool hitAfterDouble;
    Card card;
    Phase phaseAfterDouble;
    std::int32_t bankAfter;
    Cues cues;
  };
  // Stake 100 from a bank of 1000, player 10+6 against dealer 10+7.
  const Case cases[] = {
      {"bust loses twice, stand pongs", false, C(13), Phase::Result, 800, {u"flip", u"pong"}},
      {"win pays twice the stake", false, C(4), Phase::DealerTurn, 1200, {u"flip"}},
      {"hit after double keeps the turn", true, C(2), Phase::PlayerTurn, 0, {u"flip"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    table->hitAfterDouble = c.hitAfterDouble;
    DealHand(100, C(10), C(6), C(10, 1), C(7), {c.card});
    Act(&GameTable::DoubleDown);
    EXPECT_EQ(PhaseOf(*table), c.phaseAfterDouble);
    EXPECT_EQ(TakeCues(), c.cues);
    if (c.phaseAfterDouble == Phase::PlayerTurn) {
      EXPECT_EQ(std::tuple(table->bet, table->bank), std::tuple(200, 900));
      continue;
    }
    RunDealer();
    EXPECT_EQ(std::tuple(table->bank, table->bet, table->doubled),
              std::tuple(c.bankAfter, 100, false));
  }
}

TEST_F(HandPlay, DoubleDownIsRefusedAfterTwoCardsOrWithoutMoney) {
  DealHand(100, C(2), C(3), C(10, 1), C(7), {C(4)});
  Act(&GameTable::Hit);
  TakeCues();
  Act(&GameTable::DoubleDown);
  EXPECT_EQ(TakeCues(), Cues{u"pong"});
  EXPECT_EQ(table->bet, 100);

  table->NewGame();
  DealHand(100, C(2), C(3), C(10, 1), C(7), {C(5)});
  table->bank = 99;
  Act(&GameTable::DoubleDown);
  EXPECT_EQ(TakeCues(), Cues{u"pong"});
  table->bank = 100; // a bank equal to the bet is enough
  Act(&GameTable::DoubleDown);
  EXPECT_EQ(std::tuple(table->bank, table->bet), std::tuple(0, 200));
}

TEST_F(HandPlay, ActionsOutsideTheirPhasePongWithoutRedraw) {
  for (auto action : {&GameTable::Hit, &GameTable::Stand, &GameTable::DoubleDown}) {
    Act(action);
  }
  EXPECT_EQ(std::tuple(TakeCues(), TakeRedraws(), PhaseOf(*table)),
            std::tuple(Cues(3, u"pong"), 0, Phase::Betting));
}

// A tick that arrives after the dealer's turn has ended must never act.
TEST_F(HandPlay, StrayDealerTicksChangeNothing) {
  // A dealer bust settles during the tick; a deal accepted before the next tick
  // must not get a dealer card or a settlement from it.
  DealHand(100, C(10), C(8), C(10, 1), C(6), {C(9)});
  Act(&GameTable::Stand);
  Act(&GameTable::DealerStep);
  EXPECT_EQ(std::tuple(table->bank, PhaseOf(*table), DealerTimerRunning()),
            std::tuple(1100, Phase::Result, true));
  DealOneKind();
  ASSERT_EQ(PhaseOf(*table), Phase::PlayerTurn);
  const std::int32_t bank = table->bank;
  Act(&GameTable::DealerStep);
  EXPECT_EQ(std::tuple(table->dealerCardCount, table->bank, PhaseOf(*table), DealerTimerRunning()),
            std::tuple(2, bank, Phase::PlayerTurn, false));
  EXPECT_EQ(TakeCues(), Cues(2, u"flip"))
      << "the dealer's card and the deal; a stray tick is silent";

  // NewGame during the dealer's turn stops the timer.
  Act(&GameTable::Stand);
  EXPECT_TRUE(DealerTimerRunning());
  table->NewGame();
  EXPECT_FALSE(DealerTimerRunning());
  Act(&GameTable::DealerStep);
  EXPECT_EQ(std::tuple(PhaseOf(*table), table->bank), std::tuple(Phase::Betting, 1000));
}

TEST_F(HandPlay, NewGameResetsMoneyAndShoeButKeepsTheDrawCount) {
  DealHand(100, C(10), C(7), C(9), C(7));
  const std::int32_t drawn = table->cardsDrawn;
  table->NewGame();
  EXPECT_EQ(std::tuple(table->bank, table->bet, table->cardsDrawn, table->playerCardCount,
                       table->playerCards[0].rank),
            std::tuple(1000, 0, drawn, 2, 0));
  for (std::int32_t copies : table->shoe) {
    EXPECT_EQ(copies, table->deckCount);
  }
  EXPECT_EQ(std::tuple(PhaseOf(*table), TakeCues(), TakeRedraws()),
            std::tuple(Phase::Betting, Cues{}, 1));
}

TEST_F(HandPlay, TheShuffleBannerLastsUntilThePlayersFirstDecision) {
  for (auto decision : {&GameTable::Hit, &GameTable::Stand, &GameTable::DoubleDown}) {
    table->NewGame();
    table->newShuffle = true;
    table->NewGame();
    DealHand(100, C(10), C(7), C(9), C(8));
    EXPECT_TRUE(table->newShuffle);
    Act(decision);
    EXPECT_FALSE(table->newShuffle);
  }
}

TEST_F(HandPlay, TheShoeRefillsAtADealWithFewerThanTwelveCardsLeft) {
  // The last count of cards drawn that leaves twelve, per deck count.
  for (const auto &[decks, lastWithoutRefill] : {std::pair{1, 40}, {8, 404}, {2, 92}}) {
    for (const bool refills : {false, true}) {
      const std::int32_t drawn = lastWithoutRefill + (refills ? 1 : 0);
      SCOPED_TRACE(::testing::Message() << decks << " decks, " << drawn << " drawn");
      table->deckCount = decks;
      table->NewGame();
      table->cardsDrawn = drawn;
      table->shoe[0] = 0; // a mark that only a refill restores
      table->newShuffle = false;
      table->bet = 100;
      table->Deal();
      EXPECT_EQ(table->newShuffle, refills);
      EXPECT_EQ(table->cardsDrawn, refills ? 4 : drawn + 4);
      std::int32_t left = 0;
      for (std::int32_t copies : table->shoe) {
        left += copies;
      }
      const std::int32_t full = decks * 52 - 4;
      EXPECT_EQ(left, refills ? full : full - decks);
    }
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
  EXPECT_NEAR(rare, trials / 2.0, 318);
}

// The deal depends on the clock alone: a system library drawing from the C
// library's own generator between the game's seeding and its deal changes no
// card, and a second deals the cards the desktop C library's sequence gives.
TEST(Deal, DependsOnTheClockAloneWhateverTheCLibraryDraws) {
  for (const WORD second : {WORD{0}, WORD{17}, WORD{59}}) {
    SCOPED_TRACE(second);
    std::vector<int> kinds[2];
    for (std::vector<int> &dealt : kinds) {
      platform::DeviceConfig config;
      config.clockStart.wSecond = second;
      platform::test::HeadlessDevice device(config);
      GameTable table(nullptr, platform::test::CreatePlainWindow());
      if (&dealt == &kinds[1]) {
        __real_srand(second); // what a sound server's client does at its first start
        for (int i = 0; i < 12; ++i) {
          __real_rand();
        }
      }
      table.bet = 100;
      table.Deal();
      for (const Card c : {table.playerCards[0], table.playerCards[1], table.dealerCards[0]}) {
        dealt.push_back(KindOf(c));
      }
    }
    EXPECT_EQ(kinds[0], kinds[1]);
#ifdef __GLIBC__
    // Every golden picture and recorded deal assumes the desktop C library's sequence.
    std::srand(second);
    __real_srand(second);
    for (int i = 0; i < 50; ++i) {
      ASSERT_EQ(std::rand(), __real_rand()) << "draw " << i;
    }
#endif
  }
}

} // namespace
} // namespace gametest
