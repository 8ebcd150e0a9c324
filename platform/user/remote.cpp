// Windows of the other instance running on the same profile, through the
// single-instance service; and this process's answers to that instance.
#include <windows.h>

#include <cstdint>

#include "device/events.h"
#include "instance/instance.h"
#include "user/window.h"

namespace platform {
namespace {

// FindWindowW of this process only: a request from the other instance must
// never be passed back to it.
HWND FindLocalWindow(LPCWSTR className, LPCWSTR title) {
  for (Window *w : TopLevelWindowsBottomUp()) {
    if (w->destroying) {
      continue;
    }
    if (className != nullptr && lstrcmpiW(w->className.c_str(), className) != 0) {
      continue;
    }
    if (title != nullptr && w->title != title) {
      continue;
    }
    return w->handle;
  }
  return nullptr;
}

bool BringLocalToFront(HWND hwnd) {
  const auto value = reinterpret_cast<std::uintptr_t>(hwnd) & ~std::uintptr_t{1};
  if (FindWindowObject(reinterpret_cast<HWND>(value)) == nullptr) {
    return false;
  }
  AnnounceFrontRequest();
  return SetForegroundWindow(hwnd) != FALSE;
}

const bool registered = [] {
  instance::SetLocalWindowCalls(instance::LocalWindowCalls{FindLocalWindow, BringLocalToFront});
  return true;
}();

} // namespace

HWND FindWindowInThisProcess(LPCWSTR className, LPCWSTR title) {
  return FindLocalWindow(className, title);
}

HWND RemoteFindWindow(LPCWSTR className, LPCWSTR title) {
  return instance::FindRemoteWindow(className, title);
}

bool RemoteSetForegroundWindow(HWND hwnd) {
  return instance::IsRemoteWindow(hwnd) && instance::BringRemoteToFront(hwnd);
}

} // namespace platform
