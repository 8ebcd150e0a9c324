// The 22 pictures decoded through the layer: their sizes, the magenta corners of every
// card face, legible ranks, the plain back, and felts whose grey pieces lie exactly
// under the live pieces the renderer copies onto them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/testing.h"
#include "picture.h"
#include "resource_bytes.h"
#include "view/geometry.h"

namespace {

using art_test::Picture;
using art_test::Rgb;

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
  // Each picture is decoded once per test.
  const Picture &Load(WORD id) {
    auto [at, fresh] = decoded.try_emplace(id);
    if (fresh) {
      at->second = art_test::DecodePicture(module, id);
      EXPECT_GT(at->second.width, 0) << "picture " << id << " decodes";
    }
    return at->second;
  }
  std::map<WORD, Picture> decoded;
  // Calls check(felt, strip, copy, piece) for every row of ImagePieces in both
  // orientations of both sets, with a trace naming the case.
  template <typename Check> void ForEachCopy(Check &&check);
};

TEST_F(Pictures, EachDecodesToItsListedSize) {
  const struct {
    WORD id;
    int width;
    int height;
  } cases[] = {
      {126, 240, 280}, {142, 320, 187}, {118, 390, 45},  {120, 390, 45}, {122, 390, 45},
      {121, 390, 45},  {127, 30, 45},   {124, 240, 30},  {140, 70, 187}, {128, 240, 36},
      {141, 36, 187},  {139, 480, 536}, {145, 640, 376}, {132, 780, 90}, {133, 780, 90},
      {135, 780, 90},  {134, 780, 90},  {137, 60, 90},   {136, 480, 60}, {143, 139, 374},
      {138, 480, 69},  {144, 70, 374},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.id);
    const Picture p = art_test::DecodePicture(module, c.id);
    EXPECT_EQ(p.width, c.width);
    EXPECT_EQ(p.height, c.height);
  }
}

// ---- Cards ----

bool RedInk(Rgb c) { return c.r >= 150 && c.g <= 80 && c.b <= 80; }
bool BlackInk(Rgb c) { return c.r <= 60 && c.g <= 60 && c.b <= 60; }
bool Ink(Rgb c) { return (c.r * 299 + c.g * 587 + c.b * 114) / 1000 < 170 && !c.Magenta(); }

TEST_F(Pictures, EveryFaceHasExactlyThreeMagentaPixelsInEachCorner) {
  for (const PictureSet &set : kSets) {
    const int w = 30 * set.scale;
    const int h = 45 * set.scale;
    // Two in the outermost row, one in the next, at each corner.
    const std::set<std::pair<int, int>> corners = {
        {0, 0},     {1, 0},     {0, 1},     {w - 1, 0},     {w - 2, 0},     {w - 1, 1},
        {0, h - 1}, {1, h - 1}, {0, h - 2}, {w - 1, h - 1}, {w - 2, h - 1}, {w - 1, h - 2},
    };
    for (const WORD id : set.suits) {
      const Picture &strip = Load(id);
      ASSERT_EQ(strip.width, 13 * w);
      for (int face = 0; face < 13; ++face) {
        SCOPED_TRACE("picture " + std::to_string(id) + " face " + std::to_string(face + 1));
        std::set<std::pair<int, int>> magenta;
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            if (strip.At(face * w + x, y).Magenta()) {
              magenta.insert({x, y});
            }
          }
        }
        EXPECT_EQ(magenta, corners);
      }
    }
  }
}

TEST_F(Pictures, ClubsAndSpadesAreBlackDiamondsAndHeartsRed) {
  for (const PictureSet &set : kSets) {
    const int w = 30 * set.scale;
    for (std::size_t suit = 0; suit < 4; ++suit) {
      const bool red = suit == 1 || suit == 3;
      const Picture &strip = Load(set.suits[suit]);
      for (int face = 0; face < 13; ++face) {
        SCOPED_TRACE("picture " + std::to_string(set.suits[suit]) + " face " +
                     std::to_string(face + 1));
        int reds = 0;
        int blacks = 0;
        for (int y = 0; y < strip.height; ++y) {
          for (int x = face * w; x < (face + 1) * w; ++x) {
            reds += RedInk(strip.At(x, y)) ? 1 : 0;
            blacks += BlackInk(strip.At(x, y)) ? 1 : 0;
          }
        }
        EXPECT_GT(red ? reds : blacks, 10 * set.scale * set.scale);
        EXPECT_EQ(red ? blacks : reds, 0);
      }
    }
  }
}

// Whether the ink pixel set of a box holds a hole: a paper pixel that cannot reach
// the edge of the box through paper.
bool HasEnclosedPaper(const Picture &p, int left, int top, int right, int bottom) {
  const int w = right - left;
  const int h = bottom - top;
  std::vector<bool> reached(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  const auto cell = [w](int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
  };
  std::vector<std::pair<int, int>> todo;
  const auto visit = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= w || y >= h || reached[cell(x, y)] || Ink(p.At(left + x, top + y))) {
      return;
    }
    reached[cell(x, y)] = true;
    todo.push_back({x, y});
  };
  for (int x = 0; x < w; ++x) {
    visit(x, 0);
    visit(x, h - 1);
  }
  for (int y = 0; y < h; ++y) {
    visit(0, y);
    visit(w - 1, y);
  }
  while (!todo.empty()) {
    const auto [x, y] = todo.back();
    todo.pop_back();
    visit(x + 1, y);
    visit(x - 1, y);
    visit(x, y + 1);
    visit(x, y - 1);
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!reached[cell(x, y)] && !Ink(p.At(left + x, top + y))) {
        return true;
      }
    }
  }
  return false;
}

TEST_F(Pictures, TheTenReadsAsTwoSeparateDigitsWhereACoveredCardStillShows) {
  for (const PictureSet &set : kSets) {
    const int left = 9 * 30 * set.scale; // the face of rank 10
    const int visible = 17 * set.scale;  // what a later card leaves uncovered
    const int rankBottom = 11 * set.scale;
    for (const WORD id : set.suits) {
      SCOPED_TRACE(id);
      const Picture &strip = Load(id);
      // Runs of columns with ink in the rank's rows, inside the frame and the rounded
      // corners.
      std::vector<std::pair<int, int>> runs;
      for (int x = 2; x < 30 * set.scale - 2; ++x) {
        bool ink = false;
        for (int y = 2; y < rankBottom; ++y) {
          ink = ink || Ink(strip.At(left + x, y));
        }
        if (ink && (runs.empty() || runs.back().second != x - 1)) {
          runs.push_back({x, x});
        } else if (ink) {
          runs.back().second = x;
        }
      }
      ASSERT_EQ(runs.size(), 2U) << "a 1 and a 0, apart";
      EXPECT_LT(runs[1].second, visible);
      EXPECT_GE(runs[1].first - runs[0].second, 2) << "at least one clear column between";
      EXPECT_TRUE(
          HasEnclosedPaper(strip, left + runs[1].first, 2, left + runs[1].second + 1, rankBottom))
          << "the 0 keeps its counter open";
    }
  }
}

TEST_F(Pictures, TheBackIsPlainGoldWithoutMagenta) {
  for (const PictureSet &set : kSets) {
    SCOPED_TRACE(set.back);
    const Picture &back = Load(set.back);
    int gold = 0;
    for (const Rgb c : back.pixels) {
      EXPECT_FALSE(c.Magenta());
      gold += c.r >= 150 && c.r > c.g && c.g > c.b && c.g >= 100 && c.b <= 140 ? 1 : 0;
    }
    EXPECT_EQ(gold, static_cast<int>(back.pixels.size())) << "gold from edge to edge";
  }
}

// ---- Felts, buttons and chips ----

enum class Kind { BlueButton, RedButton, White5, Red10, Black25, Green100, Orange500 };

// Size (logical pixels) of each row of ImagePieces, and what the live piece looks like.
struct Piece {
  int width;
  int height;
  Kind kind;
  bool chip;
};

constexpr std::array<Piece, ImagePieceCount> kPieces = {{
    {60, 25, Kind::BlueButton, false}, // Deal
    {60, 26, Kind::RedButton, false},  // Clear
    {31, 31, Kind::Orange500, true},
    {31, 31, Kind::Green100, true},
    {31, 31, Kind::Black25, true},
    {31, 31, Kind::Red10, true},
    {31, 31, Kind::White5, true},
    {60, 25, Kind::BlueButton, false}, // Hit
    {60, 25, Kind::BlueButton, false}, // Stand
    {60, 25, Kind::BlueButton, false}, // Double
}};

struct Copy {
  int destX, destY, sourceX, sourceY, width, height;
};

// What the renderer copies for a row: from which picture, from where, to where, cut
// to the felt.
Copy CopyOf(int row, bool landscape, int scale, const Picture &felt) {
  const LayoutBlit &b = ImagePieces[row];
  const Piece &piece = kPieces[static_cast<std::size_t>(row)];
  Copy c{landscape ? b.landscapeDestX : b.portraitDestX,
         landscape ? b.landscapeDestY : b.portraitDestY,
         landscape ? b.landscapeSourceX : b.portraitSourceX,
         landscape ? b.landscapeSourceY : b.portraitSourceY,
         piece.width,
         piece.height};
  c = {c.destX * scale,   c.destY * scale, c.sourceX * scale,
       c.sourceY * scale, c.width * scale, c.height * scale};
  c.width = std::min(c.width, felt.width - c.destX);
  c.height = std::min(c.height, felt.height - c.destY);
  return c;
}

WORD SourceOf(int row, bool landscape, const PictureSet &set) {
  const Piece &piece = kPieces[static_cast<std::size_t>(row)];
  if (piece.kind == Kind::RedButton) {
    return landscape ? set.landscapeButtons : set.portraitChips;
  }
  if (piece.chip) {
    return landscape ? set.landscapeChips : set.portraitChips;
  }
  return landscape ? set.landscapeButtons : set.portraitButtons;
}

struct Mean {
  double r = 0, g = 0, b = 0;
};

std::string SetName(const PictureSet &set, bool landscape) {
  return "scale " + std::to_string(set.scale) + (landscape ? " landscape" : " portrait");
}

template <typename Check> void Pictures::ForEachCopy(Check &&check) {
  for (const PictureSet &set : kSets) {
    for (const bool landscape : {false, true}) {
      const Picture &felt = Load(landscape ? set.landscapeTable : set.portraitTable);
      for (int row = 0; row < ImagePieceCount; ++row) {
        SCOPED_TRACE(SetName(set, landscape) + " row " + std::to_string(row));
        const Picture &strip = Load(SourceOf(row, landscape, set));
        const Copy c = CopyOf(row, landscape, set.scale, felt);
        ASSERT_LE(c.sourceX + c.width, strip.width);
        ASSERT_LE(c.sourceY + c.height, strip.height);
        check(felt, strip, c, kPieces[static_cast<std::size_t>(row)]);
      }
    }
  }
}

TEST_F(Pictures, FeltsShowEachPieceInGreyExactlyUnderItsLiveCopy) {
  ForEachCopy([](const Picture &felt, const Picture &strip, const Copy &c, const Piece &) {
    // Around the piece the live copy repeats the felt; on it the felt is grey.
    int greyed = 0;
    int wrong = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const Rgb under = felt.At(c.destX + x, c.destY + y);
        const Rgb live = strip.At(c.sourceX + x, c.sourceY + y);
        if (under == live) {
          continue;
        }
        greyed += under.Neutral() ? 1 : 0;
        wrong += under.Neutral() ? 0 : 1;
      }
    }
    EXPECT_EQ(wrong, 0) << "pixels where the live piece differs from a felt that is not grey";
    EXPECT_GT(greyed, c.width * c.height * 6 / 10) << "most of the box is the grey piece";
  });
}

TEST_F(Pictures, FeltsAreGreenAndGreyOnlyUnderThePieces) {
  for (const PictureSet &set : kSets) {
    for (const bool landscape : {false, true}) {
      SCOPED_TRACE(SetName(set, landscape));
      const Picture &felt = Load(landscape ? set.landscapeTable : set.portraitTable);
      std::vector<bool> underPiece(felt.pixels.size());
      for (int row = 0; row < ImagePieceCount; ++row) {
        const Copy c = CopyOf(row, landscape, set.scale, felt);
        for (int y = c.destY; y < c.destY + c.height; ++y) {
          for (int x = c.destX; x < c.destX + c.width; ++x) {
            underPiece[felt.Index(x, y)] = true;
          }
        }
      }
      int grey = 0;
      Mean mean;
      int cloth = 0;
      for (int y = 0; y < felt.height; ++y) {
        for (int x = 0; x < felt.width; ++x) {
          if (underPiece[felt.Index(x, y)]) {
            continue;
          }
          const Rgb c = felt.At(x, y);
          grey += c.Neutral() ? 1 : 0;
          mean.r += c.r;
          mean.g += c.g;
          mean.b += c.b;
          ++cloth;
        }
      }
      EXPECT_EQ(grey, 0);
      EXPECT_GT(mean.g / cloth, mean.r / cloth + 40);
      EXPECT_GT(mean.g / cloth, mean.b / cloth + 30);
    }
  }
}

TEST_F(Pictures, FeltsCarryALegendArchedAlongTheTop) {
  for (const PictureSet &set : kSets) {
    for (const bool landscape : {false, true}) {
      SCOPED_TRACE(SetName(set, landscape));
      const Picture &felt = Load(landscape ? set.landscapeTable : set.portraitTable);
      // The lowest gold pixel of each column of the top band.
      std::vector<std::pair<int, int>> lowest;
      for (int x = 0; x < felt.width; ++x) {
        int bottom = -1;
        for (int y = 0; y < 70 * set.scale; ++y) {
          const Rgb c = felt.At(x, y);
          bottom = c.r > 150 && c.r > c.g && c.g > c.b + 40 ? y : bottom;
        }
        if (bottom >= 0) {
          lowest.push_back({x, bottom});
        }
      }
      ASSERT_GT(lowest.size(), static_cast<std::size_t>(100 * set.scale)) << "a wide legend";
      const std::size_t n = lowest.size();
      const int ends = (lowest[2].second + lowest[n - 3].second) / 2;
      const int middle = lowest[n / 2].second;
      EXPECT_GT(ends - middle, 8 * set.scale) << "higher in the middle than at its ends";
    }
  }
}

TEST_F(Pictures, LivePiecesHaveTheirColours) {
  ForEachCopy([](const Picture &felt, const Picture &strip, const Copy &c, const Piece &piece) {
    // The colours of the piece itself: where it differs from the felt under it.
    Mean m;
    int n = 0;
    int white = 0;
    int blue = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const Rgb live = strip.At(c.sourceX + x, c.sourceY + y);
        if (live == felt.At(c.destX + x, c.destY + y)) {
          continue;
        }
        m.r += live.r;
        m.g += live.g;
        m.b += live.b;
        white += live.r > 220 && live.g > 220 && live.b > 220 ? 1 : 0;
        blue += live.b > live.r + 80 && live.b > live.g + 40 ? 1 : 0;
        ++n;
      }
    }
    ASSERT_GT(n, 0);
    m = {m.r / n, m.g / n, m.b / n};
    switch (piece.kind) {
    case Kind::BlueButton:
      EXPECT_GT(m.b, m.r + 60);
      break;
    case Kind::RedButton:
    case Kind::Red10:
      EXPECT_GT(m.r, m.g + 60);
      EXPECT_GT(m.r, m.b + 60);
      break;
    case Kind::White5:
      EXPECT_GT(white, n / 5);
      EXPECT_GT(blue, n / 10);
      break;
    case Kind::Black25:
      EXPECT_LT(m.r + m.g + m.b, 3 * 110);
      break;
    case Kind::Green100:
      EXPECT_GT(m.g, m.r + 40);
      EXPECT_GT(m.g, m.b + 20);
      break;
    case Kind::Orange500:
      EXPECT_GT(m.r, m.g + 40);
      EXPECT_GT(m.g, m.b + 40);
      break;
    }
  });
}

} // namespace
