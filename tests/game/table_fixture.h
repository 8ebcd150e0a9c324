// A fresh device, main window and GameTable per test, and ways to rig the shoe.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "game/game_table.h"
#include "host/testing.h"

namespace gametest {

// The four phases of a hand, as combinations of the phase flags.
enum class Phase { Betting, PlayerTurn, DealerTurn, Result, Invalid };

inline Phase PhaseOf(const GameTable &t) {
  const int flags = (t.bettingOpen ? 8 : 0) | (t.playerTurn ? 4 : 0) | (t.dealerTurn ? 2 : 0) |
                    (t.roundOver ? 1 : 0);
  switch (flags) {
  case 8:
    return Phase::Betting;
  case 4:
    return Phase::PlayerTurn;
  case 2:
    return Phase::DealerTurn;
  case 9:
    return Phase::Result;
  default:
    return Phase::Invalid;
  }
}

inline int KindOf(Card c) { return c.suit * 13 + (c.rank - 1); }

// Rank and suit shorthand: C(1) is the ace of clubs, C(10, 3) the ten of hearts.
constexpr Card C(int rank, int suit = 0) { return Card{rank, suit}; }

class TableTest : public ::testing::Test {
protected:
  explicit TableTest(const platform::DeviceConfig &config = platform::DeviceConfig{})
      : device_(config) {
    window = platform::test::CreatePlainWindow();
    table = std::make_unique<GameTable>(nullptr, window);
    platform::test::ClearPlayedCues();
  }

  // Names of the cues played since the last call, in order.
  std::vector<std::u16string> TakeCues() {
    std::vector<std::u16string> names;
    for (const auto &cue : platform::test::PlayedCues()) {
      names.push_back(cue.name);
    }
    platform::test::ClearPlayedCues();
    return names;
  }

  int TakeRedraws() {
    const int n = platform::test::RedrawRequests(window);
    platform::test::ResetRedrawRequests(window);
    return n;
  }

  bool DealerTimerRunning() {
    for (const auto &timer : platform::test::RunningTimers(window)) {
      if (timer.id == DealerTimer && timer.periodMs == DealerTimerPeriod) {
        return true;
      }
    }
    return false;
  }

  // Makes the next draws produce `cards` in this order: the shoe is reduced to
  // these cards (plus `spare` copies of the two of clubs so that later draws never
  // find it empty) and the generator is seeded with a seed found to deal them.
  void RigDraws(const std::vector<Card> &cards, int spare = 0) {
    std::int32_t rigged[CardKinds] = {};
    for (Card c : cards) {
      ++rigged[KindOf(c)];
    }
    rigged[KindOf(C(2))] += spare;
    const std::int32_t drawnBefore = table->cardsDrawn;
    for (unsigned seed = 1; seed < 5'000'000; ++seed) {
      std::copy(std::begin(rigged), std::end(rigged), std::begin(table->shoe));
      std::srand(seed);
      bool match = true;
      for (Card want : cards) {
        table->DrawCard();
        if (table->drawnCard.rank != want.rank || table->drawnCard.suit != want.suit) {
          match = false;
          break;
        }
      }
      if (match) {
        std::copy(std::begin(rigged), std::end(rigged), std::begin(table->shoe));
        table->cardsDrawn = drawnBefore;
        std::srand(seed);
        return;
      }
    }
    FAIL() << "no seed deals the rigged cards";
  }

  // Puts the table into the player's turn with the given opening cards.
  void DealHand(std::int32_t stake, Card p1, Card p2, Card d1, Card d2,
                const std::vector<Card> &more = {}) {
    table->bank = 1000;
    table->bet = stake;
    std::vector<Card> cards{p1, p2, d1, d2};
    cards.insert(cards.end(), more.begin(), more.end());
    RigDraws(cards, 5);
    table->Deal();
    TakeCues();
    TakeRedraws();
  }

  // Delivers DealerTimer ticks while the timer runs, at most `limit`.
  int RunDealer(int limit = 10) {
    int ticks = 0;
    while (DealerTimerRunning() && ticks < limit) {
      platform::test::AdvanceClock(DealerTimerPeriod);
      table->DealerStep();
      ++ticks;
    }
    return ticks;
  }

  platform::test::HeadlessDevice device_;
  HWND window = nullptr;
  std::unique_ptr<GameTable> table;
};

} // namespace gametest
