// The compositor: stacks the top-level windows' backing surfaces into the screen
// and lets the shell draw its bars over them.
#include "user/compositor.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "device/device.h"
#include "user/window.h"

namespace platform {
namespace {

constexpr std::uint32_t kDesktop = 0x00404040; // where no window is

ShellHooks &InstalledShell() {
  static ShellHooks hooks;
  return hooks;
}

// Copies the visible part of a top-level window's surface onto the screen.
void Blit(Surface &screen, Window &w) {
  const RECT on = IntersectRects(w.rect, RECT{0, 0, screen.width, screen.height});
  if (IsEmptyRect(on)) {
    return;
  }
  const Surface &from = *Backing(w);
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

} // namespace

void MarkScreenChanged() { User().screenChanged = true; }

void InstallShellHooks(const ShellHooks &hooks) { InstalledShell() = hooks; }

void OfferPenToShell(InputKind kind, POINT screen) {
  if (InstalledShell().penOnBars != nullptr) {
    InstalledShell().penOnBars(kind, screen);
  }
}

bool OfferInputToShell(const InputEvent &event, std::vector<InputEvent> *instead) {
  return InstalledShell().takeInput != nullptr && InstalledShell().takeInput(event, instead);
}

bool ComposeScreen() {
  if (!std::exchange(User().screenChanged, false)) {
    return false;
  }
  Surface &screen = ScreenSurface();
  const Device &device = CurrentDevice();
  if (screen.width != device.ScreenWidth() || screen.height != device.ScreenHeight()) {
    screen = Surface(device.ScreenWidth(), device.ScreenHeight());
  }
  std::fill_n(screen.pixels.data(), screen.pixels.size(), kDesktop);
  for (Window *w : TopLevelWindowsBottomUp()) {
    if (w->visible) {
      Blit(screen, *w);
    }
  }
  if (InstalledShell().drawBars != nullptr) {
    const HDC dc = GetDC(nullptr);
    if (dc != nullptr) {
      InstalledShell().drawBars(dc);
      ReleaseDC(nullptr, dc);
    }
  }
  User().screenChanged = false; // the bars' own drawing is part of this frame
  return true;
}

} // namespace platform
