// The recording window class shared by the user tests.
#include "window_fixture.h"

namespace usertest {

std::vector<Seen> &Log() {
  static std::vector<Seen> log;
  return log;
}

std::vector<Seen> LogOf(UINT message) {
  std::vector<Seen> out;
  for (const Seen &s : Log()) {
    if (s.message == message) {
      out.push_back(s);
    }
  }
  return out;
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Log().push_back(Seen{hwnd, message, wParam, lParam});
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

WindowTest::WindowTest() {
  Log().clear();
  WNDCLASSW wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = u"Recording";
  RegisterClassW(&wc);
}

HWND WindowTest::Create(DWORD style, const RECT *rect, HWND parent, LPCWSTR title) {
  if (rect == nullptr) {
    return CreateWindowExW(0, u"Recording", title, style, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, nullptr, nullptr);
  }
  return CreateWindowExW(0, u"Recording", title, style, rect->left, rect->top,
                         rect->right - rect->left, rect->bottom - rect->top, parent, nullptr,
                         nullptr, nullptr);
}

std::vector<MSG> WindowTest::Drain() {
  std::vector<MSG> all;
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    all.push_back(msg);
    if (msg.message == WM_QUIT) {
      break;
    }
    DispatchMessageW(&msg);
    if (all.size() > 1000) {
      ADD_FAILURE() << "the queue never empties";
      break;
    }
  }
  return all;
}

MSG WindowTest::Next() {
  MSG msg{};
  if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) == FALSE) {
    msg = MSG{};
  }
  return msg;
}

} // namespace usertest
