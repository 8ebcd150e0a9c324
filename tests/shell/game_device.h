// The device the shell's tests play the game on: a fresh process of the game on one of
// the host's screens, checks made inside its loop, and the settings it stored.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kernel/module.h"
#include "shell/shell.h"
#include "testing/testing.h"

namespace shelltest {

struct Screen {
  const char *name;
  int width, height, dpi;
};
inline constexpr Screen Screens[] = {{"qvga", 240, 320, 96},
                                     {"qvga-landscape", 320, 240, 96},
                                     {"vga", 480, 640, 192},
                                     {"vga-landscape", 640, 480, 192},
                                     {"square", 240, 240, 96}};

inline std::string Tap(int x, int y) {
  return "tap " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

// Checks made inside the game's own loop while a script plays: the timer procedure of a hidden
// window, which the game's loop and its dialogs' loops dispatch like their own timers. Each is
// due `atMs` after the device started, a time only the script's `wait` lines reach.
inline std::vector<std::function<void()>> &Checks() {
  static std::vector<std::function<void()>> checks;
  return checks;
}
inline void CheckAt(std::uint64_t atMs, std::function<void()> check) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"GameTestChecks";
  RegisterClassW(&wc); // fails harmlessly when already registered on this device
  const HWND hidden = CreateWindowExW(0, wc.lpszClassName, u"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, nullptr, nullptr);
  Checks().push_back(std::move(check));
  SetTimer(hidden, Checks().size(), static_cast<UINT>(atMs - platform::CurrentDevice().NowMs()),
           [](HWND window, UINT, UINT_PTR id, DWORD) {
             KillTimer(window, id);
             std::exchange(Checks()[id - 1], nullptr)();
           });
}

// A device as a fresh process of the game finds it: the game's resources (or those of
// `resFile`) as the main module, the dpi not yet captured. QVGA, or another screen; the
// clock at 12:00:`second`, which seeds the shoe.
struct GameDevice {
  explicit GameDevice(int second, const std::string &profile = "", const std::string &resFile = "",
                      const Screen &screen = Screens[0])
      : device({.width = screen.width,
                .height = screen.height,
                .dpi = screen.dpi,
                .clockStart = {2026, 1, 4, 1, 12, 0, static_cast<WORD>(second), 0},
                .profileDir = profile}) {
    instance = resFile.empty() ? platform::test::LoadResModule(platform::EmbeddedResources())
                               : platform::test::LoadResModuleFile(resFile);
    screenDpi = 0;
  }
  ~GameDevice() { screenDpi = landscapeLayout = 0; }
  GameDevice(const GameDevice &) = delete;
  GameDevice &operator=(const GameDevice &) = delete;

  // Plays the script; every check set up for it (CheckAt) must have been made.
  platform::test::ScriptRun Play(const std::string &script) const {
    auto run = platform::test::RunScript(WinMain, script, instance);
    for (const auto &check : Checks()) {
      EXPECT_FALSE(check) << "a check of the run was never made";
    }
    Checks().clear();
    return run;
  }
  // Plays the script to its end with exit code 0: the cues it played.
  std::vector<std::u16string> Cues(const std::string &script) const {
    const auto run = Play(script);
    EXPECT_EQ(run.exitCode, 0) << run.error;
    return platform::test::TakeCueNames();
  }

  platform::test::HeadlessDevice device;
  HINSTANCE instance = nullptr;
};

inline std::optional<DWORD> Stored(LPCWSTR name) {
  DWORD value = 0;
  return RegistrySettings().ReadDword(SettingsKey, name, &value) ? std::optional(value)
                                                                 : std::nullopt;
}

} // namespace shelltest
