// The game as a player meets it: taps, the dealer's timer, menu commands, dialogs, the close,
// and the money and settings from one run to the next.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>

#include "player.h"
#include "resource.h"
#include "shell/shell.h"
#include "user/window.h"

namespace {

using namespace shelltest;
using Cues = std::vector<std::u16string>;

platform::DeviceConfig At(int second, const std::string &profile = "", int scale = 1) {
  platform::DeviceConfig config;
  config.clockStart.wSecond = static_cast<WORD>(second);
  config.profileDir = profile;
  config.width = 240 * scale;
  config.height = 320 * scale;
  config.dpi = 96 * scale;
  return config;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

UINT Checked(int id) { return IsDlgButtonChecked(GetForegroundWindow(), id); }

// ---- A whole hand, through the headless host's script ----

// The README's pictures come from this script, so the test that runs it keeps them true.
TEST(WholeHand, TheTourScriptPlaysToTheDealersBustAndDrawsTheReadmePictures) {
  platform::test::TempProfile profile;
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(profile.Dir());
  {
    // At 12:00:17 the player gets 3 and 2, the dealer 2 and 9, then a 2 and a 10.
    GameDevice device(At(17, profile.Dir()));
    const auto run = platform::test::RunScript(WinMain, ReadFile(SCREENSHOTS_DIR "/tour.script"),
                                               device.Instance());
    ASSERT_EQ(run.exitCode, 0) << run.error;
    const auto played = platform::test::PlayedCues();
    const Cues hand{u"coin", u"flip", u"flip", u"flip", u"chaching"};
    ASSERT_GE(played.size(), hand.size());
    for (std::size_t i = 0; i < hand.size(); ++i) {
      EXPECT_EQ(played[i].name, hand[i]) << "cue " << i;
    }
    EXPECT_EQ(played[3].atMs - played[2].atMs, DealerTimerPeriod) << "one dealer card per tick";
    // The next hand is on the table at the close, the bet of 100 in it.
    EXPECT_EQ(Stored(u"TotalAmount"), 1100u);
  }
  std::filesystem::current_path(cwd);
  for (const std::string picture : {"portrait.png", "landscape.png"}) {
    EXPECT_TRUE(ReadFile(profile.Dir() + "/" + picture) == ReadFile(SCREENSHOTS_DIR "/" + picture))
        << picture << " is not the README's: look at both, and refresh the README's if right";
  }
}

// ---- Touch regions ----

struct Tap {
  int x, y;
  int region; // row of HitRegions; -1 for none
};

// Logical points on the shared edges, the outer edges and the gaps.
constexpr Tap PortraitTaps[] = {
    {40, 250, 0}, {75, 250, 1},  {110, 250, 2}, {145, 250, 3}, {180, 250, 4},  {240, 265, 9},
    {60, 210, 5}, {120, 210, 6}, {180, 210, 7}, {3, 200, 5},   {100, 234, -1}, {2, 210, -1},
};
constexpr Tap LandscapeTaps[] = {
    {250, 28, 5},  {249, 28, -1}, {250, 53, 6},  {250, 78, 7},
    {310, 184, 9}, {217, 53, 0},  {230, 54, -1}, {248, 183, 4},
};

TEST(TouchRegions, SharedEdgesGoToTheEarlierRowInBothOrientationsAndDpiSets) {
  for (const int scale : {1, 2}) {
    GameDevice device(At(0, "", scale));
    CaptureScreenDpi();
    for (const auto taps :
         {std::span<const Tap>(PortraitTaps), std::span<const Tap>(LandscapeTaps)}) {
      SCOPED_TRACE(testing::Message() << "at " << 96 * scale << " dpi");
      for (const Tap &tap : taps) {
        EXPECT_EQ(RegionAt(tap.x * scale, tap.y * scale), tap.region) << tap.x << ", " << tap.y;
      }
      platform::TurnScreen();
    }
  }
}

// The pen's point arrives packed in lParam in client coordinates, and the
// orientation is asked at each tap.
TEST(TouchRegions, TapsActOnTheTableAtClientPointsAfterTheScreenTurns) {
  GameDevice device(At(17, "", 2));
  Player player;
  player
      .TapClient(80, 500) // the edge of the 5 and 10 chips
      .Then([] { EXPECT_EQ(Table().bet, 5); })
      .Rotate()
      .TapClient(500, 56) // the edge of Deal and Hit
      .Then([] { EXPECT_TRUE(Table().playerTurn); });
  EXPECT_EQ(player.Play(device.Instance()), 0);
}

// ---- Commands and dialogs ----

TEST(Commands, NewStartsAFreshGameWhileCtrlAAndCtrlQDoNothing) {
  GameDevice device(At(2));
  Player player;
  player.TapClient(127, 250)
      .TapClient(30, 216)
      .Key('A', FCONTROL)
      .Key('Q', FCONTROL)
      .Then([] { EXPECT_TRUE(Table().playerTurn); })
      .Command(IDM_NEW)
      .Then([] {
        EXPECT_EQ(Table().bank, 1000);
        EXPECT_EQ(Table().bet, 0);
        EXPECT_TRUE(Table().bettingOpen);
      });
  EXPECT_EQ(player.Play(device.Instance()), 0);
}

TEST(Dialogs, OptionsShowsTheSettingsAndItsOkOrDoneAppliesThem) {
  GameDevice device(At(2));
  Player player;
  player.TapClient(127, 250)
      .Command(IDM_OPTIONS)
      .Then([] {
        EXPECT_EQ(Checked(IDC_PLAY_SOUNDS), BST_CHECKED);
        EXPECT_EQ(Checked(IDC_TWO_DECKS), BST_CHECKED);
        EXPECT_EQ(Checked(IDC_CLEARTYPE), BST_UNCHECKED);
      })
      .TapControl(IDC_PLAY_SOUNDS)
      .TapControl(IDC_TWO_DECKS)
      .TapControl(IDOK)
      .Then([] {
        EXPECT_FALSE(Table().playSounds);
        EXPECT_EQ(Table().bet, 100) << "the deck count in force keeps the game";
        TakeCues();
      })
      .TapClient(30, 216)
      .Then([] { EXPECT_EQ(TakeCues(), Cues{}) << "sounds off: no PlaySoundW at all"; })
      .Command(IDM_OPTIONS)
      .TapControl(IDC_EIGHT_DECKS)
      .TapDone()
      .Then([] {
        EXPECT_EQ(Table().deckCount, 8);
        EXPECT_EQ(Table().bank, 1000);
        EXPECT_EQ(Table().bet, 0);
      });
  EXPECT_EQ(player.Play(device.Instance()), 0);
}

TEST(Dialogs, OptionsWithoutItsMenuBarStillShowsTheSettingsSoOkKeepsThem) {
  GameDevice device(At(2), NO_DIALOG_BAR_RES);
  Player player;
  player.Then([] { Table().useClearType = true; })
      .Command(IDM_OPTIONS)
      .Then([] {
        EXPECT_EQ(Checked(IDC_PLAY_SOUNDS), BST_CHECKED);
        EXPECT_EQ(Checked(IDC_CLEARTYPE), BST_CHECKED);
      })
      .TapControl(IDOK)
      .Then([] {
        EXPECT_TRUE(Table().playSounds);
        EXPECT_TRUE(Table().useClearType);
        EXPECT_EQ(Table().deckCount, 2);
      });
  EXPECT_EQ(player.Play(device.Instance()), 0);
}

// The About dialog's line with the game's name and the build's version.
bool ShowsVersionLine() {
  const std::u16string expected = u"BlackJack Version " BLACKJACK_VERSION;
  for (HWND c = GetWindow(GetForegroundWindow(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    WCHAR text[100] = {};
    GetWindowTextW(c, text, 100);
    if (text == expected) {
      return true;
    }
  }
  return false;
}

TEST(Dialogs, AboutShowsTheVersionAndClosesByItsOkOrByDone) {
  GameDevice device(At(2));
  Player player;
  const auto aboutOpen = [](bool open) {
    return [open] { EXPECT_EQ(GetForegroundWindow() != MainWindow(), open); };
  };
  player.Command(IDM_ABOUT)
      .Then([] { EXPECT_TRUE(ShowsVersionLine()); })
      .TapControl(IDOK)
      .Then(aboutOpen(false))
      .Command(IDM_ABOUT)
      .Then(aboutOpen(true))
      .TapDone()
      .Then(aboutOpen(false));
  EXPECT_EQ(player.Play(device.Instance()), 0);
}

// ---- Start-up and close ----

TEST(StartUp, TheTableComesBeforeTheFirstPaintAndTheWindowKeepsItsPlace) {
  platform::test::TempProfile profile;
  GameDevice device(At(2, profile.Dir()));
  const auto factory = MakeGameTable;
  MakeGameTable = [](HINSTANCE instance, HWND window) {
    EXPECT_TRUE(GetUpdateRect(window, nullptr, FALSE)) << "painted before the table existed";
    return std::make_unique<GameTable>(instance, window);
  };
  Player player;
  player.Then([] {
    RECT r{};
    GetWindowRect(MainWindow(), &r);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}),
              (std::vector<LONG>{0, 26, 240, 320}));
  });
  player.TapClient(127, 250).Command(IDM_EXIT);
  EXPECT_EQ(player.Play(device.Instance()), 0);
  MakeGameTable = factory;
  EXPECT_EQ(Stored(u"TotalAmount"), 1000u) << "bank + bet at the close";
}

TEST(StartUp, WmCloseThenWmDestroyStoresTheMoneyOnce) {
  platform::test::TempProfile profile;
  GameDevice device(At(2, profile.Dir()));
  Player player;
  player.Then([] {
    SendMessageW(MainWindow(), WM_CLOSE, 0, 0);
    RegistrySettings().WriteDword(SettingsKey, u"TotalAmount", 7);
    SendMessageW(MainWindow(), WM_DESTROY, 0, 0);
  });
  EXPECT_EQ(player.Play(device.Instance()), 0);
  EXPECT_EQ(Stored(u"TotalAmount"), 7u);
}

TEST(StartUp, WithoutATableNothingActsButAboutAndNothingIsStored) {
  platform::test::TempProfile profile;
  GameDevice device(At(2, profile.Dir()));
  const auto factory = MakeGameTable;
  MakeGameTable = [](HINSTANCE, HWND) { return std::unique_ptr<GameTable>(); };
  Player player;
  player.TapClient(127, 250)
      .Then([] { SendMessageW(MainWindow(), WM_TIMER, DealerTimer, 0); })
      .Command(IDM_NEW)
      .Command(IDM_OPTIONS)
      .Then([] {
        EXPECT_EQ(GetForegroundWindow(), MainWindow()) << "no Options without a table";
        EXPECT_EQ(TakeCues(), Cues{});
      })
      .Command(IDM_ABOUT)
      .Then([] { EXPECT_NE(GetForegroundWindow(), MainWindow()); })
      .TapControl(IDOK);
  EXPECT_EQ(player.Play(device.Instance()), 0);
  MakeGameTable = factory;
  EXPECT_EQ(Stored(u"TotalAmount"), std::nullopt);
}

// A second start on the same device finds the first and brings it, with its open
// dialog, to the front.
TEST(StartUp, ASecondStartBringsTheRunningGameAndItsDialogForward) {
  GameDevice device(At(2));
  Player player;
  HWND dialog = nullptr;
  player.Command(IDM_ABOUT).Then([&] {
    dialog = GetForegroundWindow();
    SetForegroundWindow(platform::test::CreatePlainWindow(u"another program"));
    char16_t commandLine[1] = {0};
    EXPECT_EQ(WinMain(device.Instance(), nullptr, commandLine, SW_SHOWNORMAL), 0);
    EXPECT_EQ(GetForegroundWindow(), dialog);
  });
  player.TapControl(IDOK);
  EXPECT_EQ(player.Play(device.Instance()), 0);
}

// ---- The money and the settings from run to run ----

struct SettingsRun {
  const char *name;
  const char *hiveBefore; // the values in the hive at the start; null: no hive
  std::function<void(Player &)> play;
  std::vector<std::pair<const char16_t *, DWORD>> stored;
  bool silent = false;
};

void Preset(const std::string &profile, const char *values) {
  std::ofstream(profile + "/registry.reg")
      << "Windows Registry Editor Version "
         "5.00\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n"
      << values;
}

TEST(Settings, RunsStoreTheMoneyAndKeepTheSettings) {
  const SettingsRun runs[] = {
      {"first run, no hive",
       nullptr,
       [](Player &) {},
       {{u"TotalAmount", 1000},
        {u"PlaySounds", 1},
        {u"NumberOfDecks", 2},
        {u"HitAfterDouble", 0},
        {u"ClearType", 0}}},
      {"closed after a double in the player's turn",
       "\"TotalAmount\"=dword:000007d0\n\"HitAfterDouble\"=dword:00000001\n"
       "\"NumberOfDecks\"=dword:00000003\n",
       [](Player &p) {
         p.TapClient(127, 250).TapClient(30, 216).TapClient(210, 216).Then([] {
           EXPECT_TRUE(Table().playerTurn);
           EXPECT_EQ(Table().bet, 200);
         });
       },
       {{u"TotalAmount", 2000}, {u"HitAfterDouble", 1}, {u"NumberOfDecks", 3}}},
      {"sounds off",
       "\"PlaySounds\"=dword:00000000\n",
       [](Player &p) { p.TapClient(127, 250).TapClient(30, 216); },
       {{u"PlaySounds", 0}},
       true},
      {"damaged hive",
       "\"TotalAmount\"=dword:zz\n\x01\x02garbage\n[broken\n",
       [](Player &) {},
       {{u"TotalAmount", 1000}, {u"NumberOfDecks", 2}}},
  };
  for (const SettingsRun &run : runs) {
    SCOPED_TRACE(run.name);
    platform::test::TempProfile profile;
    if (run.hiveBefore != nullptr) {
      Preset(profile.Dir(), run.hiveBefore);
    }
    GameDevice device(At(2, profile.Dir()));
    Player player;
    run.play(player);
    EXPECT_EQ(player.Play(device.Instance()), 0);
    if (run.silent) {
      EXPECT_EQ(TakeCues(), Cues{});
    }
    for (const auto &[name, value] : run.stored) {
      EXPECT_EQ(Stored(name), value)
          << std::string(name, name + std::char_traits<char16_t>::length(name));
    }
  }
}

} // namespace
