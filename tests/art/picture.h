// A picture resource decoded through the layer's image decoder, with its pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace art_test {

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
  bool operator==(const Rgb &) const = default;
  bool Neutral() const { return r == g && g == b; }
  bool Magenta() const { return r == 255 && g == 0 && b == 255; }
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels; // rows top to bottom
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
  }
  Rgb At(int x, int y) const { return pixels[Index(x, y)]; }
};

// Decodes PNG resource id of the module into a bitmap (DecompressImageIndirect, fed in
// pieces through its read callback) and reads the bitmap back. Empty when the
// resource is missing or does not decode.
Picture DecodePicture(HINSTANCE module, WORD id);

} // namespace art_test
