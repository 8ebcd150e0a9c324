// The PNG writer: libpng over a new file made beside the target, renamed when complete.
#include "gdi/png_write.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/posix_file.h"

namespace platform {
namespace {

void OnError(png_structp png, png_const_charp message) {
  auto *error = static_cast<std::string *>(png_get_error_ptr(png));
  if (error->empty()) {
    *error = message;
  }
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Writes straight to the descriptor, so that a failure says why (a full disk).
void WriteBytes(png_structp png, png_bytep data, png_size_t size) {
  const int fd = *static_cast<int *>(png_get_io_ptr(png));
  if (const int error = WriteAll(fd, data, size)) {
    *static_cast<std::string *>(png_get_error_ptr(png)) = std::strerror(error);
    png_error(png, "write failed");
  }
}

void FlushNothing(png_structp) {}

// Writes rows that are already packed as RGB bytes. Every local here is trivially
// destructible, since libpng reports errors with longjmp.
bool WriteRows(int *fd, int width, int height, png_bytepp rows, std::string *error) {
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
  png_set_write_fn(png, fd, WriteBytes, FlushNothing);
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

bool WritePng(const std::uint32_t *pixels, int width, int height, const std::string &path,
              std::string *error) {
  if (pixels == nullptr || width <= 0 || height <= 0) {
    if (error != nullptr) {
      *error = "the image is empty";
    }
    return false;
  }
  std::string why;
  const auto columns = static_cast<std::size_t>(width);
  std::vector<png_byte> bytes(columns * 3 * static_cast<std::size_t>(height));
  std::vector<png_bytep> rows;
  for (int y = 0; y < height; ++y) {
    png_bytep row = bytes.data() + static_cast<std::size_t>(y) * columns * 3;
    const std::uint32_t *from = pixels + static_cast<std::size_t>(y) * columns;
    for (std::size_t x = 0; x < columns; ++x) {
      row[x * 3] = static_cast<png_byte>(from[x] >> 16);
      row[x * 3 + 1] = static_cast<png_byte>(from[x] >> 8);
      row[x * 3 + 2] = static_cast<png_byte>(from[x]);
    }
    rows.push_back(row);
  }
  std::string temporary;
  int created = 0;
  UniqueFd file = CreateTempBeside(path, 0666, &temporary, &created);
  if (!file.Valid()) {
    why = "cannot create " + temporary + ": " + std::strerror(created);
  }
  if (why.empty()) {
    int fd = file.Get();
    WriteRows(&fd, width, height, rows.data(), &why);
    if (why.empty() && close(file.Release()) != 0) {
      why = std::strerror(errno); // a file system that reports a full disk only now
    }
    if (why.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) {
      why = "cannot rename to " + path + ": " + std::strerror(errno);
    }
    if (!why.empty()) {
      std::remove(temporary.c_str());
    }
  }
  if (!why.empty() && error != nullptr) {
    *error = why;
  }
  return why.empty();
}

} // namespace platform
