// A fresh device, main window and GameTable per test, and ways to rig the shoe.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "game/game_table.h"
#include "testing/testing.h"

namespace gametest {

// The four phases of a hand, as combinations of the phase flags.
enum class Phase { Betting, PlayerTurn, DealerTurn, Result, Invalid };

inline Phase PhaseOf(const GameTable &t) {
  const int flags = (t.bettingOpen ? 8 : 0) | (t.playerTurn ? 4 : 0) | (t.dealerTurn ? 2 : 0) |
                    (t.roundOver ? 1 : 0);
  const std::pair<int, Phase> phases[] = {
      {8, Phase::Betting}, {4, Phase::PlayerTurn}, {2, Phase::DealerTurn}, {9, Phase::Result}};
  for (const auto &[match, phase] : phases) {
    if (flags == match) {
      return phase;
    }
  }
  return Phase::Invalid;
}

inline int KindOf(Card c) { return c.suit * 13 + (c.rank - 1); }

// Rank and suit shorthand: C(1) is the ace of clubs, C(10, 3) the ten of hearts.
constexpr Card C(int rank, int suit = 0) { return Card{rank, suit}; }

using Cues = std::vector<std::u16string>;

class TableTest : public ::testing::Test {
protected:
  explicit TableTest(const platform::DeviceConfig &config = platform::DeviceConfig{})
      : device_(config) {
    window = platform::test::CreatePlainWindow();
    table = std::make_unique<GameTable>(nullptr, window);
    platform::test::ClearPlayedCues();
  }

  // Names of the cues played since the last call, in order.
  Cues TakeCues() { return platform::test::TakeCueNames(); }

  int TakeRedraws() {
    const int n = platform::test::RedrawRequests(window);
    platform::test::ResetRedrawRequests(window);
    return n;
  }

  // The dealer's timer, ticking once every 300 ms as the dealer draws.
  bool DealerTimerRunning() {
    for (const auto &timer : platform::test::RunningTimers(window)) {
      if (timer.id == DealerTimer && timer.periodMs == 300) {
        return true;
      }
    }
    return false;
  }

  // A draw picks among the kinds with copies left, so a shoe holding one kind deals
  // that card whatever the generator says. Before each action the shoe holds only
  // the first of `draws` (spare twos once it is empty); the card leaves the queue
  // when the action draws it.
  void Act(void (GameTable::*action)()) {
    std::fill(std::begin(table->shoe), std::end(table->shoe), 0);
    table->shoe[KindOf(draws.empty() ? C(2) : draws.front())] = draws.empty() ? 5 : 1;
    const std::int32_t drawn = table->cardsDrawn;
    (table.get()->*action)();
    if (table->cardsDrawn != drawn && !draws.empty()) {
      draws.pop_front();
    }
  }

  // Deal from a shoe of four copies of `kind`, with the reshuffle kept out of it.
  void DealOneKind(Card kind = C(2)) {
    std::fill(std::begin(table->shoe), std::end(table->shoe), 0);
    table->shoe[KindOf(kind)] = 4;
    table->cardsDrawn = 0;
    table->Deal();
  }

  // The deal draws its four cards in one call, so no shoe can order them: the table
  // is dealt four twos, then the opening cards are put in their places and counted.
  // Not for naturals, which the deal itself must see. `more` are the next draws.
  void DealHand(std::int32_t stake, Card p1, Card p2, Card d1, Card d2,
                const std::vector<Card> &more = {}) {
    table->bank = 1000;
    table->bet = stake;
    DealOneKind();
    ASSERT_EQ(PhaseOf(*table), Phase::PlayerTurn);
    table->playerCards[0] = p1;
    table->playerCards[1] = p2;
    table->dealerCards[0] = d1;
    table->dealerCards[1] = d2;
    table->UpdateTotals();
    draws.assign(more.begin(), more.end());
    TakeCues();
    TakeRedraws();
  }

  // Delivers DealerTimer ticks while the timer runs, at most `limit`.
  int RunDealer(int limit = 10) {
    int ticks = 0;
    while (DealerTimerRunning() && ticks < limit) {
      platform::test::AdvanceClock(300);
      Act(&GameTable::DealerStep);
      ++ticks;
    }
    return ticks;
  }

  platform::test::HeadlessDevice device_;
  HWND window = nullptr;
  std::unique_ptr<GameTable> table;
  std::deque<Card> draws;
};

} // namespace gametest
