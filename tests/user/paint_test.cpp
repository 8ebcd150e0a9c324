// Painting: update regions and when WM_PAINT comes, BeginPaint and erasing, DCs
// on backing surfaces, compositing into the screen, and leaving no GDI object behind.
#include <windows.h>

#include <gtest/gtest.h>

#include "gdi/surface.h"
#include "testing/testing.h"
#include "user/compositor.h"
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
  HWND child = Create(WS_VISIBLE | WS_CHILD, RECT{20, 20, 60, 40}, main);
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

TEST_F(PaintTest, UpdateWindowPaintsBeforeItReturnsAndOnlyWhenNeeded) {
  HWND w = Create();
  Log().clear();
  ASSERT_TRUE(UpdateWindow(w));
  EXPECT_EQ(LogOf(WM_PAINT).size(), 1u);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
  UpdateWindow(w);
  EXPECT_EQ(LogOf(WM_PAINT).size(), 1u) << "nothing to paint the second time";
}

TEST_F(PaintTest, AHiddenWindowIsPaintedOnlyOnceShown) {
  HWND hidden = Create(0);
  InvalidateRect(hidden, nullptr, TRUE);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
  ShowWindow(hidden, SW_SHOW);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_PAINT));
}

TEST_F(PaintTest, WhatAPopUpUncoversIsRepaintedBelow) {
  struct Case {
    const char *name;
    void (*uncover)(HWND popup);
    RECT expected; // the main window's update rectangle, client coordinates
  };
  const Case cases[] = {
      {"destroyed", [](HWND p) { DestroyWindow(p); }, {20, 14, 120, 74}},
      {"hidden", [](HWND p) { ShowWindow(p, SW_HIDE); }, {20, 14, 120, 74}},
      {"moved right by 50", [](HWND p) { MoveWindow(p, 70, 40, 100, 60, TRUE); }, {20, 14, 70, 74}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    HWND main = Create(); // (0, 26, 240, 320)
    HWND popup = Create(WS_VISIBLE | WS_POPUP, RECT{20, 40, 120, 100}, main);
    Drain();
    Log().clear();
    c.uncover(popup);
    RECT update{};
    ASSERT_TRUE(GetUpdateRect(main, &update, FALSE));
    EXPECT_TRUE(platform::SameRect(update, c.expected))
        << update.left << "," << update.top << "," << update.right << "," << update.bottom;
    Drain();
    EXPECT_EQ(OnlyReceiverOf(WM_PAINT), main);
  }
}

TEST_F(PaintTest, InvalidatingAParentRepaintsItsChildrenAfterIt) {
  HWND parent = Create();
  HWND child = Create(WS_VISIBLE | WS_CHILD, RECT{10, 10, 50, 50}, parent);
  Drain();
  Log().clear();
  InvalidateRect(parent, nullptr, FALSE);
  Drain();
  const auto paints = LogOf(WM_PAINT);
  ASSERT_EQ(paints.size(), 2u);
  EXPECT_EQ(paints[0].hwnd, parent) << "the parent paints before its child";
  DestroyWindow(parent);
  EXPECT_FALSE(IsWindow(child));
}

} // namespace
