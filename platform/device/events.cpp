// Delivery of the layer's announcements to the registered listeners.
#include "device/events.h"

#include <algorithm>
#include <vector>

namespace platform {
namespace {

std::vector<DeviceListener *> &Listeners() {
  static std::vector<DeviceListener *> listeners;
  return listeners;
}

// A listener may remove itself while it is told, so each call walks a copy.
template <class Call> void Tell(Call call) {
  if (Listeners().empty()) {
    return;
  }
  const std::vector<DeviceListener *> now = Listeners();
  for (DeviceListener *listener : now) {
    call(*listener);
  }
}

} // namespace

void AddDeviceListener(DeviceListener *listener) { Listeners().push_back(listener); }

void RemoveDeviceListener(DeviceListener *listener) {
  auto &all = Listeners();
  all.erase(std::remove(all.begin(), all.end(), listener), all.end());
}

void AnnounceInput(const InputEvent &event, std::uint64_t atMs) {
  Tell([&](DeviceListener &l) { l.InputQueued(event, atMs); });
}

void AnnounceSound(const SoundEvent &event) {
  Tell([&](DeviceListener &l) { l.SoundPlayed(event); });
}

void AnnounceTimer(const TimerEvent &event) {
  Tell([&](DeviceListener &l) { l.TimerChanged(event); });
}

void AnnounceRedraw(HWND hwnd) {
  Tell([&](DeviceListener &l) { l.RedrawRequested(hwnd); });
}

void AnnounceText(const TextEvent &event) {
  Tell([&](DeviceListener &l) { l.TextDrawn(event); });
}

void AnnounceQuit() {
  Tell([](DeviceListener &l) { l.QuitPosted(); });
}

void AnnounceFrontRequest() {
  Tell([](DeviceListener &l) { l.FrontRequested(); });
}

void AnnounceKeyHighlight() {
  Tell([](DeviceListener &l) { l.KeyHighlightChanged(); });
}

} // namespace platform
