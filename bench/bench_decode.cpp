// Decoding the game's 22 pictures into the 32-bit bitmaps the game is handed: the
// layer's DecompressImageIndirect against libspng and libpng doing the same work.
//
// Every decoder gets the bytes as the game gives them, through a callback that
// copies 1,024 bytes at a time out of the module's resource, and every one ends in
// the same thing: a bitmap of 0x00RRGGBB pixels, transparent ones laid over black,
// made and deleted through the layer's GDI. So the three times differ only in the
// decoding: the chunks, the inflating, the unfiltering and the conversion.
#include <imgdecmp.h>
#include <windows.h>

#include <benchmark/benchmark.h>
#include <png.h>
#include <spng.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "gdi/gdi_state.h"
#include "kernel/module.h"
#include "testing/testing.h"

namespace {

// A picture's bytes, as the module holds them.
struct Picture {
  const std::uint8_t *data = nullptr;
  std::size_t size = 0;
};

// The pictures of both sets: every "PNG" resource among the game's ids.
std::vector<Picture> GamePictures(HINSTANCE module) {
  std::vector<Picture> pictures;
  for (int id = 100; id < 200; ++id) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), u"PNG");
    if (found != nullptr) {
      pictures.push_back({static_cast<const std::uint8_t *>(LoadResource(module, found)),
                          SizeofResource(module, found)});
    }
  }
  return pictures;
}

// The game's way of handing over the bytes: a piece at a time into a 1,024-byte buffer.
struct Pieces {
  const Picture *picture;
  std::size_t at = 0;

  DWORD Next(std::uint8_t *buffer, DWORD max) {
    const std::size_t n = std::min<std::size_t>(max, picture->size - at);
    std::memcpy(buffer, picture->data + at, n);
    at += n;
    return static_cast<DWORD>(n);
  }
};

constexpr DWORD kPieceBytes = 1024;

DWORD CALLBACK ReadPiece(LPSTR buffer, DWORD max, LPARAM lParam) {
  return reinterpret_cast<Pieces *>(lParam)->Next(reinterpret_cast<std::uint8_t *>(buffer), max);
}

// Exact reads, as both libraries ask for them, served from the pieces.
class PieceStream {
public:
  explicit PieceStream(const Picture &picture) : pieces_{&picture} {}

  bool Read(std::uint8_t *out, std::size_t n) {
    while (n > 0) {
      if (at_ == got_) {
        got_ = pieces_.Next(buffer_, kPieceBytes);
        at_ = 0;
        if (got_ == 0) {
          return false;
        }
      }
      const std::size_t take = std::min<std::size_t>(n, got_ - at_);
      std::memcpy(out, buffer_ + at_, take);
      at_ += take;
      out += take;
      n -= take;
    }
    return true;
  }

private:
  Pieces pieces_;
  std::uint8_t buffer_[kPieceBytes];
  std::size_t at_ = 0;
  std::size_t got_ = 0;
};

// A pixel of 8-bit channels with alpha, laid over black. Without a branch, so that
// the loops over whole pictures vectorise: an opaque channel comes out unchanged.
constexpr std::uint32_t OverBlack(std::uint32_t r, std::uint32_t g, std::uint32_t b,
                                  std::uint32_t a) {
  const auto blend = [a](std::uint32_t c) { return (c * a + 127) / 255; };
  return (blend(r) << 16) | (blend(g) << 8) | blend(b);
}
static_assert(OverBlack(1, 128, 255, 255) == 0x0180FF);

// ---- the layer: what the game calls ----

HBITMAP DecodeWithLayer(const Picture &picture) {
  Pieces pieces{&picture};
  BYTE buffer[kPieceBytes];
  HBITMAP bitmap = nullptr;
  DecompressImageInfo info{};
  info.dwSize = IMGDECMP_MIN_INFO_SIZE;
  info.pbBuffer = buffer;
  info.dwBufferMax = kPieceBytes;
  info.phBM = &bitmap;
  info.iBitDepth = 32;
  info.lParam = reinterpret_cast<LPARAM>(&pieces);
  info.iScale = 100;
  info.iMaxWidth = 10000;
  info.iMaxHeight = 10000;
  info.pfnGetData = ReadPiece;
  info.crTransparentOverride = CLR_INVALID;
  DecompressImageIndirect(&info);
  return bitmap;
}

// ---- libspng ----

int ReadForSpng(spng_ctx *, void *user, void *out, std::size_t n) {
  return static_cast<PieceStream *>(user)->Read(static_cast<std::uint8_t *>(out), n) ? 0
                                                                                     : SPNG_IO_EOF;
}

HBITMAP DecodeWithSpng(const Picture &picture) {
  PieceStream stream(picture);
  spng_ctx *ctx = spng_ctx_new(0);
  spng_set_crc_action(ctx, SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
  spng_set_image_limits(ctx, 4096, 4096);
  spng_set_png_stream(ctx, ReadForSpng, &stream);
  spng_ihdr ihdr{};
  std::size_t bytes = 0;
  HBITMAP bitmap = nullptr;
  if (spng_get_ihdr(ctx, &ihdr) == 0 && spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &bytes) == 0) {
    platform::Surface surface(static_cast<int>(ihdr.width), static_cast<int>(ihdr.height));
    // RGBA bytes fill exactly the surface's 32-bit pixels, which are then turned in place.
    if (spng_decode_image(ctx, surface.pixels.data(), bytes, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) ==
        0) {
      for (std::uint32_t &p : surface.pixels) {
        p = OverBlack(p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF, p >> 24);
      }
      bitmap = platform::gdi::CreateBitmapFromSurface(std::move(surface));
    }
  }
  spng_ctx_free(ctx);
  return bitmap;
}

// ---- libpng ----

void ReadForLibpng(png_structp png, png_bytep out, png_size_t n) {
  if (!static_cast<PieceStream *>(png_get_io_ptr(png))->Read(out, n)) {
    png_error(png, "the data is truncated");
  }
}

// libpng's errors jump back here: nothing in these two frames has a destructor.
bool ReadHeader(png_structp png, png_infop info, png_uint_32 *width, png_uint_32 *height) {
  if (setjmp(png_jmpbuf(png)) != 0) {
    return false;
  }
  png_read_info(png, info);
  // Every colour type and depth as 8-bit B, G, R, A: 0xAARRGGBB in a 32-bit pixel.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  return true;
}

bool ReadRows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png)) != 0) {
    return false;
  }
  png_read_image(png, rows);
  return true;
}

HBITMAP DecodeWithLibpng(const Picture &picture) {
  PieceStream stream(picture);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_read_fn(png, &stream, ReadForLibpng);
  png_set_user_limits(png, 4096, 4096);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  HBITMAP bitmap = nullptr;
  if (ReadHeader(png, info, &width, &height)) {
    platform::Surface surface(static_cast<int>(width), static_cast<int>(height));
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) {
      rows[y] = reinterpret_cast<png_bytep>(surface.Row(static_cast<int>(y)));
    }
    if (ReadRows(png, rows.data())) {
      for (std::uint32_t &p : surface.pixels) {
        p = OverBlack((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, p >> 24);
      }
      bitmap = platform::gdi::CreateBitmapFromSurface(std::move(surface));
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return bitmap;
}

// ---- the benchmark: all 22 pictures per iteration, with each decoder ----

using Decoder = HBITMAP (*)(const Picture &);

void DecodeGamePictures(benchmark::State &state, Decoder decode) {
  platform::test::HeadlessDevice device;
  const HINSTANCE module = platform::test::LoadResModule(platform::EmbeddedResources());
  const std::vector<Picture> pictures = GamePictures(module);
  if (pictures.size() != 22) {
    state.SkipWithError("the game's resources do not hold its 22 pictures");
    return;
  }
  // The same pixels from every decoder, or the comparison means nothing.
  for (const Picture &picture : pictures) {
    const HBITMAP mine = decode(picture);
    const HBITMAP layers = DecodeWithLayer(picture);
    const auto a = platform::BitmapSurface(mine);
    const auto b = platform::BitmapSurface(layers);
    const bool same = a && b && a->width == b->width && a->pixels == b->pixels;
    DeleteObject(mine);
    DeleteObject(layers);
    if (!same) {
      state.SkipWithError("a picture decodes to other pixels than the layer's");
      return;
    }
  }
  std::int64_t pixels = 0;
  for (auto _ : state) {
    pixels = 0;
    for (const Picture &picture : pictures) {
      const HBITMAP bitmap = decode(picture);
      BITMAP description{};
      if (GetObjectW(bitmap, sizeof description, &description) == 0) {
        state.SkipWithError("a picture did not decode");
        return;
      }
      pixels += std::int64_t{description.bmWidth} * description.bmHeight;
      DeleteObject(bitmap);
    }
  }
  state.counters["pixels"] = static_cast<double>(pixels);
  state.SetItemsProcessed(state.iterations() * pixels);
}
BENCHMARK_CAPTURE(DecodeGamePictures, layer, DecodeWithLayer)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeGamePictures, libspng, DecodeWithSpng)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeGamePictures, libpng, DecodeWithLibpng)->Unit(benchmark::kMillisecond);

} // namespace
