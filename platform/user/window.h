// The user library's window objects and classes, and what its files share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/handle_table.h"
#include "gdi/surface.h"
#include "user/rect.h"

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
  HICON classIcon = nullptr;
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
  // Top-level windows draw into their own backing surface; children draw into
  // their top-level window's surface.
  std::shared_ptr<Surface> backing;
};

// Everything the user library holds for the device; cleared when it stops.
struct UserState {
  HandleTable<Window> windows{0x10000};
  std::vector<HWND> order;                       // creation order, for enumeration
  std::vector<HWND> stack;                       // top-level windows, bottom first
  std::map<std::u16string, WindowClass> classes; // keyed by upper-cased name
  HWND foreground = nullptr;
  HWND focus = nullptr;
  bool screenChanged = true;
};
UserState &User();

inline RECT ClientRectOf(const Window &w) {
  return RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
}
inline bool IsTopLevel(const Window &w) { return w.parent == nullptr; }

// ---- Classes (class.cpp) ----

// The registered class of a name, in any case; null when there is none.
const WindowClass *FindWindowClass(LPCWSTR name);

// ---- Windows and their tree (window.cpp) ----

// Finds the live window of a handle; null for a stale or foreign handle. The
// shell's form of a handle with its low bit set names the same window.
Window *FindWindowObject(HWND hwnd);
// Every live window in creation order.
std::vector<Window *> AllWindows();
// The top-level window a window belongs to (itself when top-level).
Window *TopLevelOf(Window *w);
// True when `w` is `root` or one of its descendants.
bool InSubtree(const Window *w, const Window *root);
// Visible, with every ancestor visible.
bool IsShown(const Window &w);
// Direct children in creation order.
std::vector<Window *> ChildrenOf(HWND hwnd);
// Windows in paint order: each top-level window bottom-up, then its descendants,
// parents before children.
std::vector<Window *> WindowsInPaintOrder();

// ---- The stack, focus and foreground (focus.cpp) ----

// Top-level windows from the bottom of the stack to the top.
std::vector<Window *> TopLevelWindowsBottomUp();
void RemoveFromStack(HWND hwnd);
// Puts a top-level window on top of its band (topmost windows stay above the
// rest), with the windows it owns above it in their present order.
void BringToTop(Window &w);
// Makes a top-level window the foreground window, telling both with WM_ACTIVATE.
void Activate(HWND hwnd);
// A window going away or hidden gives up the focus and the foreground.
void LoseActivation(const Window &w);
// The window that receives pen input at a screen point: the topmost shown
// top-level window there, then its deepest shown and enabled child. Null when the
// point is on no window or on a disabled top-level window.
Window *PenTarget(POINT screen);
// The window that receives key input: the focus if it lies in the foreground
// window, else the foreground window; null when there is none.
Window *KeyTarget();
// The foreground window's application window: its root owner.
HWND ForegroundApplicationWindow();

// ---- Position, size and visibility (position.cpp) ----

// Fits a top-level window's backing surface to its size, keeping what it held
// where the two overlap.
void ResizeBacking(Window &w);
// A top-level window's backing surface, made white at the window's size when it is
// first drawn on or shown, not when the window is made: a window is usually placed
// once more before that, and a large surface costs its first touch of every page.
const std::shared_ptr<Surface> &Backing(Window &w);
// Shows or hides a window; returns whether it was visible.
bool SetVisible(Window &w, bool show);
// Turns the screen: swaps the device's width and height; top-level windows that
// fill the application area fill it again (wherever their bottom edge was left),
// bars at the bottom move with it; WM_SETTINGCHANGE goes to top-level windows.
void TurnScreen();

// ---- Painting and invalidation (paint.cpp) ----

// Adds a client-coordinate area to a window's update region, and to the shown
// children it overlaps (except `except` and its subtree): no window of the program
// clips its children, so a parent's paint covers them.
void AddUpdate(Window &w, const RECT &clientArea, bool erase, const Window *except = nullptr);
// Invalidates what `gone` showed at `screenArea` in the windows it covered.
void InvalidateUncovered(const Window &gone, const RECT &screenArea);
// Invalidates, in every shown top-level window below `above` in the stack (or in
// all when `above` is null), the part of `screenArea` it shows.
void InvalidateScreenArea(const RECT &screenArea, const Window *above);
// Fills a window's client area through `dc` with its class brush; false when the
// class has none.
bool EraseWithClassBrush(HWND hwnd, HDC dc);

// ---- Messages and timers (message.cpp, timer.cpp) ----

// The earliest due time of any timer, or UINT64_MAX.
std::uint64_t NextTimerDueMs();

// ---- Other processes on the same profile (remote.cpp) ----

// FindWindowW over this process's top-level windows only.
HWND FindWindowInThisProcess(LPCWSTR className, LPCWSTR title);
// Asks the instance already running on this profile for a top-level window;
// null when there is none or no other instance.
HWND RemoteFindWindow(LPCWSTR className, LPCWSTR title);
// Brings a window of the other instance to the front; false when the handle is
// not one of its windows.
bool RemoteSetForegroundWindow(HWND hwnd);

} // namespace platform
