// Windows: creation and destruction, the tree of parents, owners and children,
// window data and text, and finding windows.
#include "user/window.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "device/device.h"
#include "user/compositor.h"

namespace platform {
namespace {

const bool registered = [] {
  RegisterResetHook([] { User() = UserState{}; });
  return true;
}();

} // namespace

UserState &User() {
  static UserState state;
  return state;
}

Window *FindWindowObject(HWND hwnd) { return User().windows.Find(hwnd); }

std::vector<Window *> AllWindows() {
  std::vector<Window *> all;
  for (HWND h : User().order) {
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

bool InSubtree(const Window *w, const Window *root) {
  for (; w != nullptr; w = FindWindowObject(w->parent)) {
    if (w == root) {
      return true;
    }
  }
  return false;
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

} // namespace platform

using platform::FindWindowObject;
using platform::Window;

namespace {

// The record of a new window: what its class gives, its styles, and where it
// hangs (a child's parent and id, a pop-up's top-level owner).
std::unique_ptr<Window> NewWindow(const platform::WindowClass &cls, DWORD exStyle, LPCWSTR title,
                                  DWORD style, Window *parent, HMENU menu, HINSTANCE instance) {
  auto window = std::make_unique<Window>();
  window->className = cls.name;
  window->title = title != nullptr ? title : u"";
  window->proc = cls.proc;
  window->classStyle = cls.style;
  window->classBackground = cls.background;
  window->classIcon = cls.icon;
  window->style = style & ~static_cast<DWORD>(WS_VISIBLE | WS_DISABLED);
  window->exStyle = exStyle;
  window->instance = instance;
  window->visible = (style & WS_VISIBLE) != 0;
  window->enabled = (style & WS_DISABLED) == 0;
  if ((style & WS_CHILD) != 0) {
    window->parent = parent->handle;
    window->id = menu;
  } else if (parent != nullptr) {
    // The owner of a pop-up is always a top-level window.
    window->owner = platform::TopLevelOf(parent)->handle;
  }
  return window;
}

// Where a new window goes, in screen coordinates: a top-level window at
// CW_USEDEFAULT fills the screen below the navigation bar; a child's position is
// in its parent's.
RECT CreationRect(const Window *parent, bool child, int x, int y, int width, int height) {
  const auto &device = platform::CurrentDevice();
  if (!child && x == CW_USEDEFAULT) {
    return RECT{0, platform::NavigationBarHeight(), device.ScreenWidth(), device.ScreenHeight()};
  }
  const LONG ox = child ? parent->rect.left : 0;
  const LONG oy = child ? parent->rect.top : 0;
  const LONG left = x == CW_USEDEFAULT ? 0 : x;
  const LONG top = y == CW_USEDEFAULT ? 0 : y;
  const LONG w = width == CW_USEDEFAULT ? 0 : std::max(width, 0);
  const LONG h = height == CW_USEDEFAULT ? 0 : std::max(height, 0);
  return RECT{ox + left, oy + top, ox + left + w, oy + top + h};
}

// Hands the window its handle and puts it in the tables: the creation order, and
// for a top-level window the top of the stack.
Window *AddWindow(std::unique_ptr<Window> window) {
  auto &state = platform::User();
  const bool child = window->parent != nullptr;
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
  return w;
}

} // namespace

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight, HWND hWndParent,
                            HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  const platform::WindowClass *cls = platform::FindWindowClass(lpClassName);
  if (cls == nullptr) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return nullptr;
  }
  const bool child = (dwStyle & WS_CHILD) != 0;
  Window *parent = FindWindowObject(hWndParent);
  if ((child && parent == nullptr) || (hWndParent != nullptr && parent == nullptr)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  auto window = NewWindow(*cls, dwExStyle, lpWindowName, dwStyle, parent, hMenu, hInstance);
  window->rect = CreationRect(parent, child, X, Y, nWidth, nHeight);
  window->updatePending = window->visible && !platform::IsEmptyRect(window->rect);
  window->updateRect = window->updatePending ? platform::ClientRectOf(*window) : RECT{};
  window->eraseRequested = window->updatePending;
  Window *w = AddWindow(std::move(window));
  const HWND hwnd = w->handle;

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
  // Owned pop-ups go first; then the window is told, then its children. The pop-ups are
  // named by handle: destroying one frees its own children, which a list of the windows
  // taken beforehand would still point to.
  std::vector<HWND> owned;
  for (Window *other : platform::AllWindows()) {
    if (other->owner == hWnd) {
      owned.push_back(other->handle);
    }
  }
  for (HWND popup : owned) {
    DestroyWindow(popup);
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
  auto &state = platform::User();
  platform::RemoveFromStack(hWnd);
  state.windows.Remove(hWnd);
  state.order.erase(std::remove(state.order.begin(), state.order.end(), hWnd), state.order.end());
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) { return FindWindowObject(hWnd) != nullptr ? TRUE : FALSE; }

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
    const auto &stack = platform::User().stack;
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

HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  // Class names compare without case, titles exactly; a null argument matches all.
  if (const HWND local = platform::FindWindowInThisProcess(lpClassName, lpWindowName)) {
    return local;
  }
  // Then the instance already running on the same profile, if any.
  return platform::RemoteFindWindow(lpClassName, lpWindowName);
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
    platform::MarkScreenChanged(); // the shell's bars may show it (an "ok" button)
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
