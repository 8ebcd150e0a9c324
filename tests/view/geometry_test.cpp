// Screen geometry: the scaling rule, the orientation test and the lookups.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>

#include "testing/testing.h"
#include "view/geometry.h"

namespace {

using platform::test::HeadlessDevice;

// The process-wide values start each test as "not captured, portrait" and are left so.
class Geometry : public ::testing::Test {
protected:
  void SetUp() override { screenDpi = landscapeLayout = 0; }
  void TearDown() override { screenDpi = landscapeLayout = 0; }
};

// Halves round away from zero on both sides (144 dpi puts 1 exactly on one), and results beyond
// 32 bits are held at the limits instead of wrapping.
TEST_F(Geometry, ScaleForDpiRoundsHalvesAwayFromZeroSymmetrically) {
  struct Case {
    std::int32_t dpi, value, expected;
  };
  // clang-format off
  const Case cases[] = {
      {0, 0, 0}, {0, 30, 0}, {0, -320, 0}, // not captured yet
      {96, 1, 1}, {96, -17, -17}, {96, 320, 320}, {96, INT_MAX, INT_MAX}, {96, INT_MIN, INT_MIN},
      {131, 30, 41}, {131, -30, -41}, {131, 17, 23}, {131, -17, -23}, {131, 1, 1},
      {131, -320, -437}, {144, 1, 2}, {144, -1, -2}, {144, 3, 5}, {144, -3, -5},
      {192, 17, 34}, {192, -30, -60}, {192, 320, 640}, {192, INT_MAX, INT_MAX},
      {192, INT_MIN, INT_MIN},
  };
  // clang-format on
  for (const Case &c : cases) {
    screenDpi = c.dpi;
    EXPECT_EQ(ScaleForDpi(c.value), c.expected) << c.dpi << " dpi, " << c.value;
  }
}

TEST_F(Geometry, IsLandscapeWhenTheScreenIsLowerThanAScaledPortraitTable) {
  struct Case {
    int width, height, dpi;
    bool landscape;
  };
  const Case cases[] = {
      {240, 320, 96, false}, {240, 319, 96, true},  {320, 240, 96, true},   {480, 640, 192, false},
      {480, 639, 192, true}, {640, 480, 192, true}, {320, 437, 131, false}, {320, 436, 131, true},
  };
  for (const Case &c : cases) {
    HeadlessDevice device({.width = c.width, .height = c.height, .dpi = c.dpi});
    screenDpi = c.dpi;
    EXPECT_EQ(IsLandscape(), c.landscape) << c.width << "x" << c.height << " at " << c.dpi;
  }
}

} // namespace
