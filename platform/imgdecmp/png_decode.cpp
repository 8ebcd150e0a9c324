// The PNG decoder: the file pulled whole through the caller's reader, its chunks read and checked,
// the image data inflated in one call (libdeflate, which also checks its Adler-32), then the rows
// unfiltered and turned into pixels (png_pixels.cpp).
//
// Decoding all the image data at once, rather than row by row through zlib, is what
// keeps the game's start short: its eleven pictures are decoded before the first
// frame, and libdeflate inflates them in less than half zlib's time.
//
// Chunk rules follow libpng's defaults where the file format leaves a choice: a
// fault in a critical chunk (IHDR, PLTE, IDAT, IEND) fails the image; a faulty or
// misplaced ancillary chunk is skipped. Only tRNS among the ancillary chunks changes
// the pixels, so every other one is skipped unread.
#include "imgdecmp/png_decode.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "device/ahead.h"
#include "imgdecmp/png_pixels.h"

namespace platform {
namespace {

using png::ColourType;
using png::Header;

// Thrown inside the decoder and turned into the status and message at its edge.
struct Failure {
  PngStatus status;
  const char *why;
};

[[noreturn]] void Corrupt(const char *why) { throw Failure{PngStatus::Corrupt, why}; }
[[noreturn]] void OverLimit(const char *why) { throw Failure{PngStatus::OverLimit, why}; }

std::uint32_t BigEndian32(const std::uint8_t *p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

std::uint16_t BigEndian16(const std::uint8_t *p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// The file's bytes, read in order; running past their end fails for the reason the
// pulling stopped.
class Source {
public:
  explicit Source(const PulledFile &file) : file_(file) {}

  // Copies the next `n` bytes to `out` (or skips them when `out` is null).
  void Read(std::uint8_t *out, std::size_t n) {
    if (n > file_.bytes.size() - position_) {
      switch (file_.end) {
      case PulledFile::End::OverLimit:
        OverLimit("the data is longer than the input limit");
      case PulledFile::End::ReaderFault:
        Corrupt("the reader failed or overran its buffer");
      case PulledFile::End::Ended:
        Corrupt("the data is truncated");
      }
    }
    if (out != nullptr) {
      std::memcpy(out, file_.bytes.data() + position_, n);
    }
    position_ += n;
  }

private:
  const PulledFile &file_;
  std::size_t position_ = 0;
};

// Everything read before the image data is decoded.
struct Chunks {
  Header header;
  png::Colours colours;
  int paletteSize = 0;
  std::vector<std::uint8_t> imageData; // the IDAT chunks' contents, joined
};

bool IsLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool Is(const std::uint8_t *type, const char *name) { return std::memcmp(type, name, 4) == 0; }

Header ParseHeader(const std::uint8_t *data, std::size_t length, const PngLimits &limits) {
  if (length != 13) {
    Corrupt("IHDR has the wrong length");
  }
  Header h;
  h.width = BigEndian32(data);
  h.height = BigEndian32(data + 4);
  h.depth = data[8];
  const std::uint8_t colour = data[9];
  if (h.width == 0 || h.height == 0 || h.width > 0x7FFFFFFFU || h.height > 0x7FFFFFFFU) {
    Corrupt("IHDR gives an invalid image size");
  }
  // The bit depths each colour type allows, as a mask of 1 << depth.
  static constexpr std::uint32_t Depths[7] = {0x10116, 0, 0x10100, 0x116, 0x10100, 0, 0x10100};
  if (colour > 6 || h.depth > 16 || (Depths[colour] & (1U << h.depth)) == 0) {
    Corrupt("IHDR gives an invalid colour type or bit depth");
  }
  h.colour = static_cast<ColourType>(colour);
  if (data[10] != 0 || data[11] != 0 || data[12] > 1) {
    Corrupt("IHDR gives an unknown compression, filter or interlace method");
  }
  h.interlaced = data[12] == 1;
  if (h.width > limits.maxWidth || h.height > limits.maxHeight) {
    OverLimit("the image is wider or taller than the limit");
  }
  if (std::uint64_t{h.width} * h.height > limits.maxPixels) {
    OverLimit("the image has more pixels than the limit");
  }
  return h;
}

void ParsePalette(Chunks *c, const std::uint8_t *data, std::size_t length) {
  if (c->header.colour == ColourType::Grey || c->header.colour == ColourType::GreyAlpha) {
    return; // meaningless for grey images; skipped as libpng skips it
  }
  const bool needed = c->header.colour == ColourType::Palette;
  if (length == 0 || length % 3 != 0 || length > std::size_t{3} * 256) {
    if (needed) {
      Corrupt("PLTE has an invalid length");
    }
    return;
  }
  if (c->paletteSize != 0) {
    Corrupt("the image has two PLTE chunks");
  }
  c->paletteSize = static_cast<int>(length / 3);
  for (std::size_t i = 0; i < length / 3; ++i) {
    const std::uint8_t *rgb = data + 3 * i;
    c->colours.palette[i] =
        0xFF000000U | (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
  }
}

// tRNS: alpha for the first palette entries, or the one transparent grey or RGB value.
// One of the wrong length or in the wrong place is skipped.
void ParseTransparency(Chunks *c, const std::uint8_t *data, std::size_t length) {
  const std::uint32_t mask = (1U << c->header.depth) - 1;
  switch (c->header.colour) {
  case ColourType::Palette:
    if (c->paletteSize == 0 || length > static_cast<std::size_t>(c->paletteSize)) {
      return;
    }
    for (std::size_t i = 0; i < length; ++i) {
      std::uint32_t &entry = c->colours.palette[i];
      entry = (entry & 0xFFFFFFU) | (std::uint32_t{data[i]} << 24);
    }
    return;
  case ColourType::Grey:
    if (length == 2) {
      const auto grey = static_cast<std::uint16_t>(BigEndian16(data) & mask);
      c->colours.transparent = std::array<std::uint16_t, 3>{grey, 0, 0};
    }
    return;
  case ColourType::Rgb:
    if (length == 6) {
      std::array<std::uint16_t, 3> rgb{};
      for (std::size_t i = 0; i < 3; ++i) {
        rgb[i] = static_cast<std::uint16_t>(BigEndian16(data + 2 * i) & mask);
      }
      c->colours.transparent = rgb;
    }
    return;
  case ColourType::GreyAlpha:
  case ColourType::Rgba:
    return; // these carry their own alpha
  }
}

// Where the reading is among the chunks.
enum class Stage { Header, BeforeData, InData, AfterData };

void ReadSignature(Source &source) {
  std::uint8_t signature[sizeof kPngSignature];
  source.Read(signature, sizeof signature);
  if (std::memcmp(signature, kPngSignature, sizeof signature) != 0) {
    Corrupt("not a PNG file (the signature is wrong)");
  }
}

// Appends a chunk's `length` bytes to `into` and reads its CRC; whether the CRC
// matches. In pieces, so that a length the data does not back allocates nothing.
bool ReadCheckedBody(Source &source, const std::uint8_t *type, std::uint32_t length,
                     std::vector<std::uint8_t> &into) {
  const std::size_t start = into.size();
  for (std::size_t left = length; left > 0;) {
    const std::size_t piece = std::min<std::size_t>(left, std::size_t{64} * 1024);
    into.resize(into.size() + piece);
    source.Read(into.data() + into.size() - piece, piece);
    left -= piece;
  }
  std::uint8_t crcBytes[4];
  source.Read(crcBytes, 4);
  return libdeflate_crc32(libdeflate_crc32(0, type, 4), into.data() + start, length) ==
         BigEndian32(crcBytes);
}

// Takes in one chunk other than IDAT, read whole and checked; true at IEND.
bool UseChunk(Chunks &c, Stage &stage, const std::uint8_t *type,
              const std::vector<std::uint8_t> &contents, const PngLimits &limits) {
  const std::size_t length = contents.size();
  if (Is(type, "IHDR")) {
    if (stage != Stage::Header) {
      Corrupt("the image has two IHDR chunks");
    }
    c.header = ParseHeader(contents.data(), length, limits);
    stage = Stage::BeforeData;
  } else if (Is(type, "PLTE")) {
    if (stage != Stage::BeforeData) {
      Corrupt("PLTE comes after the image data");
    }
    ParsePalette(&c, contents.data(), length);
  } else if (Is(type, "tRNS")) {
    if (stage == Stage::BeforeData && !c.colours.transparent) {
      ParseTransparency(&c, contents.data(), length);
    }
  } else if (Is(type, "IEND")) {
    if (stage == Stage::BeforeData) {
      Corrupt("the image has no IDAT chunk");
    }
    return true;
  } else {
    Corrupt("an unknown critical chunk");
  }
  return false;
}

// Reads the chunks from the signature to IEND, checking each one's CRC.
Chunks ReadChunks(Source &source, const PngLimits &limits) {
  ReadSignature(source);
  Chunks c;
  Stage stage = Stage::Header;
  std::vector<std::uint8_t> contents; // of the last chunk kept other than IDAT
  for (;;) {
    std::uint8_t lengthBytes[4];
    source.Read(lengthBytes, 4);
    const std::uint32_t length = BigEndian32(lengthBytes);
    if (length > 0x7FFFFFFFU) {
      Corrupt("a chunk length is over 2^31 - 1");
    }
    std::uint8_t type[4];
    source.Read(type, 4);
    if (!std::all_of(type, type + 4, IsLetter)) {
      Corrupt("a chunk type is not four letters");
    }
    const bool critical = (type[0] & 0x20) == 0;
    const bool isData = Is(type, "IDAT");
    if (stage == Stage::Header && !Is(type, "IHDR")) {
      Corrupt("the first chunk is not IHDR");
    }
    if (stage == Stage::InData && !isData) {
      stage = Stage::AfterData;
    }
    if (!critical && !Is(type, "tRNS")) { // skipped unread: its CRC guards nothing used
      source.Read(nullptr, std::size_t{length} + 4);
      continue;
    }
    if (isData) {
      if (stage == Stage::AfterData) {
        Corrupt("the image data is split by another chunk");
      }
      if (c.header.colour == ColourType::Palette && c.paletteSize == 0) {
        Corrupt("a palette image has no PLTE before its data");
      }
      stage = Stage::InData;
    } else {
      contents.clear();
    }
    // The image data goes straight onto what came before it; any other chunk is
    // read on its own.
    if (!ReadCheckedBody(source, type, length, isData ? c.imageData : contents)) {
      if (critical) {
        Corrupt("CRC error in a critical chunk");
      }
      continue;
    }
    if (!isData && UseChunk(c, stage, type, contents, limits)) {
      return c;
    }
  }
}

} // namespace

struct PngScratch::Parts {
  std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater{
      nullptr, libdeflate_free_decompressor};
  std::unique_ptr<std::uint8_t[]> rows;
  std::size_t capacity = 0;
};

PngScratch::PngScratch() : parts_(std::make_unique<Parts>()) {}
PngScratch::~PngScratch() = default;
PngScratch::PngScratch(PngScratch &&) noexcept = default;
PngScratch &PngScratch::operator=(PngScratch &&) noexcept = default;

namespace {

// Inflates the image data into exactly `size` bytes of filtered rows, in the
// scratch's buffer.
std::uint8_t *Inflate(const std::vector<std::uint8_t> &imageData, std::size_t size,
                      PngScratch::Parts &scratch) {
  if (!scratch.inflater) {
    scratch.inflater.reset(libdeflate_alloc_decompressor());
  }
  if (scratch.capacity < size) {
    scratch.rows.reset();
    scratch.capacity = 0;
    scratch.rows.reset(new (std::nothrow) std::uint8_t[size]);
    if (scratch.rows) {
      scratch.capacity = size;
      PrefaultForWriting(scratch.rows.get(), size);
    }
  }
  if (!scratch.inflater || !scratch.rows) {
    OverLimit("out of memory for the image");
  }
  std::size_t produced = 0;
  switch (libdeflate_zlib_decompress(scratch.inflater.get(), imageData.data(), imageData.size(),
                                     scratch.rows.get(), size, &produced)) {
  case LIBDEFLATE_SUCCESS:
    if (produced != size) {
      Corrupt("the image data ends early");
    }
    return scratch.rows.get();
  case LIBDEFLATE_INSUFFICIENT_SPACE:
    Corrupt("the image data is longer than the image");
  default:
    Corrupt("the image data is corrupt (inflate failed)");
  }
}

PngImage DecodeImage(const Chunks &c, const PngProgress &progress, PngScratch::Parts &scratch) {
  const Header &h = c.header;
  std::array<png::Pass, 7> passes{};
  const int passCount = png::Passes(h, &passes);
  std::uint64_t size = 0;
  std::uint64_t totalRows = 0;
  for (int p = 0; p < passCount; ++p) {
    const png::Pass &pass = passes[static_cast<std::size_t>(p)];
    if (pass.width != 0) {
      size += std::uint64_t{pass.height} * (png::RowBytes(h, pass.width) + 1);
      totalRows += pass.height;
    }
  }
  std::uint8_t *at = Inflate(c.imageData, static_cast<std::size_t>(size), scratch);
  PngImage image;
  try {
    image.argb.reserve(std::size_t{h.width} * h.height);
    PrefaultForWriting(image.argb.data(), std::size_t{h.width} * h.height * 4);
    image.argb.resize(std::size_t{h.width} * h.height);
  } catch (const std::bad_alloc &) {
    OverLimit("out of memory for the image");
  }
  image.width = static_cast<int>(h.width);
  image.height = static_cast<int>(h.height);
  // Only what the header and tRNS say: no pixel is looked at for this.
  image.opaque = !c.colours.transparent &&
                 (h.colour == ColourType::Grey || h.colour == ColourType::Rgb ||
                  (h.colour == ColourType::Palette &&
                   std::all_of(c.colours.palette.begin(), c.colours.palette.end(),
                               [](std::uint32_t entry) { return entry >> 24 == 0xFF; })));
  const std::size_t bytesPerPixel =
      std::max<std::size_t>(1, static_cast<std::size_t>(png::Channels(h.colour)) * h.depth / 8);
  // What the filters see above a pass's first row.
  const std::vector<std::uint8_t> zeros(png::RowBytes(h, h.width));
  std::uint64_t done = 0;
  for (int p = 0; p < passCount; ++p) {
    const png::Pass &pass = passes[static_cast<std::size_t>(p)];
    if (pass.width == 0) {
      continue;
    }
    const std::size_t rowBytes = png::RowBytes(h, pass.width);
    const std::uint8_t *previous = zeros.data();
    for (std::uint32_t r = 0; r < pass.height; ++r, at += rowBytes + 1) {
      if (!png::Unfilter(at[0], at + 1, previous, rowBytes, bytesPerPixel)) {
        Corrupt("a row has an unknown filter type");
      }
      previous = at + 1;
      const std::size_t y = pass.y + std::size_t{r} * pass.dy;
      png::ConvertRow(h, c.colours, at + 1, pass.width, image.argb.data() + y * h.width + pass.x,
                      pass.dx);
      if (progress && (++done % 32 == 0 || done == totalRows)) {
        try {
          progress(done, totalRows);
        } catch (...) { // progress is advice; a failing listener stops nothing
        }
      }
    }
  }
  return image;
}

} // namespace

void DropOpaqueAlpha(PngImage *image) {
  if (!image->opaque || image->alphaDropped) {
    return;
  }
  for (std::uint32_t &pixel : image->argb) {
    pixel &= 0x00FFFFFFU;
  }
  image->alphaDropped = true;
}

PulledFile PullFile(const PngPull &pull, std::size_t capacity, std::size_t maxBytes) {
  PulledFile file;
  if (capacity == 0) {
    file.end = PulledFile::End::ReaderFault;
    return file;
  }
  for (;;) {
    const std::size_t at = file.bytes.size();
    if (at > maxBytes) {
      file.end = PulledFile::End::OverLimit;
      return file;
    }
    try {
      file.bytes.resize(at + capacity);
    } catch (const std::bad_alloc &) { // a buffer size no memory can match
      file.bytes.resize(at);
      file.end = PulledFile::End::OverLimit;
      return file;
    }
    std::size_t got = 0;
    try {
      got = pull(file.bytes.data() + at, capacity);
    } catch (...) {
      got = capacity + 1;
    }
    if (got > capacity) {
      file.bytes.resize(at);
      file.end = PulledFile::End::ReaderFault;
      return file;
    }
    file.bytes.resize(at + got);
    if (got == 0) {
      file.end = PulledFile::End::Ended;
      return file;
    }
  }
}

PngStatus DecodePulled(const PulledFile &file, const PngLimits &limits, PngImage *image,
                       std::string *error, const PngProgress &progress, PngScratch *scratch) {
  try {
    Source source(file);
    const Chunks chunks = ReadChunks(source, limits);
    std::optional<PngScratch> own;
    *image = DecodeImage(chunks, progress, (scratch != nullptr ? *scratch : own.emplace()).Get());
    return PngStatus::Ok;
  } catch (const Failure &failure) {
    if (error != nullptr) {
      *error = failure.why;
    }
    return failure.status;
  } catch (const std::bad_alloc &) {
    if (error != nullptr) {
      *error = "out of memory for the image";
    }
    return PngStatus::OverLimit;
  }
}

PngStatus DecodePngBytes(const std::uint8_t *data, std::size_t size, const PngLimits &limits,
                         PngImage *image, std::string *error, PngScratch *scratch) {
  PulledFile file;
  const std::size_t kept = std::min(size, limits.maxInputBytes);
  file.bytes.assign(data, data + kept);
  file.end = kept < size ? PulledFile::End::OverLimit : PulledFile::End::Ended;
  return DecodePulled(file, limits, image, error, {}, scratch);
}

} // namespace platform
