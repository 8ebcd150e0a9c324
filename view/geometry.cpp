// Screen geometry: the dpi capture, the scaling rule, the orientation test and the lookups.
#include "view/geometry.h"

#include <algorithm>
#include <limits>

std::int32_t screenDpi = 0;
std::int32_t landscapeLayout = 0;

namespace {

// Every layout value is designed for this dpi.
constexpr std::int64_t DesignDpi = 96;
// Height of the portrait table in logical pixels; a shorter screen is landscape.
constexpr std::int32_t PortraitHeight = 320;

std::int32_t Pick(std::int32_t portrait, std::int32_t landscape) {
  return ScaleForDpi(landscapeLayout != 0 ? landscape : portrait);
}

} // namespace

void CaptureScreenDpi() {
  if (screenDpi != 0) {
    return;
  }
  HDC screen = GetDC(nullptr);
  screenDpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
}

std::int32_t ScaleForDpi(std::int32_t value) {
  // Worked in 64 bits so that no 32-bit value (the most negative one included)
  // overflows on the way; a result beyond 32 bits is held at the limit.
  const std::int64_t magnitude = value < 0 ? -static_cast<std::int64_t>(value) : value;
  const std::int64_t scaled = (magnitude * screenDpi + DesignDpi / 2) / DesignDpi;
  const std::int64_t signedScaled = value < 0 ? -scaled : scaled;
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(signedScaled, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()));
}

bool IsLandscape() { return GetSystemMetrics(SM_CYSCREEN) < ScaleForDpi(PortraitHeight); }

std::int32_t AnchorX(const LayoutPoint &point) { return Pick(point.portraitX, point.landscapeX); }
std::int32_t AnchorY(const LayoutPoint &point) { return Pick(point.portraitY, point.landscapeY); }

std::int32_t BlitDestX(const LayoutBlit &blit) {
  return Pick(blit.portraitDestX, blit.landscapeDestX);
}
std::int32_t BlitDestY(const LayoutBlit &blit) {
  return Pick(blit.portraitDestY, blit.landscapeDestY);
}
std::int32_t BlitSourceX(const LayoutBlit &blit) {
  return Pick(blit.portraitSourceX, blit.landscapeSourceX);
}
std::int32_t BlitSourceY(const LayoutBlit &blit) {
  return Pick(blit.portraitSourceY, blit.landscapeSourceY);
}
