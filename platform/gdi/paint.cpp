// Brushes, system colours and fills: CreateSolidBrush, FillRect, GetSysColor,
// GetPixel and SetPixel.
#include <algorithm>
#include <array>

#include "gdi/gdi_state.h"

namespace platform::gdi {
namespace {

// The system colours of the device, by index (COLORREF values).
constexpr int kSysColorCount = 27;
constexpr std::array<COLORREF, kSysColorCount> kSysColors = {
    RGB(192, 192, 192), // COLOR_SCROLLBAR
    RGB(0, 128, 128),   // COLOR_BACKGROUND
    RGB(0, 0, 128),     // COLOR_ACTIVECAPTION
    RGB(128, 128, 128), // COLOR_INACTIVECAPTION
    RGB(255, 255, 255), // COLOR_MENU
    RGB(255, 255, 255), // COLOR_WINDOW
    RGB(0, 0, 0),       // COLOR_WINDOWFRAME
    RGB(0, 0, 0),       // COLOR_MENUTEXT
    RGB(0, 0, 0),       // COLOR_WINDOWTEXT
    RGB(255, 255, 255), // COLOR_CAPTIONTEXT
    RGB(192, 192, 192), // COLOR_ACTIVEBORDER
    RGB(192, 192, 192), // COLOR_INACTIVEBORDER
    RGB(128, 128, 128), // COLOR_APPWORKSPACE
    RGB(0, 0, 128),     // COLOR_HIGHLIGHT
    RGB(255, 255, 255), // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192), // COLOR_BTNFACE
    RGB(128, 128, 128), // COLOR_BTNSHADOW
    RGB(128, 128, 128), // COLOR_GRAYTEXT
    RGB(0, 0, 0),       // COLOR_BTNTEXT
    RGB(192, 192, 192), // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255), // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),       // COLOR_3DDKSHADOW
    RGB(223, 223, 223), // COLOR_3DLIGHT
    RGB(0, 0, 0),       // COLOR_INFOTEXT
    RGB(255, 255, 225), // COLOR_INFOBK
    RGB(255, 255, 255), // COLOR_STATIC
    RGB(0, 0, 0),       // COLOR_STATICTEXT
};

// A colour index with or without the device's flag; -1 when it names nothing.
int SysColorIndex(int index) {
  const int plain = index & ~SYS_COLOR_INDEX_FLAG;
  return plain >= 0 && plain < kSysColorCount ? plain : -1;
}

} // namespace

bool BrushColor(HBRUSH brush, COLORREF *color, bool *hollow) {
  if (const Object *o = FindObject(brush, OBJ_BRUSH)) {
    *color = o->color;
    *hollow = o->hollow;
    return true;
  }
  return false;
}

void FillView(const View &view, RECT rect, std::uint32_t pixel) {
  using I = std::int64_t;
  const I left = std::max<I>(I{rect.left} + view.originX, view.clip.left);
  const I right = std::min<I>(I{rect.right} + view.originX, view.clip.right);
  const I top = std::max<I>(I{rect.top} + view.originY, view.clip.top);
  const I bottom = std::min<I>(I{rect.bottom} + view.originY, view.clip.bottom);
  Surface &surface = *view.surface;
  if (surface.pendingFill) {
    // A fill of a whole bitmap that is still one colour only changes the colour.
    if (left == 0 && top == 0 && right == surface.width && bottom == surface.height) {
      surface.pendingFill = pixel;
      return;
    }
    WritePendingFill(surface);
  }
  for (I y = top; y < bottom && left < right; ++y) {
    std::fill_n(view.surface->Row(static_cast<int>(y)) + left, right - left, pixel);
  }
}

// The surface pixel at a DC point, or null outside the DC's clip.
std::uint32_t *PixelAt(const View &view, int x, int y) {
  const std::int64_t sx = std::int64_t{x} + view.originX;
  const std::int64_t sy = std::int64_t{y} + view.originY;
  if (sx < view.clip.left || sx >= view.clip.right || sy < view.clip.top ||
      sy >= view.clip.bottom) {
    return nullptr;
  }
  return view.surface->Row(static_cast<int>(sy)) + sx;
}

} // namespace platform::gdi

using platform::gdi::View;

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  return static_cast<HBRUSH>(platform::gdi::AddSolidObject(OBJ_BRUSH, color & 0x00FFFFFF));
}

DWORD WINAPI GetSysColor(int nIndex) {
  const int index = platform::gdi::SysColorIndex(nIndex);
  return index < 0 ? 0 : platform::gdi::kSysColors[static_cast<std::size_t>(index)];
}

int WINAPI FillRect(HDC hDC, const RECT *lprc, HBRUSH hbr) {
  View view;
  COLORREF color = 0;
  bool hollow = false;
  if (lprc == nullptr || !platform::gdi::DestinationViewUnfilled(hDC, &view) ||
      !platform::gdi::BrushColor(hbr, &color, &hollow)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The right and bottom edges are not filled.
  if (!hollow) {
    platform::gdi::FillView(view, *lprc, platform::gdi::PixelOf(color));
  }
  return 1;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
  View view;
  const std::uint32_t *pixel =
      platform::gdi::DestinationView(hdc, &view) ? platform::gdi::PixelAt(view, x, y) : nullptr;
  return pixel != nullptr ? platform::gdi::ColorRefOf(*pixel) : CLR_INVALID;
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
  View view;
  std::uint32_t *pixel =
      platform::gdi::DestinationView(hdc, &view) ? platform::gdi::PixelAt(view, x, y) : nullptr;
  if (pixel == nullptr) {
    return CLR_INVALID;
  }
  *pixel = platform::gdi::PixelOf(color);
  return color & 0x00FFFFFF;
}
