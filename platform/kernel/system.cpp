// Time, versions and the last-error value, answering for the emulated device.
#include <windows.h>

#include <cstring>
#include <thread>

#include "device/device.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  if (lpSystemTime != nullptr) {
    *lpSystemTime = platform::CurrentDevice().LocalTime();
  }
}

void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
  // The device keeps no time zone: its clock is local time.
  GetLocalTime(lpSystemTime);
}

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(platform::CurrentDevice().NowMs()); }

void WINAPI Sleep(DWORD dwMilliseconds) {
  auto &device = platform::CurrentDevice();
  if (device.Config().virtualClock) {
    device.AdvanceMs(dwMilliseconds);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
  }
}

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
