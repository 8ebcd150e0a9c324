// The PNG decoder: libpng reading through a buffered pull reader.
//
// libpng reports errors with longjmp. Every C++ object that must be destroyed lives
// in a Decoder owned by the caller's frame; the functions between setjmp and the
// longjmp hold only trivially destructible locals, so nothing is skipped.
#include "imgdecmp/png_decode.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstring>
#include <new>

namespace platform {
namespace {

static_assert(std::endian::native == std::endian::little,
              "libpng writes B, G, R, A bytes that must read as 0xAARRGGBB");

struct Decoder {
  const PngPull *pull = nullptr;
  const PngProgress *progress = nullptr;
  const PngLimits *limits = nullptr;
  std::size_t capacity = 0;
  std::vector<std::uint8_t> buffer; // what the last pull delivered
  std::size_t position = 0;         // next unread byte of buffer
  std::size_t available = 0;        // bytes in buffer
  std::size_t total = 0;            // bytes pulled so far
  bool ended = false;               // the reader reported the end
  bool overLimit = false;
  std::string error;
  std::string warning;             // libpng names the exact fault of a header in a warning
  std::vector<std::uint32_t> argb; // rows of 0xAARRGGBB, written by libpng as B, G, R, A
  std::vector<png_bytep> rows;
};

[[noreturn]] void Fail(png_structp png, Decoder *d, const char *message, bool overLimit) {
  d->error = message;
  d->overLimit = d->overLimit || overLimit;
  png_longjmp(png, 1);
}

// libpng's own checks of the limits set below say so in their messages.
bool MentionsLimit(const char *message) {
  return std::strstr(message, "exceeds user limit") != nullptr ||
         std::strstr(message, "too large") != nullptr;
}

void OnError(png_structp png, png_const_charp message) {
  auto *d = static_cast<Decoder *>(png_get_error_ptr(png));
  if (d->error.empty()) {
    d->error = message;
    if (!d->warning.empty()) {
      d->error += " (" + d->warning + ")";
    }
    d->overLimit = MentionsLimit(d->error.c_str());
  }
  png_longjmp(png, 1);
}

void OnWarning(png_structp png, png_const_charp message) {
  auto *d = static_cast<Decoder *>(png_get_error_ptr(png));
  if (d->warning.empty()) {
    d->warning = message;
  }
}

// Pulls the next piece; false at the end of the data. A reader that throws or
// claims more than it was given room for is treated as corrupt data.
bool Refill(Decoder *d, bool *readerFault) {
  if (d->ended) {
    return false;
  }
  std::size_t got = 0;
  try {
    got = (*d->pull)(d->buffer.data(), d->capacity);
  } catch (...) {
    *readerFault = true;
    return false;
  }
  if (got > d->capacity) {
    *readerFault = true;
    return false;
  }
  d->position = 0;
  d->available = got;
  d->total += got;
  d->ended = got == 0;
  return got != 0;
}

void ReadData(png_structp png, png_bytep out, png_size_t length) {
  auto *d = static_cast<Decoder *>(png_get_io_ptr(png));
  while (length > 0) {
    if (d->position == d->available) {
      bool readerFault = false;
      if (!Refill(d, &readerFault)) {
        Fail(png, d,
             readerFault ? "the reader failed or overran its buffer" : "the data is truncated",
             false);
      }
      if (d->total > d->limits->maxInputBytes) {
        Fail(png, d, "the data is longer than the input limit", true);
      }
    }
    const std::size_t n = std::min(length, d->available - d->position);
    std::memcpy(out, d->buffer.data() + d->position, n);
    d->position += n;
    out += n;
    length -= n;
  }
}

// Reads the header, sets the transformations to 8-bit RGBA and sizes the rows.
void ReadHeader(png_structp png, png_infop info, Decoder *d) {
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (std::uint64_t{width} * height > d->limits->maxPixels) {
    Fail(png, d, "the image has more pixels than the limit", true);
  }
  const int colorType = png_get_color_type(png, info);
  png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_set_palette_to_rgb(png);
  }
  if (colorType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) {
    png_set_expand_gray_1_2_4_to_8(png);
  }
  if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
    png_set_tRNS_to_alpha(png);
  }
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  // B, G, R, A in memory is 0xAARRGGBB on a little-endian machine: the rows are
  // the finished pixels, with no pass to reorder them.
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{width} * 4) {
    Fail(png, d, "unexpected row layout after conversion", false);
  }
  bool allocated = true;
  try {
    d->argb.assign(std::size_t{width} * height, 0);
    d->rows.resize(height);
  } catch (const std::bad_alloc &) {
    allocated = false;
  }
  if (!allocated) {
    Fail(png, d, "out of memory for the image", true);
  }
  for (png_uint_32 y = 0; y < height; ++y) {
    d->rows[y] = reinterpret_cast<png_bytep>(d->argb.data() + std::size_t{y} * width);
  }
}

bool Decode(Decoder *d, PngImage *image) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, d, OnError, OnWarning);
  if (png == nullptr) {
    d->error = "cannot start the PNG reader";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    if (d->error.empty()) {
      d->error = "cannot start the PNG reader";
    }
    return false;
  }
  png_set_user_limits(png, d->limits->maxWidth, d->limits->maxHeight);
  png_set_chunk_malloc_max(png, d->limits->maxChunkBytes);
  png_set_chunk_cache_max(png, d->limits->maxAncillaryChunks);
  png_set_read_fn(png, d, ReadData);
  ReadHeader(png, info, d);
  const png_uint_32 height = png_get_image_height(png, info);
  const int passes = png_set_interlace_handling(png);
  const std::uint64_t totalRows = std::uint64_t{height} * static_cast<unsigned>(passes);
  std::uint64_t done = 0;
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, d->rows[y], nullptr);
      if (*d->progress && (++done % 32 == 0 || done == totalRows)) {
        try {
          (*d->progress)(done, totalRows);
        } catch (...) { // progress is advice; a failing listener stops nothing
        }
      }
    }
  }
  png_read_end(png, nullptr);
  image->width = static_cast<int>(png_get_image_width(png, info));
  image->height = static_cast<int>(height);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

} // namespace

PngStatus DecodePng(const PngPull &pull, std::size_t capacity, const PngLimits &limits,
                    PngImage *image, std::string *error, const PngProgress &progress) {
  Decoder d;
  d.pull = &pull;
  d.progress = &progress;
  d.limits = &limits;
  d.capacity = capacity;
  PngImage decoded;
  bool ok = capacity > 0;
  if (!ok) {
    d.error = "the read buffer is empty";
  }
  if (ok) {
    d.buffer.resize(capacity);
    ok = Decode(&d, &decoded);
  }
  if (!ok) {
    if (error != nullptr) {
      *error = d.error;
    }
    return d.overLimit ? PngStatus::OverLimit : PngStatus::Corrupt;
  }
  // Read what follows the image until the reader says it is done.
  bool readerFault = false;
  while (d.total <= limits.maxInputBytes && Refill(&d, &readerFault)) {
  }
  decoded.argb = std::move(d.argb);
  *image = std::move(decoded);
  return PngStatus::Ok;
}

PngStatus DecodePngBytes(const std::uint8_t *data, std::size_t size, const PngLimits &limits,
                         PngImage *image, std::string *error) {
  std::size_t at = 0;
  const PngPull pull = [&](std::uint8_t *buffer, std::size_t capacity) {
    const std::size_t n = std::min(capacity, size - at);
    if (n > 0) {
      std::memcpy(buffer, data + at, n);
    }
    at += n;
    return n;
  };
  return DecodePng(pull, std::size_t{64} * 1024, limits, image, error);
}

} // namespace platform
