// Test hooks over the headless device: a fresh device per case, and a recorder of
// what the layer announces.
#include <map>

#include "aygshell/shell.h"
#include "device/events.h"
#include "testing/testing.h"
#include "user/window.h"

namespace platform::test {
namespace {

// Listens for the whole life of the test program; each HeadlessDevice starts it
// afresh.
class Recorder : public DeviceListener {
public:
  Recorder() { AddDeviceListener(this); }
  ~Recorder() override { RemoveDeviceListener(this); }
  Recorder(const Recorder &) = delete;
  Recorder &operator=(const Recorder &) = delete;

  void SoundPlayed(const SoundEvent &e) override {
    cues.push_back(Cue{e.name, e.flags, e.module, e.atMs});
  }
  void RedrawRequested(HWND hwnd) override { ++redraws[hwnd]; }

  std::vector<Cue> cues;
  std::map<HWND, int> redraws;
};

Recorder &Recorded() {
  static Recorder recorder;
  return recorder;
}

} // namespace

HeadlessDevice::HeadlessDevice(const DeviceConfig &config) {
  StartDevice(config);
  shell::InstallShell();
  Recorded().cues.clear();
  Recorded().redraws.clear();
}

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

std::vector<Cue> PlayedCues() { return Recorded().cues; }

void ClearPlayedCues() { Recorded().cues.clear(); }

std::vector<std::u16string> TakeCueNames() {
  std::vector<std::u16string> names;
  for (const Cue &cue : Recorded().cues) {
    names.push_back(cue.name);
  }
  Recorded().cues.clear();
  return names;
}

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
  const auto it = Recorded().redraws.find(hwnd);
  return it != Recorded().redraws.end() ? it->second : 0;
}

void ResetRedrawRequests(HWND hwnd) { Recorded().redraws.erase(hwnd); }

void AdvanceClock(std::uint64_t ms) { CurrentDevice().AdvanceMs(ms); }

} // namespace platform::test
