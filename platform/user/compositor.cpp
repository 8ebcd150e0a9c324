// The compositor: stacks the top-level windows' backing surfaces into the screen
// and draws the shell's navigation bar over them.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "host/device.h"
#include "host/host.h"
#include "user/input.h"
#include "user/window.h"

namespace platform {
namespace {

constexpr std::uint32_t kDesktop = 0x00404040;  // where no window is
constexpr COLORREF kBarColour = RGB(0, 32, 96); // the navigation bar
constexpr COLORREF kBarText = RGB(255, 255, 255);
constexpr COLORREF kDoneButton = RGB(0, 64, 160);

int Scaled(int logical) { return (logical * CurrentDevice().Dpi() + 48) / 96; }

// Copies the visible part of a top-level window's surface onto the screen.
void Blit(Surface &screen, const Window &w) {
  const RECT on = IntersectRects(w.rect, RECT{0, 0, screen.width, screen.height});
  if (IsEmptyRect(on) || !w.backing) {
    return;
  }
  const Surface &from = *w.backing;
  const int left = static_cast<int>(on.left);
  const int width = std::min(static_cast<int>(on.right - on.left),
                             from.width - static_cast<int>(on.left - w.rect.left));
  for (LONG y = on.top; y < on.bottom; ++y) {
    const int sy = static_cast<int>(y - w.rect.top);
    if (sy >= from.height || width <= 0) {
      break;
    }
    std::memcpy(screen.Row(static_cast<int>(y)) + left, from.Row(sy) + (on.left - w.rect.left),
                static_cast<std::size_t>(width) * sizeof(std::uint32_t));
  }
}

void FillArea(HDC dc, const RECT &r, COLORREF colour) {
  const HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void DrawBarText(HDC dc, const std::u16string &text, int x, int bar, int weight) {
  LOGFONTW font{};
  font.lfHeight = -Scaled(12);
  font.lfWeight = weight;
  font.lfQuality = ANTIALIASED_QUALITY;
  const char16_t face[] = u"Tahoma";
  std::copy(std::begin(face), std::end(face), font.lfFaceName);
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

// The shell's bar at the top: the foreground window's title and, when that
// window asks for it, the "ok" button.
void DrawNavigationBar() {
  const int bar = NavigationBarHeight();
  const HDC dc = GetDC(nullptr);
  if (dc == nullptr) {
    return;
  }
  FillArea(dc, RECT{0, 0, CurrentDevice().ScreenWidth(), bar}, kBarColour);
  if (const Window *front = FindWindowObject(GetForegroundWindow())) {
    DrawBarText(dc, front->title, Scaled(6), bar, FW_BOLD);
    if (front->navDoneButton) {
      const RECT button = NavigationDoneButtonRect();
      FillArea(dc, button, kDoneButton);
      DrawBarText(dc, u"ok", static_cast<int>(button.left) + Scaled(8), bar, FW_BOLD);
    }
  }
  ReleaseDC(nullptr, dc);
}

} // namespace

bool ComposeScreen() {
  if (!TakeScreenChanged()) {
    return false;
  }
  Surface &screen = ScreenSurface();
  const Device &device = CurrentDevice();
  if (screen.width != device.ScreenWidth() || screen.height != device.ScreenHeight()) {
    screen = Surface(device.ScreenWidth(), device.ScreenHeight());
  }
  std::fill_n(screen.pixels.data(), screen.pixels.size(), kDesktop);
  for (const Window *w : TopLevelWindowsBottomUp()) {
    if (w->visible) {
      Blit(screen, *w);
    }
  }
  DrawNavigationBar();
  TakeScreenChanged(); // the bar's own drawing is part of this frame
  return true;
}

bool PresentIfChanged(Host &host) {
  if (!ComposeScreen()) {
    return false;
  }
  host.Present(ScreenSurface());
  return true;
}

} // namespace platform
