// Window classes, creation and destruction, geometry, invalidation and timers.
#include "user/window.h"

#include <algorithm>
#include <memory>

#include "common/handle_table.h"
#include "host/device.h"

namespace platform {
namespace {

struct WindowState {
  HandleTable<Window> windows{0x10000};
  std::vector<HWND> order; // creation order, for enumeration
  std::map<std::u16string, WindowClass> classes; // keyed by folded name
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

RECT Intersect(const RECT &a, const RECT &b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) {
    return RECT{};
  }
  return r;
}

bool IsEmpty(const RECT &r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Union(const RECT &a, const RECT &b) {
  if (IsEmpty(a)) {
    return b;
  }
  if (IsEmpty(b)) {
    return a;
  }
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

RECT ClientRectOf(const Window &w) {
  return RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
}

} // namespace

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
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight,
                            HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  auto &state = platform::State();
  const auto cls = state.classes.find(platform::Fold(lpClassName));
  if (cls == state.classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return nullptr;
  }
  const bool child = (dwStyle & WS_CHILD) != 0;
  Window *parent = FindWindowObject(hWndParent);
  if (child && parent == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }

  auto window = std::make_unique<Window>();
  window->className = cls->second.name;
  window->title = lpWindowName != nullptr ? lpWindowName : u"";
  window->proc = cls->second.proc;
  window->classStyle = cls->second.style;
  window->style = dwStyle;
  window->exStyle = dwExStyle;
  window->instance = hInstance;
  window->visible = (dwStyle & WS_VISIBLE) != 0;
  window->enabled = (dwStyle & WS_DISABLED) == 0;
  if (child) {
    window->parent = hWndParent;
    window->id = hMenu;
  } else {
    window->owner = hWndParent;
  }

  // A top-level window at CW_USEDEFAULT fills the screen below the navigation bar.
  const auto &device = platform::CurrentDevice();
  if (!child && X == CW_USEDEFAULT) {
    const int navBar = (26 * device.Dpi() + 48) / 96;
    window->rect = RECT{0, navBar, device.ScreenWidth(), device.ScreenHeight()};
  } else {
    const int ox = child ? parent->rect.left : 0;
    const int oy = child ? parent->rect.top : 0;
    const int w = nWidth == CW_USEDEFAULT ? 0 : nWidth;
    const int h = nHeight == CW_USEDEFAULT ? 0 : nHeight;
    window->rect = RECT{ox + X, oy + Y, ox + X + w, oy + Y + h};
  }
  window->updatePending = window->visible;
  window->updateRect = platform::ClientRectOf(*window);
  window->eraseRequested = window->visible;

  const HWND hwnd = state.windows.Add<HWND>(std::move(window));
  Window *w = FindWindowObject(hwnd);
  w->handle = hwnd;
  state.order.push_back(hwnd);

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
  // Owned pop-ups and children go first, as on the device.
  for (Window *other : platform::AllWindows()) {
    if (other != w && (other->parent == hWnd || other->owner == hWnd)) {
      DestroyWindow(other->handle);
    }
  }
  SendMessageW(hWnd, WM_DESTROY, 0, 0);
  auto &state = platform::State();
  state.windows.Remove(hWnd);
  state.order.erase(std::remove(state.order.begin(), state.order.end(), hWnd), state.order.end());
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) { return FindWindowObject(hWnd) != nullptr ? TRUE : FALSE; }

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || w->proc == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return w->proc(hWnd, Msg, wParam, lParam);
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

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    return FALSE;
  }
  ++w->invalidateCount;
  const RECT client = platform::ClientRectOf(*w);
  const RECT area = lpRect != nullptr ? platform::Intersect(*lpRect, client) : client;
  if (!platform::IsEmpty(area)) {
    w->updateRect = w->updatePending ? platform::Union(w->updateRect, area) : area;
    w->updatePending = true;
    w->eraseRequested = w->eraseRequested || bErase != FALSE;
  }
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT *lpRect) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    return FALSE;
  }
  // The region is kept as a rectangle: validating part of it validates the rest
  // only when the part covers it.
  if (lpRect == nullptr || (lpRect->left <= w->updateRect.left &&
                            lpRect->top <= w->updateRect.top &&
                            lpRect->right >= w->updateRect.right &&
                            lpRect->bottom >= w->updateRect.bottom)) {
    w->updatePending = false;
    w->updateRect = RECT{};
    w->eraseRequested = false;
  }
  return TRUE;
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
  timer.pending = false;
  return nIDEvent != 0 ? nIDEvent : 1;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || w->timers.erase(uIDEvent) == 0) {
    return FALSE;
  }
  return TRUE;
}

LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
  switch (Msg) {
  case WM_CLOSE:
    DestroyWindow(hWnd);
    return 0;
  case WM_ERASEBKGND:
    return 1;
  default:
    return 0;
  }
}
