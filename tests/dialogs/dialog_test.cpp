// Dialog behaviour under the headless host: taps and keys on the controls, the modal
// loop and its owner, the shell's full-screen dialogs, soft keys, and no leaks.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "program.h"
#include "user/window.h"

namespace {

using dialogtest::State;
using dialogtest::Tap;

// How the test's dialog procedure behaves, and what it saw.
struct Behaviour {
  bool shell = false;        // a menu bar and SHInitDialog, as the game's dialogs do
  bool ignoreCancel = false; // IDCANCEL keeps the dialog open
  WORD quitOn = 0;           // this command posts WM_QUIT instead
  // Seen:
  std::vector<WORD> commands;
  std::vector<std::array<UINT, 3>> radios; // after each radio button's BN_CLICKED
  UINT checked = 0;                        // the check box when it closed
  RECT rect{}, barRect{};                  // the dialog and its bar when it closed
};

Behaviour &B() {
  static Behaviour behaviour;
  return behaviour;
}

BOOL CALLBACK TestProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG && B().shell) {
    dialogtest::MakeMenuBar(dialog, 171, GetModuleHandleW(nullptr));
    SHINITDLGINFO info{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN};
    SHInitDialog(&info);
    return TRUE;
  }
  if (msg != WM_COMMAND) {
    return msg == WM_INITDIALOG;
  }
  const WORD id = LOWORD(wParam);
  B().commands.push_back(id);
  if (id >= 201 && id <= 203) {
    B().radios.push_back({IsDlgButtonChecked(dialog, 201), IsDlgButtonChecked(dialog, 202),
                          IsDlgButtonChecked(dialog, 203)});
  }
  if (id == B().quitOn) {
    PostQuitMessage(5);
    return TRUE;
  }
  if (id == IDOK || (id == IDCANCEL && !B().ignoreCancel)) {
    B().checked = IsDlgButtonChecked(dialog, 100);
    GetWindowRect(dialog, &B().rect);
    GetWindowRect(SHFindMenuBar(dialog), &B().barRect);
    EndDialog(dialog, id == IDOK ? 42 : id);
    return TRUE;
  }
  return FALSE;
}

// OK (default), Cancel, a check box, a group of three radio buttons, a label.
std::vector<std::byte> Sample() {
  dialogtest::TemplateLayout t;
  const DWORD child = WS_CHILD | WS_VISIBLE;
  const DWORD check = child | BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP;
  const DWORD radio = child | BS_AUTORADIOBUTTON, firstRadio = radio | WS_TABSTOP | WS_GROUP;
  t.items = {
      {child | BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 10, 50, 14, IDOK, 0x80, u"", u"OK", 0, {}},
      {child | WS_TABSTOP, 70, 10, 50, 14, IDCANCEL, 0x80, u"", u"Cancel", 0, {}},
      {check, 10, 30, 80, 12, 100, 0, u"button", u"Check", 0, {}},
      {firstRadio, 10, 45, 60, 10, 201, 0x80, u"", u"One", 0, {}},
      {radio, 10, 57, 60, 10, 202, 0x80, u"", u"Two", 0, {}},
      {radio, 10, 69, 60, 10, 203, 0x80, u"", u"Three", 0, {}},
      {child | WS_GROUP, 10, 85, 80, 10, 0xFFFF, 0x82, u"", u"Label", 0, {}},
  };
  return dialogtest::Build(t);
}

std::string At(WORD item) {
  return Tap(dialogtest::ItemCentre(Sample(), item, POINT{0, platform::NavigationBarHeight()}));
}

std::string Pen(const char *verb, POINT at) {
  return std::string(verb) + " " + std::to_string(at.x) + " " + std::to_string(at.y) + "\n";
}

std::string Keys(std::initializer_list<const char *> names) {
  std::string script;
  for (const char *name : names) {
    script += std::string("key ") + name + "\n";
  }
  return script;
}

class Dialogs : public dialogtest::ProgramTest {
protected:
  Dialogs() { Reset(); }
  void Reset() {
    B() = Behaviour{};
    State().dialogTemplate = Sample();
    State().proc = TestProc;
  }
};

TEST_F(Dialogs, TapsAndKeysWorkTheControls) {
  const POINT check = dialogtest::ItemCentre(Sample(), 100, POINT{0, 26});
  using Radios = std::vector<std::array<UINT, 3>>;
  const struct {
    const char *name;
    std::string script;
    INT_PTR result;
    UINT checked;
    Radios radios;
    std::vector<WORD> commands;
  } cases[] = {
      // clang-format off
      {"a tap on the check box checks it", At(100) + At(IDOK), 42, 1, {}, {100, IDOK}},
      {"each radio button tapped leaves it the only one checked",
       At(201) + At(202) + At(203) + At(202) + At(IDOK), 42, 0,
       {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}}, {201, 202, 203, 202, IDOK}},
      {"a press that slides off before release does nothing",
       Pen("down", check) + Pen("up", {230, check.y}) + Keys({"return"}), 42, 0, {}, {IDOK}},
      {"Enter presses the default button", Keys({"return"}), 42, 0, {}, {IDOK}},
      {"Escape sends IDCANCEL", Keys({"escape"}), IDCANCEL, 0, {}, {IDCANCEL}},
      {"Tab reaches the check box, Space toggles it, arrows choose in the radio group",
       Keys({"tab", "tab", "space", "tab", "down", "down", "up", "return"}), 42, 1,
       {{0, 1, 0}, {0, 0, 1}, {0, 1, 0}}, {100, 202, 203, 202, IDOK}},
      {"Shift+Tab goes backwards round the tab stops to the radio group",
       Keys({"shift+tab", "down", "return"}), 42, 0, {{0, 1, 0}}, {202, IDOK}},
      // clang-format on
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    const auto run = Run(c.script);
    EXPECT_TRUE(run.error.empty()) << run.error;
    EXPECT_EQ(State().result, c.result);
    EXPECT_EQ(B().checked, c.checked);
    EXPECT_EQ(B().radios, c.radios);
    EXPECT_EQ(B().commands, c.commands);
  }
}

// Escape ignored, the dialog is still open when the script ends and the game is closed.
TEST_F(Dialogs, AProcedureThatIgnoresEscapeKeepsTheDialogOpenUntilTheGameCloses) {
  B().ignoreCancel = true;
  const auto run = Run(Keys({"escape"}));
  EXPECT_TRUE(run.error.empty()) << run.error;
  EXPECT_EQ(B().commands, (std::vector<WORD>{IDCANCEL}));
  EXPECT_FALSE(IsWindow(State().main));
}

TEST_F(Dialogs, TheOwnerIsDisabledTicksOnAndIsRepaintedAndBackWhenTheDialogCloses) {
  State().mainTimerMs = 100;
  std::size_t seenWhileOpen = 0;
  RECT uncovered{};
  BOOL enabledAfter = FALSE;
  State().afterDialog = [&](HWND main) {
    seenWhileOpen = State().mainSeen.size();
    GetUpdateRect(main, &uncovered, FALSE);
    enabledAfter = IsWindowEnabled(main);
  };
  // A tap on the main window's visible part and on its soft key "New" reach nothing.
  const auto run = Run("wait 1000\n" + Tap({120, 260}) + Tap({40, 307}) + Keys({"return"}));
  EXPECT_TRUE(run.error.empty()) << run.error;
  const auto seen = [&](UINT message, std::size_t upTo) {
    const auto &all = State().mainSeen;
    return std::count(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(upTo), message);
  };
  EXPECT_GE(seen(WM_TIMER, seenWhileOpen), 9) << "the dealer goes on behind the dialog";
  EXPECT_EQ(seen(WM_LBUTTONDOWN, seenWhileOpen) + seen(WM_LBUTTONUP, seenWhileOpen), 0);
  EXPECT_EQ(seen(WM_COMMAND, State().mainSeen.size()), 0) << "its menu bar is idle too";
  EXPECT_TRUE(enabledAfter);
  EXPECT_GT(uncovered.bottom, 150) << "what the dialog covered is repainted";
}

TEST_F(Dialogs, AQuitMetByTheModalLoopEndsItAndReachesTheMainLoop) {
  B().quitOn = 100;
  const auto run = Run(At(100));
  EXPECT_EQ(State().result, 0);
  EXPECT_EQ(run.exitCode, 5);
}

// Between the bars on the screen as it is turned: the dialog follows a turn, its bar too.
TEST_F(Dialogs, ShellDialogsFillTheScreenBetweenTheBarsAndFollowATurn) {
  B().shell = true;
  Run("rotate\n" + Tap({310, 10}));
  EXPECT_EQ(State().result, 42);
  EXPECT_TRUE(platform::SameRect(B().rect, {0, 26, 320, 214}))
      << B().rect.right << "x" << B().rect.bottom;
  EXPECT_TRUE(platform::SameRect(B().barRect, {0, 214, 320, 240}));
}

TEST_F(Dialogs, AMissingMenuBarMakesNoWindowAndAZeroActivationRecordDoesNothing) {
  const HWND parent = platform::test::CreatePlainWindow();
  const std::size_t before = platform::AllWindows().size();
  SHMENUBARINFO info{.cbSize = sizeof(SHMENUBARINFO),
                     .hwndParent = parent,
                     .nToolBarId = 999,
                     .hInstRes = module_};
  EXPECT_FALSE(SHCreateMenuBar(&info));
  EXPECT_EQ(platform::AllWindows().size(), before);
  SHACTIVATEINFO zero{};
  EXPECT_FALSE(SHHandleWMSettingChange(parent, SETTINGCHANGE_RESET, 0, &zero));
}

BOOL CALLBACK ShownThenEnded(HWND dialog, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) {
    dialogtest::MakeMenuBar(dialog, 171, GetModuleHandleW(nullptr));
    SHINITDLGINFO info{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN};
    SHInitDialog(&info);
    SetTimer(dialog, 1, 10, nullptr); // after the first paint
    return TRUE;
  }
  if (msg == WM_TIMER) {
    EndDialog(dialog, IDOK);
  }
  return FALSE;
}

TEST_F(Dialogs, AThousandDialogsLeaveNoObjectOrWindowBehind) {
  const HWND owner = platform::test::CreatePlainWindow();
  const std::vector<std::byte> bytes = Sample();
  const auto run = [&] {
    return DialogBoxIndirectParamW(module_, reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), owner,
                                   ShownThenEnded, 0);
  };
  ASSERT_EQ(run(), IDOK); // the first one realises the fonts and classes
  const auto gdi = platform::test::GdiObjectCounts();
  const std::size_t windows = platform::AllWindows().size();
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(run(), IDOK);
  }
  EXPECT_EQ(platform::test::GdiObjectCounts(), gdi);
  EXPECT_EQ(platform::AllWindows().size(), windows);
}

} // namespace
