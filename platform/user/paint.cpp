// Device contexts of windows: GetDC, ReleaseDC, BeginPaint and EndPaint on the
// windows' backing surfaces, and erasing with the class brush.
#include <windows.h>

#include <map>

#include "host/device.h"
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
  if (top == nullptr || !top->backing) {
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
  const HDC dc = CreateSurfaceDC(top->backing, origin, clip);
  if (dc != nullptr) {
    OpenDCs()[dc] = w.handle;
    MarkScreenChanged();
  }
  return dc;
}

} // namespace

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
