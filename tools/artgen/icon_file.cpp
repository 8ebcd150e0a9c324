// Writes .ico files: the directory, then each image as a DIB with its AND mask.
#include "icon_file.h"

namespace artgen {
namespace {

void Put(std::vector<std::uint8_t> &out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
}

std::vector<std::uint8_t> Dib(const IconImage &icon) {
  const int w = icon.picture.Width();
  const int h = icon.picture.Height();
  const int colourStride = (w * 3 + 3) / 4 * 4;
  const int maskStride = ((w + 31) / 32) * 4;
  std::vector<std::uint8_t> out;
  Put(out, 40, 4); // BITMAPINFOHEADER
  Put(out, static_cast<std::uint32_t>(w), 4);
  Put(out, static_cast<std::uint32_t>(2 * h), 4); // colour rows and mask rows
  Put(out, 1, 2);
  Put(out, 24, 2);
  Put(out, 0, 4); // BI_RGB
  Put(out, static_cast<std::uint32_t>((colourStride + maskStride) * h), 4);
  Put(out, 0, 4);
  Put(out, 0, 4);
  Put(out, 0, 4);
  Put(out, 0, 4);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const Rgb c = icon.picture.At(x, y);
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
    }
    out.resize(out.size() + static_cast<std::size_t>(colourStride - w * 3), 0);
  }
  for (int y = h - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(maskStride), 0);
    for (int x = 0; x < w; ++x) {
      if (icon.transparent[icon.Index(x, y)]) {
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80U >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

} // namespace

std::vector<std::uint8_t> EncodeIcon(const std::vector<IconImage> &images) {
  std::vector<std::vector<std::uint8_t>> dibs;
  dibs.reserve(images.size());
  for (const IconImage &icon : images) {
    dibs.push_back(Dib(icon));
  }
  std::vector<std::uint8_t> out;
  Put(out, 0, 2); // reserved
  Put(out, 1, 2); // icon
  Put(out, static_cast<std::uint32_t>(images.size()), 2);
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int size = images[i].picture.Width();
    out.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
    out.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : images[i].picture.Height()));
    out.push_back(0); // no palette
    out.push_back(0);
    Put(out, 1, 2);  // planes
    Put(out, 24, 2); // bits per pixel
    Put(out, static_cast<std::uint32_t>(dibs[i].size()), 4);
    Put(out, offset, 4);
    offset += static_cast<std::uint32_t>(dibs[i].size());
  }
  for (const auto &dib : dibs) {
    out.insert(out.end(), dib.begin(), dib.end());
  }
  return out;
}

} // namespace artgen
