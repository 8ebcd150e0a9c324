// The game as a player meets it: taps, the dealer's timer, commands, dialogs, start-up, the
// close, the money and settings from one run to the next, and a long random run.
#include <windows.h>

#include <aygshell.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <sstream>

#include "aygshell/shell.h"
#include "device/host.h"
#include "kernel/module.h"
#include "resource.h"
#include "shell/shell.h"
#include "testing/testing.h"
#include "user/input.h"
#include "user/window.h"

namespace {

using Cues = std::vector<std::u16string>;

// A device as a fresh process of the game finds it: the game's resources (or those of
// `resFile`) as the main module, the dpi not yet captured. QVGA, or VGA at scale 2; the
// clock at 12:00:`second`, which seeds the shoe.
struct GameDevice {
  explicit GameDevice(int second, const std::string &profile = "", int scale = 1,
                      const std::string &resFile = "")
      : device({.width = 240 * scale,
                .height = 320 * scale,
                .dpi = 96 * scale,
                .clockStart = {2026, 1, 4, 1, 12, 0, static_cast<WORD>(second), 0},
                .profileDir = profile}) {
    instance = resFile.empty() ? platform::test::LoadResModule(platform::EmbeddedResources())
                               : platform::test::LoadResModuleFile(resFile);
    screenDpi = 0;
  }
  ~GameDevice() { screenDpi = landscapeLayout = 0; }
  platform::test::HeadlessDevice device;
  HINSTANCE instance = nullptr;
};

HWND MainWindow() { return FindWindowW(u"BLACKJACK", u"BlackJack"); }
GameTable &Table() {
  if (!Shell().table) {
    std::abort(); // a step that needs the game's table cannot go on without one
  }
  return *Shell().table;
}
UINT Checked(int id) { return IsDlgButtonChecked(GetForegroundWindow(), id); }

void QueueTap(POINT at) {
  platform::QueueInput({platform::InputKind::PenDown, at, 0});
  platform::QueueInput({platform::InputKind::PenUp, at, 0});
}
void TapCentre(const RECT &r) { QueueTap({(r.left + r.right) / 2, (r.top + r.bottom) / 2}); }

// A host that takes the test's steps one at a time whenever the game's loop has nothing
// to do, running the clock on to the next timer after each, as a player acts between
// frames; after the last step it closes the game as closing its window does.
class Player : public platform::Host {
public:
  Player &Then(std::function<void()> step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  Player &TapClient(int x, int y) {
    return Then([x, y] {
      POINT at{x, y};
      ClientToScreen(MainWindow(), &at);
      QueueTap(at);
    });
  }
  Player &TapControl(int id) {
    return Then([id] {
      RECT r{};
      ASSERT_TRUE(GetWindowRect(GetDlgItem(GetForegroundWindow(), id), &r)) << "no control " << id;
      TapCentre(r);
    });
  }
  Player &TapDone() {
    return Then([] { TapCentre(platform::shell::NavigationDoneButtonRect()); });
  }
  Player &Command(UINT id) {
    return Then([id] { PostMessageW(MainWindow(), WM_COMMAND, id, 0); });
  }
  int Play(HINSTANCE instance) {
    platform::SetCurrentHost(this);
    char16_t commandLine[1] = {0};
    const int code = WinMain(instance, nullptr, commandLine, SW_SHOWNORMAL);
    platform::SetCurrentHost(nullptr);
    EXPECT_EQ(next_, steps_.size()) << "the game ended before the test's last step";
    return code;
  }
  void WaitForEvents(std::uint64_t deadlineMs) override {
    if (next_ < steps_.size()) {
      steps_[next_++]();
    } else if (!closeSent_) {
      closeSent_ = true;
      PostMessageW(platform::ForegroundApplicationWindow(), WM_CLOSE, 0, 0);
    } else if (deadlineMs == platform::kNoDeadline) {
      ADD_FAILURE() << "the game did not end after WM_CLOSE";
      PostQuitMessage(1);
    }
    platform::Device &device = platform::CurrentDevice();
    if (deadlineMs != platform::kNoDeadline && deadlineMs > device.NowMs()) {
      device.AdvanceMs(deadlineMs - device.NowMs());
    }
  }
  void Present(const platform::Frame &) override {}

private:
  std::vector<std::function<void()>> steps_;
  std::size_t next_ = 0;
  bool closeSent_ = false;
};

Cues TakeCues() { return platform::test::TakeCueNames(); }

std::optional<DWORD> Stored(LPCWSTR name) {
  DWORD value = 0;
  return RegistrySettings().ReadDword(SettingsKey, name, &value) ? std::optional(value)
                                                                 : std::nullopt;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The README's pictures come from this script, so running it here keeps them true.
TEST(WholeHand, TheTourScriptPlaysToTheDealersBustAndDrawsTheReadmePictures) {
  platform::test::TempProfile profile;
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(profile.Dir());
  {
    // At 12:00:17 the player gets 3 and 2, the dealer 2 and 9, then a 2 and a 10.
    GameDevice device(17, profile.Dir());
    const auto run = platform::test::RunScript(WinMain, ReadFile(SCREENSHOTS_DIR "/tour.script"),
                                               device.instance);
    ASSERT_EQ(run.exitCode, 0) << run.error;
    const auto played = platform::test::PlayedCues();
    const Cues hand{u"coin", u"flip", u"flip", u"flip", u"chaching"};
    ASSERT_GE(played.size(), hand.size());
    for (std::size_t i = 0; i < hand.size(); ++i) {
      EXPECT_EQ(played[i].name, hand[i]) << "cue " << i;
    }
    EXPECT_EQ(played[3].atMs - played[2].atMs, 300u) << "the dealer draws a card every 300 ms";
    EXPECT_EQ(Stored(u"TotalAmount"), 1100u) << "the next hand's bet of 100 counts";
  }
  std::filesystem::current_path(cwd);
  for (const std::string picture : {"portrait.png", "landscape.png"}) {
    EXPECT_TRUE(ReadFile(profile.Dir() + "/" + picture) == ReadFile(SCREENSHOTS_DIR "/" + picture))
        << picture << " is not the README's: look at both; refresh the README's if right";
  }
}

// The ten regions as the player is told them, in the order they are tried: portrait left, top,
// right, bottom, then landscape, in 96-dpi pixels. Every edge belongs to its region, and a point
// on an edge that two regions share goes to the earlier.
struct Region {
  const char *action;
  int portrait[4], landscape[4];
};
constexpr Region Regions[] = {
    {"5", {5, 235, 40, 265}, {217, 22, 248, 53}},
    {"10", {40, 235, 75, 265}, {217, 55, 248, 86}},
    {"25", {75, 235, 110, 265}, {217, 87, 248, 118}},
    {"100", {110, 235, 145, 265}, {217, 120, 248, 151}},
    {"500", {145, 235, 180, 265}, {217, 152, 248, 183}},
    {"Deal", {3, 200, 60, 233}, {250, 3, 310, 28}},
    {"Hit", {60, 200, 120, 233}, {250, 28, 310, 53}},
    {"Stand", {120, 200, 180, 233}, {250, 53, 310, 78}},
    {"Double", {180, 200, 240, 233}, {250, 78, 310, 103}},
    {"Clear", {180, 235, 240, 265}, {250, 159, 310, 184}},
};

std::string ExpectedAction(int x, int y, bool landscape, int scale) {
  for (const Region &r : Regions) {
    const int *e = landscape ? r.landscape : r.portrait;
    if (e[0] * scale <= x && x <= e[2] * scale && e[1] * scale <= y && y <= e[3] * scale) {
      return r.action;
    }
  }
  return "none";
}

// What a pen lifted at the client point does, told by its effect on the table: first between
// hands with 100 on the bet, then, when that changed nothing, in the player's turn on 2 and 3.
std::string TapEffect(HWND window, int x, int y) {
  GameTable &t = Table();
  t.NewGame();
  t.bet = 100;
  const std::int32_t drawn = t.cardsDrawn;
  MainWndProc(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  if (t.cardsDrawn != drawn) {
    return "Deal";
  }
  if (t.bet != 100) {
    return t.bet == 0 ? "Clear" : std::to_string(t.bet - 100);
  }
  t.bettingOpen = false;
  t.playerTurn = true;
  t.playerCards[0] = {2, 0};
  t.playerCards[1] = {3, 0};
  t.playerCardCount = 2;
  t.UpdateTotals();
  MainWndProc(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  if (t.bet != 100) {
    return "Double";
  }
  return t.dealerTurn ? "Stand" : t.playerCardCount == 3 ? "Hit" : "none";
}

// Across each edge of each region, one pixel outside, on the edge and one pixel inside.
TEST(TouchRegions, EachRegionActsUpToEachOfItsEdgesInBothOrientationsAndDpiSets) {
  for (const int scale : {1, 2}) {
    GameDevice device(0, "", scale);
    CaptureScreenDpi();
    const HWND window = platform::test::CreatePlainWindow();
    Shell().table = std::make_unique<GameTable>(device.instance, window);
    for (const bool landscape : {false, true}) {
      for (const Region &r : Regions) {
        const int *e = landscape ? r.landscape : r.portrait;
        const int midX = (e[0] + e[2]) * scale / 2, midY = (e[1] + e[3]) * scale / 2;
        for (const int d : {-1, 0, 1}) {
          const POINT taps[] = {{e[0] * scale - d, midY},
                                {e[2] * scale + d, midY},
                                {midX, e[1] * scale - d},
                                {midX, e[3] * scale + d}};
          for (const POINT &p : taps) {
            EXPECT_EQ(TapEffect(window, p.x, p.y), ExpectedAction(p.x, p.y, landscape, scale))
                << "near the " << r.action << " region, at " << p.x << ", " << p.y << " in "
                << (landscape ? "landscape" : "portrait") << " at " << 96 * scale << " dpi";
          }
        }
      }
      platform::TurnScreen(); // the orientation is asked at every tap
    }
    Shell().table.reset();
  }
}

TEST(Commands, KeysDoNothingAndNewStartsAfreshDuringAHand) {
  GameDevice device(2);
  Player player;
  player.TapClient(127, 250)
      .TapClient(30, 216)
      .Then([] { platform::QueueKeyPress('A', FCONTROL), platform::QueueKeyPress('Q', FCONTROL); })
      .Then([] { EXPECT_TRUE(Table().playerTurn && Table().bet == 100); })
      .Command(IDM_NEW)
      .Then([] { EXPECT_TRUE(Table().bettingOpen && Table().bank == 1000 && Table().bet == 0); });
  EXPECT_EQ(player.Play(device.instance), 0);
}

std::u16string Text(HWND window) {
  WCHAR text[100] = {};
  GetWindowTextW(window, text, 100);
  return text;
}

// A dialog of the shell's kind in front: its title, the template's Tahoma of 8 points (11 pixels
// at 96 dpi), the whole screen between the two 26-pixel bars, a soft-key bar of its own, and the
// navigation bar's Done.
void ExpectShellDialog(const char16_t *title) {
  const HWND dialog = GetForegroundWindow();
  EXPECT_EQ(Text(dialog), title);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(std::u16string(font.lfFaceName), u"Tahoma");
  EXPECT_EQ(std::abs(font.lfHeight), 11);
  RECT r{};
  GetWindowRect(dialog, &r);
  EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
            std::vector<LONG>({0, 26, 240, 294}));
  EXPECT_NE(SHFindMenuBar(dialog), nullptr);
  EXPECT_NE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN, 0);
}

constexpr std::pair<int, std::int32_t> DeckButtons[] = {
    {IDC_ONE_DECK, 1}, {IDC_TWO_DECKS, 2}, {IDC_FOUR_DECKS, 4}, {IDC_EIGHT_DECKS, 8}};

// Each Options control changed alone, the dialog closed by OK and by Done in turn: the dialog
// opens showing the settings, exactly the control's setting changes, and only a new number of
// decks is a new game. About closes with Done and changes nothing.
TEST(Dialogs, EachOptionsControlChangesItsSettingAloneAndAboutNothing) {
  struct Step {
    int control;
    bool sounds, clearType;
    std::int32_t decks;
  };
  constexpr Step steps[] = {
      {IDC_PLAY_SOUNDS, false, false, 2}, {IDC_CLEARTYPE, false, true, 2},
      {IDC_ONE_DECK, false, true, 1},     {IDC_TWO_DECKS, false, true, 2},
      {IDC_FOUR_DECKS, false, true, 4},   {IDC_EIGHT_DECKS, false, true, 8},
      {IDC_EIGHT_DECKS, false, true, 8},  {IDC_CLEARTYPE, false, false, 8},
      {IDC_PLAY_SOUNDS, true, false, 8},
  };
  GameDevice device(2);
  Player player;
  const auto mark = [] { Table().bank = 1234; }; // a bank that only a new game puts back to 1000
  player.Then(mark).Command(IDM_ABOUT).Then([] { ExpectShellDialog(u"About BlackJack"); });
  player.TapDone().Then([] {
    EXPECT_EQ(GetForegroundWindow(), MainWindow()) << "Done closes About";
    EXPECT_EQ(Table().bank, 1234);
  });
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const Step step = steps[i];
    player.Then(mark).Command(IDM_OPTIONS).Then([i] {
      if (i == 0) {
        ExpectShellDialog(u"Options");
      }
      const GameTable &t = Table();
      EXPECT_EQ(Checked(IDC_PLAY_SOUNDS), t.playSounds ? BST_CHECKED : BST_UNCHECKED);
      EXPECT_EQ(Checked(IDC_CLEARTYPE), t.useClearType ? BST_CHECKED : BST_UNCHECKED);
      for (const auto &[control, count] : DeckButtons) {
        EXPECT_EQ(Checked(control), t.deckCount == count ? BST_CHECKED : BST_UNCHECKED) << count;
      }
    });
    player.TapControl(step.control);
    if (i % 2 == 0) {
      player.TapControl(IDOK);
    } else {
      player.TapDone();
    }
    player.Then([step, i, previous = i == 0 ? 2 : steps[i - 1].decks] {
      SCOPED_TRACE(::testing::Message() << "step " << i);
      EXPECT_EQ(Table().playSounds, step.sounds);
      EXPECT_EQ(Table().useClearType, step.clearType);
      EXPECT_EQ(Table().deckCount, step.decks);
      EXPECT_EQ(Table().bank, step.decks != previous ? 1000 : 1234);
    });
  }
  EXPECT_EQ(player.Play(device.instance), 0);
}

TEST(Dialogs, OptionsWithoutItsMenuBarStillShowsTheSettingsSoOkKeepsThem) {
  GameDevice device(2, "", 1, NO_DIALOG_BAR_RES);
  Player player;
  player.Then([] { Table().useClearType = true; }).Command(IDM_OPTIONS).TapControl(IDOK).Then([] {
    EXPECT_TRUE(Table().playSounds);
    EXPECT_TRUE(Table().useClearType);
    EXPECT_EQ(Table().deckCount, 2);
  });
  EXPECT_EQ(player.Play(device.instance), 0);
}

bool ShowsVersionLine() {
  const std::u16string line = u"BlackJack Version " BLACKJACK_VERSION;
  for (HWND c = GetWindow(GetForegroundWindow(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (Text(c) == line) {
      return true;
    }
  }
  return false;
}

// Without a table the game shows nothing and acts on nothing, but About runs; a
// second start brings the game forward with the dialog open in it.
TEST(StartUp, WithoutATableOnlyAboutRunsAndASecondStartBringsItForward) {
  platform::test::TempProfile profile;
  GameDevice device(2, profile.Dir());
  const auto factory = MakeGameTable;
  MakeGameTable = [](HINSTANCE, HWND) { return std::unique_ptr<GameTable>(); };
  Player player;
  player.TapClient(127, 250)
      .Then([] { SendMessageW(MainWindow(), WM_TIMER, DealerTimer, 0); })
      .Command(IDM_NEW)
      .Command(IDM_OPTIONS)
      .Then([] { EXPECT_EQ(GetForegroundWindow(), MainWindow()) << "no Options"; })
      .Command(IDM_ABOUT)
      .Then([&] {
        EXPECT_TRUE(ShowsVersionLine());
        const HWND about = GetForegroundWindow();
        SetForegroundWindow(platform::test::CreatePlainWindow(u"another program"));
        char16_t commandLine[1] = {0};
        EXPECT_EQ(WinMain(device.instance, nullptr, commandLine, SW_SHOWNORMAL), 0);
        EXPECT_EQ(GetForegroundWindow(), about);
      })
      .TapDone();
  EXPECT_EQ(player.Play(device.instance), 0);
  MakeGameTable = factory;
  EXPECT_EQ(TakeCues(), Cues{});
  EXPECT_EQ(Stored(u"TotalAmount"), std::nullopt);
}

TEST(StartUp, TheTablePrecedesTheFirstPaintAndCloseThenDestroyStoresOnce) {
  platform::test::TempProfile profile;
  GameDevice device(2, profile.Dir());
  const auto factory = MakeGameTable;
  MakeGameTable = [](HINSTANCE instance, HWND window) {
    EXPECT_TRUE(GetUpdateRect(window, nullptr, FALSE)) << "painted before the table existed";
    return std::make_unique<GameTable>(instance, window);
  };
  Player player;
  player.TapClient(127, 250).Then([] {
    RECT r{};
    GetWindowRect(MainWindow(), &r);
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
              std::vector<LONG>({0, 26, 240, 320}));
    SendMessageW(MainWindow(), WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(Stored(u"TotalAmount"), 1000u) << "bank and bet";
    RegistrySettings().WriteDword(SettingsKey, u"TotalAmount", 7);
    SendMessageW(MainWindow(), WM_DESTROY, 0, 0);
  });
  EXPECT_EQ(player.Play(device.instance), 0);
  MakeGameTable = factory;
  EXPECT_EQ(Stored(u"TotalAmount"), 7u);
}

struct SettingsRun {
  const char *name;
  const char *hive; // values in the hive before the run; null: no hive
  std::function<void(Player &)> play;
  std::vector<std::pair<const char16_t *, DWORD>> stored;
};

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
      {"closed in the player's turn after a double",
       "\"TotalAmount\"=dword:000007d0\n\"HitAfterDouble\"=dword:1\n\"NumberOfDecks\"=dword:3\n",
       [](Player &p) {
         p.TapClient(127, 250).TapClient(30, 216).TapClient(210, 216).Then([] {
           EXPECT_TRUE(Table().playerTurn);
           EXPECT_EQ(Table().bet, 200);
         });
       },
       {{u"TotalAmount", 2000}, {u"HitAfterDouble", 1}, {u"NumberOfDecks", 3}}},
      {"sounds off",
       "\"PlaySounds\"=dword:0\n",
       [](Player &p) {
         p.TapClient(127, 250).TapClient(30, 216).Then([] { EXPECT_EQ(TakeCues(), Cues{}); });
       },
       {{u"PlaySounds", 0}}},
      {"damaged hive",
       "\"TotalAmount\"=dword:zz\n\x01garbage\n[broken\n",
       [](Player &) {},
       {{u"TotalAmount", 1000}, {u"NumberOfDecks", 2}}},
  };
  for (const SettingsRun &run : runs) {
    SCOPED_TRACE(run.name);
    platform::test::TempProfile profile;
    if (run.hive != nullptr) {
      std::ofstream(profile.Dir() + "/registry.reg")
          << "Windows Registry Editor Version 5.00\n\n"
          << "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n"
          << run.hive;
    }
    GameDevice device(2, profile.Dir());
    Player player;
    run.play(player);
    EXPECT_EQ(player.Play(device.instance), 0);
    for (const auto &[name, value] : run.stored) {
      EXPECT_EQ(Stored(name), value)
          << std::string(name, name + std::char_traits<char16_t>::length(name));
    }
  }
}

std::int64_t Number(const WCHAR *text) {
  return std::stoll(std::string(text, text + std::char_traits<WCHAR>::length(text)));
}

TEST(RandomRun, HundredThousandEventsLeakNothingAndStoreTheMoneyShown) {
  const char *seedText = std::getenv("BLACKJACK_SEED");
  const unsigned seed = seedText != nullptr ? static_cast<unsigned>(std::atoi(seedText)) : 2026;
  std::printf("seed %u (BLACKJACK_SEED replays a run)\n", seed);
  std::mt19937 random(seed);
  const auto pick = [&random](int n) { return static_cast<int>(random() % unsigned(n)); };
  platform::test::TempProfile profile;
  GameDevice device(0, profile.Dir());
  platform::test::GdiCounts gdiAtStart;
  std::size_t windowsAtStart = 0;
  std::int64_t moneyShown = 0;
  Player player;
  player.Then([&] {
    gdiAtStart = platform::test::GdiObjectCounts();
    windowsAtStart = platform::AllWindows().size();
  });
  constexpr int OptionsControls[] = {IDC_PLAY_SOUNDS, IDC_CLEARTYPE,  IDC_ONE_DECK,
                                     IDC_TWO_DECKS,   IDC_FOUR_DECKS, IDC_EIGHT_DECKS};
  for (int events = 0; events < 100000;) {
    const int kind = pick(100);
    if (kind == 0) {
      player.Command(IDM_NEW);
    } else if (kind == 1) {
      player.Command(IDM_ABOUT).TapControl(IDOK);
    } else if (kind == 2) {
      player.Command(IDM_OPTIONS).TapControl(OptionsControls[pick(6)]).TapDone();
    } else if (kind == 3) {
      player.Then([] { platform::TurnScreen(); });
    }
    if (kind < 4) {
      constexpr int Events[] = {1, 2, 3, 1};
      events += Events[kind];
      continue;
    }
    // A few taps before the next frame, as a quick player makes them: mostly on a region
    // of the orientation in force, sometimes anywhere on the screen.
    const int taps = 1 + pick(6);
    events += taps;
    player.Then([&pick, taps] {
      for (int i = 0; i < taps; ++i) {
        const HitRegion &r = HitRegions[pick(HitRegionCount)];
        const int scale = screenDpi / 96;
        const bool wide = IsLandscape();
        POINT at{(wide ? r.landscapeLeft : r.portraitLeft) * scale + pick(20),
                 (wide ? r.landscapeTop : r.portraitTop) * scale + pick(20)};
        ClientToScreen(MainWindow(), &at);
        QueueTap(pick(5) != 0 ? at
                              : POINT{pick(GetSystemMetrics(SM_CXSCREEN)),
                                      pick(GetSystemMetrics(SM_CYSCREEN))});
      }
    });
  }
  player.Then([&] {
    EXPECT_EQ(platform::test::GdiObjectCounts(), gdiAtStart);
    EXPECT_EQ(platform::AllWindows().size(), windowsAtStart);
    moneyShown = Number(Table().bankText.get()) + Number(Table().betText.get());
  });
  EXPECT_EQ(player.Play(device.instance), 0);
  EXPECT_EQ(Stored(u"TotalAmount"), static_cast<DWORD>(moneyShown));
}

} // namespace
