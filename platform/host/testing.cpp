// Test hooks over the headless device.
#include "host/testing.h"

#include "sound/sound.h"
#include "user/window.h"

namespace platform::test {

HeadlessDevice::HeadlessDevice(const DeviceConfig &config) { StartDevice(config); }

HeadlessDevice::~HeadlessDevice() { StopDevice(); }

HWND CreatePlainWindow(LPCWSTR title) {
  static const char16_t *className = u"PlatformTestWindow";
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = className;
  RegisterClassW(&wc); // fails harmlessly when already registered on this device
  return CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

std::vector<Cue> PlayedCues() {
  std::vector<Cue> cues;
  for (const PlayedSound &s : PlayedSounds()) {
    cues.push_back(Cue{s.name, s.flags, s.module, s.atMs});
  }
  return cues;
}

void ClearPlayedCues() { ClearPlayedSounds(); }

std::vector<RunningTimer> RunningTimers(HWND hwnd) {
  std::vector<RunningTimer> timers;
  if (const Window *w = FindWindowObject(hwnd)) {
    for (const auto &[id, timer] : w->timers) {
      timers.push_back(RunningTimer{id, timer.periodMs});
    }
  }
  return timers;
}

int RedrawRequests(HWND hwnd) {
  const Window *w = FindWindowObject(hwnd);
  return w != nullptr ? w->invalidateCount : 0;
}

void ResetRedrawRequests(HWND hwnd) {
  if (Window *w = FindWindowObject(hwnd)) {
    w->invalidateCount = 0;
  }
}

void AdvanceClock(std::uint64_t ms) { CurrentDevice().AdvanceMs(ms); }

} // namespace platform::test
