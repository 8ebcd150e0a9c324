// SetCapture, ReleaseCapture and GetCapture: a control that is pressed keeps the pen
// until it is lifted, so a press that slides off can be told from a tap.
#include "user/capture.h"

#include "device/device.h"
#include "user/window.h"

namespace platform {
namespace {

HWND &Captured() {
  static HWND captured = nullptr;
  return captured;
}

const bool registered = [] {
  RegisterResetHook([] { Captured() = nullptr; });
  return true;
}();

} // namespace

HWND CaptureWindow() {
  HWND &captured = Captured();
  if (captured != nullptr && FindWindowObject(captured) == nullptr) {
    captured = nullptr; // destroyed while it held the pen
  }
  return captured;
}

} // namespace platform

HWND WINAPI GetCapture() { return platform::CaptureWindow(); }

HWND WINAPI SetCapture(HWND hWnd) {
  const HWND old = platform::CaptureWindow();
  if (platform::FindWindowObject(hWnd) == nullptr) {
    return old;
  }
  platform::Captured() = hWnd;
  if (old != nullptr && old != hWnd) {
    SendMessageW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
  }
  return old;
}

BOOL WINAPI ReleaseCapture() {
  const HWND old = platform::CaptureWindow();
  platform::Captured() = nullptr;
  if (old != nullptr) {
    SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  }
  return TRUE;
}
