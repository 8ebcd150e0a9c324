// Window timers: SetTimer and KillTimer. The queue makes WM_TIMER of them.
#include <windows.h>

#include <algorithm>
#include <limits>

#include "device/device.h"
#include "device/events.h"
#include "user/window.h"

namespace platform {

std::uint64_t NextTimerDueMs() {
  std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
  for (Window *w : AllWindows()) {
    for (const auto &[id, timer] : w->timers) {
      next = std::min(next, timer.dueMs);
    }
  }
  return next;
}

} // namespace platform

using platform::FindWindowObject;
using platform::Window;

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr) {
    // Thread timers (no window) are not used by the game and not provided.
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  // Setting an existing id replaces it and restarts its period.
  platform::Timer &timer = w->timers[nIDEvent];
  timer.periodMs = std::max<UINT>(uElapse, 1);
  timer.callback = lpTimerFunc;
  const std::uint64_t now = platform::CurrentDevice().NowMs();
  timer.dueMs = now + timer.periodMs;
  platform::AnnounceTimer(platform::TimerEvent{hWnd, nIDEvent, timer.periodMs, true, now});
  return nIDEvent != 0 ? nIDEvent : 1;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || w->timers.erase(uIDEvent) == 0) {
    return FALSE;
  }
  platform::AnnounceTimer(
      platform::TimerEvent{hWnd, uIDEvent, 0, false, platform::CurrentDevice().NowMs()});
  return TRUE;
}
