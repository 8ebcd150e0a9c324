// PNG files in and out. The decoder against libpng's writer: every colour type, bit depth,
// filter and interlacing gives the pixels its samples stand for, and faults in the chunks
// fail. The writer: what is planted at its temporary names is neither written through nor
// waited on. What it writes is the README's pictures, which the game's tests compare byte
// for byte.
#include <windows.h>

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gdi/png_write.h"
#include "gdi/surface.h"
#include "imgdecmp/png_decode.h"
#include "testing/testing.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Format {
  int colourType, depth, channels;
};

// Sample c of pixel (x, y): scattered over at most five levels from 0 to the
// depth's maximum, so that the filters' predictors often tie.
std::uint32_t SampleAt(const Format &f, int x, int y, int c) {
  const std::uint32_t max = (1U << f.depth) - 1;
  const std::uint32_t levels = std::min(max, 4U);
  const auto hash =
      static_cast<std::uint32_t>((x * 73856093) ^ (y * 19349663) ^ (c * 83492791)) * 2654435761U;
  return (hash >> 16) % (levels + 1) * max / levels;
}

std::uint32_t To8(const Format &f, std::uint32_t v) {
  return f.depth == 16 ? v >> 8 : v * 255 / ((1U << f.depth) - 1);
}

std::uint32_t PaletteEntry(std::uint32_t i, bool withAlpha) {
  const std::uint32_t alpha = withAlpha && i < 3 ? i * 100 : 255;
  return (alpha << 24) | ((i * 37 & 255) << 16) | ((i * 91 & 255) << 8) | (i * 151 & 255);
}

constexpr int Width = 13;
constexpr int Height = 11;

// What a decoder must give for pixel (x, y), with tRNS naming the colour of (1, 1) or not.
std::uint32_t Expected(const Format &f, int x, int y, bool withTrns) {
  std::uint32_t s[4];
  for (int c = 0; c < 4; ++c) {
    s[c] = SampleAt(f, x, y, c);
  }
  const bool clear = withTrns && s[0] == SampleAt(f, 1, 1, 0) &&
                     (f.colourType != PNG_COLOR_TYPE_RGB ||
                      (s[1] == SampleAt(f, 1, 1, 1) && s[2] == SampleAt(f, 1, 1, 2)));
  const std::uint32_t opaque = clear ? 0 : 0xFF000000U;
  switch (f.colourType) {
  case PNG_COLOR_TYPE_PALETTE:
    return PaletteEntry(s[0], withTrns);
  case PNG_COLOR_TYPE_GRAY:
    return opaque | To8(f, s[0]) * 0x010101U;
  case PNG_COLOR_TYPE_GA:
    return (To8(f, s[1]) << 24) | To8(f, s[0]) * 0x010101U;
  case PNG_COLOR_TYPE_RGB:
    return opaque | (To8(f, s[0]) << 16) | (To8(f, s[1]) << 8) | To8(f, s[2]);
  default:
    return (To8(f, s[3]) << 24) | (To8(f, s[0]) << 16) | (To8(f, s[1]) << 8) | To8(f, s[2]);
  }
}

// The decoder's verdict on a file, with the image and the error it gives.
struct Decoded {
  platform::PngImage image;
  std::string error;
  platform::PngStatus status;
  explicit Decoded(const Bytes &file)
      : status(platform::DecodePngBytes(file.data(), file.size(), {}, &image, &error)) {}
};

Bytes Write(const Format &f, bool interlaced, int filter, bool withTrns) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto *bytes = static_cast<Bytes *>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, Width, Height, f.depth, f.colourType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[256];
  png_byte alpha[3];
  if (f.colourType == PNG_COLOR_TYPE_PALETTE) {
    const int entries = 1 << f.depth;
    for (int i = 0; i < entries; ++i) {
      const std::uint32_t e = PaletteEntry(static_cast<std::uint32_t>(i), false);
      palette[i] = {static_cast<png_byte>(e >> 16), static_cast<png_byte>(e >> 8),
                    static_cast<png_byte>(e)};
      if (i < 3) {
        alpha[i] = static_cast<png_byte>(PaletteEntry(static_cast<std::uint32_t>(i), true) >> 24);
      }
    }
    png_set_PLTE(png, info, palette, entries);
  }
  const auto at11 = [&f](int c) { return static_cast<png_uint_16>(SampleAt(f, 1, 1, c)); };
  png_color_16 clear{0, at11(0), at11(1), at11(2), at11(0)}; // index, red, green, blue, grey
  if (withTrns) {
    png_set_tRNS(png, info, alpha,
                 f.colourType == PNG_COLOR_TYPE_PALETTE ? std::min(3, 1 << f.depth) : 0, &clear);
  }
  png_set_filter(png, PNG_FILTER_TYPE_BASE, filter);
  png_write_info(png, info);
  png_set_packing(png); // rows below hold a byte per sample under 8 bits, two at 16
  const int samples = Width * f.channels;
  const int bytes = f.depth == 16 ? 2 : 1;
  std::vector<Bytes> rows(Height, Bytes(static_cast<std::size_t>(samples * bytes)));
  for (int y = 0; y < Height; ++y) {
    for (int i = 0; i < samples; ++i) {
      const std::uint32_t v = SampleAt(f, i / f.channels, y, i % f.channels);
      for (int b = 0; b < bytes; ++b) {
        rows[y][i * bytes + b] = static_cast<std::uint8_t>(v >> (8 * (bytes - 1 - b)));
      }
    }
  }
  for (int pass = png_set_interlace_handling(png); pass > 0; --pass) {
    for (Bytes &row : rows) {
      png_write_row(png, row.data());
    }
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(PngDecode, EveryFormatFilterAndInterlacingGivesTheSamplesPixels) {
  const Format formats[] = {{0, 1, 1}, {0, 2, 1},  {0, 4, 1},  {0, 8, 1}, {0, 16, 1},
                            {2, 8, 3}, {2, 16, 3}, {3, 1, 1},  {3, 2, 1}, {3, 4, 1},
                            {3, 8, 1}, {4, 8, 2},  {4, 16, 2}, {6, 8, 4}, {6, 16, 4}};
  const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                         PNG_FILTER_PAETH};
  int n = 0;
  for (const Format &f : formats) {
    for (const int filter : filters) {
      for (const bool interlaced : {false, true}) {
        const bool withTrns = (++n % 2 == 0) && f.colourType != PNG_COLOR_TYPE_GA &&
                              f.colourType != PNG_COLOR_TYPE_RGB_ALPHA;
        SCOPED_TRACE(testing::Message()
                     << "colour type " << f.colourType << ", depth " << f.depth << ", filter "
                     << filter << ", interlaced " << interlaced << ", tRNS " << withTrns);
        const Decoded decoded(Write(f, interlaced, filter, withTrns));
        ASSERT_EQ(decoded.status, platform::PngStatus::Ok) << decoded.error;
        const platform::PngImage &image = decoded.image;
        ASSERT_EQ(image.width, Width);
        ASSERT_EQ(image.height, Height);
        for (int y = 0; y < Height; ++y) {
          for (int x = 0; x < Width; ++x) {
            ASSERT_EQ(image.argb[static_cast<std::size_t>(y * Width + x)],
                      Expected(f, x, y, withTrns))
                << x << "," << y;
          }
        }
        // Told apart from the header alone: here every transparent value is used.
        EXPECT_EQ(image.opaque, std::all_of(image.argb.begin(), image.argb.end(),
                                            [](std::uint32_t p) { return p >> 24 == 0xFF; }));
      }
    }
  }
}

// The file cut into chunks (type, contents), and put back together with fresh CRCs.
struct Chunk {
  std::string type;
  Bytes data;
  bool damaged = false; // written with a wrong CRC
};

std::vector<Chunk> Split(const Bytes &file) {
  std::vector<Chunk> chunks;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::size_t length = png_get_uint_32(&file[at]);
    const auto chunk = file.begin() + static_cast<std::ptrdiff_t>(at);
    chunks.push_back({std::string(chunk + 4, chunk + 8),
                      Bytes(chunk + 8, chunk + 8 + static_cast<std::ptrdiff_t>(length))});
    at += 12 + length;
  }
  return chunks;
}

Bytes Join(const std::vector<Chunk> &chunks) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto put32 = [&](std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
  };
  for (const Chunk &c : chunks) {
    put32(static_cast<std::uint32_t>(c.data.size()));
    Bytes typed(c.type.begin(), c.type.end());
    typed.insert(typed.end(), c.data.begin(), c.data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32(libdeflate_crc32(0, typed.data(), typed.size()) ^ (c.damaged ? 1U : 0U));
  }
  return out;
}

TEST(PngDecode, FaultsInTheChunksFailAndHarmlessOnesDoNot) {
  const Format rgb{PNG_COLOR_TYPE_RGB, 8, 3};
  const Bytes file = Write(rgb, false, PNG_FILTER_NONE, false);
  const std::vector<Chunk> chunks = Split(file); // IHDR, IDAT, IEND
  ASSERT_EQ(chunks.size(), 3u);
  const Chunk &ihdr = chunks[0];
  const Chunk &idat = chunks[1];
  const Chunk &iend = chunks[2];
  // The same rows with filter type 5 in the first.
  Bytes rows(std::size_t{Height} * (Width * 3 + 1), 0);
  rows[0] = 5;
  const auto compress = [](const Bytes &raw) {
    libdeflate_compressor *compressor = libdeflate_alloc_compressor(6);
    Bytes packed(libdeflate_zlib_compress_bound(compressor, raw.size()));
    packed.resize(
        libdeflate_zlib_compress(compressor, raw.data(), raw.size(), packed.data(), packed.size()));
    libdeflate_free_compressor(compressor);
    return packed;
  };
  const Bytes badFilter = compress(rows);
  rows[0] = 0;
  rows.resize(rows.size() + 1);
  const Bytes tooLong = compress(rows);
  const Bytes firstHalf(idat.data.begin(), idat.data.begin() + 10);
  const Bytes secondHalf(idat.data.begin() + 10, idat.data.end());
  using platform::PngStatus;
  struct Case {
    const char *what;
    std::vector<Chunk> chunks;
    PngStatus status;
  };
  const Case cases[] = {
      {"split data", {ihdr, {"IDAT", firstHalf}, {"IDAT", secondHalf}, iend}, PngStatus::Ok},
      {"ancillary chunks",
       {ihdr, {"tEXt", {'a', 0, 'b'}}, idat, {"zzZz", {}}, iend},
       PngStatus::Ok},
      {"unknown filter type", {ihdr, {"IDAT", badFilter}, iend}, PngStatus::Corrupt},
      {"more data than rows", {ihdr, {"IDAT", tooLong}, iend}, PngStatus::Corrupt},
      {"data split by a chunk",
       {ihdr, {"IDAT", firstHalf}, {"tEXt", {'a', 0}}, {"IDAT", secondHalf}, iend},
       PngStatus::Corrupt},
      {"no data", {ihdr, iend}, PngStatus::Corrupt},
      {"IHDR not first", {idat, ihdr, iend}, PngStatus::Corrupt},
      {"two IHDR", {ihdr, ihdr, idat, iend}, PngStatus::Corrupt},
      {"unknown critical chunk", {ihdr, {"ZZZZ", {}}, idat, iend}, PngStatus::Corrupt},
      {"chunk type not letters", {ihdr, {"a1bc", {}}, idat, iend}, PngStatus::Corrupt},
      {"no IEND", {ihdr, idat}, PngStatus::Corrupt},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const Decoded decoded(Join(c.chunks));
    EXPECT_EQ(decoded.status, c.status) << decoded.error;
  }
  // tRNS naming the colour of pixel (0, 0) makes it clear, unless its CRC is wrong.
  Bytes corner(6);
  for (int c = 0; c < 3; ++c) {
    corner[2 * c + 1] = static_cast<std::uint8_t>(SampleAt(rgb, 0, 0, c));
  }
  for (const bool damaged : {false, true}) {
    const Decoded decoded(Join({ihdr, {"tRNS", corner, damaged}, idat, iend}));
    ASSERT_EQ(decoded.status, platform::PngStatus::Ok);
    EXPECT_EQ(decoded.image.argb[0] >> 24, damaged ? 0xFFU : 0U);
  }
}

// Links and FIFOs planted where the temporary file could be made (by another user in
// a shared folder): none is written through or waited on, and each stays.
TEST(PngWriter, NothingPlantedAtTheTemporaryNamesIsWrittenThroughOrWaitedOn) {
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "a page's files have no other user to plant them, nor real FIFOs";
#endif
  platform::test::HeadlessDevice device;
  platform::test::TempProfile folder;
  const std::string shot = folder.Dir() + "/shot.png";
  const std::string victim = folder.Dir() + "/victim";
  std::ofstream(victim) << "kept";
  std::vector<std::string> planted{shot + ".tmp"};
  for (int n = 1; n <= 40; ++n) {
    planted.push_back(shot + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(n));
  }
  for (std::size_t i = 0; i < planted.size(); ++i) {
    ASSERT_EQ(i % 2 == 0 ? symlink(victim.c_str(), planted[i].c_str())
                         : mkfifo(planted[i].c_str(), 0600),
              0);
  }
  std::string error;
  ASSERT_TRUE(platform::WritePng(platform::Surface(2, 2), shot, &error)) << error;
  EXPECT_GT(std::filesystem::file_size(shot), 0u);
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
  for (const std::string &path : planted) {
    EXPECT_TRUE(std::filesystem::is_symlink(path) || std::filesystem::is_fifo(path)) << path;
  }
}

} // namespace
