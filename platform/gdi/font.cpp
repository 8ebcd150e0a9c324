// Font realisation: the file for a face name, weight and slant is found among the
// fonts-wine folder's faces, else by the build's face source (face_source.h);
// FreeType opens it, sizes it the Win32 way and renders glyphs from outlines.
#include "gdi/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_LCD_FILTER_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "device/device.h"
#include "gdi/face_source.h"
#include "gdi/gdi_state.h"
#include "common/case_fold.h"

namespace platform::gdi {

// Where Debian's fonts-wine puts its faces, among them one metric-compatible with
// the system face (a web page ships its faces in a folder of the same name).
constexpr const char *kFontsWineDir = "/usr/share/wine/fonts";

namespace {

// The FreeType library, kept alive by every face opened from it: realised fonts
// may be held by GDI objects that outlive the font system at exit.
struct Library {
  FT_Library library = nullptr;
  ~Library() {
    if (library != nullptr) {
      FT_Done_FreeType(library);
    }
  }
};

// One open face file, shared by every size realised from it.
struct OpenFace {
  std::shared_ptr<Library> library;
  FT_Face face = nullptr;
  ~OpenFace() {
    if (face != nullptr) {
      FT_Done_Face(face);
    }
  }
};

// The outline faces of a folder (its .fon files are bitmap fonts), by name.
std::vector<std::string> OutlineFiles(const char *folder) {
  std::vector<std::string> files;
  if (DIR *dir = opendir(folder); dir != nullptr) {
    while (const dirent *entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ttf") == 0) {
        files.push_back(std::string(folder) + "/" + name);
      }
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A face of the fonts-wine folder as the matching sees it.
struct ShippedFace {
  std::u16string family; // upper case
  int weight = FW_NORMAL;
  bool italic = false;
  std::string file;
};

struct FontSystem {
  std::shared_ptr<Library> owner = std::make_shared<Library>();
  FT_Library library = nullptr;
  std::vector<ShippedFace> shipped;
  std::vector<std::string> shippedFiles;
  FontWork work;
  std::map<std::tuple<std::u16string, int, bool>, FaceFile> matches;
  std::map<std::pair<std::string, int>, std::shared_ptr<OpenFace>> faces;
  std::map<std::tuple<std::u16string, LONG, int, bool, BYTE, bool, bool>,
           std::shared_ptr<const FontFace>>
      realised;
  // The last LOGFONTs realised, byte for byte, the oldest replaced first: a program
  // that makes its fonts in every paint asks for the same few again and again, and
  // finds them here without building the key above.
  static constexpr std::size_t kRecentFonts = 8;
  std::vector<std::pair<LOGFONTW, std::shared_ptr<const FontFace>>> recent;
  std::size_t nextRecent = 0;

  FontSystem() : shippedFiles(OutlineFiles(kFontsWineDir)) {
    if (FT_Init_FreeType(&owner->library) != 0) {
      owner->library = nullptr;
      return;
    }
    library = owner->library;
    FT_Library_SetLcdFilter(library, FT_LCD_FILTER_DEFAULT);
    // Each face stays open for the fonts realised from it: a page's start opens
    // its faces once, not once here and again for the first text.
    for (const std::string &path : shippedFiles) {
      const FT_Face face = Open(path, 0)->face;
      if (face == nullptr) {
        continue;
      }
      ShippedFace info;
      for (const char *c = face->family_name; c != nullptr && *c != 0; ++c) {
        info.family.push_back(UpperCaseUnit(static_cast<char16_t>(static_cast<unsigned char>(*c))));
      }
      const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      info.weight = os2 != nullptr && os2->usWeightClass > 0        ? os2->usWeightClass
                    : (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 ? FW_BOLD
                                                                    : FW_NORMAL;
      info.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
      info.file = path;
      shipped.push_back(std::move(info));
    }
  }

  // The open face of a file, opened at its first use (a null face when FreeType
  // cannot open it).
  std::shared_ptr<OpenFace> Open(const std::string &file, int index) {
    const auto key = std::make_pair(file, index);
    if (auto it = faces.find(key); it != faces.end()) {
      return it->second;
    }
    auto open = std::make_shared<OpenFace>();
    open->library = owner;
    if (library != nullptr && !file.empty()) {
      ++work.faceLoads;
      if (FT_New_Face(library, file.c_str(), index, &open->face) != 0) {
        open->face = nullptr;
      }
    }
    faces.emplace(key, open);
    return open;
  }

  // Everything is released at exit, so that leak checkers see a clean process.
  ~FontSystem() {
    recent.clear();
    realised.clear();
    faces.clear();
  }
  FontSystem(const FontSystem &) = delete;
  FontSystem &operator=(const FontSystem &) = delete;
};

FontSystem &System() {
  static FontSystem system;
  return system;
}

std::u16string FaceName(const LOGFONTW &lf) {
  std::u16string name;
  for (std::size_t i = 0; i < LF_FACESIZE && lf.lfFaceName[i] != 0; ++i) {
    name.push_back(UpperCaseUnit(lf.lfFaceName[i]));
  }
  return name.empty() ? UpperCased(kSystemFace) : name;
}

// The file for a face name, weight and slant.
FaceFile MatchFile(const std::u16string &family, int weight, bool italic) {
  FontSystem &sys = System();
  const auto key = std::make_tuple(family, weight, italic);
  if (auto it = sys.matches.find(key); it != sys.matches.end()) {
    return it->second;
  }
  ++sys.work.matches;
  // The folder's faces first: the family asked for (else the system face, else
  // any), then the nearest weight, then the slant.
  const std::u16string systemFace = UpperCased(kSystemFace);
  auto score = [&](const ShippedFace &f) {
    const int name = f.family == family ? 0 : f.family == systemFace ? 1 : 2;
    return std::make_tuple(name, std::abs(f.weight - weight), f.italic != italic);
  };
  const ShippedFace *best = nullptr;
  for (const ShippedFace &f : sys.shipped) {
    if (best == nullptr || score(f) < score(*best)) {
      best = &f;
    }
  }
  const FaceFile nearest = best != nullptr ? FaceFile{best->file, 0} : FaceFile{"", 0};
  FaceFile found = best != nullptr && best->family == family
                       ? nearest
                       : FaceBeyondFolder(family, weight, italic, nearest, sys.shippedFiles);
  sys.matches.emplace(key, found);
  return found;
}

std::shared_ptr<OpenFace> OpenFile(const std::string &file, int index) {
  return System().Open(file, index);
}

GlyphMode ModeOf(BYTE quality) {
  switch (quality) {
  case ANTIALIASED_QUALITY:
    return GlyphMode::Grey;
  case CLEARTYPE_QUALITY:
  case CLEARTYPE_COMPAT_QUALITY:
    return GlyphMode::SubpixelRgb;
  default:
    return GlyphMode::Aliased; // DEFAULT, DRAFT, PROOF and NONANTIALIASED
  }
}

LONG Round26(FT_Pos v) { return static_cast<LONG>((v + 32) >> 6); }

} // namespace

struct FontFace::Impl {
  std::shared_ptr<OpenFace> open;
  FT_Size size = nullptr;
  ~Impl() {
    if (size != nullptr) {
      FT_Done_Size(size);
    }
  }
};

namespace {

// Sizes the face the Win32 way: a positive height is the cell (ascent + descent,
// from the OS/2 table's Windows metrics), a negative one the em.
void SizeFace(FontFace *f, const LOGFONTW &lf) {
  FT_Face face = f->impl->open->face;
  const TT_OS2 *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  long ascent = face->ascender;
  long descent = -face->descender;
  if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
  }
  const long em = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  if (ascent + descent <= 0) {
    ascent = em * 4 / 5;
    descent = em - ascent;
  }
  const long height = lf.lfHeight;
  long ppem = height < 0 ? -height : (height * em + (ascent + descent) / 2) / (ascent + descent);
  ppem = std::clamp<long>(ppem, 1, 2048);
  f->pixelsPerEm = static_cast<int>(ppem);
  if (FT_New_Size(face, &f->impl->size) == 0) {
    FT_Activate_Size(f->impl->size);
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem));
  } else {
    f->impl->size = nullptr;
  }
  TEXTMETRICW &tm = f->metrics;
  tm.tmAscent = static_cast<LONG>((ascent * ppem + em / 2) / em);
  tm.tmDescent = static_cast<LONG>((descent * ppem + em / 2) / em);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - static_cast<LONG>(ppem));
  const long average = os2 != nullptr && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : em / 2;
  tm.tmAveCharWidth = static_cast<LONG>((average * ppem + em / 2) / em);
  tm.tmMaxCharWidth = static_cast<LONG>(((face->bbox.xMax - face->bbox.xMin) * ppem + em / 2) / em);
  tm.tmOverhang = f->emboldened ? 1 : 0;
}

// Renders one glyph into its coverage bitmap.
Glyph Render(const FontFace &f, char32_t c) {
  Glyph g;
  FT_Face face = f.impl && f.impl->open ? f.impl->open->face : nullptr;
  if (face == nullptr || f.impl->size == nullptr) {
    return g;
  }
  FontSystem &sys = System();
  ++sys.work.glyphRenders;
  FT_Activate_Size(f.impl->size);
  static constexpr FT_Render_Mode kRender[] = {FT_RENDER_MODE_MONO, FT_RENDER_MODE_NORMAL,
                                               FT_RENDER_MODE_LCD};
  const auto mode = static_cast<std::size_t>(f.mode);
  // Every mode is hinted the same light way, up and down only: the glyphs keep the
  // widths and side bearings the face was designed with, so they sit evenly at the
  // face's advances, and the pen goes by those advances in whole pixels (a synthetic
  // bold a pixel wider), as the device's GDI lays out aliased, grey and ClearType
  // text alike. A glyph fitted across as well would have a width of its own that
  // the whole-pixel advance then contradicts, opening and closing gaps inside words.
  // Embedded bitmaps would ignore the weight: always draw from the outlines.
  if (FT_Load_Char(face, c, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0) {
    return g;
  }
  FT_GlyphSlot slot = face->glyph;
  g.advance = Round26(slot->advance.x) + (f.emboldened ? 1 : 0);
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (f.slanted) {
      const FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
    if (f.emboldened || f.thickening64 > 0) {
      FT_Outline_EmboldenXY(&slot->outline, f.emboldened ? 64 : f.thickening64, 0);
    }
  }
  if (FT_Render_Glyph(slot, kRender[mode]) != 0) {
    return g;
  }
  const FT_Bitmap &bm = slot->bitmap;
  const int channels = f.mode == GlyphMode::SubpixelRgb ? 3 : 1;
  g.width = static_cast<int>(bm.width) / channels;
  g.height = static_cast<int>(bm.rows);
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.coverage.resize(static_cast<std::size_t>(g.width) * g.height * channels);
  for (int y = 0; y < g.height; ++y) {
    const unsigned char *row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
    std::uint8_t *out = g.coverage.data() + static_cast<std::size_t>(y) * g.width * channels;
    for (int x = 0; x < g.width * channels; ++x) {
      out[x] = bm.pixel_mode == FT_PIXEL_MODE_MONO
                   ? ((row[x / 8] >> (7 - x % 8)) & 1) != 0 ? 255 : 0
                   : row[x];
    }
  }
  g.solid = channels == 1 && std::all_of(g.coverage.begin(), g.coverage.end(),
                                         [](std::uint8_t c) { return c == 0 || c == 255; });
  if (g.solid) {
    for (int y = 0; y < g.height; ++y) {
      const std::uint8_t *row = g.coverage.data() + static_cast<std::size_t>(y) * g.width;
      for (int x = 0; x < g.width;) {
        if (row[x] == 0) {
          ++x;
          continue;
        }
        const int from = x;
        while (x < g.width && row[x] != 0) {
          ++x;
        }
        g.spans.push_back(Glyph::Span{static_cast<std::int16_t>(y), static_cast<std::int16_t>(from),
                                      static_cast<std::int16_t>(x)});
      }
    }
  }
  return g;
}

// How much wider, in font units, the stems of a heavy face of the fonts-wine folder
// must be drawn: fonts-wine's Tahoma Bold carries its family's regular outlines (its
// weight is in its embedded bitmaps alone), with the bold advances, so drawn as it
// stands its letters look regular and spaced apart. Such a face is thickened by as
// much as its characters are wider on average than the regular face's. 0 for a face
// with outlines of its own.
long ThickeningOfRegularOutlines(const std::string &file, FT_Face face) {
  FontSystem &sys = System();
  const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto shipped = std::find_if(sys.shipped.begin(), sys.shipped.end(),
                                    [&](const ShippedFace &f) { return f.file == file; });
  if (os2 == nullptr || shipped == sys.shipped.end() || shipped->weight < FW_SEMIBOLD) {
    return 0;
  }
  const auto regular =
      std::find_if(sys.shipped.begin(), sys.shipped.end(), [&](const ShippedFace &f) {
        return f.family == shipped->family && f.italic == shipped->italic && f.weight < FW_SEMIBOLD;
      });
  if (regular == sys.shipped.end()) {
    return 0;
  }
  const std::shared_ptr<OpenFace> other = OpenFile(regular->file, 0);
  const auto *otherOs2 =
      other->face != nullptr
          ? static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(other->face, FT_SFNT_OS2))
          : nullptr;
  if (otherOs2 == nullptr || face->units_per_EM != other->face->units_per_EM) {
    return 0;
  }
  // The outline of a stem letter, in font units, the same in both files?
  const auto outline = [](FT_Face of, std::vector<FT_Vector> *points) {
    if (FT_Load_Char(of, U'l', FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0 ||
        of->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
      return false;
    }
    const FT_Outline &o = of->glyph->outline;
    points->assign(o.points, o.points + o.n_points);
    return true;
  };
  std::vector<FT_Vector> mine;
  std::vector<FT_Vector> theirs;
  if (!outline(face, &mine) || !outline(other->face, &theirs) || mine.size() != theirs.size() ||
      !std::equal(
          mine.begin(), mine.end(), theirs.begin(),
          [](const FT_Vector &a, const FT_Vector &b) { return a.x == b.x && a.y == b.y; })) {
    return 0;
  }
  return std::max<long>(0, os2->xAvgCharWidth - otherOs2->xAvgCharWidth);
}

std::shared_ptr<const FontFace> Realise(const LOGFONTW &lf, const std::u16string &family) {
  const int weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : std::clamp<int>(lf.lfWeight, 1, 1000);
  const bool italic = lf.lfItalic != 0;
  const auto [file, index] = MatchFile(family, weight, italic);
  auto f = std::make_shared<FontFace>();
  f->file = file;
  f->index = index;
  f->mode = ModeOf(lf.lfQuality);
  f->underline = lf.lfUnderline != 0;
  f->strikeOut = lf.lfStrikeOut != 0;
  f->impl = std::make_shared<FontFace::Impl>();
  f->impl->open = OpenFile(file, index);
  TEXTMETRICW &tm = f->metrics;
  tm.tmWeight = weight;
  tm.tmItalic = italic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline;
  tm.tmStruckOut = lf.lfStrikeOut;
  tm.tmCharSet = lf.lfCharSet;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFFFC;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  if (FT_Face face = f->impl->open->face) {
    // Faces lighter than asked for are emboldened, upright ones slanted, as GDI does.
    const TT_OS2 *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const int fileWeight = os2 != nullptr                                  ? os2->usWeightClass
                           : (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 ? FW_BOLD
                                                                           : FW_NORMAL;
    f->emboldened = weight >= FW_SEMIBOLD && fileWeight < FW_SEMIBOLD;
    f->slanted = italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
    SizeFace(f.get(), lf);
    f->thickening64 = ThickeningOfRegularOutlines(file, face) * f->pixelsPerEm * 64 /
                      std::max<long>(1, face->units_per_EM);
  } else {
    const LONG height = std::max<LONG>(1, std::abs(lf.lfHeight));
    tm.tmHeight = height;
    tm.tmAscent = height * 4 / 5;
    tm.tmDescent = height - tm.tmAscent;
  }
  return f;
}

} // namespace

const Glyph &FontFace::GlyphOf(char32_t c) const {
  if (c < ascii.size() && ascii[c] != nullptr) {
    return *ascii[c];
  }
  auto it = glyphs.find(c);
  if (it == glyphs.end()) {
    it = glyphs.emplace(c, Render(*this, c)).first;
  }
  if (c < ascii.size()) {
    ascii[c] = &it->second;
  }
  return it->second;
}

int FontFace::Advance(char32_t c) const { return GlyphOf(c).advance; }

namespace {

// The realised font for a LOGFONT, by what matters in it: the face name in upper
// case, the height, the weight, the slant, the rendering mode and the lines.
std::shared_ptr<const FontFace> RealiseByKey(const LOGFONTW &lf) {
  FontSystem &sys = System();
  const std::u16string family = FaceName(lf);
  LONG height = lf.lfHeight;
  if (height == 0) {
    height = -12; // the default height: 9 points at 96 dpi
  }
  const int weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : lf.lfWeight;
  const auto key = std::make_tuple(family, height, weight, lf.lfItalic != 0,
                                   static_cast<BYTE>(ModeOf(lf.lfQuality)), lf.lfUnderline != 0,
                                   lf.lfStrikeOut != 0);
  if (auto it = sys.realised.find(key); it != sys.realised.end()) {
    return it->second;
  }
  // A bounded cache: when it is full, faces that no font uses any more go.
  if (sys.realised.size() >= 256) {
    std::erase_if(sys.realised, [](const auto &entry) { return entry.second.use_count() == 1; });
  }
  LOGFONTW sized = lf;
  sized.lfHeight = height;
  std::shared_ptr<const FontFace> face = Realise(sized, family);
  sys.realised.emplace(key, face);
  return face;
}

} // namespace

std::shared_ptr<const FontFace> RealiseFont(const LOGFONTW &lf) {
  FontSystem &sys = System();
  const auto same = std::find_if(sys.recent.begin(), sys.recent.end(), [&lf](const auto &entry) {
    return std::memcmp(&entry.first, &lf, sizeof lf) == 0;
  });
  if (same != sys.recent.end()) {
    return same->second;
  }
  std::shared_ptr<const FontFace> face = RealiseByKey(lf);
  if (sys.recent.size() < FontSystem::kRecentFonts) {
    sys.recent.emplace_back(lf, face);
  } else {
    sys.recent[sys.nextRecent] = {lf, face};
    sys.nextRecent = (sys.nextRecent + 1) % FontSystem::kRecentFonts;
  }
  return face;
}

FontWork FontWorkDone() { return System().work; }

} // namespace platform::gdi
