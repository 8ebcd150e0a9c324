// Drawing for controls and bars: smoothed discs, rings and ticks, frames, the focus
// mark, icons and text, all on the surface behind a DC.
#include "user/control_draw.h"

#include <algorithm>
#include <cmath>

#include "device/device.h"

namespace platform {
namespace {

constexpr int kSamples = 4; // per axis, for smoothed edges

std::uint32_t Mix(std::uint32_t under, std::uint32_t over, int coverage) {
  const auto channel = [&](int shift) {
    const int a = static_cast<int>((under >> shift) & 0xFF);
    const int b = static_cast<int>((over >> shift) & 0xFF);
    return static_cast<std::uint32_t>(a + (b - a) * coverage / 255) << shift;
  };
  return channel(16) | channel(8) | channel(0);
}

double DistanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax;
  const double dy = by - ay;
  const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

} // namespace

int ControlPainter::Scale(int logical) { return ScaleToDpi(logical); }

int ControlPainter::Line() { return std::max(1, Scale(1)); }

void ControlPainter::Fill(const RECT &r, COLORREF colour) {
  if (valid_) {
    gdi::FillView(view_, r, gdi::PixelOf(colour));
  }
}

void ControlPainter::Frame(const RECT &r, int t, COLORREF colour) {
  Fill(RECT{r.left, r.top, r.right, r.top + t}, colour);
  Fill(RECT{r.left, r.bottom - t, r.right, r.bottom}, colour);
  Fill(RECT{r.left, r.top + t, r.left + t, r.bottom - t}, colour);
  Fill(RECT{r.right - t, r.top + t, r.right, r.bottom - t}, colour);
}

void ControlPainter::FocusMark(const RECT &r) {
  // Every other pixel along the edges, starting at the corner.
  for (LONG x = r.left; x < r.right; x += 2) {
    Blend(static_cast<int>(x), static_cast<int>(r.top), kControlInk, 255);
    Blend(static_cast<int>(x), static_cast<int>(r.bottom - 1), kControlInk, 255);
  }
  for (LONG y = r.top; y < r.bottom; y += 2) {
    Blend(static_cast<int>(r.left), static_cast<int>(y), kControlInk, 255);
    Blend(static_cast<int>(r.right - 1), static_cast<int>(y), kControlInk, 255);
  }
}

void ControlPainter::Blend(int x, int y, COLORREF colour, int coverage) {
  if (!valid_ || coverage <= 0) {
    return;
  }
  const int sx = x + view_.originX;
  const int sy = y + view_.originY;
  if (sx < view_.clip.left || sx >= view_.clip.right || sy < view_.clip.top ||
      sy >= view_.clip.bottom) {
    return;
  }
  std::uint32_t &pixel = view_.surface->Row(sy)[sx];
  pixel = Mix(pixel, gdi::PixelOf(colour), std::min(coverage, 255));
}

template <typename Inside>
void ControlPainter::Shape(const RECT &box, COLORREF colour, Inside inside) {
  for (LONG y = box.top; y < box.bottom; ++y) {
    for (LONG x = box.left; x < box.right; ++x) {
      int hits = 0;
      for (int j = 0; j < kSamples; ++j) {
        for (int i = 0; i < kSamples; ++i) {
          hits += inside(static_cast<double>(x) + (i + 0.5) / kSamples,
                         static_cast<double>(y) + (j + 0.5) / kSamples)
                      ? 1
                      : 0;
        }
      }
      Blend(static_cast<int>(x), static_cast<int>(y), colour, hits * 255 / (kSamples * kSamples));
    }
  }
}

void ControlPainter::Disc(int x, int y, int size, COLORREF colour) {
  const double r = size / 2.0;
  const double cx = x + r;
  const double cy = y + r;
  Shape(RECT{x, y, x + size, y + size}, colour,
        [&](double px, double py) { return std::hypot(px - cx, py - cy) <= r; });
}

void ControlPainter::Ring(int x, int y, int size, int thickness, COLORREF colour) {
  const double r = size / 2.0;
  const double cx = x + r;
  const double cy = y + r;
  Shape(RECT{x, y, x + size, y + size}, colour, [&](double px, double py) {
    const double d = std::hypot(px - cx, py - cy);
    return d <= r && d >= r - thickness;
  });
}

void ControlPainter::Tick(int x, int y, int size, int thickness, COLORREF colour) {
  // Two strokes: down to the bottom third, then up to the top right.
  const double s = size;
  const double ax = x + s * 0.18, ay = y + s * 0.52;
  const double bx = x + s * 0.42, by = y + s * 0.76;
  const double cx = x + s * 0.82, cy = y + s * 0.26;
  const double half = thickness / 2.0;
  Shape(RECT{x, y, x + size, y + size}, colour, [&](double px, double py) {
    return DistanceToSegment(px, py, ax, ay, bx, by) <= half ||
           DistanceToSegment(px, py, bx, by, cx, cy) <= half;
  });
}

void ControlPainter::Icon(const IconImage &image, int x, int y) {
  for (int row = 0; row < image.height; ++row) {
    for (int col = 0; col < image.width; ++col) {
      const std::size_t at = static_cast<std::size_t>(row) * image.width + col;
      Blend(x + col, y + row, gdi::ColorRefOf(image.pixels[at]), image.alpha[at]);
    }
  }
}

int DrawControlText(HDC dc, HFONT font, const std::u16string &text, RECT r, UINT format,
                    COLORREF colour) {
  const HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  const int height =
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOCLIP);
  if (old != nullptr) {
    SelectObject(dc, old);
  }
  return height;
}

} // namespace platform
