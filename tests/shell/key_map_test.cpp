// The game's key map: each spot inside the touch region of its name on every screen,
// a game played by keys the same game as by taps, and the player's key file.
#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "aygshell/keys.h"
#include "host/sdl_host.h"
#include "tests/shell/game_device.h"

namespace {

using shelltest::GameDevice, shelltest::Screen, shelltest::Screens;

// The rows of HitRegions by what they are.
constexpr const char *RegionNames[HitRegionCount] = {
    "Chip5", "Chip10", "Chip25", "Chip100", "Chip500", "Deal", "Hit", "Stand", "Double", "Clear"};

platform::shell::KeyMap GameKeyMap() {
  platform::shell::KeyMap map;
  std::string error;
  EXPECT_TRUE(platform::shell::LoadKeyMap(
      platform::test::LoadResModule(platform::EmbeddedResources()), &map, &error))
      << error;
  return map;
}

TEST(KeyMap, EverySpotLiesInsideTheRegionOfItsNameOnEveryScreen) {
  for (const Screen &screen : Screens) {
    SCOPED_TRACE(screen.name);
    const GameDevice device(0, "", "", screen);
    CaptureScreenDpi();
    int mapped = 0;
    for (const platform::shell::KeySpot &spot : GameKeyMap().spots) {
      if (spot.command != 0) {
        continue; // a soft key: the bar finds it
      }
      const POINT at = platform::shell::SpotInWindow(GameKeyMap(), spot);
      const int row = RegionAt(at.x, at.y);
      ASSERT_GE(row, 0) << spot.name << " at " << at.x << ", " << at.y << " is in no region";
      EXPECT_EQ(RegionNames[row], spot.name) << "at " << at.x << ", " << at.y;
      ++mapped;
    }
    EXPECT_EQ(mapped, HitRegionCount) << "a region without a spot";
  }
}

struct Played {
  std::vector<std::u16string> cues;
  std::optional<DWORD> money;
};

// Plays `script` at 12:00:05 on a fresh profile (with `keyFile` as its keys.txt when
// given): the cues and the money stored at the close.
Played Play(const std::string &script, const std::string &keyFile = "") {
  platform::test::TempProfile profile;
  if (!keyFile.empty()) {
    std::ofstream(profile.Dir() + "/keys.txt") << keyFile;
  }
  const GameDevice device(5, profile.Dir());
  Played played{device.Cues(script), shelltest::Stored(u"TotalAmount")};
  EXPECT_TRUE(played.money) << "no money stored";
  return played;
}

// One game three ways: the chips, Deal, Hit, Stand, the Options dialog changed and
// closed, a turn, Clear, a bet and Double, and New. The taps are at the regions'
// centres; the keys and the pad use their own buttons and the highlight.
constexpr const char *ByTaps = "tap 127 276\ntap 31 242\ntap 90 242\ntap 150 242\nwait 3000\n"
                               "tap 120 307\nkey tab\nkey tab\nkey right\nkey return\n"
                               "rotate\ntap 280 197\ntap 232 63\ntap 232 96\ntap 280 41\n"
                               "tap 280 116\nwait 3000\ntap 53 227\n";
constexpr const char *ByKeys = "key 4\nkey d\nkey right\nkey return\nkey s\nwait 3000\n"
                               "key o\nkey tab\nkey tab\nkey right\nkey return\n"
                               "rotate\nkey c\nkey 1\nkey 2\nkey d\nkey x\nwait 3000\nkey n\n";
constexpr const char *ByPad =
    "key pad-up\nkey pad-right\nkey pad-right\nkey pad-right\nkey pad-a\n"
    "key pad-y\nkey pad-right\n"
    "key pad-a\nkey pad-b\nwait 3000\n"
    "key pad-start\nkey pad-down\nkey pad-down\nkey pad-right\nkey pad-b\n"
    "rotate\nkey pad-up\nkey pad-right\nkey pad-a\nkey pad-lb\n"
    "key pad-down\nkey pad-a\nkey pad-y\nkey pad-x\nwait 3000\n"
    "key pad-down\nkey pad-down\nkey pad-left\nkey pad-left\nkey pad-a\n";

TEST(KeyMap, AGameByKeysOrByThePadIsTheGameByTaps) {
  const Played taps = Play(ByTaps);
  ASSERT_GE(taps.cues.size(), 8U);
  const Played keys = Play(ByKeys);
  EXPECT_EQ(keys.cues, taps.cues);
  EXPECT_EQ(keys.money, taps.money);
  const Played pad = Play(ByPad);
  EXPECT_EQ(pad.cues, taps.cues);
  EXPECT_EQ(pad.money, taps.money);
}

// A player at the desktop host's gamepad, SDL's virtual game controller: each press
// of `presses` goes down when the game waits with no timer running (the dealer's
// turn over) and up at the next wait. kPlugOut and kPlugIn pull the pad out and put
// a new one in; a press goes down only a wait after a pad came, once the host has
// taken it in (a button already down when a pad is opened makes no press). A game
// still waiting after the last press fails the test and is ended.
constexpr int kPlugOut = -1;
constexpr int kPlugIn = -2;

class PadPlayer : public platform::Host {
public:
  PadPlayer(platform::SdlHost *sdl, std::vector<int> presses)
      : sdl_(sdl), presses_(std::move(presses)) {
    PlugIn();
  }
  ~PadPlayer() override { PullOut(); }
  PadPlayer(const PadPlayer &) = delete;
  PadPlayer &operator=(const PadPlayer &) = delete;

  void Present(const platform::Frame &frame) override { sdl_->Present(frame); }
  void WaitForEvents(std::uint64_t deadlineMs) override {
    if (held_ >= 0) {
      SDL_JoystickSetVirtualButton(pad_, held_, 0);
      held_ = -1;
    } else if (std::exchange(justPlugged_, false)) {
      // the host takes the new pad in
    } else if (deadlineMs == platform::kNoDeadline && next_ == presses_.size()) {
      // Every press made and the game still idle: it missed one, and would wait forever.
      ADD_FAILURE() << "the game still runs after the last press";
      PostQuitMessage(1);
      return;
    } else if (deadlineMs == platform::kNoDeadline) {
      const int press = presses_[next_++];
      if (press == kPlugOut) {
        PullOut();
      } else if (press == kPlugIn) {
        PlugIn();
      } else {
        SDL_JoystickSetVirtualButton(pad_, press, 1);
        held_ = press;
      }
    }
    sdl_->WaitForEvents(deadlineMs);
  }

private:
  void PlugIn() {
    const int index = SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    pad_ = SDL_JoystickOpen(index);
    justPlugged_ = true;
    ASSERT_NE(pad_, nullptr) << SDL_GetError();
  }
  void PullOut() {
    if (pad_ != nullptr) {
      const SDL_JoystickID id = SDL_JoystickInstanceID(pad_);
      SDL_JoystickClose(pad_);
      for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == id) {
          SDL_JoystickDetachVirtual(index);
        }
      }
      pad_ = nullptr;
    }
  }

  platform::SdlHost *sdl_;
  std::vector<int> presses_;
  std::size_t next_ = 0;
  SDL_Joystick *pad_ = nullptr;
  int held_ = -1;
  bool justPlugged_ = false;
};

TEST(Gamepad, AGameOnTheDesktopByAPadPluggedInAndOutIsTheGameByTaps) {
  const Played taps = Play("tap 127 276\ntap 31 242\ntap 90 242\ntap 150 242\nwait 3000\n"
                           "tap 120 307\nkey tab\nkey tab\nkey right\nkey return\n"
                           "tap 22 276\ntap 31 242\ntap 210 242\nwait 3000\n");
  // The dummy driver's window never has the focus that SDL otherwise wants for a pad.
  platform::test::ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
  platform::test::ScopedEnv background("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1");
  platform::test::TempProfile profile;
  const GameDevice device(5, profile.Dir());
  std::string error;
  auto sdl = platform::SdlHost::Open(1, &error);
  ASSERT_TRUE(sdl) << error;
  {
    // The 100 chip by the highlight, Deal, Hit by the highlight, Stand; Options changed
    // and closed; a new pad; the 5 chip, Deal, Double; and Back closes the game.
    constexpr int A = SDL_CONTROLLER_BUTTON_A, B = SDL_CONTROLLER_BUTTON_B,
                  X = SDL_CONTROLLER_BUTTON_X, Y = SDL_CONTROLLER_BUTTON_Y,
                  Up = SDL_CONTROLLER_BUTTON_DPAD_UP, Down = SDL_CONTROLLER_BUTTON_DPAD_DOWN,
                  Right = SDL_CONTROLLER_BUTTON_DPAD_RIGHT, Start = SDL_CONTROLLER_BUTTON_START,
                  Back = SDL_CONTROLLER_BUTTON_BACK, Lb = SDL_CONTROLLER_BUTTON_LEFTSHOULDER;
    const std::vector<int> presses = {Up,       Right,   Right, Right, A,    Y,     Right,
                                      A,        B,       Start, Down,  Down, Right, B,
                                      kPlugOut, kPlugIn, Lb,    Y,     X,    Back};
    PadPlayer player(sdl.get(), presses);
    platform::SetCurrentHost(&player);
    const int exitCode = WinMain(device.instance, nullptr, nullptr, SW_SHOW);
    platform::SetCurrentHost(nullptr);
    EXPECT_EQ(exitCode, 0);
  }
  EXPECT_EQ(platform::test::TakeCueNames(), taps.cues);
  EXPECT_EQ(shelltest::Stored(u"TotalAmount"), taps.money);
}

TEST(KeyFile, ABadFileIsRefusedWholeNamingItsLine) {
  const struct {
    const char *file;
    const char *error;
  } cases[] = {
      {"# mine\nHit j\nStandd k\n", "line 3: no spot is named 'Standd'"},
      {"Deal\n\nHit ctrl+h\n", "line 1: no key given for Deal"},
      {"Deal return\n", "line 1: 'return' moves or presses the highlight or is the host's"},
      {"Hit s\n", "'s' would tap both Hit and Stand"},
  };
  const platform::shell::KeyMap builtIn = GameKeyMap();
  for (const auto &c : cases) {
    platform::shell::KeyMap map = builtIn;
    std::string error;
    EXPECT_FALSE(platform::shell::ApplyKeyFile(c.file, &map, &error)) << c.file;
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(map.spots[6].keys, builtIn.spots[6].keys) << "a refused file changed the map";
  }
  // A good file moves Hit to j, so h taps nothing; with a bad one h hits as built in.
  const Played taps = Play("tap 127 276\ntap 31 242\ntap 90 242\n");
  EXPECT_EQ(Play("key 4\nkey d\nkey h\nkey j\n", "# Hit on j\r\nHit j\n").cues, taps.cues);
  EXPECT_EQ(Play("key 4\nkey d\nkey h\n", "Hit j\nHitt k\n").cues, taps.cues);
}

} // namespace
