// Painting: BeginPaint and erasing, DCs on backing surfaces, compositing into the
// screen, and leaving no GDI object behind.
#include <windows.h>

#include <gtest/gtest.h>

#include "gdi/surface.h"
#include "host/testing.h"
#include "user/input.h"
#include "window_fixture.h"

namespace {

using usertest::Log;
using usertest::LogOf;
using usertest::WindowTest;

std::uint32_t Screen(int x, int y) { return platform::ScreenSurface().Row(y)[x]; }

// Windows painted only by their class brush, through DefWindowProcW.
class PaintTest : public WindowTest {
protected:
  HWND Solid(COLORREF colour, RECT r, HWND owner = nullptr) {
    const char16_t name[] = {u'S', static_cast<char16_t>(u'a' + classes_++), 0};
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = name;
    wc.hbrBackground = CreateSolidBrush(colour);
    RegisterClassW(&wc);
    return CreateWindowExW(0, name, u"solid", WS_VISIBLE | (owner ? WS_POPUP : 0), r.left, r.top,
                           r.right - r.left, r.bottom - r.top, owner, nullptr, nullptr, nullptr);
  }
  int classes_ = 0;
};

TEST_F(PaintTest, BeginPaintValidatesTheUnionAndErasesOnlyWhenAsked) {
  for (const BOOL erase : {TRUE, FALSE}) {
    SCOPED_TRACE(erase);
    HWND w = Create();
    ValidateRect(w, nullptr);
    Log().clear();
    const RECT a{10, 10, 20, 20};
    const RECT b{30, 5, 40, 15};
    InvalidateRect(w, &a, erase);
    InvalidateRect(w, &b, FALSE);
    PAINTSTRUCT ps{};
    ASSERT_NE(BeginPaint(w, &ps), nullptr);
    EXPECT_TRUE(platform::SameRect(ps.rcPaint, RECT{10, 5, 40, 20}));
    EXPECT_EQ(LogOf(WM_ERASEBKGND).size(), erase ? 1u : 0u);
    // The recording class has no brush, so the paint itself is told to erase.
    EXPECT_EQ(ps.fErase, erase);
    EndPaint(w, &ps);
    EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
    DestroyWindow(w);
  }
}

TEST_F(PaintTest, ADcDrawsInTheWindowAndItsChildOnlyInsideTheChild) {
  HWND main = Solid(RGB(255, 255, 255), {0, 26, 240, 320});
  const RECT childRect{20, 20, 60, 40};
  HWND child = Create(WS_VISIBLE | WS_CHILD, &childRect, main);
  Drain();
  const HDC dc = GetDC(child);
  const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT huge{-100, -100, 1000, 1000};
  FillRect(dc, &huge, red);
  ReleaseDC(child, dc);
  DeleteObject(red);
  platform::ComposeScreen();
  // The child's client origin is at (20, 46) on the screen.
  EXPECT_EQ(Screen(20, 46), 0x00FF0000u);
  EXPECT_EQ(Screen(59, 65), 0x00FF0000u);
  EXPECT_EQ(Screen(19, 46), 0x00FFFFFFu) << "clipped to the child";
  EXPECT_EQ(Screen(60, 65), 0x00FFFFFFu);
  EXPECT_EQ(Screen(20, 66), 0x00FFFFFFu);
}

TEST_F(PaintTest, TheScreenStacksWindowsInZOrderUnderTheNavigationBar) {
  HWND bottom = Solid(RGB(0, 0, 255), {0, 26, 240, 320});
  HWND top = Solid(RGB(255, 0, 0), {40, 100, 200, 200}, bottom);
  Drain();
  ASSERT_TRUE(platform::ComposeScreen());
  EXPECT_FALSE(platform::ComposeScreen()) << "nothing changed since";
  EXPECT_EQ(Screen(10, 50), 0x000000FFu);
  EXPECT_EQ(Screen(100, 150), 0x00FF0000u);
  EXPECT_EQ(Screen(239, 319), 0x000000FFu) << "the class brush erased the background";
  EXPECT_NE(Screen(239, 25), 0x000000FFu) << "the bar is on top";
  DestroyWindow(top);
  Drain();
  platform::ComposeScreen();
  EXPECT_EQ(Screen(100, 150), 0x000000FFu) << "the uncovered owner repainted";
}

// Pixels of the navigation bar touched by its (white, smoothed) text: the bar
// itself has no red.
int BarTextPixels(int fromX, int toX) {
  int count = 0;
  for (int y = 0; y < 26; ++y) {
    for (int x = fromX; x < toX; ++x) {
      count += ((Screen(x, y) >> 16) & 0xFF) > 64 ? 1 : 0;
    }
  }
  return count;
}

TEST_F(PaintTest, TheNavigationBarShowsTheForegroundTitleAndTheOkButton) {
  HWND untitled = Create(WS_VISIBLE, nullptr, nullptr, u"");
  Drain();
  platform::ComposeScreen();
  EXPECT_EQ(BarTextPixels(0, 240), 0);
  HWND titled = Create(WS_VISIBLE, nullptr, nullptr, u"BlackJack");
  Drain();
  platform::ComposeScreen();
  const int title = BarTextPixels(0, 120);
  EXPECT_GT(title, 20) << "the title is written";
  EXPECT_EQ(BarTextPixels(200, 240), 0) << "no ok button was asked for";
  SetForegroundWindow(untitled);
  platform::ComposeScreen();
  EXPECT_EQ(BarTextPixels(0, 240), 0) << "the bar follows the foreground window";
  SetForegroundWindow(titled);
  platform::FindWindowObject(titled)->navDoneButton = true;
  platform::MarkScreenChanged();
  platform::ComposeScreen();
  const RECT ok = platform::NavigationDoneButtonRect();
  EXPECT_GT(BarTextPixels(ok.left, ok.right), 5) << "the ok button's label";
  EXPECT_EQ(BarTextPixels(0, 120), title);
}

TEST_F(PaintTest, APaintCycleLeavesNoGdiObjectBehind) {
  HWND w = Solid(RGB(1, 2, 3), {0, 26, 240, 320});
  Drain();
  platform::ComposeScreen();
  const auto before = platform::test::GdiObjectCounts();
  for (int i = 0; i < 3; ++i) {
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    const HDC dc = GetDC(w);
    ReleaseDC(w, dc);
    DefWindowProcW(w, WM_PAINT, 0, 0);
    platform::MarkScreenChanged();
    platform::ComposeScreen();
  }
  EXPECT_EQ(platform::test::GdiObjectCounts(), before);
}

TEST_F(PaintTest, ReleaseDcRefusesADcItDidNotHandOut) {
  HWND a = Create();
  HWND b = Create();
  const HDC dc = GetDC(a);
  EXPECT_EQ(ReleaseDC(b, dc), 0);
  EXPECT_EQ(ReleaseDC(a, dc), 1);
  EXPECT_EQ(ReleaseDC(a, dc), 0) << "released twice";
  const HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

} // namespace
