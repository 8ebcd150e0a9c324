// Helpers for the window and message tests: a recording window class and a fresh device.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "testing/testing.h"
#include "user/window.h"

namespace usertest {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Every message the recording windows received, in order.
inline std::vector<Seen> &Log() {
  static std::vector<Seen> log;
  return log;
}

inline std::vector<Seen> LogOf(UINT message) {
  std::vector<Seen> out;
  for (const Seen &s : Log()) {
    if (s.message == message) {
      out.push_back(s);
    }
  }
  return out;
}

// A fresh device per test with the recording class registered.
class WindowTest : public ::testing::Test {
protected:
  WindowTest() { Restart(); }

  // Starts over on a new device (for tables whose cases need a clean queue).
  void Restart() {
    device_.reset();
    device_.emplace();
    Log().clear();
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      Log().push_back(Seen{hwnd, message, wParam, lParam});
      return DefWindowProcW(hwnd, message, wParam, lParam);
    };
    wc.lpszClassName = u"Recording";
    RegisterClassW(&wc);
  }

  // A window of the recording class at `rect`, or where CW_USEDEFAULT puts it.
  static HWND Create(DWORD style = WS_VISIBLE, std::optional<RECT> rect = std::nullopt,
                     HWND parent = nullptr, LPCWSTR title = u"window") {
    const RECT r = rect.value_or(RECT{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT});
    return CreateWindowExW(
        0, u"Recording", title, style, r.left, r.top, rect ? r.right - r.left : CW_USEDEFAULT,
        rect ? r.bottom - r.top : CW_USEDEFAULT, parent, nullptr, nullptr, nullptr);
  }

  // Pulls every ready message without waiting and dispatches it; returns them.
  static std::vector<MSG> Drain() {
    std::vector<MSG> all;
    MSG msg{};
    while (all.size() < 1000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      all.push_back(msg);
      if (msg.message == WM_QUIT) {
        break;
      }
      DispatchMessageW(&msg);
    }
    EXPECT_LT(all.size(), 1000u) << "the queue never empties";
    return all;
  }

  // The next ready message (removed, not dispatched), or WM_NULL when none.
  static MSG Next() {
    MSG msg{};
    return PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE ? msg : MSG{};
  }

  // The window the recorded messages of one kind went to; nullptr unless exactly one.
  static HWND OnlyReceiverOf(UINT message) {
    const auto seen = LogOf(message);
    return seen.size() == 1 ? seen[0].hwnd : nullptr;
  }

  std::optional<platform::test::HeadlessDevice> device_;
};

} // namespace usertest
