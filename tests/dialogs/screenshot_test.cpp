// The game's two dialogs on portrait and landscape screens at 96 and 192 dpi, with
// stand-in procedures that check the boxes: every label fits its control, no two
// controls overlap, each can be scrolled into view; screenshots for the eye.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "program.h"
#include "user/compositor.h"
#include "user/control_draw.h"
#include "user/window.h"

namespace {

using dialogtest::State;

// What the stand-in procedures found wrong, one line each.
std::vector<std::string> &Problems() {
  static std::vector<std::string> problems;
  return problems;
}

std::string Name(HWND control) {
  WCHAR text[80] = {};
  GetWindowTextW(control, text, 80);
  std::string name = "control " + std::to_string(GetDlgCtrlID(control)) + " \"";
  for (const WCHAR *c = text; *c != 0; ++c) {
    name.push_back(static_cast<char>(*c));
  }
  return name + "\"";
}

// Where a control puts ink: a push button or an icon fills its rectangle; a label
// covers its measured text, and a check box's or radio button's mark beside it.
// A label that needs more room than the control has is a problem.
RECT InkOf(HWND control, const RECT &r) {
  WCHAR text[200] = {};
  const int length = GetWindowTextW(control, text, 200);
  const auto style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
  const bool button = platform::FindWindowObject(control)->className == u"BUTTON";
  const DWORD type = style & BS_TYPEMASK;
  if (length == 0 || (button && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) ||
      (!button && (style & SS_TYPEMASK) == SS_ICON)) {
    return r;
  }
  const int mark = button ? platform::ControlPainter::Scale(18) : 0;
  RECT room{0, 0, r.right - r.left - mark, 0};
  const HDC dc = GetDC(control);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  DrawTextW(dc, text, length, &room, DT_CALCRECT | (button ? DT_SINGLELINE : DT_WORDBREAK));
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  const LONG width = r.right - r.left;
  const LONG height = r.bottom - r.top;
  if (room.right + mark > width || room.bottom > height) {
    Problems().push_back(Name(control) + " needs " + std::to_string(room.right + mark) + "x" +
                         std::to_string(room.bottom) + " in " + std::to_string(width) + "x" +
                         std::to_string(height));
  }
  if (button) {
    const LONG top = r.top + (height - room.bottom) / 2;
    return RECT{r.left, top, r.left + mark + room.right, top + room.bottom};
  }
  const LONG spare = width - room.right;
  const LONG left = r.left + ((style & SS_TYPEMASK) == SS_CENTER ? spare / 2 : 0);
  return RECT{left, r.top, left + room.right, r.top + room.bottom};
}

void CheckLayout(HWND dialog) {
  RECT area{};
  GetWindowRect(dialog, &area);
  std::vector<std::pair<HWND, RECT>> seen;
  std::vector<LONG> tops; // of each control when its ink was measured
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(c, &r);
    if (r.left < area.left || r.right > area.right) {
      Problems().push_back(Name(c) + " sticks out at the side");
    }
    const RECT ink = InkOf(c, r);
    for (const auto &[other, o] : seen) {
      if (ink.left < o.right && o.left < ink.right && ink.top < o.bottom && o.top < ink.bottom) {
        Problems().push_back(Name(c) + " overlaps " + Name(other));
      }
    }
    seen.emplace_back(c, ink);
    tops.push_back(r.top);
  }
  // What each shows can be brought into view whole, scrolling where the screen is too
  // short.
  for (std::size_t i = 0; i < seen.size(); ++i) {
    const auto &[c, ink] = seen[i];
    platform::ScrollIntoView(dialog, c);
    RECT now{};
    GetWindowRect(c, &now);
    const LONG moved = now.top - tops[i];
    if (ink.top + moved < area.top || ink.bottom + moved > area.bottom) {
      Problems().push_back(Name(c) + " cannot be scrolled into view");
    }
  }
}

// What the dialog showed as it closed: how far it was scrolled, and how many of its pixels
// have channels that differ (a white dialog with black and grey ink has none unless its
// text is drawn with ClearType's coloured sub-pixels).
int scrolled = 0;
int colouredPixels = 0;

void Look(HWND dialog) {
  scrolled = platform::FindDialog(dialog)->scrollY;
  platform::ComposeScreen();
  RECT r{};
  GetWindowRect(dialog, &r);
  const platform::Surface &screen = platform::ScreenSurface();
  colouredPixels = static_cast<int>(std::count_if(
      screen.Row(r.top), screen.Row(r.bottom - 1) + screen.width, [](std::uint32_t p) {
        return (p >> 16 & 0xFF) != (p & 0xFF) || (p >> 8 & 0xFF) != (p & 0xFF);
      }));
}

BOOL CALLBACK StandIn(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    if (dialogtest::MakeMenuBar(dialog, 171, GetModuleHandleW(nullptr)) == nullptr) {
      return FALSE;
    }
    SHINITDLGINFO info{SHIDIM_FLAGS, dialog,
                       SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
    SHInitDialog(&info);
    for (int id : {1004, 1010, 1013}) {
      CheckDlgButton(dialog, id, BST_CHECKED);
    }
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
    Look(dialog);
    CheckLayout(dialog);
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  return FALSE;
}

struct Screen {
  const char *name;
  int width, height, dpi;
};

class GameDialogScreens : public dialogtest::ProgramTest {};

TEST_F(GameDialogScreens, EveryLabelFitsAndEveryControlShowsOnEveryScreen) {
  const char *folder = std::getenv("DIALOG_SHOTS"); // set to keep the pictures
  const std::string out = folder != nullptr ? folder : ::testing::TempDir();
  for (const Screen &s :
       {Screen{"portrait-96", 240, 320, 96}, Screen{"landscape-96", 320, 240, 96},
        Screen{"portrait-192", 480, 640, 192}, Screen{"landscape-192", 640, 480, 192}}) {
    for (WORD id : {WORD{103}, WORD{117}}) {
      SCOPED_TRACE(std::string(s.name) + " dialog " + std::to_string(id));
      Start(s.width, s.height, s.dpi);
      Problems().clear();
      State().templateId = id;
      State().proc = StandIn;
      const std::string shot = out + "/dialog-" + std::to_string(id) + "-" + s.name + ".png";
      const POINT ok{s.width - platform::ScaleToDpi(10), platform::ScaleToDpi(10)};
      // Where a landscape screen is too short, the wheel shows the rest.
      const auto run = Run("screenshot " + shot + "\n" + (s.width > s.height ? "wheel -9\n" : "") +
                           dialogtest::Tap(ok));
      EXPECT_TRUE(run.error.empty()) << run.error;
      EXPECT_EQ(State().result, IDOK) << "the navigation bar's ok closes it";
      EXPECT_TRUE(id != 117 || colouredPixels == 0) << "the device's own text is grey";
      for (const std::string &p : Problems()) {
        ADD_FAILURE() << p;
      }
    }
  }
}

// Options in landscape at 96 dpi: 188 pixels between the bars for 248 of content, so it
// scrolls by up to 60; a line is 13 pixels; the thumb is 188 * 188 / 248 = 142 pixels high
// at the right edge (x 314 to 319) and travels 46. About in portrait shows all it has,
// though the box of its credits reaches below the bar: nothing to scroll there.
TEST_F(GameDialogScreens, TheWheelTheBarAndThePenScrollADialogThatDoesNotFit) {
  const struct {
    const char *name;
    WORD id;
    const char *script;
    int scrolled;
  } cases[] = {
      {"a notch of the wheel towards the user: three lines", 117, "wheel -1\n", 39},
      {"and back", 117, "wheel -1\nwheel 1\n", 0},
      {"the wheel stops at the end", 117, "wheel -5\n", 60},
      {"a tap on the track below the thumb pages down", 117, "tap 317 200\n", 60},
      {"and above it, up", 117, "wheel -5\ntap 317 30\n", 0},
      {"the thumb dragged by half its travel", 117, "down 317 46\nmove 317 69\nup 317 69\n", 30},
      {"the content dragged up with the pen", 117, "down 250 150\nmove 250 130\nup 250 120\n", 30},
      {"About in portrait: no wheel, no bar", 103, "wheel -1\ntap 237 200\n", 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    c.id == 117 ? Start(320, 240, 96) : Start(240, 320, 96);
    State().templateId = c.id;
    State().proc = StandIn;
    Run(std::string(c.script) + "key return\n");
    EXPECT_EQ(scrolled, c.scrolled);
  }
}

} // namespace
