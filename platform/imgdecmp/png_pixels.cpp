// Unfiltering PNG scanlines and turning their samples into 0xAARRGGBB pixels.
#include "imgdecmp/png_pixels.h"

#include <cstdlib>

namespace platform::png {
namespace {

std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// Sample `i` of a row of `depth`-bit samples, packed from the high bits down.
std::uint32_t Sample(const std::uint8_t *row, std::size_t i, int depth) {
  if (depth == 8) {
    return row[i];
  }
  if (depth == 16) {
    return (std::uint32_t{row[2 * i]} << 8) | row[2 * i + 1];
  }
  const std::size_t bit = i * static_cast<std::size_t>(depth);
  const int shift = 8 - depth - static_cast<int>(bit % 8);
  return (row[bit / 8] >> shift) & ((1U << depth) - 1);
}

// The Paeth predictor, written without branches on the data: of left, up and
// upper-left, the one nearest to left + up - upper-left, ties going in that order.
std::uint8_t Paeth(int left, int up, int upperLeft) {
  const int toLeft = std::abs(up - upperLeft);
  const int toUp = std::abs(left - upperLeft);
  const int toUpperLeft = std::abs(left + up - 2 * upperLeft);
  const int nearer = toUp < toLeft ? up : left;
  const int nearest = toUp < toLeft ? toUp : toLeft;
  return static_cast<std::uint8_t>(toUpperLeft < nearest ? upperLeft : nearer);
}

// Undoes Sub, Average or Paeth over a row of pixels of N bytes. The pixel to the
// left is kept in locals rather than read back from the row: each byte waits on
// the one before it, and a round trip through memory would triple that wait.
enum Filter : std::uint8_t { None, Sub, Up, Average, PaethFilter };

template <Filter F, std::size_t N>
void UnfilterFromLeft(std::uint8_t *row, const std::uint8_t *previous, std::size_t rowBytes) {
  std::array<int, N> left{};
  std::array<int, N> upperLeft{};
  for (std::size_t i = 0; i < rowBytes; i += N) {
    for (std::size_t c = 0; c < N; ++c) {
      const int up = previous[i + c];
      int predicted = left[c];
      if constexpr (F == Average) {
        predicted = (left[c] + up) >> 1;
      } else if constexpr (F == PaethFilter) {
        predicted = Paeth(left[c], up, upperLeft[c]);
      }
      left[c] = static_cast<std::uint8_t>(row[i + c] + predicted);
      row[i + c] = static_cast<std::uint8_t>(left[c]);
      upperLeft[c] = up;
    }
  }
}

template <std::size_t N>
void UnfilterWith(std::uint8_t filter, std::uint8_t *row, const std::uint8_t *previous,
                  std::size_t rowBytes) {
  // One loop per filter, so that the test of the filter leaves the inner loop.
  switch (filter) {
  case Sub:
    UnfilterFromLeft<Sub, N>(row, previous, rowBytes);
    break;
  case Average:
    UnfilterFromLeft<Average, N>(row, previous, rowBytes);
    break;
  default:
    UnfilterFromLeft<PaethFilter, N>(row, previous, rowBytes);
    break;
  }
}

} // namespace

int Channels(ColourType colour) {
  switch (colour) {
  case ColourType::Grey:
  case ColourType::Palette:
    return 1;
  case ColourType::GreyAlpha:
    return 2;
  case ColourType::Rgb:
    return 3;
  case ColourType::Rgba:
    return 4;
  }
  return 0;
}

std::size_t RowBytes(const Header &header, std::uint32_t pixels) {
  const std::uint64_t bits =
      std::uint64_t{pixels} * static_cast<unsigned>(Channels(header.colour)) * header.depth;
  return static_cast<std::size_t>((bits + 7) / 8);
}

int Passes(const Header &header, std::array<Pass, 7> *passes) {
  if (!header.interlaced) {
    (*passes)[0] = {0, 0, 1, 1, header.width, header.height};
    return 1;
  }
  static constexpr std::uint32_t Adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                                                {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2},
                                                {0, 1, 1, 2}};
  for (int p = 0; p < 7; ++p) {
    const auto [x, y, dx, dy] = Adam7[p];
    Pass &pass = (*passes)[static_cast<std::size_t>(p)];
    pass = {x, y, dx, dy, 0, 0};
    if (header.width > x && header.height > y) {
      pass.width = (header.width - x + dx - 1) / dx;
      pass.height = (header.height - y + dy - 1) / dy;
    }
  }
  return 7;
}

bool Unfilter(std::uint8_t filter, std::uint8_t *row, const std::uint8_t *previous,
              std::size_t rowBytes, std::size_t bytesPerPixel) {
  if (filter > PaethFilter) {
    return false;
  }
  if (filter == None) {
    return true;
  }
  if (filter == Up) { // no chain from byte to byte
    for (std::size_t i = 0; i < rowBytes; ++i) {
      row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
    }
    return true;
  }
  switch (bytesPerPixel) { // every size a pixel (or, below 8 bits, a byte) can have
  case 1:
    UnfilterWith<1>(filter, row, previous, rowBytes);
    break;
  case 2:
    UnfilterWith<2>(filter, row, previous, rowBytes);
    break;
  case 3:
    UnfilterWith<3>(filter, row, previous, rowBytes);
    break;
  case 4:
    UnfilterWith<4>(filter, row, previous, rowBytes);
    break;
  case 6:
    UnfilterWith<6>(filter, row, previous, rowBytes);
    break;
  default:
    UnfilterWith<8>(filter, row, previous, rowBytes);
    break;
  }
  return true;
}

void ConvertRow(const Header &header, const Colours &colours, const std::uint8_t *row,
                std::uint32_t count, std::uint32_t *out, std::size_t step) {
  const int depth = header.depth;
  const auto &clear = colours.transparent;
  // The game's own pictures: 8-bit RGB or RGBA, handled without the general path.
  if (depth == 8 && !clear && header.colour == ColourType::Rgb) {
    for (std::uint32_t i = 0; i < count; ++i, row += 3) {
      out[i * step] = Argb(0xFF, row[0], row[1], row[2]);
    }
    return;
  }
  if (depth == 8 && header.colour == ColourType::Rgba) {
    for (std::uint32_t i = 0; i < count; ++i, row += 4) {
      out[i * step] = Argb(row[3], row[0], row[1], row[2]);
    }
    return;
  }
  if (header.colour == ColourType::Palette) {
    for (std::uint32_t i = 0; i < count; ++i) {
      out[i * step] = colours.palette[Sample(row, i, depth)];
    }
    return;
  }
  const std::uint32_t stretch = depth < 8 ? 255 / ((1U << depth) - 1) : 1;
  const auto to8 = [&](std::uint32_t v) { return depth == 16 ? v >> 8 : v * stretch; };
  const auto channels = static_cast<std::size_t>(Channels(header.colour));
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t s[4] = {};
    for (std::size_t c = 0; c < channels; ++c) {
      s[c] = Sample(row, i * channels + c, depth);
    }
    std::uint32_t pixel = 0;
    switch (header.colour) {
    case ColourType::Grey: {
      const bool isClear = clear && s[0] == (*clear)[0];
      pixel = Argb(isClear ? 0 : 0xFF, to8(s[0]), to8(s[0]), to8(s[0]));
      break;
    }
    case ColourType::Rgb: {
      const bool isClear =
          clear && s[0] == (*clear)[0] && s[1] == (*clear)[1] && s[2] == (*clear)[2];
      pixel = Argb(isClear ? 0 : 0xFF, to8(s[0]), to8(s[1]), to8(s[2]));
      break;
    }
    case ColourType::GreyAlpha:
      pixel = Argb(to8(s[1]), to8(s[0]), to8(s[0]), to8(s[0]));
      break;
    case ColourType::Rgba:
      pixel = Argb(to8(s[3]), to8(s[0]), to8(s[1]), to8(s[2]));
      break;
    case ColourType::Palette:
      break;
    }
    out[i * step] = pixel;
  }
}

} // namespace platform::png
