// The pictures of the game, each drawn at the size of its own dpi set.
#pragma once

#include "image.h"
#include "shapes.h"

namespace artgen {

// scale is 1 for the 96-dpi set and 2 for the 192-dpi set: every layout coordinate is
// multiplied by it, while strokes, type sizes and details are chosen for each set.

// The 13 faces of a suit side by side, ace to king, each 30 × 45 logical pixels.
Image CardStrip(Suit suit, int scale);
// One plain gold card back, 30 × 45 logical pixels.
Image CardBack(int scale);

// The felts and the strips of buttons and chips of one dpi set. Each felt shows every
// button and chip in grey exactly where the renderer copies the live one, and each
// strip carries, around its live pieces, the felt that lies under them on the table,
// so a live piece covers its grey twin without a seam.
struct TablePictures {
  Image portraitTable;
  Image landscapeTable;
  Image portraitButtons;
  Image landscapeButtons;
  Image portraitChips;
  Image landscapeChips;
};
TablePictures DrawTablePictures(int scale);

// One icon image: size × size pixels, and which of them are see-through.
struct IconImage {
  Image picture;
  std::vector<bool> transparent;
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width()) +
           static_cast<std::size_t>(x);
  }
};
IconImage DrawIcon(int size);

// The icon as the desktop's icon theme wants it: the same cards with smooth edges over a
// clear background, one alpha byte per pixel (0 clear, 255 opaque; colour not
// premultiplied).
struct AlphaImage {
  Image picture;
  std::vector<std::uint8_t> alpha;
};
AlphaImage DrawDesktopIcon(int size);

} // namespace artgen
