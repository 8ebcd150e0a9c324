// The 22 pictures decoded through the layer: their sizes, the magenta corners and ink
// of every card face, a legible ten, and felts whose grey pieces lie exactly under the
// live pieces the renderer copies onto them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support.h"
#include "view/geometry.h"

namespace {

using art_test::At;
using art_test::Rgb;
using platform::Surface;

// The resource ids of one dpi set; scale multiplies every logical coordinate.
struct PictureSet {
  int scale;
  WORD portraitTable, landscapeTable;
  std::array<WORD, 4> suits; // clubs, diamonds, spades, hearts
  WORD back, portraitButtons, landscapeButtons, portraitChips, landscapeChips;
};

constexpr PictureSet kSets[] = {
    {1, 126, 142, {118, 120, 122, 121}, 127, 124, 140, 128, 141},
    {2, 139, 145, {132, 133, 135, 134}, 137, 136, 143, 138, 144},
};

class Pictures : public art_test::GameModuleTest {
protected:
  const Surface &Load(WORD id) { // each picture decodes once per test
    auto [at, fresh] = decoded.try_emplace(id);
    if (fresh) {
      at->second = art_test::DecodePicture(module, id);
      EXPECT_GT(at->second.width, 0) << "picture " << id << " decodes";
    }
    return at->second;
  }
  std::map<WORD, Surface> decoded;
};

bool RedInk(Rgb c) { return c.r >= 150 && c.g <= 80 && c.b <= 80; }
bool BlackInk(Rgb c) { return c.r <= 60 && c.g <= 60 && c.b <= 60; }
bool Ink(Rgb c) { return (c.r * 299 + c.g * 587 + c.b * 114) / 1000 < 170 && !c.Magenta(); }

TEST_F(Pictures, EveryCardHasThreeMagentaPixelsPerCornerAndEveryFaceTheInkOfItsSuit) {
  for (const PictureSet &set : kSets) {
    const int w = 30 * set.scale;
    const int h = 45 * set.scale;
    // Two in the outermost row, one in the next, at each corner; none elsewhere.
    const std::set<std::pair<int, int>> corners = {
        {0, 0},     {1, 0},     {0, 1},     {w - 1, 0},     {w - 2, 0},     {w - 1, 1},
        {0, h - 1}, {1, h - 1}, {0, h - 2}, {w - 1, h - 1}, {w - 2, h - 1}, {w - 1, h - 2},
    };
    // The four suits, then the back, cut alike so that a face dealt over a placeholder
    // back shows the felt at its corners.
    for (std::size_t suit = 0; suit < 5; ++suit) {
      const bool red = suit == 1 || suit == 3;
      const WORD id = suit < 4 ? set.suits[suit] : set.back;
      const Surface &strip = Load(id);
      const int faces = suit < 4 ? 13 : 1;
      ASSERT_EQ(strip.width, faces * w);
      for (int face = 0; face < faces; ++face) {
        SCOPED_TRACE("picture " + std::to_string(id) + " face " + std::to_string(face + 1));
        std::set<std::pair<int, int>> magenta;
        int reds = 0;
        int blacks = 0;
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            const Rgb c = At(strip, face * w + x, y);
            if (c.Magenta()) {
              magenta.insert({x, y});
            }
            reds += RedInk(c) ? 1 : 0;
            blacks += BlackInk(c) ? 1 : 0;
          }
        }
        EXPECT_EQ(magenta, corners);
        if (suit < 4) {
          EXPECT_GT(red ? reds : blacks, 10 * set.scale * set.scale) << "ink of its suit";
          EXPECT_EQ(red ? blacks : reds, 0) << "no ink of the other colour";
        }
      }
    }
  }
}

TEST_F(Pictures, TheTenReadsAsTwoSeparateDigitsWhereACoveredCardStillShows) {
  for (const PictureSet &set : kSets) {
    const int left = 9 * 30 * set.scale; // the face of rank 10
    for (const WORD id : set.suits) {
      SCOPED_TRACE(id);
      const Surface &strip = Load(id);
      // Runs of columns with ink in the rank's rows, inside the frame.
      std::vector<std::pair<int, int>> runs;
      for (int x = 2; x < 30 * set.scale - 2; ++x) {
        bool ink = false;
        for (int y = 2; y < 11 * set.scale; ++y) {
          ink = ink || Ink(At(strip, left + x, y));
        }
        if (ink && !runs.empty() && runs.back().second == x - 1) {
          runs.back().second = x;
        } else if (ink) {
          runs.push_back({x, x});
        }
      }
      ASSERT_EQ(runs.size(), 2U) << "a 1 and a 0, apart";
      EXPECT_LT(runs[1].second, 17 * set.scale) << "inside what a later card leaves uncovered";
      EXPECT_GE(runs[1].first - runs[0].second, 2) << "at least one clear column between";
    }
  }
}

// Size (logical pixels) of each row of ImagePieces, and which strip holds the live
// piece: the Clear button sits with the chips in portrait, the buttons in landscape.
enum class Strip { Buttons, Chips, Clear };
struct Piece {
  int width, height;
  Strip strip;
};
constexpr Piece kPieces[] = {
    {60, 25, Strip::Buttons}, {60, 26, Strip::Clear},   {31, 31, Strip::Chips},
    {31, 31, Strip::Chips},   {31, 31, Strip::Chips},   {31, 31, Strip::Chips},
    {31, 31, Strip::Chips},   {60, 25, Strip::Buttons}, {60, 25, Strip::Buttons},
    {60, 25, Strip::Buttons},
};
static_assert(std::size(kPieces) == ImagePieceCount);

TEST_F(Pictures, FeltsAreGreenWithEachPieceInGreyExactlyUnderItsLiveCopy) {
  for (const PictureSet &set : kSets) {
    for (const bool landscape : {false, true}) {
      const std::string name =
          "scale " + std::to_string(set.scale) + (landscape ? " landscape" : " portrait");
      const Surface &felt = Load(landscape ? set.landscapeTable : set.portraitTable);
      std::vector<bool> underPiece(felt.pixels.size());
      for (int row = 0; row < ImagePieceCount; ++row) {
        SCOPED_TRACE(name + " row " + std::to_string(row));
        const LayoutBlit &b = ImagePieces[row];
        const Piece &piece = kPieces[row];
        const bool chip =
            piece.strip == Strip::Chips || (piece.strip == Strip::Clear && !landscape);
        const Surface &live = Load(landscape ? (chip ? set.landscapeChips : set.landscapeButtons)
                                             : (chip ? set.portraitChips : set.portraitButtons));
        const int s = set.scale;
        const int dx = (landscape ? b.landscapeDestX : b.portraitDestX) * s;
        const int dy = (landscape ? b.landscapeDestY : b.portraitDestY) * s;
        const int sx = (landscape ? b.landscapeSourceX : b.portraitSourceX) * s;
        const int sy = (landscape ? b.landscapeSourceY : b.portraitSourceY) * s;
        const int w = std::min(piece.width * s, felt.width - dx);
        const int h = std::min(piece.height * s, felt.height - dy);
        ASSERT_LE(sx + w, live.width);
        ASSERT_LE(sy + h, live.height);
        // Around the piece the live copy repeats the felt; on it the felt is grey.
        int greyed = 0;
        int wrong = 0;
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            underPiece[static_cast<std::size_t>((dy + y) * felt.width + dx + x)] = true;
            const Rgb under = At(felt, dx + x, dy + y);
            if (under != At(live, sx + x, sy + y)) {
              (under.Neutral() ? greyed : wrong) += 1;
            }
          }
        }
        EXPECT_EQ(wrong, 0) << "pixels where the live piece differs from a felt that is not grey";
        EXPECT_GT(greyed, w * h * 6 / 10) << "most of the box is the grey piece";
      }
      SCOPED_TRACE(name);
      int grey = 0;
      int cloth = 0;
      double r = 0, g = 0, b = 0;
      for (std::size_t i = 0; i < felt.pixels.size(); ++i) {
        if (const Rgb c(felt.pixels[i]); !underPiece[i]) {
          grey += c.Neutral() ? 1 : 0;
          r += c.r;
          g += c.g;
          b += c.b;
          ++cloth;
        }
      }
      EXPECT_EQ(grey, 0) << "grey only under the pieces";
      EXPECT_GT(g / cloth, r / cloth + 40) << "green cloth";
      EXPECT_GT(g / cloth, b / cloth + 30) << "green cloth";
    }
  }
}

} // namespace
