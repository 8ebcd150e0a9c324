// A long seeded run of random actions and ticks, checking invariants at each step.
#include <algorithm>
#include <cstdlib>
#include <random>

#include "game/chips.h"
#include "table_fixture.h"

namespace gametest {
namespace {

class RandomRun : public TableTest {};

// The money a settled hand may move: blackjack 2b, win b or 2b, loss b or 2b.
bool IsSettlementChange(std::int64_t change, std::int64_t stake) {
  const std::int64_t moved = std::llabs(change), bet = std::llabs(stake);
  return moved == 0 || moved == bet || moved == 2 * bet;
}

TEST_F(RandomRun, InvariantsHoldOverAHundredThousandSteps) {
  const unsigned seed = ::testing::UnitTest::GetInstance()->random_seed() + 20261206u;
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  std::mt19937 actions(seed);
  std::srand(seed);

  for (int step = 0; step < 100000; ++step) {
    const std::int64_t moneyBefore = static_cast<std::int64_t>(table->bank) + table->bet;
    // Each action below its share of 100: chips most often, then ticks, deals and decisions.
    using Action = void (GameTable::*)();
    const std::pair<int, Action> shares[] = {
        {33, &GameTable::ClearBet}, {50, &GameTable::Deal},       {60, &GameTable::Hit},
        {68, &GameTable::Stand},    {73, &GameTable::DoubleDown}, {99, &GameTable::DealerStep},
        {100, &GameTable::NewGame}};
    const int choice = static_cast<int>(actions() % 100);
    if (choice < 30) {
      table->AddChip(ChipValues[actions() % ChipCount]);
    } else {
      (table.get()->*std::find_if(std::begin(shares), std::end(shares), [&](const auto &s) {
                       return choice < s.first;
                     })->second)();
    }

    const Phase phase = PhaseOf(*table);
    ASSERT_NE(phase, Phase::Invalid) << "step " << step;
    ASSERT_GE(table->playerCardCount, 0);
    ASSERT_LE(table->playerCardCount, CardsPerHand);
    ASSERT_GE(table->dealerCardCount, 0);
    ASSERT_LE(table->dealerCardCount, CardsPerHand);
    for (std::int32_t copies : table->shoe) {
      ASSERT_GE(copies, 0);
      ASSERT_LE(copies, table->deckCount);
    }
    ASSERT_FALSE(table->doubled && phase != Phase::PlayerTurn && phase != Phase::DealerTurn);

    // Whatever happened, the bet on the table after a settlement is the stake.
    const std::int64_t change = static_cast<std::int64_t>(table->bank) + table->bet - moneyBefore;
    if (choice >= 99) {
      ASSERT_EQ(table->bank, StartingBank);
      ASSERT_EQ(table->bet, 0);
    } else if (phase == Phase::Result) {
      ASSERT_TRUE(IsSettlementChange(change, table->bet))
          << "step " << step << " change " << change << " stake " << table->bet;
    } else {
      ASSERT_EQ(change, 0) << "step " << step;
    }

    if (table->bank == 0 && table->bet == 0 && table->bettingOpen) {
      table->NewGame(); // broke: only a new game brings money back
    }
    if (step % 5000 == 4999) {
      // As the Options dialog does: a new deck count starts a new game.
      table->hitAfterDouble = !table->hitAfterDouble;
      table->deckCount = 1 << (actions() % 4);
      table->NewGame();
    }
  }
}

} // namespace
} // namespace gametest
