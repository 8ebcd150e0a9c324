// The shell's navigation bar: the title of the window in front, and its "ok".
#include <windows.h>

#include <gtest/gtest.h>

#include "aygshell/shell.h"
#include "gdi/surface.h"
#include "tests/user/window_fixture.h"
#include "testing/testing.h"
#include "user/compositor.h"
#include "user/input.h"

namespace {

using platform::InputEvent;
using platform::InputKind;
using usertest::LogOf;
using usertest::WindowTest;

std::uint32_t Screen(int x, int y) { return platform::ScreenSurface().Row(y)[x]; }

// Pixels of the bar touched by its (white, smoothed) text: the bar itself has no red.
int BarTextPixels(int fromX, int toX) {
  int count = 0;
  for (int y = 0; y < platform::NavigationBarHeight(); ++y) {
    for (int x = fromX; x < toX; ++x) {
      count += ((Screen(x, y) >> 16) & 0xFF) > 64 ? 1 : 0;
    }
  }
  return count;
}

void Tap(LONG x, LONG y) {
  platform::QueueInput(InputEvent{InputKind::PenDown, {x, y}, 0});
  platform::QueueInput(InputEvent{InputKind::PenUp, {x, y}, 0});
}

using NavigationBar = WindowTest;

TEST_F(NavigationBar, ShowsTheTitleInFrontAndItsOkButtonSendsIdok) {
  HWND untitled = Create(WS_VISIBLE, std::nullopt, nullptr, u"");
  Drain();
  platform::ComposeScreen();
  EXPECT_EQ(BarTextPixels(0, 240), 0);
  HWND titled = Create(WS_VISIBLE, std::nullopt, nullptr, u"BlackJack");
  Drain();
  platform::ComposeScreen();
  const int title = BarTextPixels(0, 120);
  EXPECT_GT(title, 20) << "the title is written";
  EXPECT_EQ(BarTextPixels(200, 240), 0) << "no ok button was asked for";
  SetForegroundWindow(untitled);
  platform::ComposeScreen();
  EXPECT_EQ(BarTextPixels(0, 240), 0) << "the bar follows the foreground window";

  SetForegroundWindow(titled);
  Tap(100, 10);
  Tap(230, 10);
  Drain();
  EXPECT_TRUE(LogOf(WM_LBUTTONDOWN).empty()) << "the bar belongs to the shell";
  EXPECT_TRUE(LogOf(WM_COMMAND).empty()) << "no ok button to tap";

  SetWindowLongW(titled, GWL_EXSTYLE, static_cast<LONG>(WS_EX_CAPTIONOKBTN));
  platform::ComposeScreen();
  const RECT ok = platform::shell::NavigationDoneButtonRect();
  EXPECT_TRUE(platform::SameRect(ok, RECT{ok.left, 0, 240, 26}));
  EXPECT_GT(BarTextPixels(ok.left, ok.right), 5) << "the ok button's label";
  EXPECT_EQ(BarTextPixels(0, 120), title);
  Tap(ok.left + 2, 5);
  Drain();
  EXPECT_EQ(OnlyReceiverOf(WM_COMMAND), titled);
  EXPECT_EQ(LOWORD(LogOf(WM_COMMAND).at(0).wParam), IDOK);
}

} // namespace
