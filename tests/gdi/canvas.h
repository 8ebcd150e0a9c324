// A memory DC holding a bitmap of its own, every pixel one colour at first, for the GDI tests.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "gdi/surface.h"

struct Canvas {
  Canvas(int w, int h, std::uint32_t fill)
      : bitmap(CreateCompatibleBitmap(dc, w, h)), previous(SelectObject(dc, bitmap)),
        surface(platform::BitmapSurface(bitmap)) {
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

  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap;
  HGDIOBJ previous;
  std::shared_ptr<platform::Surface> surface;
};
