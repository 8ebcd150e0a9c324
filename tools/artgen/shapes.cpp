// Point tests for circles, triangles, rounded boxes and the suit symbols.
#include "shapes.h"

#include <algorithm>
#include <cmath>

namespace artgen {

bool InCircle(double x, double y, Point centre, double radius) {
  const double dx = x - centre.x;
  const double dy = y - centre.y;
  return dx * dx + dy * dy <= radius * radius;
}

bool InTriangle(double x, double y, Point a, Point b, Point c) {
  const auto side = [&](Point p, Point q) {
    return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x);
  };
  const double d1 = side(a, b);
  const double d2 = side(b, c);
  const double d3 = side(c, a);
  const bool negative = d1 < 0 || d2 < 0 || d3 < 0;
  const bool positive = d1 > 0 || d2 > 0 || d3 > 0;
  return !(negative && positive);
}

bool InRoundedBox(double x, double y, double left, double top, double right, double bottom,
                  double radius) {
  if (x < left || x > right || y < top || y > bottom) {
    return false;
  }
  const double cx = std::clamp(x, left + radius, right - radius);
  const double cy = std::clamp(y, top + radius, bottom - radius);
  return InCircle(x, y, {cx, cy}, radius);
}

namespace {

// A heart with its point at the bottom: two lobes and the wedge below them.
bool InHeart(double u, double v) {
  return InCircle(u, v, {-0.235, -0.2}, 0.265) || InCircle(u, v, {0.235, -0.2}, 0.265) ||
         InTriangle(u, v, {-0.485, -0.13}, {0.485, -0.13}, {0, 0.5}) ||
         (std::abs(u) < 0.25 && v > -0.25 && v < -0.1);
}

// A stem that widens towards the foot with curved sides.
bool InStem(double u, double v, double top, double halfFoot) {
  if (v < top || v > 0.5) {
    return false;
  }
  const double t = (v - top) / (0.5 - top);
  return std::abs(u) <= 0.03 + (halfFoot - 0.03) * t * t;
}

} // namespace

bool InSuit(Suit suit, double u, double v) {
  switch (suit) {
  case Suit::Hearts:
    return InHeart(u, v);
  case Suit::Diamonds: {
    // Slightly concave sides, as printed on cards.
    const double a = std::abs(u) / 0.4;
    const double b = std::abs(v) / 0.5;
    return std::sqrt(a) + std::sqrt(b) <= 1.0 || a + b <= 0.86;
  }
  case Suit::Spades:
    // An upside-down heart with its lobes low, on a stem.
    return InHeart(u, -(v + 0.12) * 1.3) || InStem(u, v, 0.05, 0.2);
  case Suit::Clubs:
    return InCircle(u, v, {0, -0.245}, 0.215) || InCircle(u, v, {-0.25, 0.085}, 0.215) ||
           InCircle(u, v, {0.25, 0.085}, 0.215) || InCircle(u, v, {0, 0.0}, 0.12) ||
           InStem(u, v, 0.0, 0.2);
  }
  return false;
}

Inside SuitShape(Suit suit, double cx, double cy, double height, bool flipped) {
  return [=](double x, double y) {
    const double u = (x - cx) / height;
    const double v = (y - cy) / height;
    return flipped ? InSuit(suit, -u, -v) : InSuit(suit, u, v);
  };
}

} // namespace artgen
