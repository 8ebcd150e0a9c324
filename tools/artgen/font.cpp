// Font lookup through fontconfig and glyph rendering through FreeType.
#include "font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <memory>
#include <stdexcept>
#include <strings.h>

namespace artgen {
namespace {

// Tahoma-metric faces live outside fontconfig's default folders.
constexpr const char *kExtraFontFolder = "/usr/share/wine/fonts";

// The library and the configuration live until exit and are released then, so that
// leak checkers see nothing left behind.
FT_Library Library() {
  static const std::unique_ptr<FT_LibraryRec_, decltype(&FT_Done_FreeType)> library(
      [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) {
          throw std::runtime_error("FreeType could not start");
        }
        return lib;
      }(),
      &FT_Done_FreeType);
  return library.get();
}

FcConfig *FontConfig() {
  static const std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> config(
      [] {
        FcConfig *c = FcInitLoadConfigAndFonts();
        if (c == nullptr) {
          throw std::runtime_error("fontconfig could not start");
        }
        FcConfigAppFontAddDir(c, reinterpret_cast<const FcChar8 *>(kExtraFontFolder));
        return c;
      }(),
      &FcConfigDestroy);
  return config.get();
}

FT_Fixed Fixed(double v) { return static_cast<FT_Fixed>(std::lround(v * 65536.0)); }
FT_Pos Pos26(double v) { return static_cast<FT_Pos>(std::lround(v * 64.0)); }

} // namespace

struct Font::Impl {
  FT_Face face = nullptr;

  // Loads and renders one glyph with its origin at (x, y) in pixels; fn receives the
  // rendered slot.
  template <typename Fn>
  void Render(char32_t ch, double x, double y, const TextStyle &style, Fn &&fn) const {
    FT_Set_Char_Size(face, 0, Pos26(style.size), 72, 72);
    const double c = std::cos(style.angle);
    const double s = std::sin(style.angle);
    // Glyph space has y up; the picture has y down, so the rotation is mirrored.
    FT_Matrix m;
    m.xx = Fixed(c * style.stretch);
    m.xy = Fixed(c * style.slant - s);
    m.yx = Fixed(s * style.stretch);
    m.yy = Fixed(s * style.slant + c);
    const double fx = x - std::floor(x);
    const double fy = y - std::floor(y);
    FT_Vector delta{Pos26(fx), Pos26(-fy)};
    FT_Set_Transform(face, &m, &delta);
    FT_Int32 flags = FT_LOAD_NO_BITMAP;
    if (!style.hinted) {
      flags |= FT_LOAD_NO_HINTING;
    }
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (FT_Load_Glyph(face, index, flags) != 0 ||
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
      throw std::runtime_error("a glyph could not be rendered");
    }
    fn(face->glyph, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
  }

  double GlyphAdvance(char32_t ch, const TextStyle &style) const {
    TextStyle plain = style;
    plain.angle = 0;
    plain.slant = 0;
    double advance = 0;
    Render(ch, 0, 0, plain, [&](FT_GlyphSlot slot, int, int) {
      advance = static_cast<double>(slot->advance.x) / 64.0;
    });
    return advance;
  }

  double Kerning(char32_t left, char32_t right) const {
    FT_Vector k{0, 0};
    FT_Get_Kerning(face, FT_Get_Char_Index(face, left), FT_Get_Char_Index(face, right),
                   FT_KERNING_UNFITTED, &k);
    return static_cast<double>(k.x) / 64.0;
  }

  // Calls fn(slot, x, y) for each glyph of the run drawn from origin (x, y).
  template <typename Fn>
  void Run(const std::string &text, double x, double y, const TextStyle &style, Fn &&fn) const {
    double pen = 0;
    char32_t previous = 0;
    for (const char ch8 : text) {
      const auto ch = static_cast<char32_t>(static_cast<unsigned char>(ch8));
      if (previous != 0) {
        pen += Kerning(previous, ch);
      }
      Render(ch, x + pen * std::cos(style.angle), y - pen * std::sin(style.angle), style, fn);
      pen += GlyphAdvance(ch, style);
      previous = ch;
    }
  }
};

Font::Font(const std::string &family, bool bold) : impl_(std::make_unique<Impl>()) {
  FcPattern *pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(FontConfig(), pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern *match = FcFontMatch(FontConfig(), pattern, &result);
  FcPatternDestroy(pattern);
  FcChar8 *file = nullptr;
  FcChar8 *found = nullptr;
  int weight = 0;
  int index = 0;
  const bool usable = match != nullptr &&
                      FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                      FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch &&
                      FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch &&
                      strcasecmp(reinterpret_cast<const char *>(found), family.c_str()) == 0 &&
                      (weight >= FC_WEIGHT_BOLD) == bold;
  std::string path = usable ? reinterpret_cast<const char *>(file) : "";
  if (match != nullptr && FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) {
    index = 0;
  }
  if (match != nullptr) {
    FcPatternDestroy(match);
  }
  const std::string wanted = family + (bold ? " Bold" : "");
  if (!usable) {
    throw std::runtime_error("font \"" + wanted +
                             "\" is not installed (scripts/deps installs fonts-wine and "
                             "fonts-dejavu-core)");
  }
  if (FT_New_Face(Library(), path.c_str(), index, &impl_->face) != 0) {
    throw std::runtime_error("font file " + path + " could not be opened");
  }
}

Font::~Font() {
  if (impl_ && impl_->face != nullptr) {
    FT_Done_Face(impl_->face);
  }
}

double Font::Advance(const std::string &text, const TextStyle &style) const {
  double pen = 0;
  char32_t previous = 0;
  for (const char ch8 : text) {
    const auto ch = static_cast<char32_t>(static_cast<unsigned char>(ch8));
    if (previous != 0) {
      pen += impl_->Kerning(previous, ch);
    }
    pen += impl_->GlyphAdvance(ch, style);
    previous = ch;
  }
  return pen;
}

InkBounds Font::Ink(const std::string &text, const TextStyle &style) const {
  InkBounds ink{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)};
  impl_->Run(text, 0, 0, style, [&](FT_GlyphSlot slot, int ox, int oy) {
    const FT_Bitmap &bm = slot->bitmap;
    for (unsigned row = 0; row < bm.rows; ++row) {
      for (unsigned col = 0; col < bm.width; ++col) {
        if (bm.buffer[row * static_cast<unsigned>(bm.pitch) + col] == 0) {
          continue;
        }
        const int px = ox + slot->bitmap_left + static_cast<int>(col);
        const int py = oy - slot->bitmap_top + static_cast<int>(row);
        ink.left = std::min(ink.left, px);
        ink.top = std::min(ink.top, py);
        ink.right = std::max(ink.right, px + 1);
        ink.bottom = std::max(ink.bottom, py + 1);
      }
    }
  });
  return ink.right < ink.left ? InkBounds{} : ink;
}

void Font::Draw(Image &image, double x, double y, const std::string &text, Rgb colour,
                const TextStyle &style) const {
  impl_->Run(text, x, y, style, [&](FT_GlyphSlot slot, int ox, int oy) {
    const FT_Bitmap &bm = slot->bitmap;
    for (unsigned row = 0; row < bm.rows; ++row) {
      for (unsigned col = 0; col < bm.width; ++col) {
        const int a = bm.buffer[row * static_cast<unsigned>(bm.pitch) + col];
        image.Blend(ox + slot->bitmap_left + static_cast<int>(col),
                    oy - slot->bitmap_top + static_cast<int>(row), colour, a, 255);
      }
    }
  });
}

void Font::DrawCentred(Image &image, double cx, double cy, const std::string &text, Rgb colour,
                       const TextStyle &style) const {
  const InkBounds ink = Ink(text, style);
  // Whole-pixel placement keeps the hinted stems on the grid.
  const double x = std::round(cx - (ink.left + ink.right) / 2.0);
  const double y = std::round(cy - (ink.top + ink.bottom) / 2.0);
  Draw(image, x, y, text, colour, style);
}

} // namespace artgen

namespace artgen {

const Font &SansBold() {
  static const Font font("DejaVu Sans", true);
  return font;
}

const Font &TahomaBold() {
  static const Font font("Tahoma", true);
  return font;
}

} // namespace artgen
