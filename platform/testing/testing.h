// The test library: a fresh headless device per test case, what the layer
// announced (sounds played, redraw requests), and views into its state. Linked
// by tests, benchmarks and fuzz targets only; nothing in the product uses it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "device/device.h"

namespace platform::test {

// Starts a fresh device, with the shell's navigation bar, for the lifetime of
// the object; everything the previous device held (windows, GDI objects, modules)
// is gone, and so are the sounds and redraw requests recorded so far.
class HeadlessDevice {
public:
  explicit HeadlessDevice(const DeviceConfig &config = DeviceConfig{});
  ~HeadlessDevice();
  HeadlessDevice(const HeadlessDevice &) = delete;
  HeadlessDevice &operator=(const HeadlessDevice &) = delete;

  Device &Get() { return CurrentDevice(); }
};

// A plain top-level window whose procedure records nothing and answers with
// DefWindowProcW: a target for timers and redraw requests.
HWND CreatePlainWindow(LPCWSTR title = u"test");

struct Cue {
  std::u16string name;
  DWORD flags = 0;
  HMODULE module = nullptr;
  std::uint64_t atMs = 0;
};
std::vector<Cue> PlayedCues();
void ClearPlayedCues();
// The names of the cues played so far, in order; the record is then cleared.
std::vector<std::u16string> TakeCueNames();

struct RunningTimer {
  UINT_PTR id = 0;
  UINT periodMs = 0;
};
std::vector<RunningTimer> RunningTimers(HWND hwnd);

// InvalidateRect calls on the window since it was created or since the last reset.
int RedrawRequests(HWND hwnd);
void ResetRedrawRequests(HWND hwnd);

// Moves the virtual clock; timers fall due but nothing is dispatched here.
void AdvanceClock(std::uint64_t ms);

// Loads a compiled .res (its bytes, or a file) as a module of the current device;
// the first module loaded is the main one. Null when the .res is malformed or the
// file cannot be read, with the reason in *error.
HINSTANCE LoadResModule(std::span<const std::byte> res, std::string *error = nullptr);
HINSTANCE LoadResModuleFile(const std::string &path, std::string *error = nullptr);

// Live GDI objects of the device by kind; stock objects are not counted. A paint,
// or any operation that should leave nothing behind, keeps these unchanged.
struct GdiCounts {
  int memoryDCs = 0;
  int surfaceDCs = 0; // DCs on windows and the screen (GetDC, BeginPaint)
  int bitmaps = 0;
  int brushes = 0;
  int fonts = 0;
  bool operator==(const GdiCounts &) const = default;
  friend std::ostream &operator<<(std::ostream &out, const GdiCounts &c) {
    return out << "{memoryDCs " << c.memoryDCs << ", surfaceDCs " << c.surfaceDCs << ", bitmaps "
               << c.bitmaps << ", brushes " << c.brushes << ", fonts " << c.fonts << "}";
  }
};
GdiCounts GdiObjectCounts();

// Writes the device screen, or a bitmap, as a PNG file. False with the reason in
// *error when it cannot.
bool WriteScreenPng(const std::string &path, std::string *error = nullptr);
bool WriteBitmapPng(HBITMAP bitmap, const std::string &path, std::string *error = nullptr);

// Why the last DecompressImageIndirect failed, in one line; empty after a success.
std::string LastImageDecodeError();

} // namespace platform::test

namespace platform::test {

// A fresh, empty profile folder (mode 0700) under `parent` (by default $TMPDIR or
// /tmp); it is removed with everything in it when the object goes. Pass Dir() as
// DeviceConfig::profileDir.
class TempProfile {
public:
  explicit TempProfile(const std::string &parent = "");
  ~TempProfile();
  TempProfile(const TempProfile &) = delete;
  TempProfile &operator=(const TempProfile &) = delete;

  const std::string &Dir() const { return dir_; }
  DeviceConfig Config() const; // the default device on this profile

private:
  std::string dir_;
};

// The registry's hive file on the current device ("" when kept in memory only).
std::string RegistryHivePath();
// Registry key handles the current device has open.
std::size_t OpenRegistryKeys();

// The steps of a save of the hive, in order.
enum class SaveStep {
  None,
  MakeFolder,  // creating the profile folder
  Lock,        // opening the lock file
  CreateTemp,  // creating the new file (O_EXCL)
  Write,       // writing it: half the bytes go out, then the failure (a disk filling up)
  FlushFile,   // fsync of the new file
  KeepDamaged, // the hard link that keeps a damaged hive (EPERM and the like make it a copy)
  Rename,      // renaming the new file over the hive
  FlushFolder, // fsync of the folder
};

// While it lives, every save of the hive, on any device, fails at `step` with errno
// `error`: the hive's files go through a back end of the test library's in front of
// the build's own.
class SaveFault {
public:
  SaveFault(SaveStep step, int error);
  ~SaveFault();
  SaveFault(const SaveFault &) = delete;
  SaveFault &operator=(const SaveFault &) = delete;
};

} // namespace platform::test

namespace platform::test {

// The SDL audio driver the sound output has open: "" until a sound that is not
// muted opens it, and again after the device stops.
std::string AudioDriverInUse();
// Whether a sound is playing on the output now.
bool SoundPlaying();

} // namespace platform::test

namespace platform::test {

// Runs a program's WinMain on the current device under the headless host, as
// `blackjack --headless --script` does with the same script text (taps, waits on
// the virtual clock, keys, screenshots, and a WM_CLOSE at the end). `error` is
// empty, or one line naming the script line at fault.
struct ScriptRun {
  int exitCode = 0;
  std::string error;
};
ScriptRun RunScript(int(WINAPI *winMain)(HINSTANCE, HINSTANCE, LPWSTR, int),
                    const std::string &script, HINSTANCE instance = nullptr);

} // namespace platform::test

namespace platform::test {

// Sets (or, with a null value, removes) an environment variable for the
// lifetime of the object, then puts back what was there.
class ScopedEnv {
public:
  ScopedEnv(const char *name, const char *value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
  std::string name_;
  std::string old_;
  bool hadOld_ = false;
};

} // namespace platform::test
