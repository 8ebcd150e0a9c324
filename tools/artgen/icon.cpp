// The game's icon: the ace of spades leaning on the ace of hearts, drawn at each size.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art.h"
#include "font.h"

namespace artgen {
namespace {

// A card outline turned by angle (radians, clockwise on screen) about its centre.
struct Card {
  Point centre;
  double width;
  double height;
  double angle;
  double radius;

  // Coordinates in the card's own frame, centre at (0, 0).
  Point Local(double x, double y) const {
    const double dx = x - centre.x;
    const double dy = y - centre.y;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return {c * dx + s * dy, -s * dx + c * dy};
  }
  // The picture's coordinates of a point given in the card's own frame.
  Point Screen(double u, double v) const {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return {centre.x + c * u - s * v, centre.y + s * u + c * v};
  }
  bool Contains(double x, double y, double inset = 0) const {
    const Point p = Local(x, y);
    return InRoundedBox(p.x, p.y, -width / 2 + inset, -height / 2 + inset, width / 2 - inset,
                        height / 2 - inset, std::max(radius - inset, 0.1));
  }
  Inside Symbol(Suit suit, double u, double v, double size) const {
    return [=, this](double x, double y) {
      const Point p = Local(x, y);
      return InSuit(suit, (p.x - u) / size, (p.y - v) / size);
    };
  }
};

// From this size up an icon has room for an index (rank and small suit) in the top
// corner of each card, as a real card has.
constexpr int kIndexedSize = 128;

// The index of an ace in the top-left corner of the card, turned with it.
void DrawIndex(Image &picture, const Card &card, Suit suit, Rgb ink, double s) {
  const Box all{0, 0, picture.Width(), picture.Height()};
  TextStyle style;
  style.size = s * 0.12;
  style.angle = -card.angle; // text turns counter-clockwise, the card clockwise
  style.hinted = false;
  const Font &font = SansBold();
  const InkBounds letter = font.Ink("A", style);
  const double margin = s * 0.035;
  const double left = -card.width / 2 + margin;
  const double top = -card.height / 2 + margin;
  const Point origin = card.Screen(left - letter.left, top - letter.top);
  font.Draw(picture, origin.x, origin.y, "A", ink, style);
  const double pip = s * 0.075;
  const double pipCentreU = left + letter.Width() / 2.0;
  const double pipCentreV = top + letter.Height() + s * 0.02 + pip / 2;
  picture.FillShape(all, card.Symbol(suit, pipCentreU, pipCentreV, pip), ink);
}

struct IconLayers {
  Image picture; // the cards mixed over the matte where they only partly cover a pixel
  Image cover;   // white where the cards cover, black where they don't, grey between
};

IconLayers PaintIcon(int size, Rgb matte) {
  constexpr Rgb kEdge{40, 40, 40};
  constexpr Rgb kPaper{255, 255, 255};
  constexpr Rgb kRed{206, 0, 0};
  constexpr Rgb kInk{16, 16, 16};
  const double s = size;
  // Up to the resource's largest size the edge keeps its weight of a 32-pixel icon's;
  // above, a thinner line reads better against the larger paper.
  const double edge = size <= 64 ? std::max(1.0, s / 32.0) : s / 64.0;
  // At 16 pixels two cards turn to mush: the small icon is the ace of spades alone.
  const bool small = size <= 16;
  const Card back{{s * 0.37, s * 0.47}, s * 0.54, s * 0.76, -0.28, s * 0.07};
  const Card front = small ? Card{{s * 0.5, s * 0.5}, s * 0.72, s * 0.94, 0.0, s * 0.1}
                           : Card{{s * 0.62, s * 0.53}, s * 0.56, s * 0.78, 0.2, s * 0.07};
  const Box all{0, 0, size, size};

  IconLayers layers{Image(size, size, matte), Image(size, size, kBlack)};
  Image &picture = layers.picture;
  std::vector<const Card *> cards{&front};
  if (!small) {
    cards.insert(cards.begin(), &back);
  }
  for (const Card *card : cards) {
    const auto outline = [card](double x, double y) { return card->Contains(x, y); };
    const auto paper = [card, edge](double x, double y) { return card->Contains(x, y, edge); };
    picture.FillShape(all, outline, kEdge);
    picture.FillShape(all, paper, kPaper);
    layers.cover.FillShape(all, outline, kWhite);
    if (size >= kIndexedSize) {
      const bool spades = card == &front;
      DrawIndex(picture, *card, spades ? Suit::Spades : Suit::Hearts, spades ? kInk : kRed, s);
    }
  }
  // The symbols: big enough to read at 16 pixels, where there is no room for ranks.
  if (!small) {
    // With an index in the corner the heart steps down and shrinks to clear it.
    const bool indexed = size >= kIndexedSize;
    picture.FillShape(all,
                      indexed ? back.Symbol(Suit::Hearts, -s * 0.08, -s * 0.05, s * 0.22)
                              : back.Symbol(Suit::Hearts, -s * 0.09, -s * 0.14, s * 0.28),
                      kRed);
  }
  picture.FillShape(all, front.Symbol(Suit::Spades, 0, s * 0.02, s * (small ? 0.62 : 0.36)), kInk);
  return layers;
}

} // namespace

IconImage DrawIcon(int size) {
  // Parts are mixed over a light grey where they only partly cover a pixel, and the
  // mask keeps a pixel when at least half of it is covered.
  constexpr Rgb kMatte{200, 200, 200};
  IconLayers layers = PaintIcon(size, kMatte);
  IconImage icon{layers.picture, std::vector<bool>(static_cast<std::size_t>(size * size))};
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const bool clear = layers.cover.At(x, y).r < 128;
      icon.transparent[icon.Index(x, y)] = clear;
      if (clear) {
        icon.picture.Set(x, y, kBlack);
      }
    }
  }
  return icon;
}

AlphaImage DrawDesktopIcon(int size) {
  // Over black, a pixel's colour is the cards' colour already weighted by their cover;
  // dividing by the cover gives back the plain colour that an alpha channel wants.
  const IconLayers layers = PaintIcon(size, kBlack);
  AlphaImage icon{Image(size, size), std::vector<std::uint8_t>(static_cast<std::size_t>(size) *
                                                               static_cast<std::size_t>(size))};
  const auto unmix = [](std::uint8_t channel, int alpha) {
    return static_cast<std::uint8_t>(std::min(255, (channel * 255 + alpha / 2) / alpha));
  };
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const int alpha = layers.cover.At(x, y).r;
      icon.alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
                 static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(alpha);
      if (alpha > 0) {
        const Rgb c = layers.picture.At(x, y);
        icon.picture.Set(x, y, {unmix(c.r, alpha), unmix(c.g, alpha), unmix(c.b, alpha)});
      }
    }
  }
  return icon;
}

} // namespace artgen
