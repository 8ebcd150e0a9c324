// Buttons and chips, live or greyed out.
#pragma once

#include "image.h"

namespace artgen {

enum class PieceKind { Deal, Hit, Stand, Double, Clear, Chip5, Chip10, Chip25, Chip100, Chip500 };

// Draws one piece filling box (device pixels). A greyed piece has the same shape and
// the same dark rim as the live one; only the colours inside the rim turn grey, so
// the two differ nowhere but on fully covered pixels.
void DrawPiece(Image &image, PieceKind kind, Box box, int scale, bool greyed);

} // namespace artgen
