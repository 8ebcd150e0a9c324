// The view tests' table on a headless screen, its states, and the pixel helpers that judge a frame.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "game/game_table.h"
#include "gdi/surface.h"
#include "testing/testing.h"

namespace viewtest {

struct TableScreen {
  const char *name;
  int width, height, dpi;
};
inline void PrintTo(const TableScreen &screen, std::ostream *out) { *out << screen.name; }

// Both orientations at both dpi sets.
inline constexpr TableScreen Screens[] = {
    {"portrait 96", 240, 320, 96},
    {"landscape 96", 320, 240, 96},
    {"portrait 192", 480, 640, 192},
    {"landscape 192", 640, 480, 192},
};

// A device of the screen's size and dpi with the game's resources, the dpi captured afresh, and
// a GameTable on a window sized as the game sizes it (between the navigation and menu bars).
class TableOnScreen {
public:
  explicit TableOnScreen(const TableScreen &screen);
  ~TableOnScreen();
  TableOnScreen(const TableOnScreen &) = delete;
  TableOnScreen &operator=(const TableOnScreen &) = delete;
  GameTable &Table() { return *table_; }
  HWND Window() const { return window_; }
  // One PaintTable into a memory DC of the client area's size; returns its pixels.
  platform::Surface Paint();

private:
  platform::test::HeadlessDevice device_;
  HWND window_ = nullptr;
  std::unique_ptr<GameTable> table_;
};

struct Phase {
  bool betting, player, dealer, over;
};
inline constexpr Phase Betting{true, false, false, false};
inline constexpr Phase PlayersTurn{false, true, false, false};
inline constexpr Phase DealersTurn{false, false, true, false};
inline constexpr Phase Result{true, false, false, true};

// A state of the table and what a player must see in it: the ImagePieces rows drawn live, the
// totals and the message (null: not drawn) and the cue of every paint.
struct Scenario {
  const char *name = "";
  Phase phase = Betting;
  std::int32_t bank = 0, bet = 0;
  std::vector<Card> player, dealer;
  std::int32_t playerSoft = 0, playerHard = 0, dealerSoft = 0, dealerHard = 0;
  bool blackjack = false, won = false, push = false, shuffle = false;
  std::set<int> livePieces;
  const char16_t *playerTotal = nullptr, *dealerTotal = nullptr;
  const char16_t *message = nullptr, *cue = nullptr;
};
const std::vector<Scenario> &Scenarios();
const Scenario &ScenarioNamed(const char *name); // aborts when there is none
void Apply(const Scenario &scenario, GameTable &table);
void SetPhase(const Phase &phase, GameTable &table);

// The pixels of an image asset's bitmap (empty when it has none).
const platform::Surface &Pixels(const ImageAsset &asset);
// `text` as the table draws it (white bold Tahoma, 16 logical pixels, aliased) at (x, y) on black.
platform::Surface TextMask(int width, int height, int x, int y, LPCWSTR text);
// A PNG file as 0x00RRGGBB pixels; empty when it cannot be read.
platform::Surface ReadPng(const std::string &path);

inline constexpr std::uint32_t White = 0x00FFFFFF;

} // namespace viewtest
