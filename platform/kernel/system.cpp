// Time, versions and the last-error value, answering for the emulated device.
#include <windows.h>

#include <cstring>

#include "device/device.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  if (lpSystemTime != nullptr) {
    *lpSystemTime = platform::CurrentDevice().LocalTime();
  }
}

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(platform::CurrentDevice().NowMs()); }

BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW info) {
  // As on Win32, a record whose size field is too small is refused.
  if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const platform::OsProfile &os = platform::CurrentDevice().Os();
  if (os.versionFails) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  info->dwMajorVersion = os.major;
  info->dwMinorVersion = os.minor;
  info->dwBuildNumber = os.build;
  info->dwPlatformId = os.platformId;
  std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
  return TRUE;
}

DWORD WINAPI GetLastError() { return lastError; }

void WINAPI SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }
