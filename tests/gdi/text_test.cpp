// Fonts and text: face matching, the two meanings of lfHeight, ExtTextOutW's
// placement and background, the quality modes, the cache, extents and DrawTextW.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "gdi/font.h"
#include "gdi/surface.h"
#include "host/testing.h"

namespace {

using platform::Surface;
using platform::test::GdiObjectCounts;
using platform::test::HeadlessDevice;

constexpr std::uint32_t kWhite = 0xFFFFFF;

LOGFONTW Font(LONG height, LONG weight = FW_BOLD, BYTE quality = DEFAULT_QUALITY,
              const char16_t *face = u"Tahoma", BYTE italic = 0) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = quality;
  std::u16string name = face;
  std::copy(name.begin(), name.end(), lf.lfFaceName);
  return lf;
}

bool HaveFontsWine() { return std::filesystem::exists("/usr/share/wine/fonts/tahoma.ttf"); }

// A white memory canvas with a font selected; released in order.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  HFONT font = nullptr;
  HGDIOBJ oldFont = nullptr;
  std::shared_ptr<Surface> surface;

  Canvas(int w, int h, const LOGFONTW &lf) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    oldBitmap = SelectObject(dc, bitmap);
    surface = platform::BitmapSurface(bitmap);
    std::fill(surface->pixels.begin(), surface->pixels.end(), kWhite);
    font = CreateFontIndirectW(&lf);
    oldFont = SelectObject(dc, font);
  }
  ~Canvas() {
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  TEXTMETRICW Metrics() const {
    TEXTMETRICW tm{};
    EXPECT_TRUE(GetTextMetricsW(dc, &tm));
    return tm;
  }
  SIZE Extent(const std::u16string &s) const {
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size));
    return size;
  }
  // The bounding box of every pixel that is not `background`.
  RECT Ink(std::uint32_t background = kWhite) const {
    RECT r{surface->width, surface->height, 0, 0};
    for (int y = 0; y < surface->height; ++y) {
      for (int x = 0; x < surface->width; ++x) {
        if (surface->Row(y)[x] != background) {
          r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y),
                   std::max<LONG>(r.right, x + 1), std::max<LONG>(r.bottom, y + 1)};
        }
      }
    }
    return r;
  }
  std::set<std::uint32_t> Colours() const {
    return {surface->pixels.begin(), surface->pixels.end()};
  }
};

TEST(Fonts, TahomaResolvesToTheTahomaMetricFamily) {
  if (!HaveFontsWine()) {
    GTEST_SKIP() << "fonts-wine is not installed";
  }
  struct Case {
    LONG weight;
    const char *file;
    bool emboldened;
  };
  for (const Case c : {Case{FW_NORMAL, "tahoma.ttf", false}, Case{FW_BOLD, "tahomabd.ttf", false},
                       Case{FW_DONTCARE, "tahoma.ttf", false}}) {
    SCOPED_TRACE(c.weight);
    const auto face = platform::gdi::RealiseFont(Font(16, c.weight));
    EXPECT_EQ(std::filesystem::path(face->file).filename(), c.file);
    EXPECT_EQ(face->emboldened, c.emboldened);
  }
  // Matching ignores the case of the name; there is no italic Tahoma, so it is slanted.
  const auto italic = platform::gdi::RealiseFont(Font(16, FW_NORMAL, 0, u"TAHOMA", 1));
  EXPECT_EQ(std::filesystem::path(italic->file).filename(), "tahoma.ttf");
  EXPECT_TRUE(italic->slanted);
}

TEST(Fonts, AnUnknownFaceFallsBackToSomethingThatDraws) {
  HeadlessDevice device;
  Canvas canvas(80, 30, Font(16, FW_NORMAL, DEFAULT_QUALITY, u"No Such Face At All"));
  EXPECT_FALSE(
      platform::gdi::RealiseFont(Font(16, FW_NORMAL, 0, u"No Such Face At All"))->file.empty());
  EXPECT_TRUE(ExtTextOutW(canvas.dc, 2, 2, 0, nullptr, u"Hello", 5, nullptr));
  EXPECT_LT(canvas.Ink().left, 80) << "something was drawn";
}

TEST(Fonts, PositiveHeightIsTheCellNegativeTheCharacter) {
  HeadlessDevice device;
  for (LONG h : {8, 12, 16, 21, 32, 48}) {
    SCOPED_TRACE(h);
    const auto cell = platform::gdi::RealiseFont(Font(h))->metrics;
    EXPECT_NEAR(cell.tmHeight, h, 1);
    EXPECT_EQ(cell.tmHeight, cell.tmAscent + cell.tmDescent);
    const auto character = platform::gdi::RealiseFont(Font(-h));
    EXPECT_EQ(character->pixelsPerEm, h);
    EXPECT_EQ(character->metrics.tmHeight - character->metrics.tmInternalLeading, h);
    EXPECT_GT(character->metrics.tmHeight, cell.tmHeight);
  }
  if (HaveFontsWine()) {
    // The renderer's font: Tahoma bold with a 16-pixel cell.
    const auto tm = platform::gdi::RealiseFont(Font(16))->metrics;
    EXPECT_EQ(tm.tmHeight, 16);
    EXPECT_EQ(tm.tmAscent, 13);
    EXPECT_EQ(tm.tmDescent, 3);
  }
}

TEST(ExtTextOut, DrawsAtTheTopLeftOfTheCell) {
  HeadlessDevice device;
  Canvas canvas(120, 60, Font(16));
  SetBkMode(canvas.dc, TRANSPARENT);
  const TEXTMETRICW tm = canvas.Metrics();
  const SIZE extent = canvas.Extent(u"BANK: $1000");
  ASSERT_TRUE(ExtTextOutW(canvas.dc, 10, 20, ETO_OPAQUE, nullptr, u"BANK: $1000", 11, nullptr));
  const RECT ink = canvas.Ink();
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.left, 12);
  EXPECT_GE(ink.top, 20);
  EXPECT_LE(ink.right, 10 + extent.cx + 1);
  EXPECT_LE(ink.bottom, 20 + tm.tmHeight);
  // Capitals stand on the baseline; "$" may reach below it.
  EXPECT_GE(ink.bottom, 20 + tm.tmAscent);
  EXPECT_EQ(extent.cy, tm.tmHeight);
}

TEST(ExtTextOut, AlignmentMovesTheReferencePoint) {
  HeadlessDevice device;
  const TEXTMETRICW tm = platform::gdi::RealiseFont(Font(16))->metrics;
  Canvas top(100, 60, Font(16));
  SetBkMode(top.dc, TRANSPARENT);
  ExtTextOutW(top.dc, 50, 20, 0, nullptr, u"Hit", 3, nullptr);
  const SIZE extent = top.Extent(u"Hit");
  struct Case {
    UINT align;
    int x;
    int y;
  };
  const Case cases[] = {
      {TA_LEFT | TA_BASELINE, 50, 20 + tm.tmAscent},
      {TA_LEFT | TA_BOTTOM, 50, 20 + tm.tmHeight},
      {TA_RIGHT | TA_TOP, 50 + extent.cx, 20},
      {TA_CENTER | TA_TOP, 50 + extent.cx / 2, 20},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.align);
    Canvas other(100, 60, Font(16));
    SetBkMode(other.dc, TRANSPARENT);
    EXPECT_EQ(SetTextAlign(other.dc, c.align), static_cast<UINT>(TA_LEFT | TA_TOP));
    ExtTextOutW(other.dc, c.x, c.y, 0, nullptr, u"Hit", 3, nullptr);
    if (extent.cx % 2 == 0 || (c.align & TA_CENTER) != TA_CENTER) {
      EXPECT_EQ(other.surface->pixels, top.surface->pixels);
    }
  }
}

TEST(ExtTextOut, BackgroundModesAndTheOpaqueOption) {
  HeadlessDevice device;
  struct Case {
    const char *what;
    int mode;
    UINT options;
    bool withRect;
    bool cellPainted;
    bool rectPainted;
  };
  const Case cases[] = {
      {"transparent, ETO_OPAQUE without a rectangle", TRANSPARENT, ETO_OPAQUE, false, false, false},
      {"transparent, no options", TRANSPARENT, 0, false, false, false},
      {"opaque mode paints the cell", OPAQUE, 0, false, true, false},
      {"opaque mode with ETO_OPAQUE and no rectangle", OPAQUE, ETO_OPAQUE, false, true, false},
      {"ETO_OPAQUE with a rectangle paints it", TRANSPARENT, ETO_OPAQUE, true, false, true},
  };
  const RECT rect{0, 40, 20, 50};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Canvas canvas(120, 60, Font(16));
    const SIZE extent = canvas.Extent(u"BET: $5");
    SetBkMode(canvas.dc, c.mode);
    SetBkColor(canvas.dc, RGB(0, 0, 255));
    SetTextColor(canvas.dc, RGB(255, 0, 0));
    ASSERT_TRUE(ExtTextOutW(canvas.dc, 30, 10, c.options, c.withRect ? &rect : nullptr, u"BET: $5",
                            7, nullptr));
    const std::uint32_t corner = canvas.surface->Row(10)[30];
    EXPECT_EQ(corner == 0x0000FFu, c.cellPainted) << std::hex << corner;
    EXPECT_EQ(canvas.surface->Row(10)[30 + extent.cx - 1] == 0x0000FFu, c.cellPainted);
    EXPECT_EQ(canvas.surface->Row(10 + extent.cy)[30], kWhite) << "below the cell";
    EXPECT_EQ(canvas.surface->Row(45)[5] == 0x0000FFu, c.rectPainted);
    // The text itself is red in every case.
    bool red = false;
    for (std::uint32_t p : canvas.surface->pixels) {
      red = red || p == 0xFF0000u;
    }
    EXPECT_TRUE(red);
  }
}

TEST(ExtTextOut, QualityModesDrawAliasedGreyOrSubpixelGlyphs) {
  HeadlessDevice device;
  struct Case {
    BYTE quality;
    bool onlyTwoColours;
    bool coloured; // sub-pixel fringes differ per channel
  };
  const Case cases[] = {
      {DEFAULT_QUALITY, true, false},
      {NONANTIALIASED_QUALITY, true, false},
      {ANTIALIASED_QUALITY, false, false},
      {CLEARTYPE_QUALITY, false, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(static_cast<int>(c.quality));
    Canvas canvas(120, 30, Font(16, FW_BOLD, c.quality));
    SetBkMode(canvas.dc, TRANSPARENT);
    SetTextColor(canvas.dc, RGB(0, 0, 0));
    ExtTextOutW(canvas.dc, 2, 2, 0, nullptr, u"BANK: $1000", 11, nullptr);
    const auto colours = canvas.Colours();
    EXPECT_EQ(colours.size() == 2, c.onlyTwoColours) << colours.size() << " colours";
    const bool coloured = std::any_of(colours.begin(), colours.end(), [](std::uint32_t p) {
      return ((p >> 16) & 0xFF) != (p & 0xFF) || ((p >> 8) & 0xFF) != (p & 0xFF);
    });
    EXPECT_EQ(coloured, c.coloured);
  }
}

TEST(ExtTextOut, ClippedToTheRectangleWithEtoClipped) {
  HeadlessDevice device;
  Canvas canvas(120, 30, Font(16));
  SetBkMode(canvas.dc, TRANSPARENT);
  const RECT clip{0, 0, 25, 30};
  ExtTextOutW(canvas.dc, 2, 2, ETO_CLIPPED, &clip, u"WWWWWW", 6, nullptr);
  EXPECT_LE(canvas.Ink().right, 25);
  EXPECT_FALSE(ExtTextOutW(canvas.dc, 0, 0, 0, nullptr, nullptr, 3, nullptr));
  EXPECT_FALSE(ExtTextOutW(nullptr, 0, 0, 0, nullptr, u"a", 1, nullptr));
}

TEST(Extents, AreTheSumOfTheCharacters) {
  HeadlessDevice device;
  Canvas canvas(10, 10, Font(16));
  const std::u16string text = u"BANK: $1000";
  LONG sum = 0;
  for (char16_t c : text) {
    sum += canvas.Extent(std::u16string(1, c)).cx;
  }
  EXPECT_EQ(canvas.Extent(text).cx, sum);
  EXPECT_GT(sum, 40);
  EXPECT_EQ(canvas.Extent(u"").cx, 0);
  EXPECT_EQ(canvas.Extent(u"").cy, canvas.Metrics().tmHeight);
  Canvas regular(10, 10, Font(16, FW_NORMAL));
  EXPECT_LE(regular.Extent(text).cx, canvas.Extent(text).cx) << "bold is not narrower";
  SIZE size{};
  EXPECT_FALSE(GetTextExtentPoint32W(canvas.dc, u"a", -1, &size));
}

TEST(Cache, AFontCreatedAndDeletedPerPaintCostsNoFreeTypeWorkAfterTheFirst) {
  HeadlessDevice device;
  for (int quality : {DEFAULT_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY}) {
    SCOPED_TRACE(static_cast<int>(quality));
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 100, 30);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const auto start = GdiObjectCounts();
    const auto paint = [&] {
      // What the renderer does for each string.
      LOGFONTW lf = Font(16, FW_BOLD, static_cast<BYTE>(quality));
      HFONT font = CreateFontIndirectW(&lf);
      SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      ExtTextOutW(dc, 0, 0, ETO_OPAQUE, nullptr, u"BANK: $1000", 11, nullptr);
      HGDIOBJ previous = SelectObject(dc, GetStockObject(SYSTEM_FONT));
      EXPECT_EQ(previous, font);
      EXPECT_TRUE(DeleteObject(previous));
    };
    paint();
    const auto work = platform::gdi::FontWorkDone();
    for (int i = 0; i < 20; ++i) {
      paint();
    }
    const auto after = platform::gdi::FontWorkDone();
    EXPECT_EQ(after.matches, work.matches);
    EXPECT_EQ(after.faceLoads, work.faceLoads);
    EXPECT_EQ(after.glyphRenders, work.glyphRenders);
    EXPECT_EQ(GdiObjectCounts(), start) << "every font deleted";
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
}

TEST(DrawText, CalcRectMeasuresWithoutDrawing) {
  HeadlessDevice device;
  Canvas canvas(200, 100, Font(16, FW_NORMAL));
  const SIZE one = canvas.Extent(u"Play sounds");
  RECT r{10, 20, 10, 20};
  EXPECT_EQ(DrawTextW(canvas.dc, u"Play sounds", -1, &r, DT_LEFT | DT_CALCRECT | DT_NOPREFIX),
            one.cy);
  EXPECT_EQ(r.right, 10 + one.cx);
  EXPECT_EQ(r.bottom, 20 + one.cy);
  EXPECT_EQ(canvas.Ink().left, 200) << "nothing drawn";
  // Word breaking at a width: each line fits, and the height counts the lines.
  RECT narrow{0, 0, 60, 0};
  const int height =
      DrawTextW(canvas.dc, u"Black Jack pays two to one", -1, &narrow, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(height % one.cy, 0);
  EXPECT_GE(height / one.cy, 3);
  EXPECT_LE(narrow.right, 60);
  EXPECT_EQ(narrow.bottom, height);
  // Line breaks make lines; "\r\n" is one.
  RECT lines{0, 0, 0, 0};
  EXPECT_EQ(DrawTextW(canvas.dc, u"a\r\nb\nc", -1, &lines, DT_CALCRECT), 3 * one.cy);
}

TEST(DrawText, PrefixesAndTheirAbsence) {
  HeadlessDevice device;
  Canvas canvas(200, 40, Font(16, FW_NORMAL));
  RECT withPrefix{0, 0, 0, 0};
  RECT plain{0, 0, 0, 0};
  RECT noPrefix{0, 0, 0, 0};
  DrawTextW(canvas.dc, u"&Options", -1, &withPrefix, DT_CALCRECT);
  DrawTextW(canvas.dc, u"Options", -1, &plain, DT_CALCRECT);
  DrawTextW(canvas.dc, u"&Options", -1, &noPrefix, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(withPrefix.right, plain.right) << "the & is not shown";
  EXPECT_GT(noPrefix.right, plain.right) << "shown with DT_NOPREFIX";
  RECT amp{0, 0, 0, 0};
  RECT single{0, 0, 0, 0};
  DrawTextW(canvas.dc, u"A&&B", -1, &amp, DT_CALCRECT);
  DrawTextW(canvas.dc, u"A&B", -1, &single, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(amp.right, single.right) << "&& is one ampersand";
}

TEST(DrawText, AlignsAndClipsToTheRectangle) {
  HeadlessDevice device;
  struct Case {
    UINT format;
    int expectedLeft; // of the ink, roughly
  };
  Canvas probe(10, 10, Font(16, FW_NORMAL));
  const LONG width = probe.Extent(u"OK").cx;
  const Case cases[] = {
      {DT_LEFT, 20},
      {DT_CENTER, 20 + (100 - width) / 2},
      {DT_RIGHT, 120 - width},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.format);
    Canvas canvas(200, 40, Font(16, FW_NORMAL));
    SetBkMode(canvas.dc, TRANSPARENT);
    RECT r{20, 5, 120, 35};
    EXPECT_GT(DrawTextW(canvas.dc, u"OK", 2, &r, c.format | DT_SINGLELINE), 0);
    EXPECT_NEAR(canvas.Ink().left, c.expectedLeft, 2);
  }
  Canvas canvas(200, 40, Font(16, FW_NORMAL));
  SetBkMode(canvas.dc, TRANSPARENT);
  RECT tight{0, 0, 30, 40};
  DrawTextW(canvas.dc, u"Options and more", -1, &tight, DT_LEFT | DT_SINGLELINE);
  EXPECT_LE(canvas.Ink().right, 30) << "clipped";
  RECT loose{0, 0, 30, 40};
  DrawTextW(canvas.dc, u"Options and more", -1, &loose, DT_LEFT | DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(canvas.Ink().right, 30);
}

TEST(Text, StateCallsReturnWhatTheyReplace) {
  HeadlessDevice device;
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, 7), 0);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), RGB(0, 0, 0));
  EXPECT_EQ(GetTextColor(dc), RGB(4, 5, 6));
  EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
  // The stock font draws too.
  TEXTMETRICW tm{};
  EXPECT_TRUE(GetTextMetricsW(dc, &tm));
  EXPECT_GT(tm.tmHeight, 10);
  DeleteDC(dc);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  LOGFONTW lf = Font(16);
  std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), u'x');
  HFONT font = CreateFontIndirectW(&lf);
  ASSERT_NE(font, nullptr) << "an unterminated name is cut, not overrun";
  LOGFONTW back{};
  EXPECT_EQ(GetObjectW(font, sizeof back, &back), static_cast<int>(sizeof back));
  EXPECT_EQ(back.lfFaceName[LF_FACESIZE - 1], 0);
  DeleteObject(font);
}

} // namespace
