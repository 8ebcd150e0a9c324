// System metrics and SystemParametersInfoW for the emulated device.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "device/device.h"

int WINAPI GetSystemMetrics(int nIndex) {
  const auto &device = platform::CurrentDevice();
  switch (nIndex) {
  case SM_CXSCREEN:
    return device.ScreenWidth();
  case SM_CYSCREEN:
    return device.ScreenHeight();
  default:
    return 0;
  }
}

BOOL WINAPI SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT) {
  const auto &device = platform::CurrentDevice();
  switch (uiAction) {
  case SPI_GETPLATFORMTYPE: {
    // uiParam is the buffer size in bytes; the answer must fit with its terminator.
    const std::u16string &type = device.Os().platformType;
    const std::size_t bytes = (type.size() + 1) * sizeof(WCHAR);
    if (device.Os().platformTypeFails || pvParam == nullptr) {
      SetLastError(ERROR_NOT_SUPPORTED);
      return FALSE;
    }
    if (uiParam < bytes) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    std::memcpy(pvParam, type.c_str(), bytes);
    return TRUE;
  }
  case SPI_GETWORKAREA: {
    if (pvParam == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    // The screen less the navigation bar at the top.
    *static_cast<RECT *>(pvParam) =
        RECT{0, platform::NavigationBarHeight(), device.ScreenWidth(), device.ScreenHeight()};
    return TRUE;
  }
  default:
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
}
