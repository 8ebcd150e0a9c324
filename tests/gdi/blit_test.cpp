// Blits: clipping at every edge of both surfaces, the raster operations, the key
// colour of TransparentImage, stretching, fills and DCs on shared surfaces.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "gdi/surface.h"
#include "host/testing.h"

namespace {

using platform::Surface;
using platform::test::HeadlessDevice;

constexpr std::uint32_t kMagentaPixel = 0xFF00FF;
constexpr std::uint32_t kBackground = 0x102030;

// A pixel value unique to its place, never magenta.
std::uint32_t Pattern(int x, int y) {
  return (static_cast<std::uint32_t>(x) * 0x010203u + static_cast<std::uint32_t>(y) * 0x070503u) &
         0x7F7F7Fu;
}

// A memory DC holding a w x h bitmap filled with the pattern (or one colour).
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  std::shared_ptr<Surface> surface;

  Canvas(int w, int h, bool pattern) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    previous = SelectObject(dc, bitmap);
    surface = platform::BitmapSurface(bitmap);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        surface->Row(y)[x] = pattern ? Pattern(x, y) : kBackground;
      }
    }
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  std::uint32_t At(int x, int y) const { return surface->Row(y)[x]; }
};

// What a blit of the pattern must leave: each destination pixel inside both
// surfaces takes the source pixel at the centre-sampled place, unless keyed out.
Surface Expected(const Surface &before, const Surface &source, int dx, int dy, int dw, int dh,
                 int sx, int sy, int sw, int sh, bool keyed) {
  Surface out = before;
  using I = std::int64_t;
  for (I ty = std::max<I>(dy, 0); ty < std::min<I>(I{dy} + dh, out.height); ++ty) {
    for (I tx = std::max<I>(dx, 0); tx < std::min<I>(I{dx} + dw, out.width); ++tx) {
      const I u = sx + ((tx - dx) * 2 + 1) * sw / (I{dw} * 2);
      const I v = sy + ((ty - dy) * 2 + 1) * sh / (I{dh} * 2);
      if (u < 0 || v < 0 || u >= source.width || v >= source.height) {
        continue;
      }
      const std::uint32_t p = source.Row(static_cast<int>(v))[u];
      if (!(keyed && p == kMagentaPixel)) {
        out.Row(static_cast<int>(ty))[tx] = p;
      }
    }
  }
  return out;
}

::testing::AssertionResult SameSurface(const Surface &got, const Surface &want) {
  for (int y = 0; y < want.height; ++y) {
    for (int x = 0; x < want.width; ++x) {
      if (got.Row(y)[x] != want.Row(y)[x]) {
        return ::testing::AssertionFailure()
               << "first difference at (" << x << ", " << y << "): got " << std::hex
               << got.Row(y)[x] << ", want " << want.Row(y)[x];
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(BitBlt, ClipsAtEveryEdgeOfBothSurfaces) {
  HeadlessDevice device;
  struct Case {
    const char *what;
    int dx, dy, w, h, sx, sy;
  };
  // Destination 20 x 16, source 12 x 10.
  const Case cases[] = {
      {"inside", 3, 2, 5, 4, 1, 1},
      {"past the destination's left", -3, 2, 6, 4, 0, 0},
      {"past the destination's top", 2, -3, 6, 5, 0, 0},
      {"past the destination's right", 17, 2, 8, 4, 0, 0},
      {"past the destination's bottom", 2, 13, 6, 8, 0, 0},
      {"past the source's left", 5, 5, 6, 4, -2, 0},
      {"past the source's top", 5, 5, 6, 4, 0, -3},
      {"past the source's right", 5, 5, 6, 4, 9, 0},
      {"past the source's bottom", 5, 5, 6, 4, 0, 8},
      {"past every edge at once", -4, -4, 40, 40, -2, -2},
      {"wholly outside the destination", 30, 30, 5, 5, 0, 0},
      {"wholly outside the source", 0, 0, 5, 5, 12, 0},
      {"empty", 4, 4, 0, 3, 0, 0},
      {"negative extent", 4, 4, -3, 3, 0, 0},
      {"huge coordinates", 0x7FFFFFF0, 0, 0x7FFFFFFF, 4, 0, 0},
      {"huge negative coordinates", -0x7FFFFFFF, 0, 0x7FFFFFFF, 4, -0x7FFFFFFF, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Canvas dst(20, 16, false);
    Canvas src(12, 10, true);
    const Surface before = *dst.surface;
    EXPECT_TRUE(BitBlt(dst.dc, c.dx, c.dy, c.w, c.h, src.dc, c.sx, c.sy, SRCCOPY));
    EXPECT_TRUE(SameSurface(*dst.surface, Expected(before, *src.surface, c.dx, c.dy,
                                                   std::max(c.w, 0), std::max(c.h, 0), c.sx, c.sy,
                                                   std::max(c.w, 0), std::max(c.h, 0), false)));
  }
}

TEST(BitBlt, RandomBlitsMatchTheReference) {
  HeadlessDevice device;
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  Canvas dst(23, 17, false);
  Canvas src(13, 11, true);
  for (int i = 0; i < 500; ++i) {
    const int dx = pick(-15, 30), dy = pick(-15, 25), w = pick(0, 30), h = pick(0, 30);
    const int sx = pick(-15, 20), sy = pick(-15, 20);
    const Surface before = *dst.surface;
    BitBlt(dst.dc, dx, dy, w, h, src.dc, sx, sy, SRCCOPY);
    ASSERT_TRUE(SameSurface(*dst.surface,
                            Expected(before, *src.surface, dx, dy, w, h, sx, sy, w, h, false)))
        << dx << "," << dy << " " << w << "x" << h << " from " << sx << "," << sy;
  }
}

TEST(BitBlt, OverlappingCopiesWithinOneSurface) {
  HeadlessDevice device;
  for (const POINT shift : {POINT{3, 2}, POINT{-3, -2}, POINT{4, 0}, POINT{0, -5}}) {
    SCOPED_TRACE(testing::Message() << shift.x << "," << shift.y);
    Canvas canvas(16, 16, true);
    const Surface before = *canvas.surface;
    BitBlt(canvas.dc, 4 + shift.x, 5 + shift.y, 8, 6, canvas.dc, 4, 5, SRCCOPY);
    EXPECT_TRUE(SameSurface(*canvas.surface, Expected(before, before, 4 + shift.x, 5 + shift.y, 8,
                                                      6, 4, 5, 8, 6, false)));
  }
}

TEST(BitBlt, RasterOperations) {
  HeadlessDevice device;
  struct Case {
    DWORD rop;
    std::uint32_t (*result)(std::uint32_t dst, std::uint32_t src);
  };
  const Case cases[] = {
      {SRCCOPY, [](std::uint32_t, std::uint32_t s) { return s; }},
      {SRCPAINT, [](std::uint32_t d, std::uint32_t s) { return d | s; }},
      {SRCAND, [](std::uint32_t d, std::uint32_t s) { return d & s; }},
      {SRCINVERT, [](std::uint32_t d, std::uint32_t s) { return d ^ s; }},
      {NOTSRCCOPY, [](std::uint32_t, std::uint32_t s) { return ~s & 0xFFFFFFu; }},
      {BLACKNESS, [](std::uint32_t, std::uint32_t) { return 0u; }},
      {WHITENESS, [](std::uint32_t, std::uint32_t) { return 0xFFFFFFu; }},
      {DSTINVERT, [](std::uint32_t d, std::uint32_t) { return ~d & 0xFFFFFFu; }},
      {PATCOPY, [](std::uint32_t, std::uint32_t) { return 0x332211u; }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.rop);
    Canvas dst(8, 8, false);
    Canvas src(8, 8, true);
    HBRUSH brush = CreateSolidBrush(RGB(0x33, 0x22, 0x11));
    HGDIOBJ old = SelectObject(dst.dc, brush);
    EXPECT_TRUE(BitBlt(dst.dc, 2, 2, 4, 4, src.dc, 1, 1, c.rop));
    EXPECT_EQ(dst.At(3, 4), c.result(kBackground, Pattern(2, 3)));
    EXPECT_EQ(dst.At(1, 1), kBackground) << "outside the rectangle";
    EXPECT_EQ(dst.At(6, 6), kBackground) << "right and bottom edges are outside";
    SelectObject(dst.dc, old);
    DeleteObject(brush);
  }
  Canvas dst(4, 4, false);
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 4, 4, dst.dc, 0, 0, 0x00123456)) << "unknown operation";
}

TEST(BitBlt, ADCWithoutARealBitmapDrawsNothing) {
  HeadlessDevice device;
  Canvas dst(8, 8, false);
  HDC empty = CreateCompatibleDC(nullptr);
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 8, 8, empty, 0, 0, SRCCOPY));
  EXPECT_FALSE(TransparentImage(dst.dc, 0, 0, 8, 8, empty, 0, 0, 8, 8, RGB(255, 0, 255)));
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 8, 8, nullptr, 0, 0, SRCCOPY));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      ASSERT_EQ(dst.At(x, y), kBackground);
    }
  }
  // As a destination the stock bitmap takes a blit harmlessly.
  Canvas src(8, 8, true);
  EXPECT_TRUE(BitBlt(empty, 0, 0, 8, 8, src.dc, 0, 0, SRCCOPY));
  DeleteDC(empty);
}

TEST(TransparentImage, OnlyExactMagentaIsTransparent) {
  HeadlessDevice device;
  struct Case {
    COLORREF source;
    bool transparent;
  };
  const Case cases[] = {
      {RGB(255, 0, 255), true},  {RGB(254, 0, 255), false}, {RGB(255, 1, 255), false},
      {RGB(255, 0, 254), false}, {RGB(0, 0, 0), false},     {RGB(255, 255, 255), false},
      {RGB(255, 0, 0), false},   {RGB(0, 0, 255), false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.source);
    Canvas dst(4, 4, false);
    Canvas src(4, 4, false);
    HBRUSH brush = CreateSolidBrush(c.source);
    RECT all{0, 0, 4, 4};
    FillRect(src.dc, &all, brush);
    DeleteObject(brush);
    // From the DC and from the bitmap itself, plain and stretched.
    EXPECT_TRUE(TransparentImage(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, 2, 2, RGB(255, 0, 255)));
    EXPECT_TRUE(TransparentImage(dst.dc, 2, 0, 2, 2, src.bitmap, 0, 0, 2, 2, RGB(255, 0, 255)));
    EXPECT_TRUE(TransparentImage(dst.dc, 0, 2, 4, 2, src.dc, 0, 0, 1, 1, RGB(255, 0, 255)));
    const std::uint32_t want = c.transparent ? kBackground
                                             : (c.source & 0xFF00u) | ((c.source & 0xFFu) << 16) |
                                                   ((c.source >> 16) & 0xFFu);
    for (const POINT p : {POINT{0, 0}, POINT{3, 1}, POINT{1, 3}, POINT{3, 3}}) {
      EXPECT_EQ(dst.At(p.x, p.y), want) << p.x << "," << p.y;
    }
  }
}

TEST(TransparentImage, CardCornersLetTheFeltShowThrough) {
  HeadlessDevice device;
  Canvas felt(40, 60, false);
  Canvas card(30, 45, true);
  // Rounded corners: two magenta pixels in the outermost row, one in the next.
  for (const POINT p :
       {POINT{0, 0}, POINT{1, 0}, POINT{0, 1}, POINT{29, 44}, POINT{28, 44}, POINT{29, 43}}) {
    card.surface->Row(p.y)[p.x] = kMagentaPixel;
  }
  EXPECT_TRUE(TransparentImage(felt.dc, 5, 7, 30, 45, card.dc, 0, 0, 30, 45, RGB(255, 0, 255)));
  EXPECT_EQ(felt.At(5, 7), kBackground);
  EXPECT_EQ(felt.At(6, 7), kBackground);
  EXPECT_EQ(felt.At(5, 8), kBackground);
  EXPECT_EQ(felt.At(6, 8), Pattern(1, 1));
  EXPECT_EQ(felt.At(7, 7), Pattern(2, 0));
  EXPECT_EQ(felt.At(34, 51), kBackground);
  EXPECT_EQ(felt.At(33, 51), kBackground);
  EXPECT_EQ(felt.At(34, 50), kBackground);
  EXPECT_EQ(felt.At(33, 50), Pattern(28, 43));
}

TEST(TransparentImage, StretchingSamplesEachPixelsCentre) {
  HeadlessDevice device;
  Canvas src(4, 2, true);
  Canvas dst(8, 8, false);
  // Doubling: each source pixel becomes a 2 x 2 block.
  EXPECT_TRUE(TransparentImage(dst.dc, 0, 0, 8, 4, src.dc, 0, 0, 4, 2, RGB(255, 0, 255)));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      ASSERT_EQ(dst.At(x, y), Pattern(x / 2, y / 2)) << x << "," << y;
    }
  }
  // Halving: each destination pixel takes the right one of each pair.
  Canvas wide(8, 2, true);
  EXPECT_TRUE(TransparentImage(dst.dc, 0, 6, 4, 1, wide.dc, 0, 0, 8, 2, RGB(255, 0, 255)));
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(dst.At(x, 6), Pattern(x * 2 + 1, 1));
  }
}

TEST(TransparentImage, RandomStretchesMatchTheReference) {
  HeadlessDevice device;
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  Canvas dst(21, 19, false);
  Canvas src(15, 12, true);
  for (int i = 0; i < 40; ++i) {
    src.surface->Row(pick(0, 11))[pick(0, 14)] = kMagentaPixel;
  }
  for (int i = 0; i < 500; ++i) {
    const int dx = pick(-10, 25), dy = pick(-10, 25), dw = pick(1, 30), dh = pick(1, 30);
    const int sx = pick(-8, 18), sy = pick(-8, 15);
    const bool same = pick(0, 1) == 1;
    const int sw = same ? dw : pick(1, 20), sh = same ? dh : pick(1, 20);
    const Surface before = *dst.surface;
    ASSERT_TRUE(TransparentImage(dst.dc, dx, dy, dw, dh, src.dc, sx, sy, sw, sh, RGB(255, 0, 255)));
    ASSERT_TRUE(SameSurface(*dst.surface,
                            Expected(before, *src.surface, dx, dy, dw, dh, sx, sy, sw, sh, true)))
        << dx << "," << dy << " " << dw << "x" << dh << " from " << sx << "," << sy << " " << sw
        << "x" << sh;
  }
}

TEST(TransparentImage, RefusesEmptyAndNegativeExtents) {
  HeadlessDevice device;
  Canvas dst(4, 4, false);
  Canvas src(4, 4, true);
  struct Case {
    LONG dw, dh, sw, sh;
  };
  for (const Case c : {Case{0, 2, 2, 2}, Case{2, 0, 2, 2}, Case{2, 2, 0, 2}, Case{2, 2, 2, -1},
                       Case{-2, 2, 2, 2}, Case{0x7FFFFFFF, 2, 2, 2}}) {
    EXPECT_FALSE(TransparentImage(dst.dc, 0, 0, c.dw, c.dh, src.dc, 0, 0, c.sw, c.sh, 0));
  }
  EXPECT_FALSE(TransparentImage(dst.dc, 0, 0, 2, 2, nullptr, 0, 0, 2, 2, 0));
  EXPECT_EQ(dst.At(0, 0), kBackground);
}

TEST(SurfaceDC, DrawsAtItsOriginAndInsideItsClip) {
  HeadlessDevice device;
  auto screen = platform::SharedScreenSurface();
  // A window at (10, 30), 50 x 40, seen through a DC on the screen.
  HDC window = platform::CreateSurfaceDC(screen, POINT{10, 30}, RECT{10, 30, 60, 70});
  RECT everything{-100, -100, 1000, 1000};
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(FillRect(window, &everything, white));
  EXPECT_EQ(screen->Row(30)[10], 0xFFFFFFu);
  EXPECT_EQ(screen->Row(69)[59], 0xFFFFFFu);
  EXPECT_EQ(screen->Row(29)[10], 0u);
  EXPECT_EQ(screen->Row(30)[9], 0u);
  EXPECT_EQ(screen->Row(70)[59], 0u);
  EXPECT_EQ(screen->Row(69)[60], 0u);
  EXPECT_EQ(GetPixel(window, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(window, 50, 0), CLR_INVALID);
  // Copying the window into a bitmap reads from its origin.
  Canvas copy(60, 50, false);
  EXPECT_TRUE(SetPixel(window, 2, 3, RGB(1, 2, 3)) != CLR_INVALID);
  EXPECT_TRUE(BitBlt(copy.dc, 0, 0, 60, 50, window, 0, 0, SRCCOPY));
  EXPECT_EQ(copy.At(2, 3), 0x010203u);
  EXPECT_EQ(copy.At(49, 39), 0xFFFFFFu);
  EXPECT_EQ(copy.At(50, 39), kBackground) << "beyond the window: not read";
  platform::DeleteSurfaceDC(window);
  EXPECT_FALSE(DeleteDC(window));
}

TEST(FillRect, FillsUpToButNotIncludingTheFarEdges) {
  HeadlessDevice device;
  struct Case {
    const char *what;
    HBRUSH brush;
    std::uint32_t inside;
  };
  HBRUSH solid = CreateSolidBrush(RGB(0xAA, 0xBB, 0xCC));
  const Case cases[] = {
      {"solid brush", solid, 0xAABBCC},
      {"stock black brush", static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 0},
      {"null brush paints nothing", static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)), kBackground},
      {"a system colour index + 1",
       reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_WINDOW + 1)), 0xFFFFFF},
      {"system colour brush", GetSysColorBrush(COLOR_BTNFACE), 0xC0C0C0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Canvas canvas(10, 10, false);
    RECT r{2, 3, 6, 8};
    EXPECT_TRUE(FillRect(canvas.dc, &r, c.brush));
    EXPECT_EQ(canvas.At(2, 3), c.inside);
    EXPECT_EQ(canvas.At(5, 7), c.inside);
    EXPECT_EQ(canvas.At(6, 7), kBackground);
    EXPECT_EQ(canvas.At(5, 8), kBackground);
    EXPECT_EQ(canvas.At(1, 3), kBackground);
  }
  DeleteObject(solid);
  Canvas canvas(4, 4, false);
  RECT r{0, 0, 4, 4};
  EXPECT_FALSE(FillRect(canvas.dc, &r, reinterpret_cast<HBRUSH>(0x7777)));
  EXPECT_FALSE(FillRect(canvas.dc, nullptr, solid));
}

} // namespace
