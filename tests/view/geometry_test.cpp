// Screen geometry: the scaling rule, the dpi capture, the orientation test and the lookups.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>

#include "host/testing.h"
#include "view/geometry.h"

namespace {

using platform::DeviceConfig;
using platform::test::HeadlessDevice;

// The process-wide values survive from one test to the next; each test starts
// from "not captured, portrait" and leaves them so.
class Geometry : public ::testing::Test {
protected:
  void SetUp() override {
    screenDpi = 0;
    landscapeLayout = 0;
  }
  void TearDown() override {
    screenDpi = 0;
    landscapeLayout = 0;
  }
};

DeviceConfig Screen(int width, int height, int dpi) {
  DeviceConfig config;
  config.width = width;
  config.height = height;
  config.dpi = dpi;
  return config;
}

TEST_F(Geometry, ScaleForDpiRoundsHalvesAwayFromZeroSymmetrically) {
  struct Case {
    std::int32_t dpi;
    std::int32_t value;
    std::int32_t expected;
  };
  const Case cases[] = {
      // Not captured yet: everything collapses to 0.
      {0, 0, 0},
      {0, 30, 0},
      {0, -320, 0},
      // The design dpi maps every value to itself.
      {96, 0, 0},
      {96, 1, 1},
      {96, -1, -1},
      {96, 320, 320},
      {96, -17, -17},
      {96, INT_MAX, INT_MAX},
      {96, INT_MIN, INT_MIN},
      // Double dpi doubles exactly, negative values included.
      {192, 1, 2},
      {192, -1, -2},
      {192, 17, 34},
      {192, -30, -60},
      {192, 320, 640},
      // 131 dpi: rounding to the nearest pixel.
      {131, 30, 41},
      {131, -30, -41},
      {131, 17, 23},
      {131, -17, -23},
      {131, 1, 1},
      {131, 320, 437},
      {131, -320, -437},
      // 144 dpi puts 1 exactly on a half: away from zero on both sides.
      {144, 1, 2},
      {144, -1, -2},
      {144, 3, 5},
      {144, -3, -5},
      // Results beyond 32 bits are held at the limits instead of wrapping.
      {192, INT_MAX, INT_MAX},
      {192, INT_MIN, INT_MIN},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.dpi << " dpi, " << c.value);
    screenDpi = c.dpi;
    EXPECT_EQ(ScaleForDpi(c.value), c.expected);
  }
}

TEST_F(Geometry, CaptureScreenDpiTakesTheScreenOnceAndKeepsIt) {
  {
    HeadlessDevice device(Screen(240, 320, 131));
    CaptureScreenDpi();
    EXPECT_EQ(screenDpi, 131);
  }
  // A later device with another dpi does not change the captured value.
  HeadlessDevice device(Screen(480, 640, 192));
  CaptureScreenDpi();
  EXPECT_EQ(screenDpi, 131);
  EXPECT_EQ(ScaleForDpi(30), 41);
}

TEST_F(Geometry, IsLandscapeWhenTheScreenIsLowerThanAScaledPortraitTable) {
  struct Case {
    int width;
    int height;
    int dpi;
    bool landscape;
  };
  const Case cases[] = {
      {240, 320, 96, false},  {240, 319, 96, true},  {320, 240, 96, true},  {240, 240, 96, true},
      {480, 640, 192, false}, {480, 639, 192, true}, {640, 480, 192, true}, {480, 480, 192, true},
      {320, 437, 131, false}, {320, 436, 131, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " at " << c.dpi);
    HeadlessDevice device(Screen(c.width, c.height, c.dpi));
    screenDpi = c.dpi;
    EXPECT_EQ(IsLandscape(), c.landscape);
  }
}

TEST_F(Geometry, LookupsTakeTheHalfOfTheCurrentOrientationScaled) {
  struct Case {
    const char *what;
    std::int32_t landscape;
    std::int32_t dpi;
    std::int32_t (*lookup)();
    std::int32_t expected;
  };
  const Case cases[] = {
      {"bank label x", 0, 96, [] { return AnchorX(TextAnchors[BankLabelAnchor]); }, 120},
      {"bank label x", 1, 96, [] { return AnchorX(TextAnchors[BankLabelAnchor]); }, 253},
      {"bank label x", 1, 192, [] { return AnchorX(TextAnchors[BankLabelAnchor]); }, 506},
      {"bank amount y", 0, 96, [] { return AnchorY(TextAnchors[BankAmountAnchor]); }, 189},
      {"bank amount y", 1, 96, [] { return AnchorY(TextAnchors[BankAmountAnchor]); }, 117},
      {"dealer total y", 1, 192, [] { return AnchorY(TextAnchors[DealerTotalAnchor]); }, 166},
      {"result y", 0, 192, [] { return AnchorY(TextAnchors[ResultMessageAnchor]); }, 244},
      {"5 chip dest y", 1, 96, [] { return BlitDestY(ImagePieces[Chip5Piece]); }, 22},
      {"5 chip source y", 1, 96, [] { return BlitSourceY(ImagePieces[Chip5Piece]); }, 23},
      {"5 chip dest x", 0, 96, [] { return BlitDestX(ImagePieces[Chip5Piece]); }, 5},
      {"5 chip source x", 1, 192, [] { return BlitSourceX(ImagePieces[Chip5Piece]); }, 4},
      {"clear dest x", 0, 192, [] { return BlitDestX(ImagePieces[ClearPiece]); }, 360},
      {"clear source y", 1, 96, [] { return BlitSourceY(ImagePieces[ClearPiece]); }, 159},
      {"clear source y", 0, 96, [] { return BlitSourceY(ImagePieces[ClearPiece]); }, 0},
      {"500 chip dest y", 1, 192, [] { return BlitDestY(ImagePieces[Chip500Piece]); }, 304},
      {"500 chip source y", 1, 192, [] { return BlitSourceY(ImagePieces[Chip500Piece]); }, 302},
      {"double dest x", 0, 96, [] { return BlitDestX(ImagePieces[DoublePiece]); }, 181},
      {"double dest y", 1, 96, [] { return BlitDestY(ImagePieces[DoublePiece]); }, 78},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.what << (c.landscape ? " landscape " : " portrait ") << c.dpi);
    landscapeLayout = c.landscape;
    screenDpi = c.dpi;
    EXPECT_EQ(c.lookup(), c.expected);
  }
}

// The renderer copies each piece over its grey twin in the felt; two pieces of one
// orientation that overlapped would hide part of each other.
TEST_F(Geometry, NoTwoPiecesOfOneOrientationOverlap) {
  // Sizes of the rows: buttons 60 x 25, Clear 60 x 26, chips 31 x 31.
  const SIZE sizes[ImagePieceCount] = {{60, 25}, {60, 26}, {31, 31}, {31, 31}, {31, 31},
                                       {31, 31}, {31, 31}, {60, 25}, {60, 25}, {60, 25}};
  screenDpi = 96;
  for (std::int32_t landscape : {0, 1}) {
    landscapeLayout = landscape;
    for (int a = 0; a < ImagePieceCount; ++a) {
      for (int b = a + 1; b < ImagePieceCount; ++b) {
        const LayoutBlit &pa = ImagePieces[a];
        const LayoutBlit &pb = ImagePieces[b];
        const bool apart = BlitDestX(pa) + sizes[a].cx <= BlitDestX(pb) ||
                           BlitDestX(pb) + sizes[b].cx <= BlitDestX(pa) ||
                           BlitDestY(pa) + sizes[a].cy <= BlitDestY(pb) ||
                           BlitDestY(pb) + sizes[b].cy <= BlitDestY(pa);
        EXPECT_TRUE(apart) << "rows " << a << " and " << b << (landscape ? " landscape" : "");
      }
    }
  }
}

} // namespace
