// Screen geometry: logical-pixel layout tables scaled to the screen's dpi and orientation.
#pragma once

#include <windows.h>

#include <cstdint>

#include "game/chips.h"

// Horizontal dots per inch of the screen; 0 until CaptureScreenDpi has run. One
// value scales both axes.
extern std::int32_t screenDpi;
// 1 while the paint in hand uses the landscape halves of the layout records, 0 for
// portrait. Rewritten by the renderer at the start of every paint.
extern std::int32_t landscapeLayout;

// Called once by start-up, before the main window and the GameTable exist; later
// calls keep the first value, so a change of the screen's dpi is not followed.
void CaptureScreenDpi();

// Logical (96-dpi) pixels to device pixels: rounds to the nearest pixel, halves
// away from zero, symmetric about 0.
std::int32_t ScaleForDpi(std::int32_t value);

// True when the whole screen is less high than a portrait table (320 logical pixels).
bool IsLandscape();

// The top-left corner of a text, in logical pixels.
struct LayoutPoint {
  std::int32_t portraitX;
  std::int32_t portraitY;
  std::int32_t landscapeX;
  std::int32_t landscapeY;
};

// A piece of an image copied into the table: destination in the off-screen bitmap
// and source inside the image, in logical pixels.
struct LayoutBlit {
  std::int32_t portraitDestX;
  std::int32_t portraitDestY;
  std::int32_t portraitSourceX;
  std::int32_t portraitSourceY;
  std::int32_t landscapeDestX;
  std::int32_t landscapeDestY;
  std::int32_t landscapeSourceX;
  std::int32_t landscapeSourceY;
};

// A touch rectangle, in logical pixels.
struct HitRegion {
  std::int32_t portraitLeft;
  std::int32_t portraitTop;
  std::int32_t portraitRight;
  std::int32_t portraitBottom;
  std::int32_t landscapeLeft;
  std::int32_t landscapeTop;
  std::int32_t landscapeRight;
  std::int32_t landscapeBottom;
};

// Rows of TextAnchors.
enum TextAnchorRow : int {
  BankLabelAnchor,
  BankAmountAnchor,
  BetLabelAnchor,
  BetAmountAnchor,
  BrokeNoticeAnchor,
  ShuffleBannerAnchor,
  PlayerTotalAnchor,
  DealerTotalAnchor,
  ResultMessageAnchor,
  TextAnchorCount
};

// Where each text of the table is drawn. The broke notice and the result message
// share one point but stay two rows: the first is drawn before the cards, the
// second after them.
inline constexpr LayoutPoint TextAnchors[TextAnchorCount] = {
    {120, 189, 253, 104}, // "BANK: $"
    {177, 189, 257, 117}, // the bank
    {10, 189, 253, 132},  // "BET: $"
    {55, 189, 257, 145},  // the bet
    {30, 122, 30, 113},   // "You're Broke! - Game Over", before the cards
    {117, 172, 130, 161}, // "* New Shuffle *"
    {140, 157, 170, 151}, // the player's total
    {140, 90, 170, 83},   // the dealer's total
    {30, 122, 30, 113},   // the result of the hand, after the cards
};

// Rows of ImagePieces. The chips' rows run from the dearest to the cheapest, the order in
// which the renderer offers them; ChipPiece names the row of each.
enum ImagePieceRow : int {
  DealPiece,
  ClearPiece,
  DearestChipPiece,
  HitPiece = DearestChipPiece + ChipCount,
  StandPiece,
  DoublePiece,
  ImagePieceCount
};

// The row of ImagePieces that shows the chip worth ChipValues[chip].
constexpr ImagePieceRow ChipPiece(int chip) {
  return static_cast<ImagePieceRow>(HitPiece - 1 - chip);
}

// Where each button and chip is copied from and to. In portrait the Clear button's
// picture lies in the chip strip; in landscape it is at the foot of the button
// column. The landscape 500, 100 and 5 chips sit one pixel off their source in y.
inline constexpr LayoutBlit ImagePieces[ImagePieceCount] = {
    {0, 205, 0, 0, 250, 3, 0, 3},         // Deal
    {180, 234, 180, 0, 250, 159, 0, 159}, // Clear
    {145, 234, 145, 1, 218, 152, 2, 151}, // 500 chip
    {110, 234, 110, 1, 218, 120, 2, 119}, // 100 chip
    {75, 234, 75, 1, 218, 87, 2, 87},     // 25 chip
    {40, 234, 40, 1, 218, 55, 2, 55},     // 10 chip
    {5, 234, 5, 1, 218, 22, 2, 23},       // 5 chip
    {61, 205, 61, 0, 250, 28, 0, 28},     // Hit
    {121, 205, 121, 0, 250, 53, 0, 53},   // Stand
    {181, 205, 181, 0, 250, 78, 0, 78},   // Double
};

// The half of a record chosen by landscapeLayout, scaled to device pixels. Only
// the renderer calls these, after it has set landscapeLayout for the paint.
std::int32_t AnchorX(const LayoutPoint &point);
std::int32_t AnchorY(const LayoutPoint &point);
std::int32_t BlitDestX(const LayoutBlit &blit);
std::int32_t BlitDestY(const LayoutBlit &blit);
std::int32_t BlitSourceX(const LayoutBlit &blit);
std::int32_t BlitSourceY(const LayoutBlit &blit);
