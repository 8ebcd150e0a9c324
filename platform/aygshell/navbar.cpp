// The shell's navigation bar at the top of the screen: the title of the window in
// front and, when that window asks for one, an "ok" button.
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "aygshell/keys.h"
#include "aygshell/shell.h"
#include "device/device.h"
#include "user/compositor.h"
#include "user/window.h"

namespace platform::shell {
namespace {

constexpr COLORREF kBarColour = RGB(0, 32, 96);
constexpr COLORREF kBarText = RGB(255, 255, 255);
constexpr COLORREF kDoneButton = RGB(0, 64, 160);
constexpr int kDoneButtonLogicalWidth = 32;

void FillArea(HDC dc, const RECT &r, COLORREF colour) {
  const HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void DrawBarText(HDC dc, const std::u16string &text, int x, int bar) {
  LOGFONTW font{};
  font.lfHeight = -ScaleToDpi(12);
  font.lfWeight = FW_BOLD;
  font.lfQuality = SystemTextQuality();
  std::copy(std::begin(kSystemFace), std::end(kSystemFace), font.lfFaceName);
  const HFONT hfont = CreateFontIndirectW(&font);
  const HGDIOBJ old = SelectObject(dc, hfont);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kBarText);
  ExtTextOutW(dc, x, (bar - static_cast<int>(metrics.tmHeight)) / 2, 0, nullptr, text.c_str(),
              static_cast<UINT>(text.size()), nullptr);
  SelectObject(dc, old);
  DeleteObject(hfont);
}

const Window *FrontWindow() { return FindWindowObject(GetForegroundWindow()); }

bool WantsDoneButton(const Window &w) { return (w.exStyle & WS_EX_CAPTIONOKBTN) != 0; }

void DrawNavigationBar(HDC dc) {
  const int bar = NavigationBarHeight();
  FillArea(dc, RECT{0, 0, CurrentDevice().ScreenWidth(), bar}, kBarColour);
  if (const Window *front = FrontWindow()) {
    DrawBarText(dc, front->title, ScaleToDpi(6), bar);
    if (WantsDoneButton(*front)) {
      const RECT button = NavigationDoneButtonRect();
      FillArea(dc, button, kDoneButton);
      DrawBarText(dc, u"ok", static_cast<int>(button.left) + ScaleToDpi(8), bar);
    }
  }
}

// A tap (the pen lifted) on the "ok" button sends the window in front IDOK.
void PenOnNavigationBar(InputKind kind, POINT screen) {
  const Window *front = FrontWindow();
  if (kind == InputKind::PenUp && front != nullptr && WantsDoneButton(*front) &&
      RectContains(NavigationDoneButtonRect(), screen)) {
    PostMessageW(front->handle, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  }
}

} // namespace

RECT NavigationDoneButtonRect() {
  const int width = CurrentDevice().ScreenWidth();
  return RECT{width - ScaleToDpi(kDoneButtonLogicalWidth), 0, width, NavigationBarHeight()};
}

void InstallShell() {
  InstallShellHooks(ShellHooks{DrawNavigationBar, PenOnNavigationBar, TakeKeyInput});
}

} // namespace platform::shell
