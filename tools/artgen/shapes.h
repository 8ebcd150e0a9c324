// Point tests for the shapes of the artwork: circles, rounded boxes and the four suits.
#pragma once

#include "image.h"

namespace artgen {

struct Point {
  double x = 0;
  double y = 0;
};

bool InCircle(double x, double y, Point centre, double radius);
bool InTriangle(double x, double y, Point a, Point b, Point c);
// A box from (left, top) to (right, bottom) whose corners are rounded with radius.
bool InRoundedBox(double x, double y, double left, double top, double right, double bottom,
                  double radius);

enum class Suit { Clubs, Diamonds, Spades, Hearts };

// The suit symbol in a unit cell: (u, v) from about -0.5 to 0.5, v growing downwards.
bool InSuit(Suit suit, double u, double v);

// The suit symbol of the given height centred on (cx, cy), in pixel coordinates;
// flipped turns it upside down (for the lower corner of a card).
Inside SuitShape(Suit suit, double cx, double cy, double height, bool flipped = false);

} // namespace artgen
