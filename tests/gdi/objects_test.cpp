// GDI objects and DCs: selection and deletion rules, device capabilities and
// the counts of live objects.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "gdi/surface.h"
#include "testing/testing.h"

namespace {

using platform::test::GdiCounts;
using platform::test::GdiObjectCounts;
using platform::test::HeadlessDevice;

TEST(Selection, SelectReturnsWhatItDisplacesAndSelectedObjectsCannotBeDeleted) {
  HeadlessDevice device;
  const GdiCounts start = GdiObjectCounts();
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP first = CreateCompatibleBitmap(dc, 10, 20);
  HBITMAP second = CreateCompatibleBitmap(dc, 3, 4);
  HGDIOBJ stock = SelectObject(dc, first);
  BITMAP bm{};
  ASSERT_EQ(GetObjectW(stock, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth * bm.bmHeight, 1) << "a memory DC starts with a 1x1 stock bitmap";
  EXPECT_EQ(SelectObject(dc, second), first);
  EXPECT_TRUE(DeleteObject(first)) << "displaced, so free";
  EXPECT_FALSE(DeleteObject(second)) << "still selected";
  EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP)) << "a failed delete keeps it";
  EXPECT_EQ(SelectObject(dc, stock), second);
  EXPECT_TRUE(DeleteObject(second));
  EXPECT_FALSE(DeleteObject(second)) << "already gone";
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), GetStockObject(WHITE_BRUSH));
  // Deleting a DC frees what it held.
  HBITMAP held = CreateCompatibleBitmap(dc, 4, 4);
  SelectObject(dc, held);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(held));
  EXPECT_EQ(GdiObjectCounts(), start);
}

TEST(Selection, TheRulesOfWhatMaySelectWhat) {
  HeadlessDevice device;
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  HDC window =
      platform::CreateSurfaceDC(platform::SharedScreenSurface(), POINT{0, 0}, RECT{0, 0, 240, 320});
  HBITMAP bitmap = CreateCompatibleBitmap(a, 8, 8);
  HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
  ASSERT_NE(SelectObject(a, bitmap), nullptr);
  // What, into which DC, and whether it is taken.
  const std::tuple<const char *, HDC, HGDIOBJ, bool> cases[] = {
      {"a bitmap already in another DC", b, bitmap, false},
      {"the same bitmap again into its own DC", a, bitmap, true},
      {"one brush into two DCs", a, brush, true},
      {"the second DC", b, brush, true},
      {"a deleted handle", a, reinterpret_cast<HGDIOBJ>(0x12345678), false},
      {"a null object", a, nullptr, false},
      {"a null DC", nullptr, brush, false},
      {"a stock font into a window DC", window, GetStockObject(SYSTEM_FONT), true},
  };
  for (const auto &[what, dc, object, accepted] : cases) {
    EXPECT_EQ(SelectObject(dc, object) != nullptr, accepted) << what;
  }
  // The brush is in two DCs: deleting fails until both let it go.
  SelectObject(a, GetStockObject(BLACK_BRUSH));
  EXPECT_FALSE(DeleteObject(brush));
  SelectObject(b, GetStockObject(BLACK_BRUSH));
  EXPECT_TRUE(DeleteObject(brush));
  platform::DeleteSurfaceDC(window);
  DeleteDC(a);
  DeleteDC(b);
}

TEST(Device, CapabilitiesFollowTheDeviceAndATurnKeepsTheScreenDCs) {
  HeadlessDevice device({.width = 262, .height = 393, .dpi = 131});
  auto screen = platform::SharedScreenSurface();
  HDC memory = CreateCompatibleDC(nullptr);
  HDC window = platform::CreateSurfaceDC(screen, POINT{0, 0}, RECT{0, 0, 1000, 1000});
  for (HDC dc : {memory, window}) {
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 131);
  }
  device.Get().Rotate();
  EXPECT_EQ(&platform::ScreenSurface(), screen.get()) << "resized in place";
  EXPECT_EQ(screen->width, 393);
  RECT corner{392, 261, 393, 262};
  FillRect(window, &corner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(screen->Row(261)[392], 0xFFFFFFu) << "the DC sees the turned screen";
  platform::DeleteSurfaceDC(window);
  DeleteDC(memory);
}

TEST(Counts, EveryKindIsCountedAndBackToTheStartAfterEachPairedOperation) {
  HeadlessDevice device;
  auto screen = platform::SharedScreenSurface();
  const LOGFONTW font{};
  // What is made, where it is counted, and the making (released or not).
  using Case = std::tuple<const char *, int GdiCounts::*, std::function<void(bool release)>>;
  // clang-format off
  const Case cases[] = {
      {"memory DC", &GdiCounts::memoryDCs,
       [](bool r) { HDC dc = CreateCompatibleDC(nullptr); if (r) DeleteDC(dc); }},
      {"surface DC", &GdiCounts::surfaceDCs,
       [&](bool r) { HDC dc = platform::CreateSurfaceDC(screen, {}, {0, 0, 9, 9});
                     if (r) platform::DeleteSurfaceDC(dc); }},
      {"bitmap", &GdiCounts::bitmaps,
       [](bool r) { HBITMAP b = CreateCompatibleBitmap(nullptr, 5, 5); if (r) DeleteObject(b); }},
      {"brush", &GdiCounts::brushes,
       [](bool r) { HBRUSH b = CreateSolidBrush(0); if (r) DeleteObject(b); }},
      {"font", &GdiCounts::fonts,
       [&](bool r) { HFONT f = CreateFontIndirectW(&font); if (r) DeleteObject(f); }},
  };
  // clang-format on
  for (const auto &[what, kind, make] : cases) {
    SCOPED_TRACE(what);
    GdiCounts expected = GdiObjectCounts();
    for (int i = 0; i < 3; ++i) {
      make(true);
    }
    EXPECT_EQ(GdiObjectCounts(), expected);
    make(false);
    ++(expected.*kind);
    EXPECT_EQ(GdiObjectCounts(), expected) << "a leak must show";
  }
}

TEST(Counts, ANewDeviceStartsFromNothing) {
  {
    HeadlessDevice device;
    CreateCompatibleDC(nullptr);
    CreateSolidBrush(0);
  }
  HeadlessDevice device;
  EXPECT_EQ(GdiObjectCounts(), GdiCounts{});
}

} // namespace
