// The table renderer: paints the whole table from the GameTable's state at every paint.
#pragma once

#include <windows.h>

#include <cstdint>

class GameTable;

// Rows of cards for DrawCardSprite.
enum CardRow : int { DealerRow = 0, PlayerRow = 1 };

// Called by the window procedure for every paint with the DC that BeginPaint
// returned. Draws the table into an off-screen bitmap of the client area's size
// and copies it to the window in one piece; while a settled hand is on the table
// it plays the result's cue. Writes the table's client rectangle and text
// buffers and the process-wide landscapeLayout. Every GDI object it creates is
// deleted before it returns.
void PaintTable(GameTable &table, HDC paintDC);

// Draws `text` with its top-left corner at the device point (x, y) of `target`,
// in a font of `height` logical pixels (cell height), `weight` and `faceName`,
// with a transparent background; ClearType quality when the table asks for it.
void DrawTableText(const GameTable &table, std::int32_t x, std::int32_t y, std::int32_t height,
                   std::int32_t weight, LPCWSTR faceName, LPCWSTR text, COLORREF colour,
                   HDC target);

// Draws one card of `row` (DealerRow or PlayerRow) in `slot` 0 to 4 of that row:
// the face of `rank` (1 to 13) and `suit` (0 to 3), or the card back when
// `faceDown`. The faces' magenta corners let what lies beneath show through.
void DrawCardSprite(const GameTable &table, int row, HDC target, int slot, std::int32_t rank,
                    std::int32_t suit, bool faceDown);
