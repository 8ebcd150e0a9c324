// The PNG writer: libpng over a temporary file that is renamed when complete.
#include "gdi/png_write.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {
namespace {

void OnError(png_structp png, png_const_charp message) {
  auto *error = static_cast<std::string *>(png_get_error_ptr(png));
  *error = message;
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Writes rows that are already packed as RGB bytes. Every local here is trivially
// destructible, since libpng reports errors with longjmp.
bool WriteRows(std::FILE *file, int width, int height, png_bytepp rows, std::string *error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnError, OnWarning);
  if (png == nullptr) {
    *error = "cannot start the PNG writer";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    if (error->empty()) {
      *error = "cannot start the PNG writer";
    }
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

} // namespace

bool WritePng(const Surface &surface, const std::string &path, std::string *error) {
  std::string why;
  if (surface.width <= 0 || surface.height <= 0) {
    why = "the image is empty";
  }
  const auto width = static_cast<std::size_t>(surface.width);
  std::vector<png_byte> bytes(why.empty() ? width * 3 * static_cast<std::size_t>(surface.height)
                                          : 0);
  std::vector<png_bytep> rows;
  for (int y = 0; why.empty() && y < surface.height; ++y) {
    png_bytep row = bytes.data() + static_cast<std::size_t>(y) * width * 3;
    const std::uint32_t *pixels = surface.Row(y);
    for (std::size_t x = 0; x < width; ++x) {
      row[x * 3] = static_cast<png_byte>(pixels[x] >> 16);
      row[x * 3 + 1] = static_cast<png_byte>(pixels[x] >> 8);
      row[x * 3 + 2] = static_cast<png_byte>(pixels[x]);
    }
    rows.push_back(row);
  }
  const std::string temporary = path + ".tmp";
  std::FILE *file = why.empty() ? std::fopen(temporary.c_str(), "wb") : nullptr;
  if (why.empty() && file == nullptr) {
    why = "cannot create " + temporary + ": " + std::strerror(errno);
  }
  if (why.empty()) {
    const bool written = WriteRows(file, surface.width, surface.height, rows.data(), &why);
    if (std::fclose(file) != 0 && written) {
      why = "cannot write " + temporary + ": " + std::strerror(errno);
    }
    if (!why.empty() || std::rename(temporary.c_str(), path.c_str()) != 0) {
      why = why.empty() ? "cannot rename to " + path + ": " + std::strerror(errno) : why;
      std::remove(temporary.c_str());
    }
  }
  if (!why.empty() && error != nullptr) {
    *error = why;
  }
  return why.empty();
}

} // namespace platform
