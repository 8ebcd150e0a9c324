// Input and window management: who gets the pen and the keys, accelerators,
// activation, turning the screen, window text.
#include <windows.h>

#include <gtest/gtest.h>

#include "gdi/surface.h"
#include "host/testing.h"
#include "kernel/module_state.h"
#include "user/input.h"
#include "window_fixture.h"

namespace {

using platform::InputEvent;
using platform::InputKind;
using usertest::Log;
using usertest::LogOf;
using usertest::WindowTest;

void Pen(InputKind kind, LONG x, LONG y) { platform::QueueInput(InputEvent{kind, {x, y}, 0}); }

using PenInput = WindowTest;

TEST_F(PenInput, ThePenUpPositionDecidesWhoGetsButtonUpPastDisabledAndHiddenChildren) {
  HWND main = Create(); // (0, 26, 240, 320)
  const RECT popupRect{40, 100, 200, 200};
  HWND popup = Create(WS_VISIBLE | WS_POPUP, &popupRect, main);
  const RECT childRect{10, 10, 60, 40}; // in the pop-up's client area
  HWND child = Create(WS_VISIBLE | WS_CHILD, &childRect, popup);
  const RECT lowRect{0, 200, 100, 290}; // in the main window's client area
  Create(WS_VISIBLE | WS_CHILD | WS_DISABLED, &lowRect, main);
  Create(WS_CHILD, &lowRect, main);
  Drain();
  struct Case {
    POINT down, up;
    HWND downTo, upTo;
    LPARAM upAt; // client coordinates of the receiver
  };
  const Case cases[] = {
      {{5, 50}, {5, 60}, main, main, MAKELPARAM(5, 34)},
      {{5, 50}, {45, 105}, main, popup, MAKELPARAM(5, 5)},
      {{45, 105}, {5, 300}, popup, main, MAKELPARAM(5, 274)},
      {{55, 115}, {55, 115}, child, child, MAKELPARAM(5, 5)},
      {{239, 319}, {0, 26}, main, main, MAKELPARAM(0, 0)},
      {{50, 250}, {50, 250}, main, main, MAKELPARAM(50, 224)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.up.x * 1000 + c.up.y);
    Log().clear();
    Pen(InputKind::PenDown, c.down.x, c.down.y);
    Pen(InputKind::PenUp, c.up.x, c.up.y);
    Drain();
    const auto downs = LogOf(WM_LBUTTONDOWN);
    const auto ups = LogOf(WM_LBUTTONUP);
    ASSERT_EQ(downs.size(), 1u);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(downs[0].hwnd, c.downTo);
    EXPECT_EQ(ups[0].hwnd, c.upTo);
    EXPECT_EQ(ups[0].lParam, c.upAt);
  }
}

TEST_F(PenInput, AWindowWhoseModalDialogIsOpenGetsNoPen) {
  HWND main = Create();
  const RECT dialogRect{20, 60, 220, 160};
  HWND dialog = Create(WS_VISIBLE | WS_POPUP, &dialogRect, main);
  EnableWindow(main, FALSE); // what a modal dialog does to its owner
  Drain();
  Log().clear();
  Pen(InputKind::PenDown, 10, 250);
  Pen(InputKind::PenUp, 10, 250);
  Pen(InputKind::PenUp, 30, 70);
  Drain();
  EXPECT_EQ(OnlyReceiverOf(WM_LBUTTONUP), dialog);
  EXPECT_TRUE(LogOf(WM_LBUTTONDOWN).empty());
  // Once the dialog is gone and the owner enabled again, the owner has the pen.
  EnableWindow(main, TRUE);
  DestroyWindow(dialog);
  Drain();
  Log().clear();
  Pen(InputKind::PenUp, 10, 250);
  Drain();
  EXPECT_EQ(OnlyReceiverOf(WM_LBUTTONUP), main);
}

TEST_F(PenInput, TheNavigationBarBelongsToTheShellAndItsOkButtonSendsIdok) {
  HWND main = Create();
  Pen(InputKind::PenDown, 100, 10);
  Pen(InputKind::PenUp, 100, 10);
  Drain();
  EXPECT_TRUE(LogOf(WM_LBUTTONUP).empty());
  EXPECT_TRUE(LogOf(WM_LBUTTONDOWN).empty());
  platform::FindWindowObject(main)->navDoneButton = true;
  const RECT ok = platform::NavigationDoneButtonRect();
  EXPECT_TRUE(platform::SameRect(ok, RECT{ok.left, 0, 240, 26}));
  Pen(InputKind::PenDown, ok.left + 2, 5);
  Pen(InputKind::PenUp, ok.left + 2, 5);
  Drain();
  EXPECT_EQ(OnlyReceiverOf(WM_COMMAND), main);
  EXPECT_EQ(LOWORD(LogOf(WM_COMMAND).at(0).wParam), IDOK);
}

using Keys = WindowTest;

TEST_F(Keys, KeysGoToTheForegroundWindowOrItsFocus) {
  HWND first = Create();
  HWND second = Create();
  const RECT r{0, 0, 10, 10};
  HWND child = Create(WS_VISIBLE | WS_CHILD, &r, first);
  Drain();
  EXPECT_EQ(GetForegroundWindow(), second);
  const auto receiver = [&] {
    Log().clear();
    platform::QueueKeyPress(VK_RETURN, 0);
    Drain();
    return OnlyReceiverOf(WM_KEYUP);
  };
  EXPECT_EQ(receiver(), second);
  SetForegroundWindow(first);
  SetFocus(child);
  EXPECT_EQ(receiver(), child);
  SetForegroundWindow(second);
  EXPECT_EQ(receiver(), second) << "a focus outside the foreground window takes no keys";
}

TEST_F(Keys, AcceleratorsMatchTheKeyAndExactlyTheirModifiers) {
  HWND w = Create();
  Drain();
  const HACCEL table = platform::AddAcceleratorTable({
      {FVIRTKEY | FCONTROL, 'Q', 1},
      {FVIRTKEY | FCONTROL, 'A', 40003},
      {FVIRTKEY, VK_F1, 7},
      {FVIRTKEY | FSHIFT | FCONTROL, 'S', 8},
  });
  struct Case {
    UINT key;
    BYTE modifiers;
    int command; // 0: not translated
  };
  const Case cases[] = {
      {'Q', FCONTROL, 1},          {'A', FCONTROL, 40003}, {'Q', 0, 0},
      {'Q', FCONTROL | FSHIFT, 0}, {VK_F1, 0, 7},          {VK_F1, FCONTROL, 0},
      {'S', FSHIFT | FCONTROL, 8}, {'S', FCONTROL, 0},     {'Z', FCONTROL, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.key);
    Log().clear();
    platform::QueueKeyPress(c.key, c.modifiers);
    int translated = 0;
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (TranslateAcceleratorW(msg.hwnd, table, &msg) != 0) {
        ++translated;
      } else {
        DispatchMessageW(&msg);
      }
    }
    const auto commands = LogOf(WM_COMMAND);
    EXPECT_EQ(translated, c.command == 0 ? 0 : 1);
    ASSERT_EQ(commands.size(), c.command == 0 ? 0u : 1u);
    if (c.command != 0) {
      EXPECT_EQ(LOWORD(commands[0].wParam), c.command);
      EXPECT_EQ(HIWORD(commands[0].wParam), 1) << "marked as from an accelerator";
      EXPECT_EQ(commands[0].hwnd, w);
      for (const auto &down : LogOf(WM_KEYDOWN)) {
        EXPECT_NE(down.wParam, c.key) << "the translated key is not dispatched";
      }
    }
  }
  MSG none{};
  EXPECT_EQ(TranslateAcceleratorW(w, nullptr, &none), 0);
}

using Windows = WindowTest;

TEST_F(Windows, ActivationFollowsShowingAndOwnersBringTheirPopUpsAlong) {
  HWND main = Create();
  const RECT r{20, 60, 220, 160};
  HWND popup = Create(WS_VISIBLE | WS_POPUP, &r, main);
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

TEST_F(Windows, FindWindowMatchesClassWithoutCaseAndTitleExactly) {
  HWND w = Create(WS_VISIBLE, nullptr, nullptr, u"BlackJack");
  const struct {
    LPCWSTR cls, title;
    bool found;
  } cases[] = {
      {u"Recording", u"BlackJack", true},  {u"RECORDING", u"BlackJack", true},
      {nullptr, u"BlackJack", true},       {u"recording", nullptr, true},
      {u"Recording", u"blackjack", false}, {u"Other", u"BlackJack", false},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(FindWindowW(c.cls, c.title), c.found ? w : nullptr);
  }
}

TEST_F(Windows, WindowTextIsTruncatedToTheBufferAndAlwaysTerminated) {
  HWND w = Create(WS_VISIBLE, nullptr, nullptr, u"BlackJack");
  const struct {
    int capacity, copied;
    const char16_t *text;
  } cases[] = {{100, 9, u"BlackJack"},
               {10, 9, u"BlackJack"},
               {9, 8, u"BlackJac"},
               {1, 0, u""},
               {0, 0, u"untouched"}};
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
  const RECT childRect{10, 20, 30, 40};
  HWND child = Create(WS_VISIBLE | WS_CHILD, &childRect, main);
  MoveWindow(main, 5, 30, 100, 100, FALSE);
  GetWindowRect(child, &r);
  EXPECT_TRUE(platform::SameRect(r, RECT{15, 50, 35, 70}));
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.top, 26);
}

TEST_F(Windows, TurningTheScreenResizesFullScreenWindowsTellsThemAndRepaints) {
  HWND main = Create(); // (0, 26, 240, 320)
  const RECT barRect{0, 294, 240, 320};
  HWND bar = Create(WS_VISIBLE, &barRect, main); // a soft-key bar at the bottom
  const RECT smallRect{20, 60, 120, 160};
  HWND small = Create(WS_VISIBLE | WS_POPUP, &smallRect, main);
  Drain();
  Log().clear();
  platform::TurnScreen();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 320);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 240);
  const struct {
    HWND hwnd;
    RECT expected;
  } cases[] = {{main, {0, 26, 320, 240}}, {bar, {0, 214, 320, 240}}, {small, {20, 60, 120, 160}}};
  for (const auto &c : cases) {
    RECT r{};
    GetWindowRect(c.hwnd, &r);
    EXPECT_TRUE(platform::SameRect(r, c.expected))
        << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
  EXPECT_EQ(LogOf(WM_SETTINGCHANGE).size(), 3u);
  EXPECT_FALSE(LogOf(WM_SIZE).empty());
  Drain();
  EXPECT_FALSE(LogOf(WM_PAINT).empty()) << "resized windows repaint";
  platform::ComposeScreen();
  EXPECT_EQ(platform::ScreenSurface().width, 320);
  EXPECT_EQ(platform::ScreenSurface().height, 240);
}

} // namespace
