// A dialog taller than the screen scrolled every way a user tries, through the headless
// host's script: the wheel, the scroll bar's thumb and track, the content dragged.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "program.h"

namespace {

using dialogtest::State;

LONG okTop = 0; // where the OK button was on the screen when the dialog closed

BOOL CALLBACK ShellDialog(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    dialogtest::MakeMenuBar(dialog, 171, GetModuleHandleW(nullptr));
    SHINITDLGINFO info{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN};
    SHInitDialog(&info);
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, IDOK), &r);
    okTop = r.top;
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  return FALSE;
}

class Scrolling : public dialogtest::ProgramTest {
protected:
  // How far the script left the dialog scrolled: the OK button's rise.
  LONG ScrolledBy(int width, int height, WORD templateId, const std::string &script) {
    Start(width, height, 96);
    State().templateId = templateId;
    State().proc = ShellDialog;
    const auto still = Run("key return\n");
    const LONG top = okTop;
    Start(width, height, 96);
    State().templateId = templateId;
    State().proc = ShellDialog;
    const auto run = Run(script + "key return\n");
    EXPECT_TRUE(still.error.empty() && run.error.empty()) << run.error;
    return top - okTop;
  }
};

// Options in landscape at 96 dpi: 188 pixels between the bars for 248 of content, so it
// scrolls by up to 60; a line is 13 pixels; the thumb is 188 * 188 / 248 = 142 pixels
// high at the right edge (x 314 to 319) and travels 46.
TEST_F(Scrolling, TheWheelTheBarAndThePenEachScrollALandscapeDialog) {
  const struct {
    const char *name;
    const char *script;
    LONG scrolled;
  } cases[] = {
      {"a notch of the wheel towards the user: three lines", "wheel -1\n", 39},
      {"and back", "wheel -1\nwheel 1\n", 0},
      {"the wheel stops at the end", "wheel -5\n", 60},
      {"a tap on the track below the thumb pages down", "tap 317 200\n", 60},
      {"and above it, up", "wheel -5\ntap 317 30\n", 0},
      {"the thumb dragged by half its travel", "down 317 46\nmove 317 69\nup 317 69\n", 30},
      {"the content dragged up with the pen", "down 250 150\nmove 250 130\nup 250 120\n", 30},
      {"a tap on the thumb moves nothing", "tap 317 40\n", 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScrolledBy(320, 240, 117, c.script), c.scrolled);
  }
}

// About in portrait shows everything it has, though its credits' box reaches below the
// bar: nothing to scroll, so no bar and no wheel.
TEST_F(Scrolling, ADialogWhoseContentShowsWholeDoesNotScroll) {
  EXPECT_EQ(ScrolledBy(240, 320, 103, "wheel -1\ntap 237 200\n"), 0);
}

} // namespace
