// Window classes, creation and destruction, the stack, geometry, invalidation,
// activation, window data and timers.
#include "user/window.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <utility>

#include "common/handle_table.h"
#include "host/device.h"
#include "host/trace.h"

namespace platform {
namespace {

struct WindowState {
  HandleTable<Window> windows{0x10000};
  std::vector<HWND> order;                       // creation order, for enumeration
  std::vector<HWND> stack;                       // top-level windows, bottom first
  std::map<std::u16string, WindowClass> classes; // keyed by folded name
  HWND foreground = nullptr;
  HWND focus = nullptr;
  bool screenChanged = true;
};

WindowState &State() {
  static WindowState state;
  return state;
}

const bool registered = [] {
  RegisterResetHook([] { State() = WindowState{}; });
  return true;
}();

std::u16string Fold(LPCWSTR name) {
  std::u16string folded;
  for (; name != nullptr && *name != 0; ++name) {
    char16_t c = *name;
    if (c >= u'A' && c <= u'Z') {
      c = static_cast<char16_t>(c + 32);
    }
    folded.push_back(c);
  }
  return folded;
}

bool IsTopLevel(const Window &w) { return w.parent == nullptr; }

// The parts of `a` outside `b`: at most four strips.
std::vector<RECT> Subtract(const RECT &a, const RECT &b) {
  const RECT cut = IntersectRects(a, b);
  if (IsEmptyRect(cut)) {
    return {a};
  }
  std::vector<RECT> parts;
  const RECT strips[] = {{a.left, a.top, a.right, cut.top},
                         {a.left, cut.bottom, a.right, a.bottom},
                         {a.left, cut.top, cut.left, cut.bottom},
                         {cut.right, cut.top, a.right, cut.bottom}};
  for (const RECT &r : strips) {
    if (!IsEmptyRect(r)) {
      parts.push_back(r);
    }
  }
  return parts;
}

bool InSubtree(const Window *w, const Window *root) {
  for (; w != nullptr; w = FindWindowObject(w->parent)) {
    if (w == root) {
      return true;
    }
  }
  return false;
}

// Adds a client-coordinate area to a window's update region, and to the shown
// children it overlaps when `withChildren` holds.
void AddUpdate(Window &w, const RECT &clientArea, bool erase, bool withChildren,
               const Window *except = nullptr) {
  const RECT area = IntersectRects(clientArea, ClientRectOf(w));
  if (IsEmptyRect(area)) {
    return;
  }
  w.updateRect = w.updatePending ? UnionRects(w.updateRect, area) : area;
  w.updatePending = true;
  w.eraseRequested = w.eraseRequested || erase;
  if (!withChildren) {
    return;
  }
  const RECT screenArea = OffsetRectBy(area, w.rect.left, w.rect.top);
  for (Window *child : ChildrenOf(w.handle)) {
    if (child != except && child->visible) {
      const RECT part = IntersectRects(screenArea, child->rect);
      if (!IsEmptyRect(part)) {
        AddUpdate(*child, OffsetRectBy(part, -child->rect.left, -child->rect.top), erase, true,
                  except);
      }
    }
  }
}

// Invalidates what `gone` showed at `screenArea` in the windows it covered.
void InvalidateUncovered(const Window &gone, const RECT &screenArea) {
  MarkScreenChanged();
  if (IsTopLevel(gone)) {
    InvalidateScreenArea(screenArea, &gone);
    return;
  }
  // A child drew into its top-level window's surface: the windows of that
  // surface repaint the area.
  Window *top = TopLevelOf(const_cast<Window *>(&gone));
  if (top != nullptr) {
    AddUpdate(*top, OffsetRectBy(screenArea, -top->rect.left, -top->rect.top), true, true, &gone);
  }
}

void RemoveFromStack(HWND hwnd) {
  auto &stack = State().stack;
  stack.erase(std::remove(stack.begin(), stack.end(), hwnd), stack.end());
}

bool IsTopmost(const Window &w) { return (w.exStyle & WS_EX_TOPMOST) != 0; }

// Puts a top-level window on top of its band (topmost windows stay above the
// rest), with the windows it owns above it in their present order.
void BringToTop(Window &w) {
  auto &stack = State().stack;
  std::vector<HWND> moving;
  for (HWND h : stack) {
    Window *other = FindWindowObject(h);
    for (Window *o = other; o != nullptr; o = FindWindowObject(o->owner)) {
      if (o == &w) {
        moving.push_back(h);
        break;
      }
    }
  }
  for (HWND h : moving) {
    RemoveFromStack(h);
  }
  auto insertAt = stack.end();
  if (!IsTopmost(w)) {
    insertAt = std::find_if(stack.begin(), stack.end(), [](HWND h) {
      const Window *o = FindWindowObject(h);
      return o != nullptr && IsTopmost(*o);
    });
  }
  stack.insert(insertAt, moving.begin(), moving.end());
  MarkScreenChanged();
}

void Activate(HWND hwnd) {
  auto &state = State();
  const HWND old = state.foreground;
  if (old == hwnd) {
    return;
  }
  state.foreground = hwnd;
  MarkScreenChanged(); // the navigation bar shows the new title
  if (FindWindowObject(old) != nullptr) {
    SendMessageW(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  }
  if (FindWindowObject(hwnd) != nullptr) {
    SendMessageW(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  }
}

// After the foreground window was hidden or destroyed: its owner when shown,
// else the topmost shown top-level window that is enabled.
void ActivateAfter(const Window &gone) {
  Window *owner = FindWindowObject(gone.owner);
  if (owner != nullptr && IsShown(*owner) && !owner->destroying) {
    Activate(owner->handle);
    return;
  }
  const auto &stack = State().stack;
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    Window *w = FindWindowObject(*it);
    if (w != nullptr && w != &gone && w->visible && w->enabled && !w->destroying) {
      Activate(w->handle);
      return;
    }
  }
  State().foreground = nullptr;
}

void LoseActivation(const Window &w) {
  auto &state = State();
  if (Window *focus = FindWindowObject(state.focus); focus != nullptr && InSubtree(focus, &w)) {
    state.focus = nullptr;
  }
  if (state.foreground == w.handle) {
    ActivateAfter(w);
  }
}

// Gives a top-level window a backing surface of its size, keeping what the old
// one held where the two overlap.
void ResizeBacking(Window &w) {
  const RECT client = ClientRectOf(w);
  auto surface = std::make_shared<Surface>(static_cast<int>(client.right),
                                           static_cast<int>(client.bottom), 0x00FFFFFFu);
  if (w.backing) {
    const int rows = std::min(surface->height, w.backing->height);
    const int cols = std::min(surface->width, w.backing->width);
    for (int y = 0; y < rows && cols > 0; ++y) {
      std::copy_n(w.backing->Row(y), cols, surface->Row(y));
    }
  }
  w.backing = std::move(surface);
}

// Moves and sizes a window (screen coordinates), its children following.
void PlaceWindow(Window &w, const RECT &target, bool repaint) {
  const RECT old = w.rect;
  if (SameRect(old, target)) {
    return;
  }
  const LONG dx = target.left - old.left;
  const LONG dy = target.top - old.top;
  const bool resized = (old.right - old.left) != (target.right - target.left) ||
                       (old.bottom - old.top) != (target.bottom - target.top);
  w.rect = target;
  for (Window *other : AllWindows()) {
    if (other != &w && InSubtree(other, &w)) {
      other->rect = OffsetRectBy(other->rect, dx, dy);
    }
  }
  if (IsTopLevel(w)) {
    if (resized) {
      ResizeBacking(w);
    }
  } else if (w.visible) {
    // A child's pixels sit in its top-level window's surface at the old place.
    AddUpdate(w, ClientRectOf(w), true, true);
  }
  if (resized) {
    if (repaint || (w.classStyle & (CS_HREDRAW | CS_VREDRAW)) != 0 || w.updatePending) {
      AddUpdate(w, ClientRectOf(w), true, true);
    }
  }
  if (IsShown(w)) {
    for (const RECT &part : Subtract(old, target)) {
      InvalidateUncovered(w, part);
    }
    MarkScreenChanged();
  }
  if (dx != 0 || dy != 0) {
    SendMessageW(w.handle, WM_MOVE, 0, MAKELPARAM(target.left, target.top));
  }
  if (resized) {
    SendMessageW(w.handle, WM_SIZE, 0,
                 MAKELPARAM(target.right - target.left, target.bottom - target.top));
  }
}

// Shows or hides a window; returns whether it was visible.
bool SetVisible(Window &w, bool show) {
  const bool was = w.visible;
  if (was == show) {
    return was;
  }
  SendMessageW(w.handle, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (FindWindowObject(w.handle) == nullptr) {
    return was;
  }
  if (!show && IsShown(w)) {
    InvalidateUncovered(w, w.rect);
  }
  w.visible = show;
  if (show) {
    AddUpdate(w, ClientRectOf(w), true, true);
  } else {
    LoseActivation(w);
  }
  MarkScreenChanged();
  return was;
}

} // namespace

// ---- Queries shared by user/ ----

void MarkScreenChanged() { State().screenChanged = true; }

bool TakeScreenChanged() { return std::exchange(State().screenChanged, false); }

Window *FindWindowObject(HWND hwnd) { return State().windows.Find(hwnd); }

std::vector<Window *> AllWindows() {
  std::vector<Window *> all;
  for (HWND h : State().order) {
    if (Window *w = FindWindowObject(h)) {
      all.push_back(w);
    }
  }
  return all;
}

std::vector<Window *> TopLevelWindowsBottomUp() {
  std::vector<Window *> all;
  for (HWND h : State().stack) {
    if (Window *w = FindWindowObject(h)) {
      all.push_back(w);
    }
  }
  return all;
}

Window *TopLevelOf(Window *w) {
  while (w != nullptr && !IsTopLevel(*w)) {
    w = FindWindowObject(w->parent);
  }
  return w;
}

bool IsShown(const Window &w) {
  for (const Window *p = &w; p != nullptr; p = FindWindowObject(p->parent)) {
    if (!p->visible) {
      return false;
    }
  }
  return true;
}

std::vector<Window *> ChildrenOf(HWND hwnd) {
  std::vector<Window *> children;
  for (Window *w : AllWindows()) {
    if (w->parent == hwnd && hwnd != nullptr) {
      children.push_back(w);
    }
  }
  return children;
}

std::vector<Window *> WindowsInPaintOrder() {
  std::vector<Window *> ordered;
  for (Window *top : TopLevelWindowsBottomUp()) {
    ordered.push_back(top);
    for (std::size_t i = ordered.size() - 1; i < ordered.size(); ++i) {
      for (Window *child : ChildrenOf(ordered[i]->handle)) {
        ordered.push_back(child);
      }
    }
  }
  return ordered;
}

int NavigationBarHeight() { return (26 * CurrentDevice().Dpi() + 48) / 96; }

Window *PenTarget(POINT screen) {
  const auto stack = TopLevelWindowsBottomUp();
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    Window *w = *it;
    if (!w->visible || !RectContains(w->rect, screen)) {
      continue;
    }
    if (!w->enabled) {
      return nullptr; // its modal dialog has the pen
    }
    // The deepest shown, enabled child; the last created lies on top.
    for (bool descended = true; descended;) {
      descended = false;
      const auto children = ChildrenOf(w->handle);
      for (auto c = children.rbegin(); c != children.rend(); ++c) {
        if ((*c)->visible && (*c)->enabled && RectContains((*c)->rect, screen)) {
          w = *c;
          descended = true;
          break;
        }
      }
    }
    return w;
  }
  return nullptr;
}

Window *KeyTarget() {
  auto &state = State();
  Window *foreground = FindWindowObject(state.foreground);
  if (foreground == nullptr || !foreground->enabled) {
    return nullptr;
  }
  Window *focus = FindWindowObject(state.focus);
  if (focus != nullptr && focus->enabled && InSubtree(focus, foreground)) {
    return focus;
  }
  return foreground;
}

HWND ForegroundApplicationWindow() {
  Window *w = TopLevelOf(FindWindowObject(State().foreground));
  while (w != nullptr && FindWindowObject(w->owner) != nullptr) {
    w = TopLevelOf(FindWindowObject(w->owner));
  }
  return w != nullptr ? w->handle : nullptr;
}

void InvalidateScreenArea(const RECT &screenArea, const Window *above) {
  const auto stack = TopLevelWindowsBottomUp();
  for (Window *w : stack) {
    if (w == above) {
      break;
    }
    if (w->visible) {
      const RECT part = IntersectRects(screenArea, w->rect);
      if (!IsEmptyRect(part)) {
        AddUpdate(*w, OffsetRectBy(part, -w->rect.left, -w->rect.top), true, true);
      }
    }
  }
  MarkScreenChanged();
}

std::uint64_t NextTimerDueMs() {
  std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
  for (Window *w : AllWindows()) {
    for (const auto &[id, timer] : w->timers) {
      next = std::min(next, timer.dueMs);
    }
  }
  return next;
}

void TurnScreen() {
  Device &device = CurrentDevice();
  const LONG oldWidth = device.ScreenWidth();
  const LONG oldHeight = device.ScreenHeight();
  device.Rotate();
  const LONG width = device.ScreenWidth();
  const LONG height = device.ScreenHeight();
  const LONG navBar = NavigationBarHeight();
  // A window that spans the screen's width follows the new width; one that
  // reaches the bottom stays there, stretched when it starts under the
  // navigation bar (the application area), moved when it is a bar at the bottom.
  for (Window *w : TopLevelWindowsBottomUp()) {
    const RECT r = w->rect;
    if (r.left != 0 || r.right != oldWidth) {
      continue;
    }
    RECT target{0, r.top, width, r.bottom};
    if (r.bottom == oldHeight) {
      target.bottom = height;
      if (r.top > navBar) {
        target.top = height - (r.bottom - r.top);
      }
    }
    PlaceWindow(*w, target, true);
  }
  MarkScreenChanged();
  for (Window *w : TopLevelWindowsBottomUp()) {
    SendMessageW(w->handle, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
  }
}

} // namespace platform

using platform::FindWindowObject;
using platform::Window;

ATOM WINAPI RegisterClassW(const WNDCLASSW *wc) {
  if (wc == nullptr || wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto &classes = platform::State().classes;
  const auto key = platform::Fold(wc->lpszClassName);
  if (classes.count(key) != 0) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  platform::WindowClass cls;
  cls.style = wc->style;
  cls.proc = wc->lpfnWndProc;
  cls.instance = wc->hInstance;
  cls.icon = wc->hIcon;
  cls.background = wc->hbrBackground;
  cls.name = wc->lpszClassName;
  classes.emplace(key, cls);
  return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE) {
  return platform::State().classes.erase(platform::Fold(lpClassName)) != 0 ? TRUE : FALSE;
}

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight, HWND hWndParent,
                            HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  auto &state = platform::State();
  const auto cls = state.classes.find(platform::Fold(lpClassName));
  if (cls == state.classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return nullptr;
  }
  const bool child = (dwStyle & WS_CHILD) != 0;
  Window *parent = FindWindowObject(hWndParent);
  if ((child && parent == nullptr) || (hWndParent != nullptr && parent == nullptr)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }

  auto window = std::make_unique<Window>();
  window->className = cls->second.name;
  window->title = lpWindowName != nullptr ? lpWindowName : u"";
  window->proc = cls->second.proc;
  window->classStyle = cls->second.style;
  window->classBackground = cls->second.background;
  window->style = dwStyle & ~static_cast<DWORD>(WS_VISIBLE | WS_DISABLED);
  window->exStyle = dwExStyle;
  window->instance = hInstance;
  window->visible = (dwStyle & WS_VISIBLE) != 0;
  window->enabled = (dwStyle & WS_DISABLED) == 0;
  if (child) {
    window->parent = hWndParent;
    window->id = hMenu;
  } else if (parent != nullptr) {
    // The owner of a pop-up is always a top-level window.
    window->owner = platform::TopLevelOf(parent)->handle;
  }

  // A top-level window at CW_USEDEFAULT fills the screen below the navigation bar.
  const auto &device = platform::CurrentDevice();
  if (!child && X == CW_USEDEFAULT) {
    window->rect =
        RECT{0, platform::NavigationBarHeight(), device.ScreenWidth(), device.ScreenHeight()};
  } else {
    const LONG ox = child ? parent->rect.left : 0;
    const LONG oy = child ? parent->rect.top : 0;
    const LONG x = X == CW_USEDEFAULT ? 0 : X;
    const LONG y = Y == CW_USEDEFAULT ? 0 : Y;
    const LONG w = nWidth == CW_USEDEFAULT ? 0 : std::max(nWidth, 0);
    const LONG h = nHeight == CW_USEDEFAULT ? 0 : std::max(nHeight, 0);
    window->rect = RECT{ox + x, oy + y, ox + x + w, oy + y + h};
  }
  window->updatePending = window->visible && !platform::IsEmptyRect(window->rect);
  window->updateRect = window->updatePending ? platform::ClientRectOf(*window) : RECT{};
  window->eraseRequested = window->updatePending;
  if (!child) {
    platform::ResizeBacking(*window);
  }

  const HWND hwnd = state.windows.Add<HWND>(std::move(window));
  Window *w = FindWindowObject(hwnd);
  w->handle = hwnd;
  state.order.push_back(hwnd);
  if (!child) {
    state.stack.push_back(hwnd);
    platform::BringToTop(*w);
  } else if (w->visible && platform::IsShown(*w)) {
    platform::MarkScreenChanged();
  }

  CREATESTRUCTW cs{};
  cs.lpCreateParams = lpParam;
  cs.hInstance = hInstance;
  cs.hMenu = hMenu;
  cs.hwndParent = hWndParent;
  cs.x = w->rect.left;
  cs.y = w->rect.top;
  cs.cx = w->rect.right - w->rect.left;
  cs.cy = w->rect.bottom - w->rect.top;
  cs.style = static_cast<LONG>(dwStyle);
  cs.lpszName = lpWindowName;
  cs.lpszClass = lpClassName;
  cs.dwExStyle = dwExStyle;
  // Windows CE sends no WM_NCCREATE: WM_CREATE is the first message, and -1 fails.
  if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  w = FindWindowObject(hwnd);
  if (w == nullptr) {
    return nullptr;
  }
  // A visible top-level window comes to the front as it appears.
  if (!child && w->visible) {
    platform::Activate(hwnd);
  }
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->destroying) {
    return TRUE;
  }
  w->destroying = true;
  // Owned pop-ups go first; then the window is told, then its children.
  for (Window *other : platform::AllWindows()) {
    if (other->owner == hWnd) {
      DestroyWindow(other->handle);
    }
  }
  if (platform::IsShown(*w)) {
    platform::InvalidateUncovered(*w, w->rect);
  }
  w->visible = false;
  platform::LoseActivation(*w);
  SendMessageW(hWnd, WM_DESTROY, 0, 0);
  for (Window *child : platform::ChildrenOf(hWnd)) {
    DestroyWindow(child->handle);
  }
  SendMessageW(hWnd, WM_NCDESTROY, 0, 0);
  auto &state = platform::State();
  platform::PurgeMessagesFor(hWnd);
  platform::RemoveFromStack(hWnd);
  state.windows.Remove(hWnd);
  state.order.erase(std::remove(state.order.begin(), state.order.end(), hWnd), state.order.end());
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) { return FindWindowObject(hWnd) != nullptr ? TRUE : FALSE; }

BOOL WINAPI IsWindowVisible(HWND hWnd) {
  Window *w = FindWindowObject(hWnd);
  return w != nullptr && platform::IsShown(*w) ? TRUE : FALSE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool hide = nCmdShow == SW_HIDE || nCmdShow == SW_MINIMIZE;
  const bool was = platform::SetVisible(*w, !hide);
  w = FindWindowObject(hWnd);
  const bool activate = nCmdShow == SW_SHOW || nCmdShow == SW_SHOWNORMAL;
  if (w != nullptr && activate && platform::IsTopLevel(*w)) {
    platform::BringToTop(*w);
    platform::Activate(hWnd);
  }
  return was ? TRUE : FALSE;
}

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || w->proc == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return w->proc(hWnd, Msg, wParam, lParam);
}

namespace {
// Children are placed in their parent's client coordinates; top-level windows in
// screen coordinates.
POINT ParentOrigin(const Window &w) {
  const Window *parent = FindWindowObject(w.parent);
  return parent != nullptr ? POINT{parent->rect.left, parent->rect.top} : POINT{0, 0};
}
} // namespace

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const POINT o = ParentOrigin(*w);
  platform::PlaceWindow(
      *w, RECT{o.x + X, o.y + Y, o.x + X + std::max(nWidth, 0), o.y + Y + std::max(nHeight, 0)},
      bRepaint != FALSE);
  return TRUE;
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const POINT o = ParentOrigin(*w);
  RECT target = w->rect;
  if ((uFlags & SWP_NOMOVE) == 0) {
    target = platform::OffsetRectBy(target, o.x + X - target.left, o.y + Y - target.top);
  }
  if ((uFlags & SWP_NOSIZE) == 0) {
    target.right = target.left + std::max(cx, 0);
    target.bottom = target.top + std::max(cy, 0);
  }
  platform::PlaceWindow(*w, target, true);
  if ((uFlags & SWP_NOZORDER) == 0 && platform::IsTopLevel(*w)) {
    if (hWndInsertAfter == HWND_TOPMOST) {
      w->exStyle |= WS_EX_TOPMOST;
      platform::BringToTop(*w);
    } else if (hWndInsertAfter == HWND_TOP) {
      platform::BringToTop(*w);
    } else if (Window *after = FindWindowObject(hWndInsertAfter);
               after != nullptr && platform::IsTopLevel(*after) && after != w) {
      // "After" is below that window in the stack.
      auto &stack = platform::State().stack;
      platform::RemoveFromStack(hWnd);
      stack.insert(std::find(stack.begin(), stack.end(), hWndInsertAfter), hWnd);
      platform::MarkScreenChanged();
    }
  }
  if ((uFlags & SWP_SHOWWINDOW) != 0) {
    platform::SetVisible(*w, true);
  } else if ((uFlags & SWP_HIDEWINDOW) != 0) {
    platform::SetVisible(*w, false);
  }
  if ((uFlags & SWP_NOACTIVATE) == 0 && (uFlags & SWP_HIDEWINDOW) == 0 &&
      FindWindowObject(hWnd) != nullptr && platform::IsTopLevel(*w) && w->visible) {
    platform::Activate(hWnd);
  }
  return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || lpRect == nullptr) {
    return FALSE;
  }
  *lpRect = w->rect;
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || lpRect == nullptr) {
    return FALSE;
  }
  *lpRect = platform::ClientRectOf(*w);
  return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || lpPoint == nullptr) {
    return FALSE;
  }
  lpPoint->x += w->rect.left;
  lpPoint->y += w->rect.top;
  return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || lpPoint == nullptr) {
    return FALSE;
  }
  lpPoint->x -= w->rect.left;
  lpPoint->y -= w->rect.top;
  return TRUE;
}

HWND WINAPI WindowFromPoint(POINT Point) {
  Window *w = platform::PenTarget(Point);
  return w != nullptr ? w->handle : nullptr;
}

HWND WINAPI GetParent(HWND hWnd) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    return nullptr;
  }
  return w->parent != nullptr ? w->parent : w->owner;
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (uCmd == GW_OWNER) {
    return w->owner;
  }
  if (uCmd == GW_CHILD) {
    const auto children = platform::ChildrenOf(hWnd);
    return children.empty() ? nullptr : children.front()->handle;
  }
  // Siblings: children of the same parent in creation order, or top-level
  // windows from the top of the stack down.
  std::vector<HWND> siblings;
  if (w->parent != nullptr) {
    for (Window *c : platform::ChildrenOf(w->parent)) {
      siblings.push_back(c->handle);
    }
  } else {
    const auto &stack = platform::State().stack;
    siblings.assign(stack.rbegin(), stack.rend());
  }
  const auto at = std::find(siblings.begin(), siblings.end(), hWnd);
  switch (uCmd) {
  case GW_HWNDFIRST:
    return siblings.empty() ? nullptr : siblings.front();
  case GW_HWNDLAST:
    return siblings.empty() ? nullptr : siblings.back();
  case GW_HWNDNEXT:
    return at == siblings.end() || at + 1 == siblings.end() ? nullptr : *(at + 1);
  case GW_HWNDPREV:
    return at == siblings.begin() || at == siblings.end() ? nullptr : *(at - 1);
  default:
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
}

HWND WINAPI GetForegroundWindow() { return platform::State().foreground; }

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
  // The shell's form with the low bit set also brings the window's owned
  // pop-ups forward; owned windows always stay above their owner here, so both
  // forms do the same for a window of this process.
  const auto value = reinterpret_cast<std::uintptr_t>(hWnd) & ~std::uintptr_t{1};
  const HWND hwnd = reinterpret_cast<HWND>(value);
  Window *w = platform::TopLevelOf(FindWindowObject(hwnd));
  if (w == nullptr) {
    if (platform::RemoteSetForegroundWindow(hWnd)) {
      return TRUE;
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  platform::BringToTop(*w);
  // A window disabled by its modal dialog hands the activation to the dialog.
  HWND target = w->handle;
  if (!w->enabled) {
    for (Window *other : platform::TopLevelWindowsBottomUp()) {
      if (other->owner == w->handle && other->visible && other->enabled) {
        target = other->handle;
      }
    }
  }
  platform::Activate(target);
  return TRUE;
}

HWND WINAPI GetFocus() { return platform::State().focus; }

HWND WINAPI SetFocus(HWND hWnd) {
  auto &state = platform::State();
  const HWND old = state.focus;
  if (hWnd != nullptr && FindWindowObject(hWnd) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (old == hWnd) {
    return old;
  }
  state.focus = hWnd;
  if (FindWindowObject(old) != nullptr) {
    SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
  }
  if (hWnd != nullptr) {
    SendMessageW(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  }
  return old;
}

HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  // Class names compare without case, titles exactly; a null argument matches all.
  if (const HWND local = platform::FindWindowInThisProcess(lpClassName, lpWindowName)) {
    return local;
  }
  // Then the instance already running on the same profile, if any.
  return platform::RemoteFindWindow(lpClassName, lpWindowName);
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool wasDisabled = !w->enabled;
  const bool enable = bEnable != FALSE;
  if (w->enabled != enable) {
    w->enabled = enable;
    if (!enable && platform::State().focus == hWnd) {
      platform::State().focus = nullptr;
    }
    SendMessageW(hWnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  }
  return wasDisabled ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
  Window *w = FindWindowObject(hWnd);
  return w != nullptr && w->enabled ? TRUE : FALSE;
}

int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
  if (lpString == nullptr || nMaxCount <= 0 || FindWindowObject(hWnd) == nullptr) {
    return 0;
  }
  return static_cast<int>(SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                       reinterpret_cast<LPARAM>(lpString)));
}

BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
  if (FindWindowObject(hWnd) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0 ? TRUE : FALSE;
}

LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (nIndex) {
  case GWL_STYLE:
    return static_cast<LONG>(w->style | (w->visible ? WS_VISIBLE : 0) |
                             (w->enabled ? 0 : WS_DISABLED));
  case GWL_EXSTYLE:
    return static_cast<LONG>(w->exStyle);
  case GWL_ID:
    return static_cast<LONG>(reinterpret_cast<std::intptr_t>(w->id));
  case GWL_WNDPROC:
    // A procedure's address does not fit a 32-bit LONG on this host.
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  default: {
    const auto it = w->longs.find(nIndex);
    return it != w->longs.end() ? it->second : 0;
  }
  }
}

LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const LONG old = GetWindowLongW(hWnd, nIndex);
  const auto bits = static_cast<DWORD>(dwNewLong);
  switch (nIndex) {
  case GWL_STYLE:
    w->style = bits & ~static_cast<DWORD>(WS_VISIBLE | WS_DISABLED);
    w->visible = (bits & WS_VISIBLE) != 0;
    w->enabled = (bits & WS_DISABLED) == 0;
    platform::MarkScreenChanged();
    break;
  case GWL_EXSTYLE:
    w->exStyle = bits;
    break;
  case GWL_ID:
    w->id = reinterpret_cast<HMENU>(static_cast<std::intptr_t>(dwNewLong));
    break;
  case GWL_WNDPROC:
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  default:
    w->longs[nIndex] = dwNewLong;
    break;
  }
  return old;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    return FALSE;
  }
  ++w->invalidateCount;
  const RECT client = platform::ClientRectOf(*w);
  const RECT area = lpRect != nullptr ? platform::IntersectRects(*lpRect, client) : client;
  // Without WS_CLIPCHILDREN the parent paints over its children, so they repaint too.
  platform::AddUpdate(*w, area, bErase != FALSE, (w->style & WS_CLIPCHILDREN) == 0);
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT *lpRect) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    return FALSE;
  }
  // The region is kept as a rectangle: validating part of it validates the rest
  // only when the part covers it.
  if (lpRect == nullptr ||
      (lpRect->left <= w->updateRect.left && lpRect->top <= w->updateRect.top &&
       lpRect->right >= w->updateRect.right && lpRect->bottom >= w->updateRect.bottom)) {
    w->updatePending = false;
    w->updateRect = RECT{};
    w->eraseRequested = false;
  }
  return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    return FALSE;
  }
  if (lpRect != nullptr) {
    *lpRect = w->updatePending ? w->updateRect : RECT{};
  }
  return w->updatePending ? TRUE : FALSE;
}

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    // Thread timers (no window) are not used by the game and not provided.
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  // Setting an existing id replaces it and restarts its period.
  platform::Timer &timer = w->timers[nIDEvent];
  timer.periodMs = std::max<UINT>(uElapse, 1);
  timer.callback = lpTimerFunc;
  timer.dueMs = platform::CurrentDevice().NowMs() + timer.periodMs;
  platform::TraceTimer(true, nIDEvent, timer.periodMs);
  return nIDEvent != 0 ? nIDEvent : 1;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || w->timers.erase(uIDEvent) == 0) {
    return FALSE;
  }
  platform::TraceTimer(false, uIDEvent, 0);
  return TRUE;
}
