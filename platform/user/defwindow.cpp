// DefWindowProcW: what a window does with a message its procedure leaves alone.
#include <windows.h>

#include <algorithm>

#include "user/compositor.h"
#include "user/window.h"

namespace platform {
namespace {

void SendText(HWND hwnd, WPARAM capacity, LPWSTR buffer, std::size_t *copied) {
  const Window *w = FindWindowObject(hwnd);
  *copied = 0;
  if (w == nullptr || buffer == nullptr || capacity == 0) {
    return;
  }
  const std::size_t n = std::min<std::size_t>(w->title.size(), capacity - 1);
  std::copy_n(w->title.data(), n, buffer);
  buffer[n] = 0;
  *copied = n;
}

} // namespace
} // namespace platform

using platform::FindWindowObject;
using platform::Window;

LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
  case WM_CLOSE:
    DestroyWindow(hWnd);
    return 0;
  case WM_PAINT: {
    PAINTSTRUCT ps{};
    BeginPaint(hWnd, &ps);
    EndPaint(hWnd, &ps);
    return 0;
  }
  case WM_ERASEBKGND:
    return platform::EraseWithClassBrush(hWnd, reinterpret_cast<HDC>(wParam)) ? 1 : 0;
  case WM_SETTEXT: {
    Window *w = FindWindowObject(hWnd);
    if (w == nullptr) {
      return FALSE;
    }
    const auto *text = reinterpret_cast<LPCWSTR>(lParam);
    w->title = text != nullptr ? text : u"";
    platform::MarkScreenChanged();
    return TRUE;
  }
  case WM_GETTEXT: {
    std::size_t copied = 0;
    platform::SendText(hWnd, wParam, reinterpret_cast<LPWSTR>(lParam), &copied);
    return static_cast<LRESULT>(copied);
  }
  case WM_MOUSEWHEEL: {
    // A child that does not scroll hands the wheel to its parent.
    const Window *w = FindWindowObject(hWnd);
    return w != nullptr && w->parent != nullptr ? SendMessageW(w->parent, Msg, wParam, lParam) : 0;
  }
  case WM_GETTEXTLENGTH: {
    const Window *w = FindWindowObject(hWnd);
    return w != nullptr ? static_cast<LRESULT>(w->title.size()) : 0;
  }
  default:
    return 0;
  }
}
