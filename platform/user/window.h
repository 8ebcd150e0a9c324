// The layer's window objects and classes, shared by the files of user/.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace platform {

struct WindowClass {
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HBRUSH background = nullptr;
  std::u16string name;
};

struct Timer {
  UINT periodMs = 0;
  TIMERPROC callback = nullptr;
  std::uint64_t dueMs = 0; // next time the timer fires, on the device clock
  bool pending = false;    // a WM_TIMER is waiting to be retrieved
};

struct Window {
  HWND handle = nullptr;
  std::u16string className;
  std::u16string title;
  WNDPROC proc = nullptr;
  UINT classStyle = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};            // in screen coordinates (children: also screen)
  HWND parent = nullptr;  // for WS_CHILD windows
  HWND owner = nullptr;   // for top-level windows created with a parent
  HMENU id = nullptr;     // a child's control id
  HINSTANCE instance = nullptr;
  bool visible = false;
  bool enabled = true;
  bool destroying = false;
  // The update region is kept as its bounding rectangle.
  bool updatePending = false;
  RECT updateRect{};
  bool eraseRequested = false;
  std::map<UINT_PTR, Timer> timers;
  std::map<int, LONG> longs; // GWL_USERDATA, DWL_* and friends
  int invalidateCount = 0;   // InvalidateRect calls, for the test hooks
};

// Finds the live window of a handle; null for a stale or foreign handle.
Window *FindWindowObject(HWND hwnd);
// Every live window in creation order.
std::vector<Window *> AllWindows();

} // namespace platform
