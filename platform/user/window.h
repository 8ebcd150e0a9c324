// The layer's window objects and classes, shared by the files of user/.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gdi/surface.h"

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
};

struct Window {
  HWND handle = nullptr;
  std::u16string className;
  std::u16string title;
  WNDPROC proc = nullptr;
  UINT classStyle = 0;
  HBRUSH classBackground = nullptr;
  DWORD style = 0; // WS_VISIBLE and WS_DISABLED live in `visible` and `enabled`
  DWORD exStyle = 0;
  RECT rect{};           // in screen coordinates (children: also screen)
  HWND parent = nullptr; // for WS_CHILD windows
  HWND owner = nullptr;  // for top-level windows created with a parent
  HMENU id = nullptr;    // a child's control id
  HINSTANCE instance = nullptr;
  bool visible = false;
  bool enabled = true;
  bool destroying = false;
  // The update region is kept as its bounding rectangle, in client coordinates.
  bool updatePending = false;
  RECT updateRect{};
  bool eraseRequested = false;
  std::map<UINT_PTR, Timer> timers;
  std::map<int, LONG> longs; // GWL_USERDATA, DWL_* and extra bytes
  int invalidateCount = 0;   // InvalidateRect calls, for the test hooks
  // Top-level windows draw into their own backing surface; children draw into
  // their top-level window's surface.
  std::shared_ptr<Surface> backing;
  // The shell shows an "ok" button in the navigation bar while this window is in
  // front; a tap on it sends the window WM_COMMAND IDOK.
  bool navDoneButton = false;
};

// ---- Rectangles (screen or client coordinates alike) ----
inline bool IsEmptyRect(const RECT &r) { return r.right <= r.left || r.bottom <= r.top; }
inline RECT IntersectRects(const RECT &a, const RECT &b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  return IsEmptyRect(r) ? RECT{} : r;
}
inline RECT UnionRects(const RECT &a, const RECT &b) {
  if (IsEmptyRect(a)) {
    return b;
  }
  if (IsEmptyRect(b)) {
    return a;
  }
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}
inline RECT OffsetRectBy(const RECT &r, LONG dx, LONG dy) {
  return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
inline bool RectContains(const RECT &r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
inline bool SameRect(const RECT &a, const RECT &b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline RECT ClientRectOf(const Window &w) {
  return RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
}

// ---- Window lookup and structure (window.cpp) ----

// Finds the live window of a handle; null for a stale or foreign handle. The
// shell's form of a handle with its low bit set names the same window.
Window *FindWindowObject(HWND hwnd);
// Every live window in creation order.
std::vector<Window *> AllWindows();
// Top-level windows from the bottom of the stack to the top.
std::vector<Window *> TopLevelWindowsBottomUp();
// The top-level window a window belongs to (itself when top-level).
Window *TopLevelOf(Window *w);
// Visible, with every ancestor visible.
bool IsShown(const Window &w);
// Direct children in creation order.
std::vector<Window *> ChildrenOf(HWND hwnd);
// Windows in paint order: each top-level window bottom-up, then its descendants,
// parents before children.
std::vector<Window *> WindowsInPaintOrder();
// The height of the shell's navigation bar on the current device.
int NavigationBarHeight();
// The window that receives pen input at a screen point: the topmost shown
// top-level window there, then its deepest shown and enabled child. Null when the
// point is on no window or on a disabled top-level window.
Window *PenTarget(POINT screen);
// The window that receives key input: the focus if it lies in the foreground
// window, else the foreground window; null when there is none.
Window *KeyTarget();
// The foreground window's application window: its root owner.
HWND ForegroundApplicationWindow();
// Invalidates, in every shown window below `above` in the stack (or in all when
// `above` is null), the part of `screenArea` it shows; used when a window goes
// away or moves. Children of `parentOnly` only, when it is given.
void InvalidateScreenArea(const RECT &screenArea, const Window *above);
// The earliest due time of any timer, or UINT64_MAX.
std::uint64_t NextTimerDueMs();
// Turns the screen: swaps the device's width and height, resizes full-screen
// top-level windows to the new area, and sends WM_SETTINGCHANGE to top-level windows.
void TurnScreen();

// ---- Other processes on the same profile (remote.cpp) ----

// FindWindowW over this process's top-level windows only.
HWND FindWindowInThisProcess(LPCWSTR className, LPCWSTR title);
// Asks the instance already running on this profile for a top-level window;
// null when there is none or no other instance.
HWND RemoteFindWindow(LPCWSTR className, LPCWSTR title);
// Brings a window of the other instance to the front; false when the handle is
// not one of its windows.
bool RemoteSetForegroundWindow(HWND hwnd);
// True once after the other instance asked to bring a window of this process to
// the front, so the desktop host can raise its own window too.
bool TakeFrontRequest();

// ---- Messages (message.cpp) ----

// Drops the posted messages of a window that is going away.
void PurgeMessagesFor(HWND hwnd);
// True when a posted message or an input event is waiting.
bool HasQueuedWork();

// ---- Painting (paint.cpp) ----

// Fills a window's client area through `dc` with its class brush; false when the
// class has none.
bool EraseWithClassBrush(HWND hwnd, HDC dc);

// ---- Screen ----

// Marks the screen as changed so the compositor redraws it before the next wait.
void MarkScreenChanged();
// True once after the screen changed (window.cpp).
bool TakeScreenChanged();
// Draws the windows and the navigation bar into ScreenSurface() when anything
// changed since the last call; returns true when it drew (compositor.cpp).
bool ComposeScreen();

} // namespace platform
