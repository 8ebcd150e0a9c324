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

} // namespace

bool DecodeIconImage(std::span<const std::byte> data, IconImage *image) {
  static constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() >= sizeof kPngSignature &&
      std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0) {
    return DecodePngIcon(data, image);
  }
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
  std::size_t paletteSize = 0;
  if (bits <= 8) {
    paletteSize = colorsUsed != 0 ? colorsUsed : (1u << bits);
    if (paletteSize > (1u << bits)) {
      return false;
    }
  }
  const std::size_t paletteAt = headerSize;
  const std::size_t colorAt = paletteAt + paletteSize * 4;
  const auto w = static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(height);
  const std::size_t colorStride = (w * bits + 31) / 32 * 4;
  const std::size_t maskStride = (w + 31) / 32 * 4;
  const std::size_t maskAt = colorAt + colorStride * h;
  const bool hasMask = maskAt + maskStride * h <= data.size();
  if (maskAt > data.size() || (!hasMask && bits != 32)) {
    return false;
  }

  image->width = width;
  image->height = height;
  image->pixels.assign(w * h, 0);
  image->alpha.assign(w * h, 255);
  bool anyAlpha = false;
  for (std::size_t y = 0; y < h; ++y) {
    // Rows are stored bottom-up.
    const auto row = data.subspan(colorAt + (h - 1 - y) * colorStride, colorStride);
    for (std::size_t x = 0; x < w; ++x) {
      std::uint32_t &pixel = image->pixels[y * w + x];
      if (bits == 32) {
        pixel = Rgb(Byte(row, x * 4 + 2), Byte(row, x * 4 + 1), Byte(row, x * 4));
        image->alpha[y * w + x] = Byte(row, x * 4 + 3);
        anyAlpha = anyAlpha || Byte(row, x * 4 + 3) != 0;
      } else if (bits == 24) {
        pixel = Rgb(Byte(row, x * 3 + 2), Byte(row, x * 3 + 1), Byte(row, x * 3));
      } else {
        const unsigned index = PaletteIndex(row, static_cast<int>(x), bits);
        if (index < paletteSize) {
          const std::size_t at = paletteAt + std::size_t{index} * 4;
          pixel = Rgb(Byte(data, at + 2), Byte(data, at + 1), Byte(data, at));
        }
      }
    }
  }
  // An image without alpha values takes its transparency from the mask (1: clear).
  if (!anyAlpha) {
    for (std::size_t y = 0; y < h; ++y) {
      for (std::size_t x = 0; x < w; ++x) {
        const bool clear =
            hasMask && PaletteIndex(data.subspan(maskAt + (h - 1 - y) * maskStride, maskStride),
                                    static_cast<int>(x), 1) != 0;
        image->alpha[y * w + x] = clear ? 0 : 255;
      }
    }
  }
  return true;
}

} // namespace platform
