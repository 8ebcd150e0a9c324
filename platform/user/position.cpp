// Position, size and visibility of windows, and turning the screen.
#include <windows.h>

#include <algorithm>

#include "device/device.h"
#include "user/compositor.h"
#include "user/window.h"

namespace platform {
namespace {

// What a window shows where nothing has been drawn yet.
constexpr std::uint32_t kBackingWhite = 0x00FFFFFF;

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
    AddUpdate(w, ClientRectOf(w), true);
  }
  if (resized) {
    if (repaint || (w.classStyle & (CS_HREDRAW | CS_VREDRAW)) != 0 || w.updatePending) {
      AddUpdate(w, ClientRectOf(w), true);
    }
  }
  if (IsShown(w)) {
    for (const RECT &part : SubtractRect(old, target)) {
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

// Children are placed in their parent's client coordinates; top-level windows in
// screen coordinates.
POINT ParentOrigin(const Window &w) {
  const Window *parent = FindWindowObject(w.parent);
  return parent != nullptr ? POINT{parent->rect.left, parent->rect.top} : POINT{0, 0};
}

} // namespace

void ResizeBacking(Window &w) {
  if (!w.backing) {
    return; // made at its first use, at the size the window has then
  }
  MakeOwedCopy();
  const RECT client = ClientRectOf(w);
  const auto width = static_cast<int>(client.right);
  const auto height = static_cast<int>(client.bottom);
  const auto count = static_cast<std::size_t>(width) * height;
  // Rows of the same width stay where they are when no DC draws on the surface and
  // its memory holds them: fresh pages are what a large surface costs.
  if (w.backing.use_count() == 1 && w.backing->width == width &&
      count <= w.backing->pixels.capacity()) {
    w.backing->pixels.resize(count, kBackingWhite);
    w.backing->height = height;
    return;
  }
  auto surface = std::make_shared<Surface>(width, height, kBackingWhite);
  const int rows = std::min(surface->height, w.backing->height);
  const int cols = std::min(surface->width, w.backing->width);
  for (int y = 0; y < rows && cols > 0; ++y) {
    std::copy_n(w.backing->Row(y), cols, surface->Row(y));
  }
  w.backing = std::move(surface);
}

const std::shared_ptr<Surface> &Backing(Window &w) {
  MakeOwedCopy();
  if (!w.backing) {
    const RECT client = ClientRectOf(w);
    w.backing = std::make_shared<Surface>(static_cast<int>(client.right),
                                          static_cast<int>(client.bottom), kBackingWhite);
  }
  return w.backing;
}

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
    AddUpdate(w, ClientRectOf(w), true);
  } else {
    LoseActivation(w);
  }
  MarkScreenChanged();
  return was;
}

void TurnScreen() {
  Device &device = CurrentDevice();
  const LONG oldWidth = device.ScreenWidth();
  const LONG oldHeight = device.ScreenHeight();
  device.Rotate();
  const LONG width = device.ScreenWidth();
  const LONG height = device.ScreenHeight();
  const LONG navBar = NavigationBarHeight();
  // A window that spans the screen's width follows the new width. A bar at the
  // bottom moves with the bottom. A window that starts under the navigation bar
  // and reaches down to the soft-key bar's place or further fills the application
  // area: its bottom keeps its distance from the screen's bottom, above or below
  // it, so that it fills the area after the turn wherever its owner put that edge.
  for (Window *w : TopLevelWindowsBottomUp()) {
    const RECT r = w->rect;
    if (r.left != 0 || r.right != oldWidth) {
      continue;
    }
    RECT target{0, r.top, width, r.bottom};
    if (r.top > navBar && r.bottom == oldHeight) {
      target = RECT{0, height - (r.bottom - r.top), width, height};
    } else if (r.top <= navBar && r.bottom >= oldHeight - navBar) {
      target.bottom = std::max(r.top, height + (r.bottom - oldHeight));
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

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const POINT o = platform::ParentOrigin(*w);
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
  const POINT o = platform::ParentOrigin(*w);
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
      auto &stack = platform::User().stack;
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
