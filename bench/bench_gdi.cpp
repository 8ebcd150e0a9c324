// GDI speed: frame copies against memcpy, the game's pieces against SDL's blitter
// on the same pixels, and cached text against FreeType rendering from scratch.
#include <windows.h>

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "gdi/font.h"
#include "gdi/surface.h"
#include "testing/testing.h"

namespace {

// A memory DC over a w x h bitmap filled with a pattern that has magenta in it.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  std::shared_ptr<platform::Surface> surface;
  SDL_Surface *sdl = nullptr; // the same pixels, as SDL sees them

  Canvas(int w, int h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    previous = SelectObject(dc, bitmap);
    surface = platform::BitmapSurface(bitmap);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        surface->Row(y)[x] = (x + y) % 7 == 0
                                 ? 0xFF00FFu
                                 : static_cast<std::uint32_t>(x * 2654435761u ^ y) & 0xFFFFFF;
      }
    }
    sdl = SDL_CreateRGBSurfaceWithFormatFrom(surface->pixels.data(), w, h, 32, w * 4,
                                             SDL_PIXELFORMAT_RGB888);
    SDL_SetSurfaceBlendMode(sdl, SDL_BLENDMODE_NONE);
  }
  ~Canvas() {
    SDL_FreeSurface(sdl);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

// ---- whole frames: BitBlt against memcpy of the same bytes ----

void BM_FrameMemcpy(benchmark::State &state) {
  const auto w = static_cast<std::size_t>(state.range(0));
  const auto h = static_cast<std::size_t>(state.range(1));
  std::vector<std::uint32_t> from(w * h, 1);
  std::vector<std::uint32_t> to(w * h);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), w * h * 4);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * w * h * 4));
}
BENCHMARK(BM_FrameMemcpy)->Args({240, 320})->Args({480, 640});

void BM_FrameBitBlt(benchmark::State &state) {
  platform::test::HeadlessDevice device;
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  Canvas from(w, h);
  Canvas to(w, h);
  for (auto _ : state) {
    BitBlt(to.dc, 0, 0, w, h, from.dc, 0, 0, SRCCOPY);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * w * h * 4);
}
BENCHMARK(BM_FrameBitBlt)->Args({240, 320})->Args({480, 640});

// ---- the game's pieces: buttons 60x25, chips 31x31, cards 30x45 and 60x90 ----

#define PIECES Args({60, 25})->Args({31, 31})->Args({30, 45})->Args({60, 90})

// Copies one piece from a sheet into a frame, as the renderer does, `blit` times.
template <class Blit> void RunPiece(benchmark::State &state, bool keyed, Blit blit) {
  platform::test::HeadlessDevice device;
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  Canvas sheet(400, 100);
  Canvas frame(240, 320);
  if (keyed) {
    SDL_SetColorKey(sheet.sdl, SDL_TRUE, SDL_MapRGB(sheet.sdl->format, 255, 0, 255));
  }
  for (auto _ : state) {
    blit(sheet, frame, w, h);
    benchmark::ClobberMemory();
  }
}

void SdlBlit(Canvas &sheet, Canvas &frame, int w, int h) {
  SDL_Rect from{31, 3, w, h};
  SDL_Rect to{17, 40, w, h};
  SDL_BlitSurface(sheet.sdl, &from, frame.sdl, &to);
}

void BM_PieceBitBlt(benchmark::State &state) {
  RunPiece(state, false, [](Canvas &sheet, Canvas &frame, int w, int h) {
    BitBlt(frame.dc, 17, 40, w, h, sheet.dc, 31, 3, SRCCOPY);
  });
}
BENCHMARK(BM_PieceBitBlt)->PIECES;

void BM_PieceSdlBlit(benchmark::State &state) { RunPiece(state, false, SdlBlit); }
BENCHMARK(BM_PieceSdlBlit)->PIECES;

void BM_PieceTransparentImage(benchmark::State &state) {
  RunPiece(state, false, [](Canvas &sheet, Canvas &frame, int w, int h) {
    TransparentImage(frame.dc, 17, 40, w, h, sheet.dc, 31, 3, w, h, RGB(255, 0, 255));
  });
}
BENCHMARK(BM_PieceTransparentImage)->PIECES;

void BM_PieceSdlColorKeyBlit(benchmark::State &state) { RunPiece(state, true, SdlBlit); }
BENCHMARK(BM_PieceSdlColorKeyBlit)->PIECES;

// ---- text: "BANK: $1000" in Tahoma bold, 16-pixel cell, per quality mode ----

constexpr char16_t kText[] = u"BANK: $1000";
constexpr BYTE kQualities[] = {DEFAULT_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY};

LOGFONTW TableFont(BYTE quality) {
  LOGFONTW lf{};
  lf.lfHeight = 16;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = quality;
  const char16_t face[] = u"Tahoma";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  return lf;
}

// As the renderer draws each string: a font created, selected, used and deleted.
void BM_TextThroughTheLayer(benchmark::State &state) {
  platform::test::HeadlessDevice device;
  Canvas frame(240, 320);
  const LOGFONTW lf = TableFont(kQualities[state.range(0)]);
  for (auto _ : state) {
    HFONT font = CreateFontIndirectW(&lf);
    SelectObject(frame.dc, font);
    SetBkMode(frame.dc, TRANSPARENT);
    SetTextColor(frame.dc, RGB(255, 255, 255));
    ExtTextOutW(frame.dc, 10, 10, ETO_OPAQUE, nullptr, kText, 11, nullptr);
    DeleteObject(SelectObject(frame.dc, GetStockObject(SYSTEM_FONT)));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TextThroughTheLayer)->DenseRange(0, 2);

// The same string with FreeType alone: the face opened and sized, each glyph
// loaded and rendered, its coverage blended into the same frame, the face closed.
void RenderWithFreeType(FT_Library library, const char *file, int ppem, int mode,
                        platform::Surface &frame) {
  static constexpr FT_Int32 kTarget[] = {FT_LOAD_TARGET_MONO, FT_LOAD_TARGET_NORMAL,
                                         FT_LOAD_TARGET_LCD};
  static constexpr FT_Render_Mode kRender[] = {FT_RENDER_MODE_MONO, FT_RENDER_MODE_NORMAL,
                                               FT_RENDER_MODE_LCD};
  FT_Face face = nullptr;
  if (FT_New_Face(library, file, 0, &face) != 0) {
    return;
  }
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem));
  int pen = 10;
  for (const char16_t *c = kText; *c != 0; ++c) {
    if (FT_Load_Char(face, *c, FT_LOAD_NO_BITMAP | kTarget[mode]) != 0 ||
        FT_Render_Glyph(face->glyph, kRender[mode]) != 0) {
      continue;
    }
    const FT_Bitmap &bm = face->glyph->bitmap;
    const int channels = mode == 2 ? 3 : 1;
    for (unsigned y = 0; y < bm.rows; ++y) {
      const int ty = 23 - face->glyph->bitmap_top + static_cast<int>(y);
      std::uint32_t *row = frame.Row(std::clamp(ty, 0, frame.height - 1));
      for (unsigned x = 0; x < bm.width / static_cast<unsigned>(channels); ++x) {
        const unsigned char *p = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
        const unsigned cov = mode == 0 ? ((p[x / 8] >> (7 - x % 8)) & 1) * 255u : p[x * channels];
        std::uint32_t &d = row[std::clamp(pen + face->glyph->bitmap_left + static_cast<int>(x), 0,
                                          frame.width - 1)];
        const std::uint32_t g = d & 0xFF;
        d = (d & 0xFFFF00u) | ((g * (255 - cov) + 255 * cov) / 255);
      }
    }
    pen += static_cast<int>((face->glyph->advance.x + 32) >> 6);
  }
  FT_Done_Face(face);
}

void BM_TextWithFreeTypeFromScratch(benchmark::State &state) {
  platform::test::HeadlessDevice device;
  Canvas frame(240, 320);
  const auto realised = platform::gdi::RealiseFont(TableFont(kQualities[state.range(0)]));
  FT_Library library = nullptr;
  FT_Init_FreeType(&library);
  for (auto _ : state) {
    RenderWithFreeType(library, realised->file.c_str(), realised->pixelsPerEm,
                       static_cast<int>(state.range(0)), *frame.surface);
    benchmark::ClobberMemory();
  }
  FT_Done_FreeType(library);
}
BENCHMARK(BM_TextWithFreeTypeFromScratch)->DenseRange(0, 2);

} // namespace
