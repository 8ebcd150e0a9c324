// The game's icon: the ace of spades leaning on the ace of hearts, drawn at each size.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art.h"

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

} // namespace

IconImage DrawIcon(int size) {
  constexpr Rgb kEdge{40, 40, 40};
  constexpr Rgb kPaper{255, 255, 255};
  constexpr Rgb kRed{206, 0, 0};
  constexpr Rgb kInk{16, 16, 16};
  // Parts are mixed over a light grey where they only partly cover a pixel, and the
  // mask keeps a pixel when at least half of it is covered.
  constexpr Rgb kMatte{200, 200, 200};
  const double s = size;
  const double edge = std::max(1.0, s / 32.0);
  // At 16 pixels two cards turn to mush: the small icon is the ace of spades alone.
  const bool small = size <= 16;
  const Card back{{s * 0.37, s * 0.47}, s * 0.54, s * 0.76, -0.28, s * 0.07};
  const Card front = small ? Card{{s * 0.5, s * 0.5}, s * 0.72, s * 0.94, 0.0, s * 0.1}
                           : Card{{s * 0.62, s * 0.53}, s * 0.56, s * 0.78, 0.2, s * 0.07};
  const Box all{0, 0, size, size};

  Image picture(size, size, kMatte);
  Image cover(size, size, kBlack);
  std::vector<const Card *> cards{&front};
  if (!small) {
    cards.insert(cards.begin(), &back);
  }
  for (const Card *card : cards) {
    const auto outline = [card](double x, double y) { return card->Contains(x, y); };
    const auto paper = [card, edge](double x, double y) { return card->Contains(x, y, edge); };
    picture.FillShape(all, outline, kEdge);
    picture.FillShape(all, paper, kPaper);
    cover.FillShape(all, outline, kWhite);
  }
  // The symbols: big enough to read at 16 pixels, where there is no room for ranks.
  if (!small) {
    picture.FillShape(all, back.Symbol(Suit::Hearts, -s * 0.09, -s * 0.14, s * 0.28), kRed);
  }
  picture.FillShape(all, front.Symbol(Suit::Spades, 0, s * 0.02, s * (small ? 0.62 : 0.36)), kInk);

  IconImage icon{picture, std::vector<bool>(static_cast<std::size_t>(size * size))};
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const bool clear = cover.At(x, y).r < 128;
      icon.transparent[icon.Index(x, y)] = clear;
      if (clear) {
        icon.picture.Set(x, y, kBlack);
      }
    }
  }
  return icon;
}

} // namespace artgen
