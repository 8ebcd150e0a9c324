// Window management: activation and owners, window text,
// positions of children, the work area, and turning the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include "gdi/surface.h"
#include "testing/testing.h"
#include "user/compositor.h"
#include "window_fixture.h"

namespace {

using usertest::Log;
using usertest::LogOf;
using usertest::WindowTest;

using Windows = WindowTest;

TEST_F(Windows, ActivationFollowsShowingAndOwnersBringTheirPopUpsAlong) {
  HWND main = Create();
  HWND popup = Create(WS_VISIBLE | WS_POPUP, RECT{20, 60, 220, 160}, main);
  EXPECT_EQ(GetForegroundWindow(), popup);
  EXPECT_EQ(platform::ForegroundApplicationWindow(), main);
  ShowWindow(popup, SW_HIDE);
  EXPECT_EQ(GetForegroundWindow(), main);
  ShowWindow(popup, SW_SHOW);
  HWND other = Create();
  EnableWindow(main, FALSE); // the pop-up is modal
  for (HWND form : {main, reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(main) | 1)}) {
    SetForegroundWindow(other);
    ASSERT_TRUE(SetForegroundWindow(form));
    const auto stack = platform::TopLevelWindowsBottomUp();
    ASSERT_EQ(stack.size(), 3u);
    EXPECT_EQ(stack[0]->handle, other);
    EXPECT_EQ(stack[1]->handle, main);
    EXPECT_EQ(stack[2]->handle, popup);
    EXPECT_EQ(GetForegroundWindow(), popup) << "the disabled owner hands over to its dialog";
  }
  DestroyWindow(main);
  EXPECT_FALSE(IsWindow(popup)) << "owned windows go with their owner";
}

TEST_F(Windows, WindowTextIsTruncatedToTheBufferAndAlwaysTerminated) {
  HWND w = Create(WS_VISIBLE, std::nullopt, nullptr, u"BlackJack");
  const struct {
    int capacity, copied;
    const char16_t *text;
  } cases[] = {{10, 9, u"BlackJack"}, {9, 8, u"BlackJac"}, {0, 0, u"untouched"}};
  for (const auto &c : cases) {
    char16_t buffer[100] = u"untouched";
    EXPECT_EQ(GetWindowTextW(w, buffer, c.capacity), c.copied);
    EXPECT_EQ(std::u16string(buffer), c.text);
  }
}

TEST_F(Windows, ChildrenMoveWithTheirParentAndTheWorkAreaIsBelowTheBar) {
  HWND main = Create();
  RECT r{};
  GetWindowRect(main, &r);
  EXPECT_TRUE(platform::SameRect(r, RECT{0, 26, 240, 320}));
  MoveWindow(main, 0, 26, 240, 294, FALSE); // the game's start-up move keeps the rectangle
  GetWindowRect(main, &r);
  EXPECT_TRUE(platform::SameRect(r, RECT{0, 26, 240, 320}));
  HWND child = Create(WS_VISIBLE | WS_CHILD, RECT{10, 20, 30, 40}, main);
  MoveWindow(main, 5, 30, 100, 100, FALSE);
  GetWindowRect(child, &r);
  EXPECT_TRUE(platform::SameRect(r, RECT{15, 50, 35, 70}));
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.top, 26);
}

} // namespace
