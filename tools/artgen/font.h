// Outline fonts found through fontconfig and drawn with FreeType into pictures.
#pragma once

#include <memory>
#include <string>

#include "image.h"

namespace artgen {

// How one run of text is set: the pixel size of the em, a slant (x shift per unit of
// height, 0.2 for a typical italic), a rotation in radians (counter-clockwise on
// screen), a horizontal stretch (below 1 condenses), and whether the outlines are
// hinted to the pixel grid.
struct TextStyle {
  double size = 12;
  double stretch = 1;
  double slant = 0;
  double angle = 0;
  bool hinted = true;
};

// The ink of a run relative to its origin on the baseline (y grows downwards).
struct InkBounds {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

class Font {
public:
  // Opens the installed font of this family and weight. Throws when fontconfig finds
  // only a stand-in of another family: the art must not depend on what happens to be
  // installed.
  Font(const std::string &family, bool bold);
  ~Font();
  Font(const Font &) = delete;
  Font &operator=(const Font &) = delete;

  // Horizontal advance of text (UTF-8, ASCII in practice), kerning included, unrotated.
  double Advance(const std::string &text, const TextStyle &style) const;
  // Exact ink box of the rendered run drawn at origin (0, 0).
  InkBounds Ink(const std::string &text, const TextStyle &style) const;
  // Draws text with its baseline origin at (x, y); the pen advances along the
  // direction of style.angle.
  void Draw(Image &image, double x, double y, const std::string &text, Rgb colour,
            const TextStyle &style) const;
  // Draws text so that its ink box is centred on (cx, cy) (unrotated styles only).
  void DrawCentred(Image &image, double cx, double cy, const std::string &text, Rgb colour,
                   const TextStyle &style) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

} // namespace artgen

namespace artgen {

// The faces the artwork uses, opened once.
const Font &SansBold();   // DejaVu Sans Bold: card ranks, chip values, the legend
const Font &TahomaBold(); // Tahoma Bold: button labels, like the game's own text

} // namespace artgen
