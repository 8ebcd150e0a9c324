// Helpers for the window and message tests: a recording window class and a fresh device.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "host/testing.h"

namespace usertest {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Every message the recording windows received, in order.
std::vector<Seen> &Log();
// Messages of one kind in the log.
std::vector<Seen> LogOf(UINT message);
// The recording procedure: logs, then answers with DefWindowProcW.
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// A fresh device per test with the recording class registered.
class WindowTest : public ::testing::Test {
protected:
  WindowTest();
  // A top-level window; CW_USEDEFAULT when no rectangle is given.
  HWND Create(DWORD style = WS_VISIBLE, const RECT *rect = nullptr, HWND parent = nullptr,
              LPCWSTR title = u"window");
  // Pulls every ready message without waiting and dispatches it; returns them.
  std::vector<MSG> Drain();
  // The next ready message (removed, not dispatched), or WM_NULL when none.
  MSG Next();

  platform::test::HeadlessDevice device_;
};

} // namespace usertest
