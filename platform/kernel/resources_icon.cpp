// Decoding of one icon image: a device-independent bitmap with its AND mask.
#include <algorithm>
#include <cstring>

#include "imgdecmp/png_decode.h"
#include "kernel/module_state.h"

namespace platform {
namespace {

template <class T> T Read(std::span<const std::byte> bytes, std::size_t at) {
  T v{};
  std::memcpy(&v, bytes.data() + at, sizeof v);
  return v;
}

std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}

std::uint8_t Byte(std::span<const std::byte> bytes, std::size_t at) {
  return std::to_integer<std::uint8_t>(bytes[at]);
}

// The palette index of pixel x in a row of 1, 4 or 8 bits per pixel.
unsigned PaletteIndex(std::span<const std::byte> row, int x, int bits) {
  const auto bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bits);
  const unsigned byte = Byte(row, bit / 8);
  const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
  return (byte >> shift) & ((1u << bits) - 1);
}

// An icon image stored as a PNG, with its alpha.
bool DecodePngIcon(std::span<const std::byte> data, IconImage *image) {
  PngLimits limits;
  limits.maxWidth = 256;
  limits.maxHeight = 256;
  PngImage png;
  std::string error;
  if (DecodePngBytes(reinterpret_cast<const std::uint8_t *>(data.data()), data.size(), limits, &png,
                     &error) != PngStatus::Ok) {
    return false;
  }
  image->width = png.width;
  image->height = png.height;
  image->pixels.resize(png.argb.size());
  image->alpha.resize(png.argb.size());
  for (std::size_t i = 0; i < png.argb.size(); ++i) {
    image->pixels[i] = png.argb[i] & 0xFFFFFF;
    image->alpha[i] = static_cast<std::uint8_t>(png.argb[i] >> 24);
  }
  return true;
}

// Where the parts of a device-independent bitmap lie: the palette, the colour
// rows and the mask rows, each stored bottom-up.
struct DibLayout {
  std::size_t width = 0;
  std::size_t height = 0;
  int bits = 0;
  std::size_t paletteAt = 0;
  std::size_t paletteSize = 0;
  std::size_t colorAt = 0;
  std::size_t colorStride = 0;
  std::size_t maskAt = 0;
  std::size_t maskStride = 0;
  bool hasMask = false;
};

// The header of an icon's bitmap, checked against the data; false for one the
// device cannot show (compressed, over 256 pixels, an unusual depth, cut short).
bool ReadLayout(std::span<const std::byte> data, DibLayout *dib) {
  constexpr std::size_t kHeader = 40; // BITMAPINFOHEADER
  if (data.size() < kHeader) {
    return false;
  }
  const auto headerSize = Read<std::uint32_t>(data, 0);
  const auto width = Read<std::int32_t>(data, 4);
  const auto doubleHeight = Read<std::int32_t>(data, 8);
  const auto bits = Read<std::uint16_t>(data, 14);
  const auto compression = Read<std::uint32_t>(data, 16);
  const auto colorsUsed = Read<std::uint32_t>(data, 32);
  // The height counts the colour bitmap and the mask together.
  const int height = doubleHeight / 2;
  if (headerSize < kHeader || headerSize > data.size() || width <= 0 || width > 256 ||
      height <= 0 || height > 256 || compression != 0) {
    return false;
  }
  static constexpr int kSupportedBits[] = {1, 4, 8, 24, 32};
  if (std::find(std::begin(kSupportedBits), std::end(kSupportedBits), bits) ==
      std::end(kSupportedBits)) {
    return false;
  }
  if (bits <= 8) {
    dib->paletteSize = colorsUsed != 0 ? colorsUsed : (1u << bits);
    if (dib->paletteSize > (1u << bits)) {
      return false;
    }
  }
  dib->width = static_cast<std::size_t>(width);
  dib->height = static_cast<std::size_t>(height);
  dib->bits = bits;
  dib->paletteAt = headerSize;
  dib->colorAt = dib->paletteAt + dib->paletteSize * 4;
  dib->colorStride = (dib->width * bits + 31) / 32 * 4;
  dib->maskStride = (dib->width + 31) / 32 * 4;
  dib->maskAt = dib->colorAt + dib->colorStride * dib->height;
  dib->hasMask = dib->maskAt + dib->maskStride * dib->height <= data.size();
  return dib->maskAt <= data.size() && (dib->hasMask || bits == 32);
}

// The colour rows into the image, top-down; whether any pixel has an alpha value.
bool ReadColours(std::span<const std::byte> data, const DibLayout &dib, IconImage *image) {
  const std::size_t w = dib.width;
  const std::size_t h = dib.height;
  bool anyAlpha = false;
  for (std::size_t y = 0; y < h; ++y) {
    const auto row = data.subspan(dib.colorAt + (h - 1 - y) * dib.colorStride, dib.colorStride);
    for (std::size_t x = 0; x < w; ++x) {
      std::uint32_t &pixel = image->pixels[y * w + x];
      if (dib.bits == 32) {
        pixel = Rgb(Byte(row, x * 4 + 2), Byte(row, x * 4 + 1), Byte(row, x * 4));
        image->alpha[y * w + x] = Byte(row, x * 4 + 3);
        anyAlpha = anyAlpha || Byte(row, x * 4 + 3) != 0;
      } else if (dib.bits == 24) {
        pixel = Rgb(Byte(row, x * 3 + 2), Byte(row, x * 3 + 1), Byte(row, x * 3));
      } else {
        const unsigned index = PaletteIndex(row, static_cast<int>(x), dib.bits);
        if (index < dib.paletteSize) {
          const std::size_t at = dib.paletteAt + std::size_t{index} * 4;
          pixel = Rgb(Byte(data, at + 2), Byte(data, at + 1), Byte(data, at));
        }
      }
    }
  }
  return anyAlpha;
}

// The transparency of an image without alpha values: from the mask (1: clear).
void ReadMask(std::span<const std::byte> data, const DibLayout &dib, IconImage *image) {
  const std::size_t w = dib.width;
  const std::size_t h = dib.height;
  for (std::size_t y = 0; y < h; ++y) {
    for (std::size_t x = 0; x < w; ++x) {
      const bool clear =
          dib.hasMask &&
          PaletteIndex(data.subspan(dib.maskAt + (h - 1 - y) * dib.maskStride, dib.maskStride),
                       static_cast<int>(x), 1) != 0;
      image->alpha[y * w + x] = clear ? 0 : 255;
    }
  }
}

} // namespace

bool DecodeIconImage(std::span<const std::byte> data, IconImage *image) {
  static constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() >= sizeof kPngSignature &&
      std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0) {
    return DecodePngIcon(data, image);
  }
  DibLayout dib;
  if (!ReadLayout(data, &dib)) {
    return false;
  }
  image->width = static_cast<int>(dib.width);
  image->height = static_cast<int>(dib.height);
  image->pixels.assign(dib.width * dib.height, 0);
  image->alpha.assign(dib.width * dib.height, 255);
  if (!ReadColours(data, dib, image)) {
    ReadMask(data, dib, image);
  }
  return true;
}

} // namespace platform
