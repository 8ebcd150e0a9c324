// Golden frames of the table: a handful of whole paints compared with reviewed PNGs.
//
// A frame matches when at most 0.5% of its pixels differ by more than 24 in any colour channel:
// room for small changes of the font rasteriser, not for a piece, card or text that moved. Run
// with UPDATE_GOLDEN=1 to rewrite the PNGs, and look at every rewritten file before committing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "fixture.h"
#include "gdi/png_write.h"

namespace {

constexpr int ChannelTolerance = 24;
constexpr double DifferingShare = 0.005;

struct Golden {
  const char *file;
  int screen; // index into Screens
  const char *scenario;
};
void PrintTo(const Golden &golden, std::ostream *out) { *out << golden.file; }

const Golden Goldens[] = {
    {"new_table.png", 0, "new table"},
    {"players_turn.png", 0, "player's turn two cards"},
    {"result_dealer_busts.png", 0, "result dealer busts"},
    {"landscape_players_turn.png", 1, "player's turn two cards"},
    {"dpi192_result_blackjack.png", 2, "result blackjack"},
    {"dpi192_landscape_new_table.png", 3, "new table"},
};

bool Differs(std::uint32_t a, std::uint32_t b) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
        ChannelTolerance) {
      return true;
    }
  }
  return false;
}

class GoldenFrame : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenFrame, MatchesTheReviewedPicture) {
  const Golden &golden = GetParam();
  viewtest::TableOnScreen screen(viewtest::Screens[golden.screen]);
  viewtest::Apply(viewtest::ScenarioNamed(golden.scenario), screen.Table());
  const platform::Surface frame = screen.Paint();
  const std::string path = std::string(GOLDEN_DIR) + "/" + golden.file;
  if (std::getenv("UPDATE_GOLDEN") != nullptr) {
    std::string error;
    ASSERT_TRUE(platform::WritePng(frame, path, &error)) << error;
    GTEST_SKIP() << "rewrote " << path << ": review it by eye";
  }
  const platform::Surface expected = viewtest::ReadPng(path);
  ASSERT_EQ(expected.width, frame.width) << path;
  ASSERT_EQ(expected.height, frame.height) << path;
  std::size_t differing = 0;
  for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
    differing += Differs(frame.pixels[i], expected.pixels[i]) ? 1 : 0;
  }
  EXPECT_LE(static_cast<double>(differing),
            DifferingShare * static_cast<double>(frame.pixels.size()))
      << differing << " of " << frame.pixels.size() << " pixels differ from " << path;
}

INSTANTIATE_TEST_SUITE_P(Tables, GoldenFrame, ::testing::ValuesIn(Goldens),
                         [](const ::testing::TestParamInfo<Golden> &info) {
                           const std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

} // namespace
