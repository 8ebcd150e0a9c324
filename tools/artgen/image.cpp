// RGB pictures: blending, supersampled shape fills, copying and PNG encoding.
#include "image.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <stdexcept>

namespace artgen {

Rgb Mix(Rgb bg, Rgb fg, int weight, int total) {
  const auto channel = [&](std::uint8_t b, std::uint8_t f) {
    return static_cast<std::uint8_t>((b * (total - weight) + f * weight + total / 2) / total);
  };
  return {channel(bg.r, fg.r), channel(bg.g, fg.g), channel(bg.b, fg.b)};
}

Image::Image(int width, int height, Rgb fill)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

void Image::Blend(int x, int y, Rgb c, int weight, int total) {
  if (!Contains(x, y) || weight <= 0) {
    return;
  }
  Rgb &p = pixels_[Index(x, y)];
  p = weight >= total ? c : Mix(p, c, weight, total);
}

void Image::FillBox(Box box, Rgb c) {
  for (int y = box.y; y < box.y + box.h; ++y) {
    for (int x = box.x; x < box.x + box.w; ++x) {
      if (Contains(x, y)) {
        Set(x, y, c);
      }
    }
  }
}

void Image::FillShape(Box box, const Inside &inside, Rgb c, int samples) {
  FillShape(
      box, inside, [c](double, double) { return c; }, samples);
}

void Image::FillShape(Box box, const Inside &inside, const Paint &paint, int samples) {
  const int total = samples * samples;
  for (int y = box.y; y < box.y + box.h; ++y) {
    for (int x = box.x; x < box.x + box.w; ++x) {
      if (!Contains(x, y)) {
        continue;
      }
      int hits = 0;
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          hits += inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples) ? 1 : 0;
        }
      }
      if (hits > 0) {
        Blend(x, y, paint(x + 0.5, y + 0.5), hits, total);
      }
    }
  }
}

void Image::Paste(const Image &src, int x, int y) {
  for (int j = 0; j < src.Height(); ++j) {
    for (int i = 0; i < src.Width(); ++i) {
      if (Contains(x + i, y + j)) {
        Set(x + i, y + j, src.At(i, j));
      }
    }
  }
}

Image Image::Crop(Box box) const {
  Image out(box.w, box.h);
  for (int j = 0; j < box.h; ++j) {
    for (int i = 0; i < box.w; ++i) {
      out.Set(i, j, At(box.x + i, box.y + j));
    }
  }
  return out;
}

Image Image::Enlarged(int factor) const {
  Image out(width_ * factor, height_ * factor);
  for (int y = 0; y < out.Height(); ++y) {
    for (int x = 0; x < out.Width(); ++x) {
      out.Set(x, y, At(x / factor, y / factor));
    }
  }
  return out;
}

namespace {

std::vector<std::uint8_t> WritePng(int width, int height, png_uint_32 format, const void *rows) {
  png_image info{};
  info.version = PNG_IMAGE_VERSION;
  info.width = static_cast<png_uint_32>(width);
  info.height = static_cast<png_uint_32>(height);
  info.format = format;
  png_alloc_size_t size = 0;
  if (png_image_write_to_memory(&info, nullptr, &size, 0, rows, 0, nullptr) == 0) {
    throw std::runtime_error(std::string("PNG encoding failed: ") + info.message);
  }
  std::vector<std::uint8_t> bytes(size);
  if (png_image_write_to_memory(&info, bytes.data(), &size, 0, rows, 0, nullptr) == 0) {
    throw std::runtime_error(std::string("PNG encoding failed: ") + info.message);
  }
  bytes.resize(size);
  png_image_free(&info);
  return bytes;
}

} // namespace

// The game decodes its pictures before its first frame, so they are stored for
// decoding speed: every row unfiltered. The cloth's grain repeats, which
// deflate finds without a filter's help, and undoing the Sub, Average and
// Paeth filters, byte after dependent byte, is most of what decoding them
// would otherwise cost.
std::vector<std::uint8_t> EncodePng(const Image &image) {
  static_assert(sizeof(Rgb) == 3, "pixels are packed RGB triples");
  std::vector<std::uint8_t> bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("PNG encoding failed");
  }
  png_set_write_fn(
      png, &bytes,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto *out = static_cast<std::vector<std::uint8_t> *>(png_get_io_ptr(p));
        out->insert(out->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width()),
               static_cast<png_uint_32>(image.Height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  const auto *pixels = reinterpret_cast<const png_byte *>(image.Pixels().data());
  for (int y = 0; y < image.Height(); ++y) {
    png_write_row(png, pixels + static_cast<std::size_t>(y) * image.Width() * sizeof(Rgb));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

std::vector<std::uint8_t> EncodePng(const Image &image, const std::vector<std::uint8_t> &alpha) {
  if (alpha.size() != image.Pixels().size()) {
    throw std::runtime_error("the alpha channel does not match the picture's size");
  }
  std::vector<std::uint8_t> rgba;
  rgba.reserve(alpha.size() * 4);
  for (std::size_t i = 0; i < alpha.size(); ++i) {
    const Rgb c = image.Pixels()[i];
    rgba.insert(rgba.end(), {c.r, c.g, c.b, alpha[i]});
  }
  return WritePng(image.Width(), image.Height(), PNG_FORMAT_RGBA, rgba.data());
}

} // namespace artgen
