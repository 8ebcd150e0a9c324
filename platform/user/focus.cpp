// The stack of top-level windows, the foreground window and the focus, and which
// window the pen and the keys reach.
#include <windows.h>

#include <algorithm>

#include "user/compositor.h"
#include "user/window.h"

namespace platform {
namespace {

bool IsTopmost(const Window &w) { return (w.exStyle & WS_EX_TOPMOST) != 0; }

// After the foreground window was hidden or destroyed: its owner when shown,
// else the topmost shown top-level window that is enabled.
void ActivateAfter(const Window &gone) {
  Window *owner = FindWindowObject(gone.owner);
  if (owner != nullptr && IsShown(*owner) && !owner->destroying) {
    Activate(owner->handle);
    return;
  }
  const auto &stack = User().stack;
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    Window *w = FindWindowObject(*it);
    if (w != nullptr && w != &gone && w->visible && w->enabled && !w->destroying) {
      Activate(w->handle);
      return;
    }
  }
  User().foreground = nullptr;
}

} // namespace

std::vector<Window *> TopLevelWindowsBottomUp() {
  std::vector<Window *> all;
  for (HWND h : User().stack) {
    if (Window *w = FindWindowObject(h)) {
      all.push_back(w);
    }
  }
  return all;
}

void RemoveFromStack(HWND hwnd) {
  auto &stack = User().stack;
  stack.erase(std::remove(stack.begin(), stack.end(), hwnd), stack.end());
}

void BringToTop(Window &w) {
  auto &stack = User().stack;
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
  auto &state = User();
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

void LoseActivation(const Window &w) {
  auto &state = User();
  if (Window *focus = FindWindowObject(state.focus); focus != nullptr && InSubtree(focus, &w)) {
    state.focus = nullptr;
  }
  if (state.foreground == w.handle) {
    ActivateAfter(w);
  }
}

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
  auto &state = User();
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
  Window *w = TopLevelOf(FindWindowObject(User().foreground));
  while (w != nullptr && FindWindowObject(w->owner) != nullptr) {
    w = TopLevelOf(FindWindowObject(w->owner));
  }
  return w != nullptr ? w->handle : nullptr;
}

} // namespace platform

using platform::FindWindowObject;
using platform::Window;

HWND WINAPI GetForegroundWindow() { return platform::User().foreground; }

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

HWND WINAPI GetFocus() { return platform::User().focus; }

HWND WINAPI SetFocus(HWND hWnd) {
  auto &state = platform::User();
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
    if (!enable && platform::User().focus == hWnd) {
      platform::User().focus = nullptr;
    }
    SendMessageW(hWnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  }
  return wasDisabled ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
  Window *w = FindWindowObject(hWnd);
  return w != nullptr && w->enabled ? TRUE : FALSE;
}
