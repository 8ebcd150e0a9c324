// The whole game run in-process on a fresh headless device, with a test playing it step by step.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "game/game_table.h"
#include "device/host.h"
#include "testing/testing.h"

namespace shelltest {

// A device as a fresh process of the game would find it: the game's resources as
// the main module, the dpi not yet captured, the profile's hive (if any) on disk.
class GameDevice {
public:
  explicit GameDevice(platform::DeviceConfig config = {}, const std::string &resFile = "");
  ~GameDevice();
  GameDevice(const GameDevice &) = delete;
  GameDevice &operator=(const GameDevice &) = delete;
  HINSTANCE Instance() const { return instance_; }

private:
  platform::test::HeadlessDevice device_;
  HINSTANCE instance_ = nullptr;
};

// A host that runs the test's steps in order, one each time the game's loop has
// nothing to do, as a player would act between frames; after the last step it
// sends WM_CLOSE to the game, as closing the window does.
class Player : public platform::Host {
public:
  Player &Tap(POINT screen);
  // A point of the main window's client area.
  Player &TapClient(int x, int y);
  // The centre of control `id` of the dialog in front.
  Player &TapControl(int id);
  // The navigation bar's "ok".
  Player &TapDone();
  // The command a soft key of the menu bar sends.
  Player &Command(UINT id);
  Player &Rotate();
  Player &Key(UINT key, BYTE modifiers);
  Player &Wait(std::uint64_t ms);
  Player &Then(std::function<void()> step);

  // Runs the game's WinMain to its end and returns its exit code.
  int Play(HINSTANCE instance);

  void WaitForEvents(std::uint64_t deadlineMs) override;
  void Present(const platform::Surface &) override {}

private:
  std::vector<std::function<void()>> steps_;
  std::size_t next_ = 0;
  std::optional<std::uint64_t> waitUntil_;
  bool closeSent_ = false;
};

HWND MainWindow();
// The table of the running game; fails the test when there is none.
GameTable &Table();
// Names of the cues played since the last call.
std::vector<std::u16string> TakeCues();
// A value of the game's key in the current device's registry; nullopt when absent.
std::optional<DWORD> Stored(LPCWSTR name);

} // namespace shelltest
