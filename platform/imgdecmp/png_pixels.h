// The PNG decoder's second half: inflated scanlines unfiltered and turned into
// 0xAARRGGBB pixels. Used only by png_decode.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform::png {

enum class ColourType : std::uint8_t { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

// What IHDR says of the image, once checked.
struct Header {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t depth = 0; // bits per sample (per index for a palette image)
  ColourType colour = ColourType::Rgb;
  bool interlaced = false;
};

// The colours a sample may stand for: the palette with the alpha of tRNS, or the
// one grey or RGB value that tRNS makes transparent (at the image's own depth).
struct Colours {
  // Indices past the palette's end are opaque black, as they are in libpng.
  std::array<std::uint32_t, 256> palette{};
  std::optional<std::array<std::uint16_t, 3>> transparent; // grey in [0], or R, G, B

  Colours() { palette.fill(0xFF000000U); }
};

int Channels(ColourType colour);
// Bytes of one unfiltered row of `pixels` pixels, without its filter byte.
std::size_t RowBytes(const Header &header, std::uint32_t pixels);

// One pass of Adam7 (or the whole image when not interlaced): the pixels it
// holds start at (x, y) and repeat every (dx, dy).
struct Pass {
  std::uint32_t x, y, dx, dy;
  std::uint32_t width, height; // in pixels of this pass; 0 when the pass is empty
};
// The passes of an image in the order their rows are stored: one, or Adam7's seven.
int Passes(const Header &header, std::array<Pass, 7> *passes);

// Undoes the filter of one row in place. `previous` is the unfiltered row above it,
// or zeros for a pass's first row. False when the filter type is not one of the five.
bool Unfilter(std::uint8_t filter, std::uint8_t *row, const std::uint8_t *previous,
              std::size_t rowBytes, std::size_t bytesPerPixel);

// Writes the `count` pixels of an unfiltered row to out[0], out[step], out[2 * step]...
// 16-bit samples keep their high byte; lower grey depths are stretched to 0..255.
void ConvertRow(const Header &header, const Colours &colours, const std::uint8_t *row,
                std::uint32_t count, std::uint32_t *out, std::size_t step);

} // namespace platform::png
