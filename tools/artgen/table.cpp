// The felts with their greyed buttons and chips, and the strips of live pieces.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "art.h"
#include "font.h"
#include "pieces.h"
#include "view/geometry.h"

namespace artgen {
namespace {

// What the renderer copies for each row of ImagePieces, in logical pixels.
struct PieceSize {
  PieceKind kind;
  int width;
  int height;
};

constexpr std::array<PieceSize, ImagePieceCount> kPieceSizes = {{
    {PieceKind::Deal, 60, 25},
    {PieceKind::Clear, 60, 26},
    {PieceKind::Chip500, 31, 31},
    {PieceKind::Chip100, 31, 31},
    {PieceKind::Chip25, 31, 31},
    {PieceKind::Chip10, 31, 31},
    {PieceKind::Chip5, 31, 31},
    {PieceKind::Hit, 60, 25},
    {PieceKind::Stand, 60, 25},
    {PieceKind::Double, 60, 25},
}};

enum class Strip { Buttons, Chips };

// The picture each row is copied from in each orientation.
Strip StripOf(int row, bool landscape) {
  const PieceKind kind = kPieceSizes[static_cast<std::size_t>(row)].kind;
  const bool button = kind == PieceKind::Deal || kind == PieceKind::Hit ||
                      kind == PieceKind::Stand || kind == PieceKind::Double;
  if (kind == PieceKind::Clear) {
    return landscape ? Strip::Buttons : Strip::Chips;
  }
  return button ? Strip::Buttons : Strip::Chips;
}

struct Placement {
  Box source;
  Box destination;
};

Placement PlacementOf(int row, bool landscape, int scale) {
  const LayoutBlit &blit = ImagePieces[row];
  const PieceSize &size = kPieceSizes[static_cast<std::size_t>(row)];
  const int w = size.width * scale;
  const int h = size.height * scale;
  if (landscape) {
    return {{blit.landscapeSourceX * scale, blit.landscapeSourceY * scale, w, h},
            {blit.landscapeDestX * scale, blit.landscapeDestY * scale, w, h}};
  }
  return {{blit.portraitSourceX * scale, blit.portraitSourceY * scale, w, h},
          {blit.portraitDestX * scale, blit.portraitDestY * scale, w, h}};
}

// A box cut to the picture, so a piece that the renderer's copy cuts off at the edge of
// the table keeps its visible border.
Box Clip(Box b, const Image &image) {
  const int right = std::min(b.x + b.w, image.Width());
  const int bottom = std::min(b.y + b.h, image.Height());
  const int x = std::max(b.x, 0);
  const int y = std::max(b.y, 0);
  return {x, y, std::max(right - x, 0), std::max(bottom - y, 0)};
}

// A fixed hash of a pixel position: the grain of the felt, the same on every run.
std::uint32_t Grain(int x, int y, std::uint32_t seed) {
  std::uint32_t h = seed ^ (static_cast<std::uint32_t>(x) * 0x9E3779B1U) ^
                    (static_cast<std::uint32_t>(y) * 0x85EBCA77U);
  h ^= h >> 15;
  h *= 0x2C1B3C6DU;
  h ^= h >> 12;
  h *= 0x297A2D39U;
  h ^= h >> 15;
  return h;
}

constexpr Rgb kLegendGold{236, 196, 84};

// The grain repeats every kGrainTile pixels across and down, and the light
// changes only from row to row, so each row is its first tile over and over and
// often the very row a tile above: deflate stores such a felt in a few bytes a
// row, where a grain of noise over the whole cloth cost a byte a pixel.
constexpr int kGrainTile = 16;

// The bare felt: a green cloth, a little darker towards the top and the bottom,
// with a fine grain.
Image Cloth(int width, int height, double centreY, std::uint32_t seed) {
  Image cloth(width, height);
  const double reach = std::max(centreY, height - centreY);
  for (int y = 0; y < height; ++y) {
    const double d = std::abs(y + 0.5 - centreY) / reach;
    const double light = 1.0 - 0.28 * d * d;
    for (int x = 0; x < width; ++x) {
      const int grain = static_cast<int>(Grain(x % kGrainTile, y % kGrainTile, seed) % 7U) - 3;
      const auto ch = [&](double base) {
        return static_cast<std::uint8_t>(
            std::clamp(static_cast<int>(std::lround(base * light)) + grain, 0, 255));
      };
      cloth.Set(x, y, {ch(18), ch(116), ch(52)});
    }
  }
  return cloth;
}

// The legend along an arch: each letter stands on a circle around (centreX, centreY)
// and leans with it.
void ArchedLegend(Image &felt, const std::string &text, double centreX, double centreY,
                  double radius, double size) {
  const Font &font = SansBold();
  TextStyle style;
  style.size = size;
  style.hinted = false;
  std::vector<double> advances;
  double total = 0;
  for (const char ch : text) {
    advances.push_back(font.Advance(std::string(1, ch), style) * 1.04);
    total += advances.back();
  }
  double along = -total / 2.0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const double mid = along + advances[i] / 2.0;
    const double theta = mid / radius;
    const double px = centreX + radius * std::sin(theta);
    const double py = centreY - radius * std::cos(theta);
    TextStyle lean = style;
    lean.angle = -theta;
    const double half = advances[i] / 2.0 / 1.04;
    font.Draw(felt, px - half * std::cos(theta), py - half * std::sin(theta),
              std::string(1, text[i]), kLegendGold, lean);
    along += advances[i];
  }
  // A fine line along the arch under the letters.
  const double lineRadius = radius - size * 0.45;
  const double reach = (total / 2.0 + size) / radius;
  const double thickness = size / 12.0;
  felt.FillShape(
      {0, 0, felt.Width(), felt.Height()},
      [&](double x, double y) {
        const double dx = x - centreX;
        const double dy = y - centreY;
        const double r = std::hypot(dx, dy);
        return std::abs(r - lineRadius) <= thickness / 2.0 &&
               std::abs(std::atan2(dx, -dy)) <= reach;
      },
      kLegendGold);
}

struct Layout {
  int width;
  int height;
  double legendX; // centre of the arch, logical pixels
  double legendY;
  double legendRadius;
};

constexpr Layout kPortrait{240, 280, 120, 272, 232};
constexpr Layout kLandscape{320, 187, 108, 286, 250};

Image Felt(const Layout &layout, int width, int height, int scale, std::uint32_t seed) {
  Image felt = Cloth(width, height, height * 0.42, seed);
  ArchedLegend(felt, "BLACKJACK PAYS 2 TO 1", layout.legendX * scale, layout.legendY * scale,
               layout.legendRadius * scale, scale == 1 ? 11.5 : 23.0);
  return felt;
}

// A strip: around its pieces it shows the felt found under each piece on the table,
// taken through the offset of the nearest piece.
Image StripPicture(int width, int height, const Image &felt, Strip which, bool landscape,
                   int scale) {
  Image strip(width, height);
  std::vector<Placement> pieces;
  std::vector<PieceKind> kinds;
  for (int row = 0; row < ImagePieceCount; ++row) {
    if (StripOf(row, landscape) == which) {
      pieces.push_back(PlacementOf(row, landscape, scale));
      kinds.push_back(kPieceSizes[static_cast<std::size_t>(row)].kind);
    }
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Placement *nearest = &pieces.front();
      int best = 1 << 30;
      for (const Placement &p : pieces) {
        const int dx = std::max({p.source.x - x, 0, x - (p.source.x + p.source.w - 1)});
        const int dy = std::max({p.source.y - y, 0, y - (p.source.y + p.source.h - 1)});
        if (std::max(dx, dy) < best) {
          best = std::max(dx, dy);
          nearest = &p;
        }
      }
      const int fx =
          std::clamp(x + nearest->destination.x - nearest->source.x, 0, felt.Width() - 1);
      const int fy =
          std::clamp(y + nearest->destination.y - nearest->source.y, 0, felt.Height() - 1);
      strip.Set(x, y, felt.At(fx, fy));
    }
  }
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    // The piece as far as the renderer's copy reaches into the table.
    const Box dest = Clip(pieces[i].destination, felt);
    const Box source{pieces[i].source.x, pieces[i].source.y, dest.w, dest.h};
    DrawPiece(strip, kinds[i], Clip(source, strip), scale, false);
  }
  return strip;
}

void GreyPieces(Image &felt, bool landscape, int scale) {
  for (int row = 0; row < ImagePieceCount; ++row) {
    const Placement p = PlacementOf(row, landscape, scale);
    DrawPiece(felt, kPieceSizes[static_cast<std::size_t>(row)].kind, Clip(p.destination, felt),
              scale, true);
  }
}

struct SetSizes {
  std::array<int, 2> portraitTable, landscapeTable, portraitButtons, landscapeButtons,
      portraitChips, landscapeChips;
};

constexpr SetSizes kSizes96{{240, 280}, {320, 187}, {240, 30}, {70, 187}, {240, 36}, {36, 187}};
constexpr SetSizes kSizes192{{480, 536}, {640, 376}, {480, 60}, {139, 374}, {480, 69}, {70, 374}};

} // namespace

TablePictures DrawTablePictures(int scale) {
  const SetSizes &s = scale == 1 ? kSizes96 : kSizes192;
  TablePictures out;
  Image portrait = Felt(kPortrait, s.portraitTable[0], s.portraitTable[1], scale, 0x5EED0001U);
  Image landscape = Felt(kLandscape, s.landscapeTable[0], s.landscapeTable[1], scale, 0x5EED0002U);
  out.portraitButtons = StripPicture(s.portraitButtons[0], s.portraitButtons[1], portrait,
                                     Strip::Buttons, false, scale);
  out.portraitChips =
      StripPicture(s.portraitChips[0], s.portraitChips[1], portrait, Strip::Chips, false, scale);
  out.landscapeButtons = StripPicture(s.landscapeButtons[0], s.landscapeButtons[1], landscape,
                                      Strip::Buttons, true, scale);
  out.landscapeChips =
      StripPicture(s.landscapeChips[0], s.landscapeChips[1], landscape, Strip::Chips, true, scale);
  GreyPieces(portrait, false, scale);
  GreyPieces(landscape, true, scale);
  out.portraitTable = std::move(portrait);
  out.landscapeTable = std::move(landscape);
  return out;
}

} // namespace artgen
