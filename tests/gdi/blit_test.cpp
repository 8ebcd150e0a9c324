// Blits: clipping at every edge of both surfaces, the key colour of
// TransparentImage, stretching, fills and DCs on shared surfaces.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <random>
#include <vector>

#include "canvas.h"
#include "testing/testing.h"

namespace {

using platform::Surface;
using platform::test::HeadlessDevice;

constexpr std::uint32_t kMagentaPixel = 0xFF00FF;
constexpr std::uint32_t kBackground = 0x102030;
constexpr COLORREF kKey = RGB(255, 0, 255);

// A pixel value unique to its place, never magenta.
std::uint32_t Pattern(int x, int y) {
  return (static_cast<std::uint32_t>(x) * 0x010203u + static_cast<std::uint32_t>(y) * 0x070503u) &
         0x7F7F7Fu;
}

// Each pixel of `surface` set to `at` of its place.
template <typename F> void Paint(Surface &surface, F at) {
  for (std::size_t i = 0; i < surface.pixels.size(); ++i) {
    surface.pixels[i] =
        at(static_cast<int>(i) % surface.width, static_cast<int>(i) / surface.width);
  }
}

// A canvas filled with the pattern.
struct Patterned : Canvas {
  Patterned(int w, int h) : Canvas(w, h) { Paint(*surface, Pattern); }
};

HBRUSH White() { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }

// What a blit must leave: each destination pixel inside both surfaces takes the
// source pixel at its place, unless keyed out.
Surface Expected(const Surface &before, const Surface &source, int dx, int dy, int dw, int dh,
                 int sx, int sy, bool keyed) {
  Surface out = before;
  using I = std::int64_t;
  for (I ty = std::max<I>(dy, 0); ty < std::min<I>(I{dy} + dh, out.height); ++ty) {
    for (I tx = std::max<I>(dx, 0); tx < std::min<I>(I{dx} + dw, out.width); ++tx) {
      const I u = sx + tx - dx;
      const I v = sy + ty - dy;
      if (u >= 0 && v >= 0 && u < source.width && v < source.height) {
        const std::uint32_t p = source.Row(static_cast<int>(v))[u];
        if (!(keyed && p == kMagentaPixel)) {
          out.Row(static_cast<int>(ty))[tx] = p;
        }
      }
    }
  }
  return out;
}

::testing::AssertionResult SameSurface(const Surface &got, const Surface &want) {
  const auto [w, g] = std::mismatch(want.pixels.begin(), want.pixels.end(), got.pixels.begin());
  if (w == want.pixels.end()) {
    return ::testing::AssertionSuccess();
  }
  const auto at = w - want.pixels.begin();
  return ::testing::AssertionFailure()
         << "first difference at (" << at % want.width << ", " << at / want.width << "): got "
         << std::hex << *g << ", want " << *w;
}

// Edges in general are the random test's; here the extents it never makes, and overlaps.
TEST(BitBlt, NegativeOrHugeExtentsAndOverlappingCopies) {
  HeadlessDevice device;
  // Destination 20 x 16, source 12 x 10: dx, dy, w, h, sx.
  const std::array<int, 5> cases[] = {{4, 4, -3, 3, 0},
                                      {0x7FFFFFF0, 0, 0x7FFFFFFF, 4, 0},
                                      {-0x7FFFFFFF, 0, 0x7FFFFFFF, 4, -0x7FFFFFFF}};
  for (const auto &[dx, dy, dw, h, sx] : cases) {
    SCOPED_TRACE(testing::Message() << dx << " " << dw);
    Canvas dst(20, 16, kBackground);
    Patterned src(12, 10);
    const Surface before = *dst.surface;
    const int w = std::max(dw, 0);
    EXPECT_TRUE(BitBlt(dst.dc, dx, dy, dw, h, src.dc, sx, 0, SRCCOPY));
    EXPECT_TRUE(
        SameSurface(*dst.surface, Expected(before, *src.surface, dx, dy, w, h, sx, 0, false)));
  }
  // Overlapping copies within one surface read the source before writing.
  for (const POINT shift : {POINT{3, 2}, POINT{-3, -2}, POINT{0, -5}}) {
    Patterned canvas(16, 16);
    const Surface before = *canvas.surface;
    BitBlt(canvas.dc, 4 + shift.x, 5 + shift.y, 8, 6, canvas.dc, 4, 5, SRCCOPY);
    EXPECT_TRUE(SameSurface(*canvas.surface,
                            Expected(before, before, 4 + shift.x, 5 + shift.y, 8, 6, 4, 5, false)));
  }
}

// Random blits, keyed and not, against the reference above.
TEST(Blits, RandomCopiesMatchTheReference) {
  HeadlessDevice device;
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  Canvas dst(21, 19, kBackground);
  Patterned src(15, 12);
  for (int i = 0; i < 40; ++i) {
    src.surface->Row(pick(0, 11))[pick(0, 14)] = kMagentaPixel;
  }
  for (int i = 0; i < 1000; ++i) {
    const bool keyed = i % 2 == 1;
    const int dx = pick(-10, 25), dy = pick(-10, 25), dw = pick(keyed, 30), dh = pick(keyed, 30);
    const int sx = pick(-8, 18), sy = pick(-8, 15);
    const Surface before = *dst.surface;
    ASSERT_TRUE(keyed ? TransparentImage(dst.dc, dx, dy, dw, dh, src.dc, sx, sy, dw, dh, kKey)
                      : BitBlt(dst.dc, dx, dy, dw, dh, src.dc, sx, sy, SRCCOPY));
    ASSERT_TRUE(
        SameSurface(*dst.surface, Expected(before, *src.surface, dx, dy, dw, dh, sx, sy, keyed)))
        << (keyed ? "keyed " : "") << dx << "," << dy << " " << dw << "x" << dh << " from " << sx
        << "," << sy;
  }
}

TEST(Blits, BadSourcesAndExtentsDrawNothing) {
  HeadlessDevice device;
  Canvas dst(4, 4, kBackground);
  Patterned src(4, 4);
  HDC empty = CreateCompatibleDC(nullptr); // only the stock 1x1 bitmap
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 4, 4, empty, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 0x00EE0086)) << "only copies";
  EXPECT_FALSE(TransparentImage(dst.dc, 0, 0, 4, 4, empty, 0, 0, 4, 4, kKey));
  EXPECT_FALSE(TransparentImage(dst.dc, 0, 0, 2, 2, nullptr, 0, 0, 2, 2, kKey));
  EXPECT_FALSE(TransparentImage(dst.dc, 0, 0, 2, 2, src.bitmap, 0, 0, 2, 2, kKey)) << "a bitmap";
  const std::array<LONG, 4> extents[] = {{0, 2, 0, 2}, {2, 0, 2, 0}, {-2, 2, -2, 2}, {4, 4, 2, 2}};
  for (const auto &[dw, dh, sw, sh] : extents) {
    EXPECT_FALSE(TransparentImage(dst.dc, 0, 0, dw, dh, src.dc, 0, 0, sw, sh, kKey));
  }
  EXPECT_TRUE(SameSurface(*dst.surface, Surface(4, 4, kBackground)));
  EXPECT_TRUE(BitBlt(empty, 0, 0, 4, 4, src.dc, 0, 0, SRCCOPY)) << "the stock bitmap takes a blit";
  DeleteDC(empty);
}

TEST(TransparentImage, OnlyExactMagentaIsTransparent) {
  HeadlessDevice device;
  const std::pair<std::uint32_t, bool> cases[] = {
      {0xFF00FF, true},  {0xFE00FF, false}, {0xFF01FF, false},
      {0xFF00FE, false}, {0x000000, false}, {0xFFFFFF, false},
  };
  for (const auto &[source, transparent] : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << source);
    Canvas dst(4, 4, kBackground);
    Canvas src(4, 4, source);
    EXPECT_TRUE(TransparentImage(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 4, 4, kKey));
    EXPECT_EQ(dst.At(3, 3), transparent ? kBackground : source);
  }
}

TEST(SurfaceDC, DrawsAtItsOriginAndInsideItsClip) {
  HeadlessDevice device;
  auto screen = platform::SharedScreenSurface();
  // A window at (10, 30), 50 x 40, seen through a DC on the screen.
  HDC window = platform::CreateSurfaceDC(screen, POINT{10, 30}, RECT{10, 30, 60, 70});
  RECT everything{-100, -100, 1000, 1000};
  EXPECT_TRUE(FillRect(window, &everything, White()));
  EXPECT_EQ(screen->Row(30)[10], 0xFFFFFFu);
  EXPECT_EQ(screen->Row(69)[59], 0xFFFFFFu);
  for (const POINT p : {POINT{10, 29}, POINT{9, 30}, POINT{59, 70}, POINT{60, 69}}) {
    EXPECT_EQ(screen->Row(p.y)[p.x], 0u) << "outside the clip at " << p.x << "," << p.y;
  }
  // Copying the window into a bitmap reads from its origin.
  Canvas copy(60, 50, kBackground);
  EXPECT_NE(SetPixel(window, 2, 3, RGB(1, 2, 3)), CLR_INVALID);
  EXPECT_TRUE(BitBlt(copy.dc, 0, 0, 60, 50, window, 0, 0, SRCCOPY));
  EXPECT_EQ(copy.At(2, 3), 0x010203u);
  EXPECT_EQ(copy.At(49, 39), 0xFFFFFFu);
  EXPECT_EQ(copy.At(50, 39), kBackground) << "beyond the window: not read";
  platform::DeleteSurfaceDC(window);
}

// An off-screen bitmap made and deleted every paint takes the deleted one's pixels
// and writes a whole fill only where nothing covers it; every call must still see
// exactly what was drawn on it, and nothing of the bitmap before.
TEST(Bitmaps, ABitmapMadeFromADeletedOnesPixelsShowsOnlyWhatIsDrawnOnIt) {
  HeadlessDevice device;
  constexpr int W = 40;
  constexpr int H = 30;
  constexpr std::uint32_t kFill = 0x336633;
  constexpr std::uint32_t kOther = 0x0000AA;
  const Patterned felt(W, 20);
  const RECT whole{0, 0, W, H};
  const RECT topLeft{0, 0, 15, 10};
  const RECT bottomRight{25, 20, W, H};
  const HBRUSH green = CreateSolidBrush(RGB(0x33, 0x66, 0x33));
  // What is filled first (if anything), what is drawn then, and the pixels it leaves.
  using Case = std::tuple<const char *, const RECT *, std::function<void(HDC)>,
                          std::function<std::uint32_t(int, int)>>;
  const Case cases[] = {
      {"nothing drawn", nullptr, nullptr, [](int, int) { return 0u; }},
      {"filled whole", &whole, nullptr, [](int, int) { return kFill; }},
      {"filled at its top left", &topLeft, nullptr,
       [](int x, int y) { return x < 15 && y < 10 ? kFill : 0u; }},
      {"filled at its bottom right", &bottomRight, nullptr,
       [](int x, int y) { return x >= 25 && y >= 20 ? kFill : 0u; }},
      {"filled whole, then a copy in its middle", &whole,
       [&](HDC dc) { BitBlt(dc, 7, 4, 9, 6, felt.dc, 2, 3, SRCCOPY); },
       [](int x, int y) {
         return x >= 7 && x < 16 && y >= 4 && y < 10 ? Pattern(x - 5, y - 1) : kFill;
       }},
      {"filled whole, then a card on it", &whole,
       [&](HDC dc) { TransparentImage(dc, 3, 3, 10, 10, felt.dc, 0, 0, 10, 10, kKey); },
       [](int x, int y) {
         return x >= 3 && x < 13 && y >= 3 && y < 13 ? Pattern(x - 3, y - 3) : kFill;
       }},
  };
  const HDC dc = CreateCompatibleDC(nullptr);
  for (const auto &[what, filled, then, expected] : cases) {
    SCOPED_TRACE(what);
    // The bitmap before: every pixel another colour, then deleted.
    const HBITMAP before = CreateCompatibleBitmap(dc, W, H);
    std::vector<std::uint32_t> &old = platform::BitmapSurface(before)->pixels;
    std::fill(old.begin(), old.end(), kOther);
    const std::uint32_t *beforePixels = old.data();
    DeleteObject(before);

    const HBITMAP bitmap = CreateCompatibleBitmap(dc, W, H);
    const HGDIOBJ stock = SelectObject(dc, bitmap);
    if (filled != nullptr) {
      FillRect(dc, filled, green);
    }
    if (then) {
      then(dc);
    }
    // Read back through a copy, as a source is read, and through GetPixel.
    Canvas copy(W, H, kBackground);
    BitBlt(copy.dc, 0, 0, W, H, dc, 0, 0, SRCCOPY);
    Surface want(W, H);
    Paint(want, expected);
    EXPECT_TRUE(SameSurface(*copy.surface, want));
    const std::uint32_t corner = want.Row(H - 1)[W - 1];
    EXPECT_EQ(GetPixel(dc, W - 1, H - 1), RGB(corner >> 16, (corner >> 8) & 0xFF, corner & 0xFF));
    SelectObject(dc, stock);
    EXPECT_EQ(platform::BitmapSurface(bitmap)->pixels.data(), beforePixels)
        << "the deleted bitmap's pixels serve the new one";
    EXPECT_TRUE(SameSurface(*platform::BitmapSurface(bitmap), want));
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
  DeleteObject(green);
}

// A whole off-screen frame copied onto a whole window is owed until the frame is
// deleted, when its pixels become the window's; whatever looks at either before
// then sees the copy made, and the frame drawn on afterwards leaves the window be.
TEST(BitBlt, AWholeFrameOntoAWholeWindowShowsAsCopiedWhateverComesBetween) {
  HeadlessDevice device;
  constexpr int W = 30;
  constexpr int H = 20;
  static constexpr RECT kWhole{0, 0, W, H};
  const Patterned picture(W, H);
  const Surface &want = *picture.surface;
  // The frame drawn on between the copy and its deletion, or not.
  for (const bool drawnOn : {false, true}) {
    SCOPED_TRACE(drawnOn);
    const auto window = std::make_shared<Surface>(W, H, kBackground);
    const HDC windowDC = platform::CreateSurfaceDC(window, POINT{0, 0}, kWhole);
    const HDC frameDC = CreateCompatibleDC(nullptr);
    const HBITMAP frame = CreateCompatibleBitmap(frameDC, W, H);
    const HGDIOBJ stock = SelectObject(frameDC, frame);
    std::vector<std::uint32_t> &drawn = platform::BitmapSurface(frame)->pixels;
    drawn = want.pixels;
    const std::uint32_t *framePixels = drawn.data();
    ASSERT_TRUE(BitBlt(windowDC, 0, 0, W, H, frameDC, 0, 0, SRCCOPY));
    if (drawnOn) {
      FillRect(frameDC, &kWhole, White());
    }
    SelectObject(frameDC, stock);
    DeleteObject(frame);
    DeleteDC(frameDC);
    platform::MakeOwedCopy();
    EXPECT_TRUE(SameSurface(*window, want));
    if (!drawnOn) {
      EXPECT_EQ(window->pixels.data(), framePixels) << "handed over, not copied";
    }
    platform::DeleteSurfaceDC(windowDC);
  }
  // The screen's pixels are the frame last handed to the host: they stay where they are.
  const int sw = GetSystemMetrics(SM_CXSCREEN);
  const int sh = GetSystemMetrics(SM_CYSCREEN);
  const HDC screen = GetDC(nullptr);
  const HDC frameDC = CreateCompatibleDC(nullptr);
  const HGDIOBJ stock = SelectObject(frameDC, CreateCompatibleBitmap(frameDC, sw, sh));
  FillRect(frameDC, &kWhole, White());
  const std::uint32_t *shown = platform::ScreenSurface().pixels.data();
  BitBlt(screen, 0, 0, sw, sh, frameDC, 0, 0, SRCCOPY);
  DeleteObject(SelectObject(frameDC, stock));
  DeleteDC(frameDC);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(platform::ScreenSurface().pixels.data(), shown);
  EXPECT_EQ(platform::ScreenSurface().pixels[0], 0xFFFFFFu);
}

} // namespace
