// What the layer announces as it happens (sounds played, timers set and killed,
// redraw requests) to whoever listens: the --trace writer, the test library.
// The layer itself keeps no record, so a long game costs no memory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace platform {

struct SoundEvent {
  std::u16string name; // "#N" for an ordinal; empty for a sound in memory or none
  HMODULE module = nullptr;
  DWORD flags = 0;
  std::uint64_t atMs = 0; // device clock at the call
};

struct TimerEvent {
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT periodMs = 0; // 0 when killed
  bool set = false;
  std::uint64_t atMs = 0;
};

class DeviceListener {
public:
  virtual ~DeviceListener() = default;
  virtual void SoundPlayed(const SoundEvent &) {}
  virtual void TimerChanged(const TimerEvent &) {}
  virtual void RedrawRequested(HWND) {}
};

// Listeners are not owned and outlive device restarts; each removes itself
// before it goes.
void AddDeviceListener(DeviceListener *listener);
void RemoveDeviceListener(DeviceListener *listener);

// Called by the layer where the event happens.
void AnnounceSound(const SoundEvent &event);
void AnnounceTimer(const TimerEvent &event);
void AnnounceRedraw(HWND hwnd);

} // namespace platform
