// Window classes: RegisterClassW, UnregisterClassW and the lookup by name.
#include <windows.h>

#include "common/case_fold.h"
#include "user/window.h"

namespace platform {

const WindowClass *FindWindowClass(LPCWSTR name) {
  if (name == nullptr) {
    return nullptr;
  }
  const auto &classes = User().classes;
  const auto it = classes.find(UpperCased(name));
  return it != classes.end() ? &it->second : nullptr;
}

} // namespace platform

ATOM WINAPI RegisterClassW(const WNDCLASSW *wc) {
  if (wc == nullptr || wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto &classes = platform::User().classes;
  const auto key = platform::UpperCased(wc->lpszClassName);
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
  return platform::User().classes.erase(platform::UpperCased(lpClassName)) != 0 ? TRUE : FALSE;
}
