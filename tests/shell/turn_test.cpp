// Turns of the screen on every screen the host offers: after none to three turns, with a
// dialog open during one of them, a tap on each of the ten regions still plays the game.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/shell/game_device.h"

namespace {

using shelltest::Screen, shelltest::Screens, shelltest::Tap;

// The centres of the regions at 96 dpi, portrait x, y then landscape x, y, in the order
// a hand plays them: the chips 5 to 500, Clear, the 5 chip again, Deal, Double, then
// after the dealer's turn Deal, Hit, Stand.
constexpr int Hand[][4] = {{22, 250, 232, 37},   {57, 250, 232, 70},   {92, 250, 232, 102},
                           {127, 250, 232, 135}, {162, 250, 232, 167}, {210, 250, 280, 171},
                           {22, 250, 232, 37},   {31, 216, 280, 15},   {210, 216, 280, 90},
                           {31, 216, 280, 15},   {90, 216, 280, 40},   {150, 216, 280, 65}};
constexpr std::size_t Double = 8;
// A square screen has the landscape layout, whose buttons lie beyond its 240 pixels.
constexpr std::size_t ChipsOnly = 5;

// The cues of the hand played on `screen` at 12:00:05 after `turns` turns, the first with
// the Options dialog open (from the middle soft key, closed by the navigation bar's ok)
// when `dialogOpen`.
std::vector<std::u16string> PlayAfterTurns(const Screen &screen, int turns, bool dialogOpen) {
  shelltest::GameDevice device(5, "", "", screen);
  const int scale = screen.dpi / 96;
  const bool wide = (turns % 2 == 0 ? screen.height : screen.width) < 320 * scale;
  const int across = turns % 2 == 0 ? screen.width : screen.height;
  std::string script = dialogOpen ? Tap(screen.width / 2, screen.height - 13 * scale) : "";
  for (int turn = 0; turn < turns; ++turn) {
    script += "rotate\n";
  }
  script += dialogOpen ? Tap(across - 8 * scale, 8 * scale) : "";
  const std::size_t plays = screen.width == screen.height ? ChipsOnly : std::size(Hand);
  for (std::size_t i = 0; i < plays; ++i) {
    const int *at = Hand[i] + (wide ? 2 : 0);
    script += Tap(at[0] * scale, (at[1] + 26) * scale) +
              (i == Double || i + 1 == plays ? "wait 3000\n" : "");
  }
  return device.Cues(script);
}

TEST(Turns, EveryRegionPlaysOnEveryScreenAfterNoneToThreeTurns) {
  // Six chips; the deal; the double, which busts (its stand refused) and loses; the next
  // deal, the hit, and after the stand the dealer's card and the loss.
  const auto hand = PlayAfterTurns(Screens[0], 0, false);
  EXPECT_EQ(hand, (std::vector<std::u16string>{u"coin", u"coin", u"coin", u"coin", u"coin", u"coin",
                                               u"flip", u"flip", u"pong", u"lose", u"flip", u"flip",
                                               u"flip", u"lose"}));
  const std::vector chips(hand.begin(), hand.begin() + ChipsOnly);
  for (const Screen &screen : Screens) {
    for (int turns = 0; turns <= 3; ++turns) {
      SCOPED_TRACE(std::string(screen.name) + ", " + std::to_string(turns) + " turns");
      EXPECT_EQ(PlayAfterTurns(screen, turns, false), screen.width == screen.height ? chips : hand);
    }
  }
  EXPECT_EQ(PlayAfterTurns(Screens[3], 1, true), hand) << "vga-landscape turned in Options";
}

} // namespace
