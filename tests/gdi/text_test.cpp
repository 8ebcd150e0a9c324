// Fonts and text: face matching, the two meanings of lfHeight, ExtTextOutW's
// placement and background, the quality modes, the cache, extents and DrawTextW, and
// where the game's own text puts its glyphs against the faces' advances from FreeType.
#include <windows.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <tuple>

#include "canvas.h"
#include "device/events.h"
#include "gdi/font.h"
#include "kernel/module.h"
#include "shell/shell.h"
#include "testing/testing.h"
#include "view/geometry.h"

namespace {

using platform::gdi::RealiseFont;
using platform::test::GdiObjectCounts;
using platform::test::HeadlessDevice;

constexpr std::uint32_t kWhite = 0xFFFFFF;

LOGFONTW Font(LONG height, LONG weight = FW_BOLD, BYTE quality = DEFAULT_QUALITY,
              const char16_t *face = u"Tahoma", BYTE italic = 0) {
  LOGFONTW lf{.lfHeight = height,
              .lfWeight = weight,
              .lfItalic = italic,
              .lfCharSet = DEFAULT_CHARSET,
              .lfQuality = quality};
  std::char_traits<char16_t>::copy(lf.lfFaceName, face, std::char_traits<char16_t>::length(face));
  return lf;
}

// A white canvas with a font selected and a transparent background.
struct TextCanvas : Canvas {
  TextCanvas(int w, int h, const LOGFONTW &lf)
      : Canvas(w, h, kWhite), font(CreateFontIndirectW(&lf)), oldFont(SelectObject(dc, font)) {
    SetBkMode(dc, TRANSPARENT);
  }
  ~TextCanvas() {
    SelectObject(dc, oldFont);
    DeleteObject(font);
  }
  HFONT font;
  HGDIOBJ oldFont;
  SIZE Extent(const std::u16string &s) const {
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size));
    return size;
  }
  // The bounding box of every pixel that is not white.
  RECT Ink() const {
    RECT r{surface->width, surface->height, 0, 0};
    for (int y = 0; y < surface->height; ++y) {
      for (int x = 0; x < surface->width; ++x) {
        if (surface->Row(y)[x] != kWhite) {
          r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y),
                   std::max<LONG>(r.right, x + 1), std::max<LONG>(r.bottom, y + 1)};
        }
      }
    }
    return r;
  }
};

TEST(Fonts, TahomaResolvesToItsFamilyAndUnknownFacesStillDraw) {
  HeadlessDevice device;
  if (std::filesystem::exists("/usr/share/wine/fonts/tahoma.ttf")) {
    for (const auto &[weight, file] :
         {std::pair<LONG, const char *>{FW_NORMAL, "tahoma.ttf"}, {FW_BOLD, "tahomabd.ttf"}}) {
      SCOPED_TRACE(weight);
      const auto face = RealiseFont(Font(16, weight));
      EXPECT_EQ(std::filesystem::path(face->file).filename(), file);
      EXPECT_FALSE(face->emboldened);
    }
    // Matching ignores the case of the name; there is no italic Tahoma, so it is slanted.
    const auto italic = RealiseFont(Font(16, FW_NORMAL, 0, u"TAHOMA", 1));
    EXPECT_EQ(std::filesystem::path(italic->file).filename(), "tahoma.ttf");
    EXPECT_TRUE(italic->slanted);
    // The renderer's font: Tahoma bold with a 16-pixel cell.
    const auto tm = RealiseFont(Font(16))->metrics;
    EXPECT_EQ(tm.tmAscent, 13);
    EXPECT_EQ(tm.tmDescent, 3);
    // The folder's bold face has the regular outlines; its letters are heavier all the same.
    const auto ink = [](LONG weight) {
      TextCanvas canvas(30, 30, Font(-13, weight, ANTIALIASED_QUALITY));
      ExtTextOutW(canvas.dc, 5, 5, 0, nullptr, u"l", 1, nullptr);
      const auto &pixels = canvas.surface->pixels;
      return std::accumulate(pixels.begin(), pixels.end(), 0L,
                             [](long dark, std::uint32_t p) { return dark + 255 - (p & 0xFF); });
    };
    EXPECT_GT(ink(FW_BOLD), ink(FW_NORMAL) * 3 / 2);
  }
  // A face the folder lacks comes from the system's fonts; a web page has none, and
  // the device's default face stands in.
  const auto dejavu = RealiseFont(Font(16, FW_NORMAL, 0, u"DejaVu Sans"));
#ifdef __EMSCRIPTEN__
  EXPECT_EQ(std::filesystem::path(dejavu->file).filename(), "tahoma.ttf");
#else
  EXPECT_EQ(std::filesystem::path(dejavu->file).filename(), "DejaVuSans.ttf");
#endif
  TextCanvas canvas(80, 30, Font(16, FW_NORMAL, DEFAULT_QUALITY, u"No Such Face At All"));
  EXPECT_TRUE(ExtTextOutW(canvas.dc, 2, 2, 0, nullptr, u"Hello", 5, nullptr));
  EXPECT_LT(canvas.Ink().left, 80) << "something was drawn";
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
}

TEST(Fonts, PositiveHeightIsTheCellNegativeTheCharacter) {
  HeadlessDevice device;
  for (LONG h : {8, 12, 16, 21, 48}) {
    SCOPED_TRACE(h);
    const auto cell = RealiseFont(Font(h))->metrics;
    EXPECT_NEAR(cell.tmHeight, h, 1);
    EXPECT_EQ(cell.tmHeight, cell.tmAscent + cell.tmDescent);
    const auto character = RealiseFont(Font(-h));
    EXPECT_EQ(character->pixelsPerEm, h);
    EXPECT_EQ(character->metrics.tmHeight - character->metrics.tmInternalLeading, h);
    EXPECT_GT(character->metrics.tmHeight, cell.tmHeight);
  }
}

TEST(ExtTextOut, DrawsAtTheTopLeftOfTheCell) {
  HeadlessDevice device;
  TextCanvas top(120, 60, Font(16));
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(top.dc, &tm));
  const SIZE extent = top.Extent(u"BANK: $1000");
  EXPECT_EQ(extent.cy, tm.tmHeight);
  // As the table draws: ETO_OPAQUE without a rectangle, in transparent mode, paints no box.
  SetBkColor(top.dc, RGB(0, 0, 255));
  ASSERT_TRUE(ExtTextOutW(top.dc, 10, 20, ETO_OPAQUE, nullptr, u"BANK: $1000", 11, nullptr));
  EXPECT_EQ(top.At(10, 20), kWhite) << "no box behind the text";
  const RECT ink = top.Ink();
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.left, 12);
  EXPECT_GE(ink.top, 20);
  EXPECT_LE(ink.right, 10 + extent.cx + 1);
  EXPECT_LE(ink.bottom, 20 + tm.tmHeight);
  EXPECT_GE(ink.bottom, 20 + tm.tmAscent) << "capitals stand on the baseline";
  EXPECT_FALSE(ExtTextOutW(top.dc, 0, 0, 0, nullptr, nullptr, 3, nullptr));
  EXPECT_FALSE(ExtTextOutW(nullptr, 0, 0, 0, nullptr, u"a", 1, nullptr));
  const int dx[] = {9};
  EXPECT_FALSE(ExtTextOutW(top.dc, 0, 0, 0, nullptr, u"a", 1, dx)) << "spacing is not honoured";
}

// The lines of text the layer lays out while it lives, as it announces them.
struct DrawnLines : platform::DeviceListener {
  struct Line {
    std::string file;
    int index = 0;
    int pixelsPerEm = 0;
    BYTE quality = 0;
    bool emboldened = false;
    std::u32string text;
    std::vector<long> pens;
  };
  DrawnLines() { platform::AddDeviceListener(this); }
  ~DrawnLines() override { platform::RemoveDeviceListener(this); }
  DrawnLines(const DrawnLines &) = delete;
  DrawnLines &operator=(const DrawnLines &) = delete;
  void TextDrawn(const platform::TextEvent &e) override {
    lines.push_back(Line{std::string(e.faceFile), e.faceIndex, e.pixelsPerEm, e.quality,
                         e.emboldened, std::u32string(e.text),
                         std::vector<long>(e.pens.begin(), e.pens.end())});
  }
  std::vector<Line> lines;
};

TEST(TextExtent, MeasuresAndWrapsAsTheTextIsDrawnInEveryMode) {
  HeadlessDevice device;
  const std::u16string line = u"Press Double to double bet amount";
  const std::u16string text = line + u" and get an additional card.";
  for (const int quality : {DEFAULT_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY}) {
    for (const LONG height : {-11, -21}) {
      SCOPED_TRACE(std::to_string(quality) + " at " + std::to_string(-height));
      TextCanvas canvas(400, 200, Font(height, FW_NORMAL, static_cast<BYTE>(quality)));
      DrawnLines drawn;
      ExtTextOutW(canvas.dc, 0, 0, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()),
                  nullptr);
      EXPECT_EQ(canvas.Extent(text).cx, drawn.lines.at(0).pens.back());
      // The first line just fits the one box; the next word misses the other by a pixel.
      for (const LONG width : {canvas.Extent(line).cx, canvas.Extent(line + u" and").cx - 1}) {
        RECT box{0, 0, width, 200};
        drawn.lines.clear();
        DrawTextW(canvas.dc, text.c_str(), -1, &box, DT_WORDBREAK | DT_CENTER);
        ASSERT_GE(drawn.lines.size(), 2U);
        EXPECT_EQ(drawn.lines[0].text, std::u32string(line.begin(), line.end())) << width;
        EXPECT_EQ(drawn.lines[0].pens.back(), canvas.Extent(line).cx);
      }
    }
  }
}

TEST(ExtTextOut, QualityModesDrawAliasedGreyOrSubpixelGlyphs) {
  HeadlessDevice device;
  // Whether only the text's colour and the background's appear, and whether some
  // pixels' channels differ (sub-pixel fringes).
  const std::tuple<BYTE, bool, bool> cases[] = {{DEFAULT_QUALITY, true, false},
                                                {ANTIALIASED_QUALITY, false, false},
                                                {CLEARTYPE_QUALITY, false, true}};
  for (const auto &[quality, onlyTwoColours, subpixel] : cases) {
    SCOPED_TRACE(static_cast<int>(quality));
    TextCanvas canvas(120, 30, Font(16, FW_BOLD, quality));
    ExtTextOutW(canvas.dc, 2, 2, 0, nullptr, u"BANK: $1000", 11, nullptr);
    const std::set<std::uint32_t> colours(canvas.surface->pixels.begin(),
                                          canvas.surface->pixels.end());
    EXPECT_EQ(colours.size() == 2, onlyTwoColours) << colours.size() << " colours";
    const bool coloured = std::any_of(colours.begin(), colours.end(), [](std::uint32_t p) {
      return ((p >> 16) & 0xFF) != (p & 0xFF) || ((p >> 8) & 0xFF) != (p & 0xFF);
    });
    EXPECT_EQ(coloured, subpixel);
  }
}

TEST(Cache, AFontCreatedAndDeletedPerPaintCostsNoFreeTypeWorkAfterTheFirst) {
  HeadlessDevice device;
  for (const int quality : {DEFAULT_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY}) {
    SCOPED_TRACE(quality);
    TextCanvas canvas(100, 30, Font(16));
    const auto start = GdiObjectCounts();
    const auto paint = [&] { // what the renderer does for each string
      LOGFONTW lf = Font(16, FW_BOLD, static_cast<BYTE>(quality));
      HFONT font = CreateFontIndirectW(&lf);
      HGDIOBJ previous = SelectObject(canvas.dc, font);
      ExtTextOutW(canvas.dc, 0, 0, ETO_OPAQUE, nullptr, u"BANK: $1000", 11, nullptr);
      EXPECT_EQ(SelectObject(canvas.dc, previous), font);
      EXPECT_TRUE(DeleteObject(font));
    };
    paint();
    const auto work = [] {
      const auto done = platform::gdi::FontWorkDone();
      return std::tuple(done.matches, done.faceLoads, done.glyphRenders);
    };
    const auto first = work();
    for (int i = 0; i < 20; ++i) {
      paint();
    }
    EXPECT_EQ(work(), first) << "matches, face loads, glyph renders";
    EXPECT_EQ(GdiObjectCounts(), start) << "every font deleted";
  }
}

TEST(Cache, EachFaceFileIsOpenedOnceWhateverTheFontsMadeFromIt) {
  HeadlessDevice device;
  const LOGFONTW first = Font(16, FW_NORMAL);
  EXPECT_TRUE(DeleteObject(CreateFontIndirectW(&first))); // the folder's faces are found
  const auto loads = platform::gdi::FontWorkDone().faceLoads;
  for (const LONG weight : {FW_NORMAL, FW_BOLD}) {
    for (const LONG height : {-9, 13, 40}) {
      TextCanvas canvas(100, 60, Font(height, weight));
      EXPECT_GT(canvas.Extent(u"Ab").cx, 0);
    }
  }
  EXPECT_EQ(platform::gdi::FontWorkDone().faceLoads, loads);
}

TEST(DrawText, CalcRectMeasuresBreaksAndPrefixesWithoutDrawing) {
  HeadlessDevice device;
  TextCanvas canvas(200, 100, Font(16, FW_NORMAL));
  const SIZE one = canvas.Extent(u"Options");
  const auto measure = [&](const char16_t *text, UINT format, LONG width = 0) {
    RECT r{10, 20, 10 + width, 20};
    const int height = DrawTextW(canvas.dc, text, -1, &r, format | DT_CALCRECT);
    EXPECT_EQ(height, r.bottom - 20);
    return SIZE{r.right - 10, r.bottom - 20};
  };
  const SIZE plain = measure(u"Options", DT_LEFT);
  EXPECT_EQ(plain.cx, one.cx);
  EXPECT_EQ(plain.cy, one.cy);
  EXPECT_EQ(canvas.Ink().left, 200) << "nothing drawn";
  EXPECT_EQ(measure(u"&Options", 0).cx, one.cx) << "the & is not shown";
  EXPECT_GT(measure(u"&Options", DT_NOPREFIX).cx, one.cx) << "shown with DT_NOPREFIX";
  EXPECT_EQ(measure(u"A&&B", 0).cx, measure(u"A&B", DT_NOPREFIX).cx) << "&& is one ampersand";
  EXPECT_EQ(measure(u"a\r\nb\nc", 0).cy, 3 * one.cy) << "\"\\r\\n\" is one break";
  EXPECT_EQ(measure(u"Black Jack pays two to one", DT_WORDBREAK, 60).cy % one.cy, 0);
}

// A character's advance at a line's face and size, from FreeType itself: the glyph
// hinted as the layer hints it, its advance in whole pixels, a pixel more for a bold
// made from a lighter face. The faces stay open for the program's life.
long AdvanceOf(const DrawnLines::Line &line, char32_t c) {
  static FT_Library library = [] {
    FT_Library opened = nullptr;
    return FT_Init_FreeType(&opened) == 0 ? opened : nullptr;
  }();
  static std::map<std::pair<std::string, int>, FT_Face> faces;
  FT_Face &face = faces[{line.file, line.index}];
  if ((face == nullptr && FT_New_Face(library, line.file.c_str(), line.index, &face) != 0) ||
      FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(line.pixelsPerEm)) != 0 ||
      FT_Load_Char(face, c, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0) {
    return -1;
  }
  return ((face->glyph->advance.x + 32) >> 6) + (line.emboldened ? 1 : 0);
}

std::string Narrow(const std::u32string &text) { return std::string(text.begin(), text.end()); }

// Options (its soft key, then the navigation bar's ok), About the same way, then a hand
// played to its result: a chip, Deal, Stand, the dealer's turn. Points at 96 dpi.
std::string Tour(int scale) {
  const int taps[][2] = {{120, 307}, {230, 10}, {200, 307}, {230, 10},
                         {127, 276}, {30, 242}, {150, 242}};
  std::string script;
  for (const auto &tap : taps) {
    script += "tap " + std::to_string(tap[0] * scale) + " " + std::to_string(tap[1] * scale) + "\n";
  }
  return script + "wait 2000\n";
}

TEST(TextPlacement, EveryGlyphOfTheGameStandsWhereTheFacesHintedAdvancesPutIt) {
  std::set<BYTE> qualities;
  std::set<std::string> strings;
  // The device's own text in grey with the table aliased, then both in ClearType.
  for (const int scale : {1, 2}) {
    for (const bool clearType : {false, true}) {
      SCOPED_TRACE("dpi " + std::to_string(96 * scale) + (clearType ? ", ClearType" : ", grey"));
      platform::test::TempProfile profile;
      std::ofstream(profile.Dir() + "/registry.reg")
          << "Windows Registry Editor Version 5.00\n\n"
          << "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\n"
          << "\"ClearType\"=dword:0000000" << (clearType ? 1 : 0) << "\n";
      platform::test::HeadlessDevice device({.width = 240 * scale,
                                             .height = 320 * scale,
                                             .dpi = 96 * scale,
                                             .clockStart = {2026, 1, 4, 1, 12, 0, 17, 0},
                                             .profileDir = profile.Dir(),
                                             .clearTypeSystemText = clearType});
      DrawnLines drawn;
      screenDpi = 0;
      const auto run = platform::test::RunScript(
          WinMain, Tour(scale), platform::test::LoadResModule(platform::EmbeddedResources()));
      screenDpi = landscapeLayout = 0;
      ASSERT_EQ(run.exitCode, 0) << run.error;
      for (const DrawnLines::Line &line : drawn.lines) {
        qualities.insert(line.quality);
        strings.insert(Narrow(line.text));
        ASSERT_EQ(line.pens.size(), line.text.size() + 1);
        long pen = 0;
        for (std::size_t i = 0; i < line.text.size(); ++i) {
          pen += AdvanceOf(line, line.text[i]);
          ASSERT_EQ(line.pens[i + 1], pen)
              << "after \"" << Narrow(line.text.substr(0, i + 1)) << "\" of \"" << Narrow(line.text)
              << "\" in " << line.file << " at " << line.pixelsPerEm << " pixels, quality "
              << int{line.quality};
        }
      }
    }
  }
  EXPECT_EQ(qualities,
            (std::set<BYTE>{NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY}));
  // A line of each: the Options dialog, About's wrapped text, both bars, the table.
  for (const char *expected : {"Number of Decks in Play", "Press Double to double bet amount and",
                               "About BlackJack", "Options", "BANK: $", "Dealer Busts - You Win"}) {
    EXPECT_TRUE(strings.count(expected) != 0) << "never drew \"" << expected << "\"";
  }
}

} // namespace
