// The game as a player meets it, played through the headless host: a whole hand, a tap on each
// region's edges, the soft keys and keys, the Options and About dialogs, start-up, the close, the
// money and settings from one run to the next, and a long random run.
#include <windows.h>

#include <aygshell.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <utility>

#include "kernel/module.h"
#include "resource.h"
#include "shell/shell.h"
#include "testing/testing.h"
#include "tests/dialogs/program.h"
#include "tests/shell/game_device.h"
#include "user/window.h"

namespace {

using Cues = std::vector<std::u16string>;

using shelltest::CheckAt, shelltest::GameDevice, shelltest::Screen, shelltest::Stored,
    shelltest::Tap;

HWND MainWindow() { return FindWindowW(u"BLACKJACK", u"BlackJack"); }
GameTable &Table() {
  if (!Shell().table) {
    std::abort(); // a step that needs the game's table cannot go on without one
  }
  return *Shell().table;
}

// On a portrait QVGA screen: the table's client area starts under the 26-pixel navigation bar,
// whose right end holds a dialog's Done; the soft keys New, Options and About lie across the bar
// at the bottom.
std::string TapTable(int x, int y) { return Tap(x, y + 26); }
const std::string Chip100 = TapTable(127, 250), Chip25 = TapTable(92, 250);
const std::string DealButton = TapTable(31, 216), StandButton = TapTable(150, 216);
const std::string DoubleButton = TapTable(210, 216);
const std::string NewKey = Tap(40, 307), OptionsKey = Tap(120, 307), AboutKey = Tap(200, 307);
const std::string Done = Tap(230, 10);

// A tap on a control of the Options dialog, which fills the screen under the navigation bar.
std::string TapOption(HINSTANCE instance, WORD control) {
  const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDD_OPTIONS), RT_DIALOG);
  const auto *bytes = static_cast<const std::byte *>(LockResource(LoadResource(instance, found)));
  return dialogtest::Tap(
      dialogtest::ItemCentre({bytes, SizeofResource(instance, found)}, control, {0, 26}));
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A profile whose hive holds `values` (regedit lines) for the game's key.
void WriteHive(const platform::test::TempProfile &profile, const std::string &values) {
  std::ofstream(profile.Dir() + "/registry.reg")
      << "Windows Registry Editor Version 5.00\n\n"
      << "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n"
      << values;
}

// The README's pictures come from this script, so running it here keeps them true.
TEST(WholeHand, TheTourScriptPlaysToTheDealersBustAndDrawsTheReadmePictures) {
  platform::test::TempProfile profile;
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(profile.Dir());
  {
    // At 12:00:17 the player gets 3 and 2, the dealer 2 and 9, then a 2 and a 10.
    GameDevice device(17, profile.Dir());
    const auto run = device.Play(ReadFile(SCREENSHOTS_DIR "/tour.script"));
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

// Taps at the edges of the regions, in client pixels, first in portrait and then, the screen
// turned, in landscape: every edge belongs to its region, a point that two regions share goes to
// the earlier, and the edges are scaled from 96 dpi with halves rounded away from zero.
TEST(TouchRegions, EachEdgeBelongsToItsRegionInBothOrientationsAtEveryDpi) {
  struct TapCase {
    int dpi;
    bool landscape;
    int x, y;
    const char *action;
  };
  // 144 dpi puts edges on half pixels: 5 and 3 become 8 and 5; 235, 233 and 3 become 353, 350
  // and 5.
  // clang-format off
  constexpr TapCase taps[] = {
      {96, false, 4, 250, "none"}, {96, false, 5, 265, "5"}, {96, false, 40, 250, "5"},
      {96, false, 41, 250, "10"}, {96, false, 110, 250, "25"}, {96, false, 145, 250, "100"},
      {96, false, 145, 266, "none"}, {96, false, 180, 250, "500"}, {96, false, 240, 265, "Clear"},
      {96, false, 2, 200, "none"}, {96, false, 3, 200, "Deal"}, {96, false, 60, 210, "Deal"},
      {96, false, 120, 233, "Hit"}, {96, false, 120, 234, "none"}, {96, false, 180, 216, "Stand"},
      {96, false, 240, 233, "Double"},
      {96, true, 60, 210, "none"}, {96, true, 249, 28, "none"}, {96, true, 250, 28, "Deal"},
      {96, true, 250, 29, "Hit"}, {96, true, 310, 53, "Hit"}, {96, true, 280, 78, "Stand"},
      {96, true, 310, 103, "Double"}, {96, true, 311, 90, "none"}, {96, true, 217, 22, "5"},
      {96, true, 232, 54, "none"}, {96, true, 232, 86, "10"}, {96, true, 232, 118, "25"},
      {96, true, 232, 151, "100"}, {96, true, 248, 183, "500"}, {96, true, 250, 158, "none"},
      {96, true, 250, 184, "Clear"},
      {192, false, 9, 470, "none"}, {192, false, 10, 470, "5"}, {192, false, 80, 530, "5"},
      {192, false, 81, 530, "10"}, {192, false, 480, 531, "none"}, {192, true, 499, 56, "none"},
      {192, true, 500, 56, "Deal"}, {192, true, 500, 57, "Hit"},
      {144, false, 7, 360, "none"}, {144, false, 8, 360, "5"}, {144, false, 20, 352, "none"},
      {144, false, 20, 353, "5"}, {144, false, 4, 310, "none"}, {144, false, 5, 310, "Deal"},
      {144, false, 30, 350, "Deal"}, {144, false, 30, 351, "none"}, {144, true, 375, 4, "none"},
      {144, true, 375, 5, "Deal"}, {144, true, 380, 42, "Deal"}, {144, true, 380, 43, "Hit"},
  };
  // clang-format on
  for (const int dpi : {96, 192, 144}) {
    GameDevice device(0, "", "", Screen{"", 240 * dpi / 96, 320 * dpi / 96, dpi});
    CaptureScreenDpi();
    const HWND window = platform::test::CreatePlainWindow();
    Shell().table = std::make_unique<GameTable>(device.instance, window);
    for (const bool landscape : {false, true}) {
      for (const TapCase &c : taps) {
        if (c.dpi == dpi && c.landscape == landscape) {
          EXPECT_EQ(TapEffect(window, c.x, c.y), c.action)
              << "at " << c.x << ", " << c.y << (landscape ? " in landscape" : "") << " at " << dpi
              << " dpi";
        }
      }
      platform::TurnScreen(); // the orientation is asked at every tap
    }
    Shell().table.reset();
  }
}

// At 12:00:17 the tour's hand is won; in the next hand keys do nothing, and New puts a fresh
// game on the table, where a chip and a deal are taken again.
TEST(Commands, KeysDoNothingAndNewStartsAfreshDuringAHand) {
  platform::test::TempProfile profile;
  GameDevice device(17, profile.Dir());
  const auto run =
      device.Play(Chip100 + DealButton + StandButton + "wait 3000\n" + DealButton +
                  "key ctrl+a\nkey ctrl+q\nkey return\n" + NewKey + Chip25 + DealButton);
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_EQ(Stored(u"TotalAmount"), 1000u) << "the money won before New is gone";
  for (const std::u16string &cue : platform::test::TakeCueNames()) {
    EXPECT_NE(cue, u"pong") << "an action was refused";
  }
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

// Each Options control alone, the dialog closed by its OK or by the navigation bar's Done:
// exactly the control's setting changes, and only another number of decks is a new game, which
// puts the stored 1234 back to 1000. Opened and closed unchanged, the dialog keeps settings far
// from the defaults, so it showed them; About changes nothing.
TEST(Dialogs, EachOptionsControlChangesItsSettingAloneAndAboutNothing) {
  const std::string plain = "\"TotalAmount\"=dword:000004d2\n";
  const std::string odd =
      plain + "\"PlaySounds\"=dword:0\n\"ClearType\"=dword:1\n\"NumberOfDecks\"=dword:8\n";
  const struct {
    const char *name;
    const std::string &hive;
    int control; // 0: none; -1: About instead of Options
    bool done;
    DWORD sounds, clearType, decks, money;
  } runs[] = {
      {"Options unchanged", odd, 0, false, 0, 1, 8, 1234},
      {"Play Sounds", plain, IDC_PLAY_SOUNDS, false, 0, 0, 2, 1234},
      {"ClearType", plain, IDC_CLEARTYPE, true, 1, 1, 2, 1234},
      {"one deck", plain, IDC_ONE_DECK, false, 1, 0, 1, 1000},
      {"two decks, as before", plain, IDC_TWO_DECKS, true, 1, 0, 2, 1234},
      {"four decks", odd, IDC_FOUR_DECKS, false, 0, 1, 4, 1000},
      {"eight decks", plain, IDC_EIGHT_DECKS, true, 1, 0, 8, 1000},
      {"About", odd, -1, true, 0, 1, 8, 1234},
  };
  for (const auto &r : runs) {
    SCOPED_TRACE(r.name);
    platform::test::TempProfile profile;
    WriteHive(profile, r.hive);
    GameDevice device(2, profile.Dir());
    CheckAt(
        1, [about = r.control < 0] { ExpectShellDialog(about ? u"About BlackJack" : u"Options"); });
    std::string script = (r.control < 0 ? AboutKey : OptionsKey) + "wait 1\n";
    script += r.control > 0 ? TapOption(device.instance, static_cast<WORD>(r.control)) : "";
    script += r.done ? Done : TapOption(device.instance, IDOK);
    const auto run = device.Play(script);
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_EQ(Stored(u"PlaySounds"), r.sounds);
    EXPECT_EQ(Stored(u"ClearType"), r.clearType);
    EXPECT_EQ(Stored(u"NumberOfDecks"), r.decks);
    EXPECT_EQ(Stored(u"TotalAmount"), r.money);
  }
}

TEST(Dialogs, OptionsWithoutItsMenuBarStillShowsTheSettingsSoOkKeepsThem) {
  platform::test::TempProfile profile;
  WriteHive(profile, "\"ClearType\"=dword:1\n");
  GameDevice device(2, profile.Dir(), NO_DIALOG_BAR_RES);
  const auto run = device.Play(OptionsKey + TapOption(device.instance, IDOK));
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_EQ(Stored(u"PlaySounds"), 1u);
  EXPECT_EQ(Stored(u"ClearType"), 1u);
  EXPECT_EQ(Stored(u"NumberOfDecks"), 2u);
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
  CheckAt(1, [] {
    SendMessageW(MainWindow(), WM_TIMER, DealerTimer, 0);
    EXPECT_EQ(GetForegroundWindow(), MainWindow()) << "no Options";
  });
  CheckAt(2, [&device] {
    EXPECT_TRUE(ShowsVersionLine());
    const HWND about = GetForegroundWindow();
    SetForegroundWindow(platform::test::CreatePlainWindow(u"another program"));
    char16_t commandLine[1] = {0};
    EXPECT_EQ(WinMain(device.instance, nullptr, commandLine, SW_SHOWNORMAL), 0);
    EXPECT_EQ(GetForegroundWindow(), about);
  });
  const auto run = device.Play(TapTable(127, 250) + NewKey + OptionsKey + "wait 1\n" + AboutKey +
                               "wait 1\n" + Done);
  MakeGameTable = factory;
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_EQ(platform::test::TakeCueNames(), Cues{});
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
  CheckAt(1, [] {
    RECT r{};
    GetWindowRect(MainWindow(), &r);
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
              std::vector<LONG>({0, 26, 240, 320}));
    SendMessageW(MainWindow(), WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(Stored(u"TotalAmount"), 1000u) << "bank and bet";
    RegistrySettings().WriteDword(SettingsKey, u"TotalAmount", 7);
    SendMessageW(MainWindow(), WM_DESTROY, 0, 0);
  });
  const auto run = device.Play(Chip100 + "wait 1\n");
  MakeGameTable = factory;
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_EQ(Stored(u"TotalAmount"), 7u);
}

// A game closed in the player's turn after a double stores the bank and the doubled bet; one
// with its sounds off plays none.
TEST(Settings, RunsStoreTheMoneyAndKeepTheSettings) {
  const struct {
    const char *hive;
    std::string script;
    std::vector<std::pair<const char16_t *, DWORD>> stored;
    Cues cues;
  } runs[] = {
      {"\"TotalAmount\"=dword:000007d0\n\"HitAfterDouble\"=dword:1\n\"NumberOfDecks\"=dword:3\n",
       Chip100 + DealButton + DoubleButton,
       {{u"TotalAmount", 2000}, {u"HitAfterDouble", 1}, {u"NumberOfDecks", 3}},
       {u"coin", u"flip", u"flip"}},
      {"\"PlaySounds\"=dword:0\n", Chip100 + DealButton, {{u"PlaySounds", 0}}, {}},
  };
  for (const auto &r : runs) {
    SCOPED_TRACE(r.hive);
    platform::test::TempProfile profile;
    WriteHive(profile, r.hive);
    GameDevice device(2, profile.Dir());
    EXPECT_EQ(device.Play(r.script).exitCode, 0);
    EXPECT_EQ(platform::test::TakeCueNames(), r.cues);
    for (const auto &[name, value] : r.stored) {
      EXPECT_EQ(Stored(name), value)
          << std::string(name, name + std::char_traits<char16_t>::length(name));
    }
  }
}

std::int64_t Number(const WCHAR *text) {
  return std::stoll(std::string(text, text + std::char_traits<WCHAR>::length(text)));
}

// Random taps, mostly on a region of the orientation in force, a few at a time as a quick
// player makes them between waits of the dealer's timer; now and then a new game, a turn of the
// screen, About, or Options with one of its controls.
TEST(RandomRun, HundredThousandEventsLeakNothingAndStoreTheMoneyShown) {
  const char *seedText = std::getenv("BLACKJACK_SEED");
  const unsigned seed = seedText != nullptr ? static_cast<unsigned>(std::atoi(seedText)) : 2026;
  std::printf("seed %u (BLACKJACK_SEED replays a run)\n", seed);
  std::mt19937 random(seed);
  const auto pick = [&random](int n) { return static_cast<int>(random() % unsigned(n)); };
  platform::test::TempProfile profile;
  GameDevice device(0, profile.Dir());
  std::string options[] = {
      TapOption(device.instance, IDC_PLAY_SOUNDS), TapOption(device.instance, IDC_CLEARTYPE),
      TapOption(device.instance, IDC_ONE_DECK),    TapOption(device.instance, IDC_TWO_DECKS),
      TapOption(device.instance, IDC_FOUR_DECKS),  TapOption(device.instance, IDC_EIGHT_DECKS)};
  std::string script = "wait 1\n";
  std::uint64_t clock = 1;
  bool wide = false;
  for (int events = 0; events < 100000;) {
    const int kind = pick(100);
    const int across = wide ? 320 : 240, down = wide ? 240 : 320;
    const std::string done = Tap(across - 10, 10);
    if (kind == 0) {
      script += Tap(40 * across / 240, down - 13);
    } else if (kind == 1) {
      script += Tap(200 * across / 240, down - 13) + done;
    } else if (kind == 2) {
      script += Tap(120 * across / 240, down - 13) + options[pick(6)] + done;
    } else if (kind == 3) {
      script += "rotate\n";
      wide = !wide;
    } else {
      for (int taps = 1 + pick(6); taps > 0; --taps, ++events) {
        const HitRegion &r = HitRegions[pick(HitRegionCount)];
        script += pick(5) == 0 ? Tap(pick(across), pick(down))
                               : Tap((wide ? r.landscapeLeft : r.portraitLeft) + pick(20),
                                     (wide ? r.landscapeTop : r.portraitTop) + 26 + pick(20));
      }
      const int wait = pick(400);
      script += "wait " + std::to_string(wait) + "\n";
      clock += static_cast<std::uint64_t>(wait);
    }
    constexpr int Events[] = {1, 2, 3, 1};
    events += kind < 4 ? Events[kind] : 0;
  }
  script += "wait 1\n";
  platform::test::GdiCounts gdiAtStart;
  std::size_t windowsAtStart = 0;
  std::int64_t moneyShown = 0;
  CheckAt(1, [&] {
    gdiAtStart = platform::test::GdiObjectCounts();
    windowsAtStart = platform::AllWindows().size();
  });
  CheckAt(clock + 1, [&] {
    EXPECT_EQ(platform::test::GdiObjectCounts(), gdiAtStart);
    EXPECT_EQ(platform::AllWindows().size(), windowsAtStart);
    moneyShown = Number(Table().bankText.get()) + Number(Table().betText.get());
  });
  const auto run = device.Play(script);
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_EQ(Stored(u"TotalAmount"), static_cast<DWORD>(moneyShown));
}

} // namespace
