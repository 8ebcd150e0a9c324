// The table renderer: PaintTable, DrawTableText and DrawCardSprite.
#include "view/table_renderer.h"

#include <strsafe.h>

#include <algorithm>

#include "game/chips.h"
#include "game/game_table.h"
#include "game/sound_cues.h"
#include "view/geometry.h"

namespace {

// Every text of the table is drawn in this one style.
constexpr std::int32_t TextHeight = 16;
constexpr std::int32_t TextWeight = FW_BOLD;
constexpr const WCHAR *TextFace = u"Tahoma";
constexpr COLORREF TextColour = RGB(255, 255, 255);

// Card faces are rounded off by pixels of this colour, which the blit leaves out.
constexpr COLORREF CardKeyColour = RGB(255, 0, 255);

// Card geometry in logical pixels, the same at both dpi sets. Each later slot
// covers all but the left CardStep pixels of the card before it.
constexpr std::int32_t CardWidth = 30;
constexpr std::int32_t CardHeight = 45;
constexpr std::int32_t CardStep = 17;
constexpr std::int32_t FirstSlotX = 30;
struct RowPosition {
  std::int32_t portraitY;
  std::int32_t landscapeY;
};
constexpr RowPosition CardRows[] = {{72, 63}, {140, 131}}; // DealerRow, PlayerRow

// Card strips by suit: clubs, diamonds, spades; any other suit is hearts.
constexpr ImageAsset GameTable::*SuitStrips[] = {&GameTable::clubsStrip, &GameTable::diamondsStrip,
                                                 &GameTable::spadesStrip, &GameTable::heartsStrip};
constexpr std::int32_t HeartsSuit = 3;

// The size (logical pixels) and the picture of each row of ImagePieces.
struct PieceArt {
  std::int32_t width;
  std::int32_t height;
  ImageAsset GameTable::*portraitImage;
  ImageAsset GameTable::*landscapeImage;
};
constexpr PieceArt Buttons{60, 25, &GameTable::portraitButtons, &GameTable::landscapeButtons};
constexpr PieceArt ChipArt{31, 31, &GameTable::portraitChips, &GameTable::landscapeChips};
constexpr PieceArt PieceArts[ImagePieceCount] = {
    Buttons,                                                           // Deal
    {60, 26, &GameTable::portraitChips, &GameTable::landscapeButtons}, // Clear
    ChipArt,
    ChipArt,
    ChipArt,
    ChipArt,
    ChipArt, // the chips, dearest first
    Buttons,
    Buttons,
    Buttons, // Hit, Stand, Double
};

// The result of a settled hand: the first row whose test holds.
struct ResultLine {
  bool (*holds)(const GameTable &table);
  const WCHAR *message;
  const WCHAR *cue;
};
constexpr ResultLine ResultLines[] = {
    {[](const GameTable &t) { return t.playerBlackjack; }, u"Black Jack!", u"chaching"},
    {[](const GameTable &t) { return t.playerHardTotal > Blackjack; }, u"Player Busts - You Lose",
     u"lose"},
    {[](const GameTable &t) { return t.dealerHardTotal > Blackjack; }, u"Dealer Busts - You Win",
     u"chaching"},
    {[](const GameTable &t) { return t.playerWon; }, u"You Win", u"chaching"},
    {[](const GameTable &t) { return t.pushResult; }, u"Draw", u"lose"},
    {[](const GameTable &) { return true; }, u"You Lose", u"lose"},
};

constexpr const WCHAR *BrokeNotice = u"You're Broke! - Game Over";

void DrawAnchoredText(const GameTable &table, TextAnchorRow row, LPCWSTR text, HDC target) {
  DrawTableText(table, AnchorX(TextAnchors[row]), AnchorY(TextAnchors[row]), TextHeight, TextWeight,
                TextFace, text, TextColour, target);
}

// Buttons and chips are opaque: one plain copy over their grey twin in the felt.
void DrawPiece(const GameTable &table, ImagePieceRow row, HDC target) {
  const PieceArt &art = PieceArts[row];
  const ImageAsset &image = table.*(landscapeLayout != 0 ? art.landscapeImage : art.portraitImage);
  BitBlt(target, BlitDestX(ImagePieces[row]), BlitDestY(ImagePieces[row]), ScaleForDpi(art.width),
         ScaleForDpi(art.height), image.SourceDC(), BlitSourceX(ImagePieces[row]),
         BlitSourceY(ImagePieces[row]), SRCCOPY);
}

// Slots 0 to count - 1 of a hand, face up; later slots over earlier ones.
void DrawHand(const GameTable &table, int row, const Card (&cards)[CardsPerHand],
              std::int32_t count, HDC target) {
  const int inPlay = std::clamp(count, 0, CardsPerHand);
  for (int slot = 0; slot < inPlay; ++slot) {
    DrawCardSprite(table, row, target, slot, cards[slot].rank, cards[slot].suit, false);
  }
}

void DrawCardBack(const GameTable &table, int row, int slot, HDC target) {
  DrawCardSprite(table, row, target, slot, 1, 0, true);
}

void FormatAmount(WCHAR *buffer, std::int32_t amount) {
  StringCchPrintfW(buffer, TableTextLength, u"%d", amount);
}

// The hard total alone when no ace counts 11 or counting one 11 would bust;
// otherwise both, hard first: an ace and a six read 7(17). The widest text, two
// negative 32-bit totals, takes 24 units and the terminator.
void FormatTotal(WCHAR *buffer, std::int32_t softTotal, std::int32_t hardTotal) {
  if (softTotal == hardTotal || softTotal > Blackjack) {
    FormatAmount(buffer, hardTotal);
  } else {
    StringCchPrintfW(buffer, TableTextLength, u"%d(%d)", hardTotal, softTotal);
  }
}

void DrawBettingPhase(const GameTable &table, HDC target) {
  DrawCardBack(table, PlayerRow, 0, target);
  DrawCardBack(table, PlayerRow, 1, target);
  DrawCardBack(table, DealerRow, 0, target);
  DrawCardBack(table, DealerRow, 1, target);
  if (table.bet >= 1) {
    DrawPiece(table, DealPiece, target);
    DrawPiece(table, ClearPiece, target);
  }
  // The chips, dearest first, each offered while the bank can pay for it.
  for (int chip = ChipCount - 1; chip >= 0; --chip) {
    if (table.bank >= ChipValues[chip]) {
      DrawPiece(table, ChipPiece(chip), target);
    }
  }
}

void DrawPlayerTurn(const GameTable &table, HDC target) {
  const Card &upCard = table.dealerCards[0];
  DrawCardSprite(table, DealerRow, target, 0, upCard.rank, upCard.suit, false);
  DrawCardBack(table, DealerRow, 1, target);
  DrawAnchoredText(table, PlayerTotalAnchor, table.playerTotalText.get(), target);
  DrawHand(table, PlayerRow, table.playerCards, table.playerCardCount, target);
  if (table.playerCardCount < CardsPerHand) {
    DrawPiece(table, HitPiece, target);
  }
  DrawPiece(table, StandPiece, target);
  // bank >= bet is bank - bet >= 0 without the overflow of the subtraction.
  if (table.playerCardCount == 2 && table.bank >= table.bet) {
    DrawPiece(table, DoublePiece, target);
  }
}

void DrawBothHands(const GameTable &table, HDC target) {
  DrawAnchoredText(table, PlayerTotalAnchor, table.playerTotalText.get(), target);
  DrawHand(table, PlayerRow, table.playerCards, table.playerCardCount, target);
  DrawAnchoredText(table, DealerTotalAnchor, table.dealerTotalText.get(), target);
  DrawHand(table, DealerRow, table.dealerCards, table.dealerCardCount, target);
}

void DrawResultLine(const GameTable &table, HDC target) {
  if (table.bank == 0 && table.bet == 0) {
    DrawAnchoredText(table, ResultMessageAnchor, BrokeNotice, target);
    return;
  }
  if (!table.roundOver) {
    return;
  }
  const ResultLine *line = std::find_if(std::begin(ResultLines), std::end(ResultLines),
                                        [&](const ResultLine &l) { return l.holds(table); });
  DrawAnchoredText(table, ResultMessageAnchor, line->message, target);
  PlayCue(table, line->cue);
}

} // namespace

void PaintTable(GameTable &table, HDC paintDC) {
  GetClientRect(table.window, &table.clientRect);
  const int width = table.clientRect.right - table.clientRect.left;
  const int height = table.clientRect.bottom - table.clientRect.top;
  HDC memoryDC = CreateCompatibleDC(paintDC);
  HBITMAP frame = CreateCompatibleBitmap(paintDC, width, height);
  HGDIOBJ displaced = SelectObject(memoryDC, frame);

  FillRect(memoryDC, &table.clientRect, table.backgroundBrush);

  landscapeLayout = IsLandscape() ? 1 : 0;
  // The felt is copied at its own size: the 192-dpi felt is already drawn twice as big.
  const ImageAsset &felt = landscapeLayout != 0 ? table.landscapeTable : table.portraitTable;
  BitBlt(memoryDC, 0, 0, felt.Width(), felt.Height(), felt.SourceDC(), 0, 0, SRCCOPY);

  FormatAmount(table.bankText.get(), table.bank);
  FormatAmount(table.betText.get(), table.bet);
  DrawAnchoredText(table, BankLabelAnchor, u"BANK: $", memoryDC);
  DrawAnchoredText(table, BankAmountAnchor, table.bankText.get(), memoryDC);
  DrawAnchoredText(table, BetLabelAnchor, u"BET: $", memoryDC);
  DrawAnchoredText(table, BetAmountAnchor, table.betText.get(), memoryDC);
  if (table.bank == 0 && table.bet == 0) {
    DrawAnchoredText(table, BrokeNoticeAnchor, BrokeNotice, memoryDC);
  }
  if (table.newShuffle) {
    DrawAnchoredText(table, ShuffleBannerAnchor, u"* New Shuffle *", memoryDC);
  }
  FormatTotal(table.playerTotalText.get(), table.playerSoftTotal, table.playerHardTotal);
  FormatTotal(table.dealerTotalText.get(), table.dealerSoftTotal, table.dealerHardTotal);

  if (table.bettingOpen) {
    DrawBettingPhase(table, memoryDC);
  } else if (table.playerTurn) {
    DrawPlayerTurn(table, memoryDC);
  }
  if (table.dealerTurn || table.roundOver) {
    DrawBothHands(table, memoryDC);
  }
  DrawResultLine(table, memoryDC);

  BitBlt(paintDC, table.clientRect.left, table.clientRect.top, width, height, memoryDC, 0, 0,
         SRCCOPY);
  SelectObject(memoryDC, displaced);
  DeleteObject(frame);
  DeleteDC(memoryDC);
}

void DrawTableText(const GameTable &table, std::int32_t x, std::int32_t y, std::int32_t height,
                   std::int32_t weight, LPCWSTR faceName, LPCWSTR text, COLORREF colour,
                   HDC target) {
  LOGFONTW font{};
  font.lfHeight = ScaleForDpi(height); // positive: the cell height
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = table.useClearType ? CLEARTYPE_QUALITY : DEFAULT_QUALITY;
  StringCchCopyW(font.lfFaceName, LF_FACESIZE, faceName);
  HFONT created = CreateFontIndirectW(&font);
  SelectObject(target, created);

  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, colour);
  // ETO_OPAQUE without a rectangle paints no box; the alignment is never changed,
  // so (x, y) is the top-left corner of the text.
  size_t length = 0;
  StringCchLengthW(text, STRSAFE_MAX_CCH, &length);
  ExtTextOutW(target, x, y, ETO_OPAQUE, nullptr, text, static_cast<UINT>(length), nullptr);

  SelectObject(target, GetStockObject(SYSTEM_FONT));
  DeleteObject(created);
}

void DrawCardSprite(const GameTable &table, int row, HDC target, int slot, std::int32_t rank,
                    std::int32_t suit, bool faceDown) {
  const RowPosition &position = CardRows[row == DealerRow ? DealerRow : PlayerRow];
  const std::int32_t y = ScaleForDpi(IsLandscape() ? position.landscapeY : position.portraitY);
  const std::int32_t w = ScaleForDpi(CardWidth);
  const std::int32_t h = ScaleForDpi(CardHeight);
  const std::int32_t x = ScaleForDpi(FirstSlotX) + slot * ScaleForDpi(CardStep);
  const bool knownSuit = suit >= 0 && suit < HeartsSuit;
  const ImageAsset &image =
      faceDown ? table.cardBack : table.*SuitStrips[knownSuit ? suit : HeartsSuit];
  TransparentImage(target, x, y, w, h, image.SourceDC(), (rank - 1) * w, 0, w, h, CardKeyColour);
}
