// Pixel surfaces: what bitmaps, window backing stores and the screen are made of.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "device/ahead.h"

namespace platform {

// 32 bits per pixel, 0x00RRGGBB in native byte order, rows top to bottom with no
// padding. COLORREF (0x00BBGGRR) is converted at the GDI boundary.
struct Surface {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  // A bitmap whose every pixel is this colour, not yet written into `pixels`: GDI
  // makes and fills whole bitmaps this way and writes the colour only where it
  // is still seen (gdi/gdi_state.h). Never set on a window's or the screen's.
  std::optional<std::uint32_t> pendingFill;

  Surface() = default;
  Surface(int w, int h, std::uint32_t fill = 0) : width(w), height(h) {
    const std::size_t count = static_cast<std::size_t>(w) * h;
    pixels.reserve(count);
    PrefaultForWriting(pixels.data(), count * sizeof(std::uint32_t));
    pixels.assign(count, fill);
  }
  std::uint32_t *Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
  const std::uint32_t *Row(int y) const {
    return pixels.data() + static_cast<std::size_t>(y) * width;
  }
};

// The device screen: what the hosts present and screenshots capture. Sized to the
// current device; the compositor in user/ draws the windows into it.
// Its size follows the device: it is resized (and cleared) when a device starts
// or the screen turns, at the next call.
Surface &ScreenSurface();
// The same surface, shared, for CreateSurfaceDC (the screen DC, GetDC(nullptr)).
std::shared_ptr<Surface> SharedScreenSurface();

// A device context that draws onto `surface` with its (0, 0) at `origin` and
// clipped to `clip` (in surface coordinates). Used by GetDC, BeginPaint and the
// screen DC; released with DeleteSurfaceDC. The surface outlives the DC.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, RECT clip);
void DeleteSurfaceDC(HDC dc);

// The surface of a bitmap handle, or null.
std::shared_ptr<Surface> BitmapSurface(HBITMAP bitmap);

// A copy of a whole bitmap onto a whole window's surface of its size (never the
// screen's, whose pixels the host may still be showing) may be owed rather than made
// (gdi/blit.cpp): when the bitmap is deleted next, as a paint through an off-screen bitmap does at
// once, its pixels simply become the surface's. Code outside GDI's calls that reads or writes a
// surface's pixels makes any such copy first with this; GDI's own calls do it themselves.
void MakeOwedCopy();

} // namespace platform
