// RGB pictures and the anti-aliased drawing primitives the artwork is made of.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace artgen {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb &, const Rgb &) = default;
};

inline constexpr Rgb kMagenta{255, 0, 255};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};

// Mixes fg over bg with coverage weight/total, rounding to the nearest level.
// Integer arithmetic, so two equal inputs always give the same bytes.
Rgb Mix(Rgb bg, Rgb fg, int weight, int total);

// A rectangle of whole pixels: [x, x + w) by [y, y + h).
struct Box {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

// Point tests in pixel coordinates (the centre of pixel (i, j) is (i + 0.5, j + 0.5)).
using Inside = std::function<bool(double x, double y)>;
using Paint = std::function<Rgb(double x, double y)>;

class Image {
public:
  Image() = default;
  Image(int width, int height, Rgb fill = kBlack);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgb At(int x, int y) const { return pixels_[Index(x, y)]; }
  void Set(int x, int y, Rgb c) { pixels_[Index(x, y)] = c; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Mixes c over the pixel with coverage weight/total; pixels outside are ignored.
  void Blend(int x, int y, Rgb c, int weight, int total);

  void FillBox(Box box, Rgb c);
  // Covers the pixels of box where the shape lies, each pixel weighted by the share of
  // its samples × samples sub-pixel points that the shape holds.
  void FillShape(Box box, const Inside &inside, Rgb c, int samples = 4);
  void FillShape(Box box, const Inside &inside, const Paint &paint, int samples = 4);
  // Copies src into this picture with its top-left corner at (x, y), clipped.
  void Paste(const Image &src, int x, int y);
  // The part of this picture inside box (which must lie within it).
  Image Crop(Box box) const;
  // Every pixel repeated factor times in both directions: for looking at, not for art.
  Image Enlarged(int factor) const;

  const std::vector<Rgb> &Pixels() const { return pixels_; }

private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }
  int width_ = 0;
  int height_ = 0;
  std::vector<Rgb> pixels_;
};

// The picture as a PNG file (8-bit RGB, no ancillary chunks, fixed compression), so
// equal pictures always give equal bytes.
std::vector<std::uint8_t> EncodePng(const Image &image);
// The same with an alpha channel (8-bit RGBA), one alpha byte per pixel in row order.
std::vector<std::uint8_t> EncodePng(const Image &image, const std::vector<std::uint8_t> &alpha);

} // namespace artgen
