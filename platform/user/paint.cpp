// Painting: update regions and invalidation, the DCs of windows (GetDC, BeginPaint
// and friends on the windows' backing surfaces), erasing with the class brush.
#include <windows.h>

#include <map>

#include "device/device.h"
#include "device/events.h"
#include "user/compositor.h"
#include "user/window.h"

namespace platform {
namespace {

// The DCs handed out for windows, so ReleaseDC can refuse a foreign one.
std::map<HDC, HWND> &OpenDCs() {
  static std::map<HDC, HWND> dcs;
  return dcs;
}

const bool registered = [] {
  RegisterResetHook([] {
    for (const auto &[dc, hwnd] : OpenDCs()) {
      DeleteSurfaceDC(dc);
    }
    OpenDCs().clear();
  });
  return true;
}();

// A DC for a window's client area, clipped to it, to its ancestors and to `area`
// (client coordinates) when given.
HDC WindowDC(Window &w, const RECT *area) {
  Window *top = TopLevelOf(&w);
  if (top == nullptr) {
    return nullptr;
  }
  const POINT origin{w.rect.left - top->rect.left, w.rect.top - top->rect.top};
  RECT clip = w.rect;
  for (Window *p = FindWindowObject(w.parent); p != nullptr; p = FindWindowObject(p->parent)) {
    clip = IntersectRects(clip, p->rect);
  }
  clip = OffsetRectBy(clip, -top->rect.left, -top->rect.top);
  if (area != nullptr) {
    clip = IntersectRects(clip, OffsetRectBy(*area, origin.x, origin.y));
  }
  const HDC dc = CreateSurfaceDC(Backing(*top), origin, clip);
  if (dc != nullptr) {
    OpenDCs()[dc] = w.handle;
    MarkScreenChanged();
  }
  return dc;
}

} // namespace

void AddUpdate(Window &w, const RECT &clientArea, bool erase, const Window *except) {
  const RECT area = IntersectRects(clientArea, ClientRectOf(w));
  if (IsEmptyRect(area)) {
    return;
  }
  w.updateRect = w.updatePending ? UnionRects(w.updateRect, area) : area;
  w.updatePending = true;
  w.eraseRequested = w.eraseRequested || erase;
  const RECT screenArea = OffsetRectBy(area, w.rect.left, w.rect.top);
  for (Window *child : ChildrenOf(w.handle)) {
    if (child != except && child->visible) {
      const RECT part = IntersectRects(screenArea, child->rect);
      if (!IsEmptyRect(part)) {
        AddUpdate(*child, OffsetRectBy(part, -child->rect.left, -child->rect.top), erase, except);
      }
    }
  }
}

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
    AddUpdate(*top, OffsetRectBy(screenArea, -top->rect.left, -top->rect.top), true, &gone);
  }
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
        AddUpdate(*w, OffsetRectBy(part, -w->rect.left, -w->rect.top), true);
      }
    }
  }
  MarkScreenChanged();
}

bool EraseWithClassBrush(HWND hwnd, HDC dc) {
  const Window *w = FindWindowObject(hwnd);
  if (w == nullptr || w->classBackground == nullptr || dc == nullptr) {
    return false;
  }
  const RECT client = ClientRectOf(*w);
  return FillRect(dc, &client, w->classBackground) != 0;
}

} // namespace platform

using platform::FindWindowObject;
using platform::Window;

HDC WINAPI GetDC(HWND hWnd) {
  if (hWnd == nullptr) {
    const RECT screen{0, 0, platform::CurrentDevice().ScreenWidth(),
                      platform::CurrentDevice().ScreenHeight()};
    const HDC dc = platform::CreateSurfaceDC(platform::SharedScreenSurface(), POINT{0, 0}, screen);
    if (dc != nullptr) {
      platform::OpenDCs()[dc] = nullptr;
    }
    return dc;
  }
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return platform::WindowDC(*w, nullptr);
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
  auto &open = platform::OpenDCs();
  const auto it = open.find(hDC);
  if (it == open.end() || it->second != hWnd) {
    return 0;
  }
  platform::DeleteSurfaceDC(hDC);
  open.erase(it);
  return 1;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || lpPaint == nullptr) {
    SetLastError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // The paint covers the update region as it stands, which is then valid.
  const RECT area = w->updatePending ? w->updateRect : RECT{};
  const bool erase = w->updatePending && w->eraseRequested;
  w->updatePending = false;
  w->updateRect = RECT{};
  w->eraseRequested = false;
  *lpPaint = PAINTSTRUCT{};
  lpPaint->rcPaint = area;
  lpPaint->hdc = platform::WindowDC(*w, &area);
  if (erase && lpPaint->hdc != nullptr) {
    // A window that does not erase leaves the job to the painting code.
    const LRESULT erased =
        SendMessageW(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(lpPaint->hdc), 0);
    lpPaint->fErase = erased == 0 ? TRUE : FALSE;
  }
  return lpPaint->hdc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint) {
  if (lpPaint == nullptr) {
    return FALSE;
  }
  ReleaseDC(hWnd, lpPaint->hdc);
  return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    return FALSE;
  }
  platform::AnnounceRedraw(hWnd);
  const RECT client = platform::ClientRectOf(*w);
  const RECT area = lpRect != nullptr ? platform::IntersectRects(*lpRect, client) : client;
  platform::AddUpdate(*w, area, bErase != FALSE);
  return TRUE;
}

// Only the whole window is validated (lpRect null): the program validates through
// BeginPaint and never validates a part.
BOOL WINAPI ValidateRect(HWND hWnd, const RECT *lpRect) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || lpRect != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  w->updatePending = false;
  w->updateRect = RECT{};
  w->eraseRequested = false;
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

BOOL WINAPI UpdateWindow(HWND hWnd) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  // The window and then its descendants paint now, before UpdateWindow returns.
  std::vector<HWND> windows{hWnd};
  for (std::size_t i = 0; i < windows.size(); ++i) {
    for (Window *child : platform::ChildrenOf(windows[i])) {
      windows.push_back(child->handle);
    }
  }
  for (HWND h : windows) {
    Window *target = FindWindowObject(h);
    if (target != nullptr && target->updatePending && platform::IsShown(*target)) {
      SendMessageW(h, WM_PAINT, 0, 0);
    }
  }
  return TRUE;
}
