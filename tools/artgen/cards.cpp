// Card faces and the card back.
#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "art.h"
#include "font.h"

namespace artgen {
namespace {

constexpr Rgb kPaper{255, 255, 255};
constexpr Rgb kEdge{90, 90, 90};
constexpr Rgb kBlackInk{16, 16, 16};
constexpr Rgb kRedInk{206, 0, 0};
constexpr Rgb kCourtRing{196, 146, 28};
constexpr Rgb kCourtFill{250, 226, 150};

constexpr std::array<const char *, 13> kRanks = {"A", "2", "3",  "4", "5", "6", "7",
                                                 "8", "9", "10", "J", "Q", "K"};

// Hand-set bold glyphs for the 96-dpi corners, where outline type blurs into grey: 5
// pixels wide (the 1 of "10" 3), 8 rows high, Q with its tail in a ninth row.
struct PixelGlyph {
  char name;
  std::array<std::string_view, 9> rows;
};

constexpr std::array<PixelGlyph, 14> kPixelGlyphs{{
    {'A', {".###.", "##.##", "##.##", "##.##", "#####", "##.##", "##.##", "##.##", ""}},
    {'2', {".###.", "##.##", "...##", "..##.", ".##..", "##...", "##...", "#####", ""}},
    {'3', {"####.", "...##", "...##", ".###.", "...##", "...##", "...##", "####.", ""}},
    {'4', {"...##", "..###", ".#.##", "#..##", "#####", "...##", "...##", "...##", ""}},
    {'5', {"#####", "##...", "##...", "####.", "...##", "...##", "...##", "####.", ""}},
    {'6', {".###.", "##...", "##...", "####.", "##.##", "##.##", "##.##", ".###.", ""}},
    {'7', {"#####", "...##", "...##", "..##.", "..##.", ".##..", ".##..", ".##..", ""}},
    {'8', {".###.", "##.##", "##.##", ".###.", "##.##", "##.##", "##.##", ".###.", ""}},
    {'9', {".###.", "##.##", "##.##", "##.##", ".####", "...##", "...##", ".###.", ""}},
    {'1', {".##", "###", ".##", ".##", ".##", ".##", ".##", ".##", ""}},
    {'0', {".###.", "##.##", "##.##", "##.##", "##.##", "##.##", "##.##", ".###.", ""}},
    {'J', {"..###", "...##", "...##", "...##", "...##", "##.##", "##.##", ".###.", ""}},
    {'Q', {".###.", "##.##", "##.##", "##.##", "##.##", "##.##", "##.##", ".###.", "...##"}},
    {'K', {"##.##", "##.##", "####.", "###..", "####.", "##.##", "##.##", "##.##", ""}},
}};

const PixelGlyph &Glyph(char name) {
  for (const PixelGlyph &g : kPixelGlyphs) {
    if (g.name == name) {
      return g;
    }
  }
  return kPixelGlyphs[0];
}

int PixelRunWidth(std::string_view text) {
  int width = 0;
  for (const char c : text) {
    width += static_cast<int>(Glyph(c).rows[0].size()) + (width > 0 ? 1 : 0);
  }
  return width;
}

// Sizes of the parts of a face, in device pixels of each set.
struct FaceMetrics {
  int width;
  int height;
  bool pixelRanks;      // hand-set glyphs instead of outline type
  double rankSize;      // em of the corner rank in outline type
  double tenGap;        // clear pixels between the 1 and the 0 of "10"
  double tenStretch;    // "10" is set condensed in outline type
  double cornerCentreX; // centre of the corner column
  double rankCentreY;   // centre of the corner rank's digits
  double pipHeight;     // corner suit symbol
  double pipCentreY;
  double centreHeight;   // the suit symbol in the middle
  double aceHeight;      // the ace's larger symbol
  double courtHeight;    // the court cards' symbol, on a medallion
  double medallion;      // radius of the court cards' medallion
  int cornerBlockWidth;  // the corner's rank and pip, copied upside down to the
  int cornerBlockHeight; // opposite corner
};

constexpr FaceMetrics kFace96{30,  45,   true, 0,    1,   1,   6.5, 6.0,
                              6.5, 14.5, 13.0, 17.0, 9.5, 7.0, 13,  20};
constexpr FaceMetrics kFace192{60,   90,   false, 19.0, 2.0,  0.85, 14.0, 12.5,
                               11.0, 31.0, 22.0,  30.0, 17.0, 13.0, 27,   38};

const FaceMetrics &Metrics(int scale) { return scale == 1 ? kFace96 : kFace192; }

// Draws the rank with its digits centred on (cx, cy). "10" is set condensed and
// tighter than the font would, so that it stays inside the 17 pixels that a covered
// card still shows.
void DrawRank(Image &face, const std::string &rank, double cx, double cy, Rgb ink,
              const FaceMetrics &m) {
  if (m.pixelRanks) {
    int x = static_cast<int>(std::lround(cx - PixelRunWidth(rank) / 2.0));
    const int top = static_cast<int>(std::lround(cy - 4.0));
    for (const char c : rank) {
      const PixelGlyph &g = Glyph(c);
      for (int row = 0; row < static_cast<int>(g.rows.size()); ++row) {
        const std::string_view line = g.rows[static_cast<std::size_t>(row)];
        for (int col = 0; col < static_cast<int>(line.size()); ++col) {
          if (line[static_cast<std::size_t>(col)] == '#') {
            face.Set(x + col, top + row, ink);
          }
        }
      }
      x += static_cast<int>(g.rows[0].size()) + 1;
    }
    return;
  }
  TextStyle style;
  style.size = m.rankSize;
  const Font &font = SansBold();
  const InkBounds digit = font.Ink("0", style);
  const double baseline = std::round(cy - (digit.top + digit.bottom) / 2.0);
  if (rank != "10") {
    const InkBounds bounds = font.Ink(rank, style);
    font.Draw(face, std::round(cx - (bounds.left + bounds.right) / 2.0), baseline, rank, ink,
              style);
    return;
  }
  style.stretch = m.tenStretch;
  const InkBounds one = font.Ink("1", style);
  const InkBounds zero = font.Ink("0", style);
  const double width = one.Width() + m.tenGap + zero.Width();
  const double left = std::round(cx - width / 2.0);
  font.Draw(face, left - one.left, baseline, "1", ink, style);
  font.Draw(face, left + one.Width() + m.tenGap - zero.left, baseline, "0", ink, style);
}

// Cuts the three magenta pixels of each corner and gives the pixel diagonally inside
// them the rim's colour, so the card reads as rounded. Faces and the back are cut
// alike: a face dealt over a back lets the felt show at its corners, not the back.
void RoundCorners(Image &card, Rgb rim) {
  const int w = card.Width();
  const int h = card.Height();
  for (const auto [cx, cy, dx, dy] : std::array<std::array<int, 4>, 4>{
           {{0, 0, 1, 1}, {w - 1, 0, -1, 1}, {0, h - 1, 1, -1}, {w - 1, h - 1, -1, -1}}}) {
    card.Set(cx, cy, kMagenta);
    card.Set(cx + dx, cy, kMagenta);
    card.Set(cx, cy + dy, kMagenta);
    card.Set(cx + dx, cy + dy, rim);
  }
}

Image Face(Suit suit, int rankIndex, const FaceMetrics &m) {
  Image face(m.width, m.height, kPaper);
  const Rgb ink = (suit == Suit::Diamonds || suit == Suit::Hearts) ? kRedInk : kBlackInk;
  face.FillBox({0, 0, m.width, 1}, kEdge);
  face.FillBox({0, m.height - 1, m.width, 1}, kEdge);
  face.FillBox({0, 0, 1, m.height}, kEdge);
  face.FillBox({m.width - 1, 0, 1, m.height}, kEdge);

  // The top-left corner, then the same block turned upside down at the bottom right.
  DrawRank(face, kRanks[static_cast<std::size_t>(rankIndex)], m.cornerCentreX, m.rankCentreY, ink,
           m);
  face.FillShape({1, 1, m.cornerBlockWidth, m.cornerBlockHeight},
                 SuitShape(suit, m.cornerCentreX, m.pipCentreY, m.pipHeight), ink);
  for (int y = 1; y < m.cornerBlockHeight; ++y) {
    for (int x = 1; x < m.cornerBlockWidth; ++x) {
      face.Set(m.width - 1 - x, m.height - 1 - y, face.At(x, y));
    }
  }

  const double cx = m.width / 2.0;
  const double cy = m.height / 2.0;
  const Box whole{0, 0, m.width, m.height};
  double size = rankIndex == 0 ? m.aceHeight : m.centreHeight;
  if (rankIndex >= 10) {
    // Court cards carry their symbol on a gold medallion.
    face.FillShape(
        whole,
        [&](double x, double y) {
          return InCircle(x, y, {cx, cy}, m.medallion);
        },
        kCourtRing);
    face.FillShape(
        whole,
        [&](double x, double y) {
          return InCircle(x, y, {cx, cy}, m.medallion - 1.2);
        },
        kCourtFill);
    size = m.courtHeight;
  }
  face.FillShape(whole, SuitShape(suit, cx, cy, size), ink);
  RoundCorners(face, kEdge);
  return face;
}

} // namespace

Image CardStrip(Suit suit, int scale) {
  const FaceMetrics &m = Metrics(scale);
  Image strip(13 * m.width, m.height);
  for (int r = 0; r < 13; ++r) {
    strip.Paste(Face(suit, r, m), r * m.width, 0);
  }
  return strip;
}

Image CardBack(int scale) {
  const int w = 30 * scale;
  const int h = 45 * scale;
  constexpr Rgb kGold{222, 178, 52};
  constexpr Rgb kDeepGold{168, 122, 24};
  constexpr Rgb kPaleGold{246, 214, 120};
  Image back(w, h, kGold);
  // A darker rim and a pale inner line, nothing else: a plain back.
  back.FillBox({0, 0, w, scale}, kDeepGold);
  back.FillBox({0, h - scale, w, scale}, kDeepGold);
  back.FillBox({0, 0, scale, h}, kDeepGold);
  back.FillBox({w - scale, 0, scale, h}, kDeepGold);
  const int inset = 3 * scale;
  back.FillBox({inset, inset, w - 2 * inset, scale}, kPaleGold);
  back.FillBox({inset, h - inset - scale, w - 2 * inset, scale}, kPaleGold);
  back.FillBox({inset, inset, scale, h - 2 * inset}, kPaleGold);
  back.FillBox({w - inset - scale, inset, scale, h - 2 * inset}, kPaleGold);
  RoundCorners(back, kDeepGold);
  return back;
}

} // namespace artgen
