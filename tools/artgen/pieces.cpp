// Buttons (blue, and the red Clear) and chips of five values, live or greyed out.
#include "pieces.h"

#include <array>
#include <cmath>
#include <numbers>
#include <string>

#include "font.h"
#include "shapes.h"

namespace artgen {
namespace {

// The rim is shared by the live and the greyed piece; it is at least 1.5 pixels wide,
// so that no pixel is covered both by its outer and by its inner edge.
constexpr Rgb kRim{28, 28, 28};

// Disabled pieces: the brightness of the live colour, pressed into a narrow grey band.
Rgb Tone(Rgb c, bool greyed) {
  if (!greyed) {
    return c;
  }
  const int luma = (299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000;
  const auto grey = static_cast<std::uint8_t>(104 + (luma * 110 + 127) / 255);
  return {grey, grey, grey};
}

struct ButtonLook {
  const char *label;
  Rgb top;
  Rgb bottom;
};

ButtonLook LookOf(PieceKind kind) {
  constexpr Rgb kBlueTop{86, 138, 236};
  constexpr Rgb kBlueBottom{18, 52, 160};
  switch (kind) {
  case PieceKind::Deal:
    return {"Deal", kBlueTop, kBlueBottom};
  case PieceKind::Hit:
    return {"Hit", kBlueTop, kBlueBottom};
  case PieceKind::Stand:
    return {"Stand", kBlueTop, kBlueBottom};
  case PieceKind::Double:
    return {"Double", kBlueTop, kBlueBottom};
  default:
    return {"Clear", {232, 86, 72}, {150, 18, 14}};
  }
}

Rgb Lerp(Rgb a, Rgb b, double t) {
  const auto ch = [t](std::uint8_t x, std::uint8_t y) {
    return static_cast<std::uint8_t>(std::lround(x + (y - x) * t));
  };
  return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
}

void DrawButton(Image &image, PieceKind kind, Box box, int scale, bool greyed) {
  const ButtonLook look = LookOf(kind);
  const double left = box.x;
  const double top = box.y;
  const double right = box.x + box.w;
  const double bottom = box.y + box.h;
  const double radius = 4.0 * scale;
  const double rim = scale == 1 ? 1.5 : 2.0;
  image.FillShape(
      box, [&](double x, double y) { return InRoundedBox(x, y, left, top, right, bottom, radius); },
      kRim);
  // A glossy face: a vertical gradient with a lighter band along the top.
  const auto face = [&](double x, double y) {
    return InRoundedBox(x, y, left + rim, top + rim, right - rim, bottom - rim, radius - rim);
  };
  image.FillShape(box, face, [&](double, double y) {
    const double t = (y - top - rim) / (box.h - 2 * rim);
    Rgb c = Lerp(look.top, look.bottom, t);
    if (t < 0.45) {
      c = Lerp(c, kWhite, 0.18);
    }
    return Tone(c, greyed);
  });
  TextStyle style;
  style.size = scale == 1 ? 13.0 : 25.0;
  style.slant = 0.22;
  const Font &font = TahomaBold();
  const InkBounds ink = font.Ink(look.label, style);
  const double x = std::round(left + (box.w - ink.Width()) / 2.0 - ink.left);
  const double y = std::round(top + (box.h - ink.Height()) / 2.0 - ink.top);
  // A soft shadow under the white label keeps it legible on the light top band.
  font.Draw(image, x + scale, y + scale, look.label, Tone(Lerp(look.bottom, kBlack, 0.3), greyed),
            style);
  font.Draw(image, x, y, look.label, Tone(kWhite, greyed), style);
}

struct ChipLook {
  const char *value;
  Rgb body;
  Rgb spots;
  Rgb text;
};

ChipLook ChipOf(PieceKind kind) {
  switch (kind) {
  case PieceKind::Chip5:
    return {"5", {244, 244, 244}, {30, 76, 204}, {22, 60, 180}};
  case PieceKind::Chip10:
    return {"10", {206, 28, 32}, {250, 250, 250}, {255, 255, 255}};
  case PieceKind::Chip25:
    return {"25", {40, 40, 44}, {236, 236, 236}, {255, 255, 255}};
  case PieceKind::Chip100:
    return {"100", {22, 150, 64}, {250, 250, 250}, {255, 255, 255}};
  default:
    return {"500", {246, 136, 22}, {255, 250, 240}, {70, 34, 0}};
  }
}

void DrawChip(Image &image, PieceKind kind, Box box, int scale, bool greyed) {
  const ChipLook look = ChipOf(kind);
  const Point c{box.x + box.w / 2.0, box.y + box.h / 2.0};
  const double outer = std::min(box.w, box.h) / 2.0;
  const double rim = scale == 1 ? 1.5 : 2.0;
  const double body = outer - rim;
  const double inner = body * 0.70;
  image.FillShape(
      box, [&](double x, double y) { return InCircle(x, y, c, outer); }, kRim);
  image.FillShape(
      box, [&](double x, double y) { return InCircle(x, y, c, body); }, Tone(look.body, greyed));
  // Six inserts around the edge, as on casino chips.
  const auto spot = [&](double x, double y) {
    const double dx = x - c.x;
    const double dy = y - c.y;
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r > body - 0.6 * scale || r < inner + 1.2 * scale) {
      return false;
    }
    const double sector = std::numbers::pi / 3.0;
    double a = std::atan2(dy, dx) + std::numbers::pi / 2.0;
    a -= sector * std::floor(a / sector + 0.5);
    return std::abs(a) < 0.27;
  };
  image.FillShape(box, spot, Tone(look.spots, greyed));
  // The inlay: a thin ring in the colour of the inserts around a disc of the body colour.
  image.FillShape(
      box, [&](double x, double y) { return InCircle(x, y, c, inner + 0.9 * scale); },
      Tone(look.spots, greyed));
  image.FillShape(
      box, [&](double x, double y) { return InCircle(x, y, c, inner); }, Tone(look.body, greyed));
  TextStyle style;
  const std::string value = look.value;
  // Sizes and widths per number of digits, so that every value fills the inlay.
  constexpr std::array<std::array<double, 2>, 3> k96{{{12.0, 1.0}, {11.0, 0.86}, {10.5, 0.7}}};
  constexpr std::array<std::array<double, 2>, 3> k192{{{23.0, 1.0}, {21.0, 0.86}, {20.0, 0.72}}};
  const auto &fit = (scale == 1 ? k96 : k192)[value.size() - 1];
  style.size = fit[0];
  style.stretch = fit[1];
  SansBold().DrawCentred(image, c.x, c.y, value, Tone(look.text, greyed), style);
}

} // namespace

void DrawPiece(Image &image, PieceKind kind, Box box, int scale, bool greyed) {
  switch (kind) {
  case PieceKind::Deal:
  case PieceKind::Hit:
  case PieceKind::Stand:
  case PieceKind::Double:
  case PieceKind::Clear:
    DrawButton(image, kind, box, scale, greyed);
    return;
  default:
    DrawChip(image, kind, box, scale, greyed);
    return;
  }
}

} // namespace artgen
