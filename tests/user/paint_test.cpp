// Painting: BeginPaint and erasing, DCs on backing surfaces, compositing into the
// screen, and leaving no GDI object behind.
#include <windows.h>

#include <gtest/gtest.h>

#include "gdi/surface.h"
#include "host/testing.h"
#include "user/input.h"
#include "user/window.h"
#include "window_fixture.h"

namespace {

using usertest::Log;
using usertest::LogOf;
using usertest::WindowTest;

std::uint32_t Screen(int x, int y) { return platform::ScreenSurface().Row(y)[x]; }

// A window class that fills its client area with one colour on every paint.
COLORREF &PaintColour(HWND hwnd) {
  static std::map<HWND, COLORREF> colours;
  return colours[hwnd];
}

LRESULT CALLBACK SolidProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwnd, &ps);
    const HBRUSH brush = CreateSolidBrush(PaintColour(hwnd));
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class PaintTest : public WindowTest {
protected:
  PaintTest() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = SolidProc;
    wc.lpszClassName = u"Solid";
    RegisterClassW(&wc);
  }
  HWND Solid(COLORREF colour, RECT r, HWND owner = nullptr) {
    HWND hwnd =
        CreateWindowExW(0, u"Solid", u"solid", WS_VISIBLE | (owner ? WS_POPUP : 0), r.left, r.top,
                        r.right - r.left, r.bottom - r.top, owner, nullptr, nullptr, nullptr);
    PaintColour(hwnd) = colour;
    return hwnd;
  }
};

TEST_F(PaintTest, BeginPaintValidatesAndErasesOnlyWhenAsked) {
  struct Case {
    const char *name;
    BOOL erase;
    bool erased; // WM_ERASEBKGND sent
  };
  const Case cases[] = {{"erase asked", TRUE, true}, {"no erase", FALSE, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Create();
    ValidateRect(w, nullptr);
    Log().clear();
    const RECT a{10, 10, 20, 20};
    const RECT b{30, 5, 40, 15};
    InvalidateRect(w, &a, c.erase);
    InvalidateRect(w, &b, FALSE);
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(w, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(ps.rcPaint.left, 10);
    EXPECT_EQ(ps.rcPaint.top, 5);
    EXPECT_EQ(ps.rcPaint.right, 40);
    EXPECT_EQ(ps.rcPaint.bottom, 20);
    EXPECT_EQ(LogOf(WM_ERASEBKGND).size(), c.erased ? 1u : 0u);
    // The recording class has no brush: DefWindowProcW erases nothing, so the
    // paint is told to erase.
    EXPECT_EQ(ps.fErase, c.erased ? TRUE : FALSE);
    EndPaint(w, &ps);
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, w, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    DestroyWindow(w);
  }
}

TEST_F(PaintTest, TheClassBrushErasesTheBackground) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"Green";
  wc.hbrBackground = CreateSolidBrush(RGB(0, 255, 0));
  RegisterClassW(&wc);
  CreateWindowExW(0, u"Green", u"", WS_VISIBLE, 0, 26, 100, 100, nullptr, nullptr, nullptr,
                  nullptr);
  Drain();
  platform::MarkScreenChanged();
  ASSERT_TRUE(platform::ComposeScreen());
  EXPECT_EQ(Screen(50, 60), 0x0000FF00u);
  EXPECT_NE(Screen(150, 60), 0x0000FF00u);
  DeleteObject(wc.hbrBackground);
}

TEST_F(PaintTest, ADcDrawsInTheWindowAndItsChildOnlyInsideTheChild) {
  HWND main = Solid(RGB(255, 255, 255), {0, 26, 240, 320});
  Drain();
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
  struct Probe {
    int x, y;
    std::uint32_t colour;
  };
  const std::uint32_t bar = Screen(0, 0);
  const Probe before[] = {{10, 50, 0x000000FFu}, {100, 150, 0x00FF0000u}, {239, 319, 0x000000FFu}};
  for (const Probe &p : before) {
    EXPECT_EQ(Screen(p.x, p.y), p.colour) << p.x << "," << p.y;
  }
  EXPECT_NE(bar, 0x000000FFu);
  EXPECT_EQ(Screen(239, 25), bar);
  // Bringing the owner forward keeps its pop-up above it; destroyed, the pop-up
  // uncovers the owner, which repaints.
  SetForegroundWindow(bottom);
  SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Drain();
  platform::ComposeScreen();
  EXPECT_EQ(Screen(100, 150), 0x00FF0000u);
  DestroyWindow(top);
  Drain();
  platform::ComposeScreen();
  EXPECT_EQ(Screen(100, 150), 0x000000FFu);
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

TEST_F(PaintTest, TurningTheScreenResizesItAndTheWindowsRepaint) {
  HWND w = Solid(RGB(0, 128, 0), {0, 26, 240, 320});
  Drain();
  platform::TurnScreen();
  Drain();
  platform::ComposeScreen();
  EXPECT_EQ(platform::ScreenSurface().width, 320);
  EXPECT_EQ(platform::ScreenSurface().height, 240);
  EXPECT_EQ(Screen(319, 239), 0x00008000u);
  RECT r{};
  GetClientRect(w, &r);
  EXPECT_EQ(r.right, 320);
}

} // namespace
