// GDI objects and DCs: selection and deletion rules, descriptions, stock objects,
// system colours, device capabilities and the counts of live objects.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "gdi/surface.h"
#include "host/testing.h"

namespace {

using platform::test::GdiCounts;
using platform::test::GdiObjectCounts;
using platform::test::HeadlessDevice;

BITMAP Describe(HGDIOBJ bitmap) {
  BITMAP bm{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
  return bm;
}

TEST(Selection, AMemoryDCStartsWithAStockOneByOneBitmap) {
  HeadlessDevice device;
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
  HGDIOBJ stock = GetCurrentObject(dc, OBJ_BITMAP);
  ASSERT_NE(stock, nullptr);
  const BITMAP bm = Describe(stock);
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  // Every memory DC shares the same stock bitmap.
  HDC other = CreateCompatibleDC(dc);
  EXPECT_EQ(GetCurrentObject(other, OBJ_BITMAP), stock);
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(Selection, SelectReturnsWhatItDisplacesAndSelectedObjectsCannotBeDeleted) {
  HeadlessDevice device;
  const GdiCounts start = GdiObjectCounts();
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP first = CreateCompatibleBitmap(dc, 10, 20);
  HBITMAP second = CreateCompatibleBitmap(dc, 3, 4);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);

  HGDIOBJ stock = SelectObject(dc, first);
  EXPECT_EQ(GetObjectType(stock), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_EQ(SelectObject(dc, second), first);
  EXPECT_TRUE(DeleteObject(first)) << "displaced, so free";
  EXPECT_FALSE(DeleteObject(second)) << "still selected";
  EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP)) << "a failed delete keeps it";
  EXPECT_EQ(SelectObject(dc, stock), second);
  EXPECT_TRUE(DeleteObject(second));
  EXPECT_FALSE(DeleteObject(second)) << "already gone";

  HGDIOBJ whiteBrush = SelectObject(dc, brush);
  EXPECT_EQ(whiteBrush, GetStockObject(WHITE_BRUSH));
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_EQ(SelectObject(dc, whiteBrush), brush);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(GdiObjectCounts(), start);
}

TEST(Selection, TheRulesOfWhatMaySelectWhat) {
  HeadlessDevice device;
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  auto screen = platform::SharedScreenSurface();
  HDC window = platform::CreateSurfaceDC(screen, POINT{0, 0}, RECT{0, 0, 240, 320});
  HBITMAP bitmap = CreateCompatibleBitmap(a, 8, 8);
  HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));

  struct Case {
    const char *what;
    HDC dc;
    HGDIOBJ object;
    bool accepted;
  };
  ASSERT_NE(SelectObject(a, bitmap), nullptr);
  const Case cases[] = {
      {"a bitmap already in another DC", b, bitmap, false},
      {"the same bitmap again into its own DC", a, bitmap, true},
      {"a bitmap into a window DC", window, CreateCompatibleBitmap(a, 2, 2), false},
      {"one brush into two DCs", a, brush, true},
      {"the second DC", b, brush, true},
      {"a deleted handle", a, reinterpret_cast<HGDIOBJ>(0x12345678), false},
      {"a null object", a, nullptr, false},
      {"a stock font into a window DC", window, GetStockObject(SYSTEM_FONT), true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SelectObject(c.dc, c.object) != nullptr, c.accepted);
  }
  EXPECT_EQ(SelectObject(nullptr, brush), nullptr);
  // The brush is in two DCs: deleting fails until both let it go.
  SelectObject(a, GetStockObject(BLACK_BRUSH));
  EXPECT_FALSE(DeleteObject(brush));
  SelectObject(b, GetStockObject(BLACK_BRUSH));
  EXPECT_TRUE(DeleteObject(brush));
  platform::DeleteSurfaceDC(window);
  DeleteDC(a);
  DeleteDC(b);
}

TEST(Selection, DeletingTheDCFreesWhatItHeld) {
  HeadlessDevice device;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
  SelectObject(dc, bitmap);
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(Selection, StockObjectsSurviveDeletion) {
  HeadlessDevice device;
  struct Case {
    int index;
    DWORD type;
  };
  const Case cases[] = {{WHITE_BRUSH, OBJ_BRUSH}, {BLACK_BRUSH, OBJ_BRUSH},
                        {NULL_BRUSH, OBJ_BRUSH},  {LTGRAY_BRUSH, OBJ_BRUSH},
                        {BLACK_PEN, OBJ_PEN},     {NULL_PEN, OBJ_PEN},
                        {SYSTEM_FONT, OBJ_FONT}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.index);
    HGDIOBJ object = GetStockObject(c.index);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(GetStockObject(c.index), object);
    EXPECT_EQ(GetObjectType(object), c.type);
    EXPECT_TRUE(DeleteObject(object));
    EXPECT_EQ(GetObjectType(object), c.type);
  }
  EXPECT_EQ(GetStockObject(16), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
}

TEST(Descriptions, GetObjectDescribesEachKind) {
  HeadlessDevice device;
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 30, 45);
  BITMAP bm = Describe(bitmap);
  EXPECT_EQ(bm.bmWidth, 30);
  EXPECT_EQ(bm.bmHeight, 45);
  EXPECT_EQ(bm.bmWidthBytes, 120);
  EXPECT_EQ(bm.bmPlanes, 1);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(GetObjectW(bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(GetObjectW(bitmap, sizeof(BITMAP) - 1, &bm), 0) << "short buffer";
  EXPECT_EQ(GetObjectW(nullptr, sizeof bm, &bm), 0);

  LOGBRUSH lb{};
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  EXPECT_EQ(GetObjectW(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_EQ(lb.lbColor, RGB(10, 20, 30));
  GetObjectW(GetStockObject(NULL_BRUSH), sizeof lb, &lb);
  EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_NULL));
  DeleteObject(brush);
  DeleteObject(bitmap);
}

TEST(Descriptions, BitmapSizesAcceptedAndRefused) {
  HeadlessDevice device;
  struct Case {
    int cx;
    int cy;
    bool made;
  };
  const Case cases[] = {{1, 1, true},      {240, 320, true},  {0, 0, true},
                        {0, 5, true},      {-1, 5, false},    {5, -1, false},
                        {16384, 1, true},  {16385, 1, false}, {16384, 16384, false},
                        {8192, 8192, true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.cx << "x" << c.cy);
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, c.cx, c.cy);
    EXPECT_EQ(bitmap != nullptr, c.made);
    if (bitmap != nullptr) {
      const BITMAP bm = Describe(bitmap);
      EXPECT_EQ(bm.bmWidth, c.cx);
      EXPECT_EQ(bm.bmHeight, c.cy);
      DeleteObject(bitmap);
    }
  }
  EXPECT_EQ(CreateCompatibleBitmap(reinterpret_cast<HDC>(0x40), 4, 4), nullptr);
}

TEST(Device, CapabilitiesFollowTheDevice) {
  struct Case {
    int width;
    int height;
    int dpi;
  };
  for (const Case c :
       {Case{240, 320, 96}, Case{480, 640, 192}, Case{320, 240, 96}, Case{240, 240, 131}}) {
    SCOPED_TRACE(c.dpi);
    platform::DeviceConfig config;
    config.width = c.width;
    config.height = c.height;
    config.dpi = c.dpi;
    HeadlessDevice device(config);
    HDC memory = CreateCompatibleDC(nullptr);
    HDC screen = platform::CreateSurfaceDC(platform::SharedScreenSurface(), POINT{0, 0},
                                           RECT{0, 0, c.width, c.height});
    for (HDC dc : {memory, screen}) {
      EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), c.dpi);
      EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), c.dpi);
      EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
      EXPECT_EQ(GetDeviceCaps(dc, HORZRES), c.width);
      EXPECT_EQ(GetDeviceCaps(dc, VERTRES), c.height);
    }
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSX), 0);
    EXPECT_EQ(platform::ScreenSurface().width, c.width);
    EXPECT_EQ(platform::ScreenSurface().height, c.height);
    platform::DeleteSurfaceDC(screen);
    DeleteDC(memory);
  }
}

TEST(Device, TheScreenFollowsATurnAndKeepsItsDCs) {
  HeadlessDevice device;
  auto screen = platform::SharedScreenSurface();
  HDC dc = platform::CreateSurfaceDC(screen, POINT{0, 0}, RECT{0, 0, 320, 320});
  device.Get().Rotate();
  EXPECT_EQ(platform::ScreenSurface().width, 320);
  EXPECT_EQ(platform::ScreenSurface().height, 240);
  EXPECT_EQ(&platform::ScreenSurface(), screen.get()) << "resized in place";
  RECT r{300, 230, 320, 240};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(screen->Row(239)[319], 0xFFFFFFu);
  platform::DeleteSurfaceDC(dc);
}

TEST(SystemColours, WindowIsWhiteAndBrushesAreShared) {
  HeadlessDevice device;
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW & ~SYS_COLOR_INDEX_FLAG), RGB(255, 255, 255));
  EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), RGB(0, 0, 0));
  HBRUSH brush = GetSysColorBrush(COLOR_WINDOW);
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(GetSysColorBrush(COLOR_WINDOW), brush);
  const GdiCounts before = GdiObjectCounts();
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH)) << "system brushes stay";
  EXPECT_EQ(GdiObjectCounts(), before);
  EXPECT_EQ(GetSysColorBrush(999), nullptr);
}

TEST(Counts, EveryKindIsCountedAndBackToTheStartAfterEachPairedOperation) {
  HeadlessDevice device;
  struct Case {
    const char *what;
    std::function<void()> createAndRelease;
    std::function<void()> createOnly;
    GdiCounts leaked;
  };
  auto screen = platform::SharedScreenSurface();
  const Case cases[] = {
      {"memory DC", [] { DeleteDC(CreateCompatibleDC(nullptr)); },
       [] { CreateCompatibleDC(nullptr); }, GdiCounts{1, 0, 0, 0, 0, 0}},
      {"surface DC",
       [&] {
         platform::DeleteSurfaceDC(platform::CreateSurfaceDC(screen, {}, {0, 0, 9, 9}));
       },
       [&] {
         platform::CreateSurfaceDC(screen, {}, {0, 0, 9, 9});
       },
       GdiCounts{0, 1, 0, 0, 0, 0}},
      {"bitmap", [] { DeleteObject(CreateCompatibleBitmap(nullptr, 5, 5)); },
       [] { CreateCompatibleBitmap(nullptr, 5, 5); }, GdiCounts{0, 0, 1, 0, 0, 0}},
      {"brush", [] { DeleteObject(CreateSolidBrush(0)); }, [] { CreateSolidBrush(0); },
       GdiCounts{0, 0, 0, 1, 0, 0}},
      {"pen", [] { DeleteObject(CreatePen(PS_SOLID, 1, 0)); }, [] { CreatePen(PS_SOLID, 1, 0); },
       GdiCounts{0, 0, 0, 0, 0, 1}},
      {"an off-screen paint",
       [] {
         HDC memory = CreateCompatibleDC(nullptr);
         HBITMAP bitmap = CreateCompatibleBitmap(memory, 50, 50);
         HGDIOBJ old = SelectObject(memory, bitmap);
         RECT r{0, 0, 50, 50};
         FillRect(memory, &r, GetSysColorBrush(COLOR_WINDOW));
         SelectObject(memory, old);
         DeleteObject(bitmap);
         DeleteDC(memory);
       },
       [] {
         HDC memory = CreateCompatibleDC(nullptr);
         SelectObject(memory, CreateCompatibleBitmap(memory, 50, 50));
       },
       GdiCounts{1, 0, 1, 0, 0, 0}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const GdiCounts start = GdiObjectCounts();
    for (int i = 0; i < 3; ++i) {
      c.createAndRelease();
    }
    EXPECT_EQ(GdiObjectCounts(), start);
    c.createOnly();
    GdiCounts expected = start;
    expected.memoryDCs += c.leaked.memoryDCs;
    expected.surfaceDCs += c.leaked.surfaceDCs;
    expected.bitmaps += c.leaked.bitmaps;
    expected.brushes += c.leaked.brushes;
    expected.pens += c.leaked.pens;
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
