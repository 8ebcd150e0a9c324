// Input: which window gets the pen and the keys, and accelerators.
#include <windows.h>

#include <gtest/gtest.h>

#include "gdi/surface.h"
#include "testing/testing.h"
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

TEST_F(PenInput, ThePenUpPositionDecidesWhoGetsButtonUp) {
  HWND main = Create(); // (0, 26, 240, 320)
  HWND popup = Create(WS_VISIBLE | WS_POPUP, RECT{40, 100, 200, 200}, main);
  HWND child = Create(WS_VISIBLE | WS_CHILD, RECT{10, 10, 60, 40}, popup);
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
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.up.x * 1000 + c.up.y);
    Log().clear();
    Pen(InputKind::PenDown, c.down.x, c.down.y);
    Pen(InputKind::PenUp, c.up.x, c.up.y);
    Drain();
    EXPECT_EQ(OnlyReceiverOf(WM_LBUTTONDOWN), c.downTo);
    ASSERT_EQ(OnlyReceiverOf(WM_LBUTTONUP), c.upTo);
    EXPECT_EQ(LogOf(WM_LBUTTONUP)[0].lParam, c.upAt);
  }
}

using Keys = WindowTest;

TEST_F(Keys, KeysGoToTheForegroundWindowOrItsFocus) {
  HWND first = Create();
  HWND second = Create();
  HWND child = Create(WS_VISIBLE | WS_CHILD, RECT{0, 0, 10, 10}, first);
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
  // The game's own table: Ctrl+A and Ctrl+Q.
  const HACCEL table = platform::AddAcceleratorTable(
      {{FVIRTKEY | FCONTROL, 'Q', 1}, {FVIRTKEY | FCONTROL, 'A', 40003}});
  struct Case {
    UINT key;
    BYTE modifiers;
    int command; // 0: not translated
  };
  const Case cases[] = {{'Q', FCONTROL, 1},          {'A', FCONTROL, 40003},    {'Q', 0, 0},
                        {'Q', FCONTROL | FSHIFT, 0}, {'Q', FCONTROL | FALT, 0}, {'Z', FCONTROL, 0}};
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

} // namespace
