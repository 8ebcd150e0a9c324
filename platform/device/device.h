// The emulated device: screen, dpi, operating system, clock and profile.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace platform {

// What GetVersionExW and SystemParametersInfoW(SPI_GETPLATFORMTYPE) report.
struct OsProfile {
  std::string name = "ce5.1"; // as OsProfileByName knows it
  DWORD platformId = VER_PLATFORM_WIN32_CE;
  DWORD major = 5;
  DWORD minor = 1;
  DWORD build = 1700;
  std::u16string platformType = u"PocketPC";
  bool versionFails = false;      // GetVersionExW returns FALSE
  bool platformTypeFails = false; // SPI_GETPLATFORMTYPE returns FALSE
};

// The profile of a system by its name (a host option's value, a recording's field); false for
// a name no profile has.
bool OsProfileByName(const std::string &name, OsProfile *profile);
// The names OsProfileByName knows, the default first, separated by ", ": for help and errors.
std::string OsProfileNames();

struct DeviceConfig {
  int width = 240;
  int height = 320;
  int dpi = 96;
  OsProfile os;
  // The virtual clock drives GetLocalTime and timers; headless hosts always use it.
  bool virtualClock = true;
  SYSTEMTIME clockStart{2026, 1, 4, 1, 12, 0, 0, 0};
  std::string profileDir; // empty: no profile (nothing persists)
  bool mute = true;
  // The device's own text (dialogs, the navigation and soft-key bars) is smoothed in
  // grey, or with ClearType's coloured sub-pixels. Programs choose for their own fonts.
  bool clearTypeSystemText = false;
  // Keys and buttons reach the windows as they were taken, past the shell's key map:
  // a recording's were mapped when it was made, into the taps it holds.
  bool keysAsTaken = false;
};

// The one device of the process. Tests replace it with a fresh one per case
// (platform/testing/testing.h); the hosts create it from their options.
class Device {
public:
  explicit Device(DeviceConfig config);

  const DeviceConfig &Config() const { return config_; }
  int ScreenWidth() const { return config_.width; }
  int ScreenHeight() const { return config_.height; }
  int Dpi() const { return config_.dpi; }
  const OsProfile &Os() const { return config_.os; }

  // Swaps width and height (the caller resizes windows and notifies them).
  void Rotate() { std::swap(config_.width, config_.height); }

  // Milliseconds since the device started: virtual or real.
  std::uint64_t NowMs() const;
  // Moves the virtual clock forward; no effect on a real clock.
  void AdvanceMs(std::uint64_t ms);
  SYSTEMTIME LocalTime() const;

private:
  DeviceConfig config_;
  std::uint64_t virtualMs_ = 0;
  std::int64_t realStartNs_ = 0;
};

// The current device. Starting a device resets every subsystem's state (windows,
// GDI objects, modules, recorded sounds) through the hooks registered below.
Device &CurrentDevice();
void StartDevice(const DeviceConfig &config);
void StopDevice();

// A length in logical pixels (96 to the inch) in device pixels on the current
// screen, rounded to the nearest: the one scaling rule of the layer.
int ScaleToDpi(int logical);

// The device's own text (the shell's bars, dialogs without a font of their own)
// and every font that names no face are drawn in the system face; the device's
// own text with this LOGFONT quality on the current device.
inline constexpr char16_t kSystemFace[] = u"Tahoma";
BYTE SystemTextQuality();

// The shell's bars, the navigation bar at the top and soft-key bars at the
// bottom, are this many logical pixels high.
inline constexpr int kShellBarLogicalHeight = 26;
// The navigation bar's height on the current screen, in device pixels.
int NavigationBarHeight();

// Each subsystem with per-device state registers one function that clears it.
// Hooks run in reverse order of registration when a device stops.
using ResetHook = void (*)();
void RegisterResetHook(ResetHook hook);

// Work a subsystem does when the program has nothing to do and is about to wait
// for input or a timer (the registry saves its waiting changes). The message
// loop runs the hooks, in order of registration, before each wait.
void RegisterIdleHook(ResetHook hook);
void RunIdleHooks();

} // namespace platform
