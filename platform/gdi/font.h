// Fonts: LOGFONT matched to a face file (face_source.h), rasterised by FreeType, cached.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::gdi {

enum class GlyphMode { Aliased, Grey, SubpixelRgb };

// One rasterised glyph: coverage 0..255 per pixel (three per pixel, red green
// blue, in sub-pixel mode), placed relative to the pen on the baseline.
struct Glyph {
  int width = 0; // in pixels
  int height = 0;
  int left = 0;    // from the pen to the bitmap's left edge
  int top = 0;     // from the baseline up to the bitmap's top edge
  int advance = 0; // how far the pen moves, in whole pixels (FontFace::Advance)
  // One coverage value per pixel, each 0 or 255, as aliased glyphs' are: drawing it
  // fills its spans with the colour and blends nowhere.
  bool solid = true;
  std::vector<std::uint8_t> coverage;
  // A solid glyph's covered pixels as runs along its rows, [from, to) in the
  // bitmap's columns: drawn as fills, with no test per pixel.
  struct Span {
    std::int16_t row;
    std::int16_t from;
    std::int16_t to;
  };
  std::vector<Span> spans;
};

// A realised font: one face file at one pixel size, in one rendering mode, with
// its metrics and the glyphs rendered so far. Shared by every HFONT that asks for
// the same thing, and kept by the layer's cache after they are deleted.
struct FontFace {
  FontFace() = default;
  // Never copied: `ascii` points into this face's own `glyphs`.
  FontFace(const FontFace &) = delete;
  FontFace &operator=(const FontFace &) = delete;

  std::string file;
  int index = 0;
  GlyphMode mode = GlyphMode::Aliased;
  int pixelsPerEm = 0;
  bool emboldened = false; // the file is lighter than the weight asked for
  bool slanted = false;    // the file is upright and italic was asked for
  long thickening64 = 0;   // a heavy file drawn from regular outlines: its stems' widening
  bool underline = false;
  bool strikeOut = false;
  TEXTMETRICW metrics{};

  // The glyph of a character, rendered on first use.
  const Glyph &GlyphOf(char32_t c) const;
  // How far a character moves the pen: the face's hinted advance at this size, in
  // whole pixels, the same for aliased, grey and ClearType text, as the device's
  // GDI lays text out. A line measures what it draws, whatever the smoothing.
  int Advance(char32_t c) const;

  struct Impl;
  std::shared_ptr<Impl> impl;
  mutable std::unordered_map<char32_t, Glyph> glyphs;
  // The glyphs of the first 128 characters once rendered, by character, so that the
  // common ones are found without hashing (the map's elements never move).
  mutable std::array<const Glyph *, 128> ascii{};
};

// The realised font for a LOGFONT: from the cache when it was seen before, so that
// a font created and deleted in every paint costs no fontconfig or FreeType work.
// Never null: without any usable font file, a face with empty glyphs stands in.
std::shared_ptr<const FontFace> RealiseFont(const LOGFONTW &logFont);

// Counts of the expensive work done, for the tests and benchmarks of the cache.
struct FontWork {
  std::uint64_t matches = 0;      // face files looked for
  std::uint64_t faceLoads = 0;    // FreeType faces opened
  std::uint64_t glyphRenders = 0; // FreeType glyph renderings
};
FontWork FontWorkDone();

} // namespace platform::gdi
