// A memory DC holding a bitmap of its own (compatible with `reference` when one is
// given), every pixel one colour at first: for the GDI and the view tests.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "gdi/surface.h"

struct Canvas {
  Canvas(int w, int h, std::uint32_t fill = 0, HDC reference = nullptr)
      : dc(CreateCompatibleDC(reference)),
        bitmap(CreateCompatibleBitmap(reference != nullptr ? reference : dc, w, h)),
        previous(SelectObject(dc, bitmap)), surface(platform::BitmapSurface(bitmap)) {
    std::fill(surface->pixels.begin(), surface->pixels.end(), fill);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;
  std::uint32_t At(int x, int y) const { return surface->Row(y)[x]; }

  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
  std::shared_ptr<platform::Surface> surface;
};
