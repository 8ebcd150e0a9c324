// The table renderer in every phase, both orientations and both dpi sets, judged by its pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "gdi/png_write.h"
#include "scenarios.h"
#include "table_fixture.h"
#include "view/geometry.h"
#include "view/table_renderer.h"

namespace {

using platform::Surface;
using viewtest::Pixels;
using viewtest::Screens;
using viewtest::TableOnScreen;
using viewtest::TableScreen;
using viewtest::White;
using namespace viewtest; // the scenarios and their phases

constexpr std::uint32_t Magenta = 0x00FF00FF;

// Logical sizes of the pieces, row by row of ImagePieces.
constexpr SIZE PieceSizes[ImagePieceCount] = {{60, 25}, {60, 26}, {31, 31}, {31, 31}, {31, 31},
                                              {31, 31}, {31, 31}, {60, 25}, {60, 25}, {60, 25}};

// ---- Pixel judgements ----

const ImageAsset &PieceImage(const GameTable &table, int row) {
  const bool landscape = landscapeLayout != 0;
  switch (row) {
  case ClearPiece:
    return landscape ? table.landscapeButtons : table.portraitChips;
  case Chip500Piece:
  case Chip100Piece:
  case Chip25Piece:
  case Chip10Piece:
  case Chip5Piece:
    return landscape ? table.landscapeChips : table.portraitChips;
  default:
    return landscape ? table.landscapeButtons : table.portraitButtons;
  }
}

const ImageAsset &Felt(const GameTable &table) {
  return landscapeLayout != 0 ? table.landscapeTable : table.portraitTable;
}

enum class Seen { Live, Grey, Neither };

// Whether a piece's rectangle shows the live picture or the felt's grey twin.
Seen PieceSeen(const Surface &frame, const GameTable &table, int row) {
  const Surface &image = Pixels(PieceImage(table, row));
  const Surface &felt = Pixels(Felt(table));
  const LayoutBlit &blit = ImagePieces[row];
  const int w = ScaleForDpi(PieceSizes[row].cx);
  const int h = ScaleForDpi(PieceSizes[row].cy);
  int live = 0;
  int grey = 0;
  int compared = 0;
  int differing = 0; // pixels where the live picture and the grey twin differ
  for (int dy = 0; dy < h; ++dy) {
    for (int dx = 0; dx < w; ++dx) {
      const int x = BlitDestX(blit) + dx;
      const int y = BlitDestY(blit) + dy;
      const int sx = BlitSourceX(blit) + dx;
      const int sy = BlitSourceY(blit) + dy;
      // Only what lies on the frame, the felt and the source picture can be judged.
      if (x >= frame.width || y >= frame.height || x >= felt.width || y >= felt.height ||
          sx >= image.width || sy >= image.height) {
        continue;
      }
      const std::uint32_t got = frame.Row(y)[x];
      const std::uint32_t livePixel = image.Row(sy)[sx];
      const std::uint32_t greyPixel = felt.Row(y)[x];
      // Text drawn over a grey piece (the landscape shuffle banner crosses the
      // 500 chip) is the text judgement's business.
      if (got == White && livePixel != White && greyPixel != White) {
        continue;
      }
      ++compared;
      differing += livePixel != greyPixel ? 1 : 0;
      live += got == livePixel ? 1 : 0;
      grey += got == greyPixel ? 1 : 0;
    }
  }
  // The test means nothing unless the two pictures are told apart.
  EXPECT_GT(differing * 4, compared) << "piece " << row << ": live and grey look alike";
  if (compared > 0 && live == compared) {
    return Seen::Live;
  }
  if (compared > 0 && grey == compared) {
    return Seen::Grey;
  }
  return Seen::Neither;
}

int SlotX(int slot) { return ScaleForDpi(30) + slot * ScaleForDpi(17); }
int RowY(int row) {
  const bool landscape = landscapeLayout != 0;
  return ScaleForDpi(row == DealerRow ? (landscape ? 63 : 72) : (landscape ? 131 : 140));
}

// The uncovered part of each slot shows the back or the expected face, magenta
// corners aside; right of the last card the felt shows.
void ExpectCards(const Surface &frame, const GameTable &table, int row,
                 const std::vector<Card> &shown) {
  const int w = ScaleForDpi(30);
  const int h = ScaleForDpi(45);
  const int top = RowY(row);
  const Surface &felt = Pixels(Felt(table));
  const auto count = static_cast<int>(shown.size());
  for (int slot = 0; slot < count; ++slot) {
    const Card card = shown[static_cast<std::size_t>(slot)];
    const bool back = card.rank == 0;
    const ImageAsset *strips[] = {&table.clubsStrip, &table.diamondsStrip, &table.spadesStrip,
                                  &table.heartsStrip};
    const Surface &source = Pixels(back ? table.cardBack : *strips[card.suit]);
    const int sourceX = back ? 0 : (card.rank - 1) * w;
    const int right = slot + 1 < count ? SlotX(slot + 1) : SlotX(slot) + w;
    int wrong = 0;
    int judged = 0;
    for (int y = top; y < top + h; ++y) {
      for (int x = SlotX(slot); x < right; ++x) {
        const std::uint32_t expected = source.Row(y - top)[sourceX + x - SlotX(slot)];
        if (expected == Magenta) {
          continue;
        }
        ++judged;
        wrong += frame.Row(y)[x] != expected ? 1 : 0;
      }
    }
    EXPECT_GT(judged, 0);
    EXPECT_EQ(wrong, 0) << "row " << row << " slot " << slot
                        << (back ? " should be a back" : " should be a face");
  }
  // Nothing is drawn beyond the shown cards, up to where a fifth card would end.
  const int from = count == 0 ? SlotX(0) : SlotX(count - 1) + w;
  int notFelt = 0;
  for (int y = top; y < top + h; ++y) {
    for (int x = from; x < SlotX(4) + w; ++x) {
      // White is left to the text judgement: the shuffle banner crosses the row.
      const std::uint32_t pixel = frame.Row(y)[x];
      notFelt += pixel != felt.Row(y)[x] && pixel != White ? 1 : 0;
    }
  }
  EXPECT_EQ(notFelt, 0) << "row " << row << " shows more than " << count << " cards";
}

bool InCardArea(int x, int y) {
  const int right = SlotX(4) + ScaleForDpi(30);
  for (int row : {DealerRow, PlayerRow}) {
    if (x >= SlotX(0) && x < right && y >= RowY(row) && y < RowY(row) + ScaleForDpi(45)) {
      return true;
    }
  }
  return false;
}

bool InPieceArea(int x, int y) {
  for (int row = 0; row < ImagePieceCount; ++row) {
    const int left = BlitDestX(ImagePieces[row]);
    const int top = BlitDestY(ImagePieces[row]);
    if (x >= left && x < left + ScaleForDpi(PieceSizes[row].cx) && y >= top &&
        y < top + ScaleForDpi(PieceSizes[row].cy)) {
      return true;
    }
  }
  return false;
}

struct ShownText {
  TextAnchorRow anchor;
  std::u16string text;
};

// Each text is drawn whole at its anchor, and no other white pixel lies on the
// felt: no total, message or banner is drawn that should not be. Cards and
// pieces have white of their own and are left out of the second judgement.
void ExpectTexts(const Surface &frame, const Surface &felt, const std::vector<ShownText> &texts) {
  Surface expected(frame.width, frame.height, 0);
  for (const ShownText &shown : texts) {
    const Surface mask =
        viewtest::TextMask(frame.width, frame.height, AnchorX(TextAnchors[shown.anchor]),
                           AnchorY(TextAnchors[shown.anchor]), shown.text.c_str());
    int glyphs = 0;
    int missing = 0;
    for (std::size_t i = 0; i < mask.pixels.size(); ++i) {
      if (mask.pixels[i] == White) {
        ++glyphs;
        missing += frame.pixels[i] != White ? 1 : 0;
        expected.pixels[i] = White;
      }
    }
    const std::string text(shown.text.begin(), shown.text.end());
    EXPECT_GT(glyphs, 0) << "\"" << text << "\" has no pixels on this frame";
    EXPECT_EQ(missing, 0) << "\"" << text << "\" is not drawn whole at anchor " << shown.anchor;
  }
  int stray = 0;
  POINT first{};
  for (int y = 0; y < std::min(frame.height, felt.height); ++y) {
    for (int x = 0; x < std::min(frame.width, felt.width); ++x) {
      if (frame.Row(y)[x] == White && expected.Row(y)[x] != White && !InCardArea(x, y) &&
          !InPieceArea(x, y)) {
        first = stray++ == 0 ? POINT{x, y} : first;
      }
    }
  }
  EXPECT_EQ(stray, 0) << "white pixels of no expected text, the first at (" << first.x << ", "
                      << first.y << ")";
}

std::u16string Decimal(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

// With VIEW_SCREENSHOTS set to a folder, every frame judged here is also written
// there as a PNG, to be looked at as a player would.
void WriteForReview(const Surface &frame, const TableScreen &screen, const Scenario &s) {
  const char *folder = std::getenv("VIEW_SCREENSHOTS");
  if (folder == nullptr) {
    return;
  }
  std::string name = std::string(folder) + "/" + screen.name + " - " + s.name + ".png";
  std::replace(name.begin(), name.end(), ' ', '_');
  std::string error;
  EXPECT_TRUE(platform::WritePng(frame, name, &error)) << error;
}

class Renderer : public ::testing::TestWithParam<TableScreen> {};

TEST_P(Renderer, EveryPhaseShowsItsPiecesCardsTextsAndCue) {
  for (const Scenario &s : Scenarios()) {
    SCOPED_TRACE(s.name);
    TableOnScreen screen(GetParam());
    GameTable &table = screen.Table();
    Apply(s, table);
    platform::test::ClearPlayedCues();
    const Surface frame = screen.Paint();
    WriteForReview(frame, GetParam(), s);

    for (int row = 0; row < ImagePieceCount; ++row) {
      const Seen expected = s.livePieces.count(row) != 0 ? Seen::Live : Seen::Grey;
      EXPECT_EQ(PieceSeen(frame, table, row), expected) << "piece row " << row;
    }
    ExpectCards(frame, table, PlayerRow, s.playerShown);
    ExpectCards(frame, table, DealerRow, s.dealerShown);

    std::vector<ShownText> texts{{BankLabelAnchor, u"BANK: $"},
                                 {BankAmountAnchor, Decimal(s.bank)},
                                 {BetLabelAnchor, u"BET: $"},
                                 {BetAmountAnchor, Decimal(s.bet)}};
    if (s.playerTotal != nullptr) {
      texts.push_back({PlayerTotalAnchor, s.playerTotal});
    }
    if (s.dealerTotal != nullptr) {
      texts.push_back({DealerTotalAnchor, s.dealerTotal});
    }
    if (s.message != nullptr) {
      texts.push_back({ResultMessageAnchor, s.message});
    }
    if (s.shuffle) {
      texts.push_back({ShuffleBannerAnchor, u"* New Shuffle *"});
    }
    ExpectTexts(frame, Pixels(Felt(table)), texts);

    // The result's cue sounds at every paint, and nothing sounds otherwise.
    for (int paint = 0; paint < 2; ++paint) {
      const auto cues = platform::test::PlayedCues();
      if (s.cue != nullptr) {
        ASSERT_EQ(cues.size(), 1u) << "paint " << paint;
        EXPECT_EQ(cues[0].name, s.cue);
      } else {
        EXPECT_TRUE(cues.empty()) << "paint " << paint;
      }
      platform::test::ClearPlayedCues();
      screen.Paint();
    }
  }
}

// Text is drawn on the table with a transparent background: around the glyphs
// the felt shows, and without ClearType the glyphs are pure white.
TEST_P(Renderer, TextIsAliasedWhiteWithoutClearTypeAndSmoothWithIt) {
  TableOnScreen screen(GetParam());
  GameTable &table = screen.Table();
  for (bool clearType : {false, true}) {
    SCOPED_TRACE(clearType ? "ClearType" : "aliased");
    table.useClearType = clearType;
    const Surface frame = screen.Paint();
    const Surface &felt = Pixels(Felt(table));
    const Surface mask =
        viewtest::TextMask(frame.width, frame.height, AnchorX(TextAnchors[BankLabelAnchor]),
                           AnchorY(TextAnchors[BankLabelAnchor]), u"BANK: $");
    const RECT box = viewtest::WhiteBounds(mask);
    int other = 0;
    for (int y = box.top; y < box.bottom; ++y) {
      for (int x = box.left; x < box.right; ++x) {
        const std::uint32_t pixel = frame.Row(y)[x];
        other += pixel != White && pixel != felt.Row(y)[x] ? 1 : 0;
      }
    }
    if (clearType) {
      EXPECT_GT(other, 0) << "ClearType text looks aliased";
    } else {
      EXPECT_EQ(other, 0) << "aliased text has pixels that are neither white nor felt";
    }
  }
}

// The felt is copied at its own size from (0, 0); where the client area is
// larger the window colour shows, and nothing else is drawn outside the pieces,
// the cards and the texts.
TEST_P(Renderer, FeltAtItsOwnSizeOverTheWindowColour) {
  TableOnScreen screen(GetParam());
  GameTable &table = screen.Table();
  // The dealer's turn without cards: no piece and no card, only the felt and texts.
  table.bettingOpen = false;
  table.dealerTurn = true;
  const Surface frame = screen.Paint();
  const Surface &felt = Pixels(Felt(table));
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  const std::uint32_t background =
      (GetRValue(window) << 16) | (GetGValue(window) << 8) | GetBValue(window);
  // The texts of this state: the money and the two totals.
  auto inText = [&](int x, int y) {
    for (int row : {BankLabelAnchor, BankAmountAnchor, BetLabelAnchor, BetAmountAnchor,
                    PlayerTotalAnchor, DealerTotalAnchor}) {
      const int left = AnchorX(TextAnchors[row]);
      const int top = AnchorY(TextAnchors[row]);
      if (x >= left && x < left + ScaleForDpi(70) && y >= top && y < top + ScaleForDpi(16)) {
        return true;
      }
    }
    return false;
  };
  int wrong = 0;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      if (InCardArea(x, y) || inText(x, y)) {
        continue;
      }
      const bool onFelt = x < felt.width && y < felt.height;
      wrong += frame.Row(y)[x] != (onFelt ? felt.Row(y)[x] : background) ? 1 : 0;
    }
  }
  EXPECT_EQ(wrong, 0);
}

// "BANK: $" and "BET: $" leave room for their amounts, and the totals clear the
// five card slots, with the widest figures the table can show.
TEST_P(Renderer, TextsDoNotOverlapTheirNeighbours) {
  TableOnScreen screen(GetParam());
  landscapeLayout = IsLandscape() ? 1 : 0;
  const int width = GetParam().width;
  const int height = GetParam().height;
  auto bounds = [&](TextAnchorRow row, const char16_t *text) {
    return viewtest::WhiteBounds(viewtest::TextMask(width, height, AnchorX(TextAnchors[row]),
                                                    AnchorY(TextAnchors[row]), text));
  };
  auto apart = [](const RECT &a, const RECT &b) {
    return a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
  };
  EXPECT_TRUE(apart(bounds(BankLabelAnchor, u"BANK: $"), bounds(BankAmountAnchor, u"-5500")));
  EXPECT_TRUE(apart(bounds(BetLabelAnchor, u"BET: $"), bounds(BetAmountAnchor, u"5495")));
  EXPECT_TRUE(apart(bounds(BankAmountAnchor, u"-5500"), bounds(BetLabelAnchor, u"BET: $")));
  EXPECT_TRUE(apart(bounds(BetAmountAnchor, u"5495"), bounds(BankLabelAnchor, u"BANK: $")));
  const RECT lastCard{SlotX(0), 0, SlotX(4) + ScaleForDpi(30), height};
  for (int row = DealerRow; row <= PlayerRow; ++row) {
    const RECT cards{lastCard.left, RowY(row), lastCard.right, RowY(row) + ScaleForDpi(45)};
    for (TextAnchorRow total : {PlayerTotalAnchor, DealerTotalAnchor}) {
      EXPECT_TRUE(apart(bounds(total, u"12(22)"), cards)) << "total " << total << " row " << row;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, Renderer, ::testing::ValuesIn(Screens),
                         [](const ::testing::TestParamInfo<TableScreen> &info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

// Every object a paint creates is gone when it returns, paint after paint.
TEST(RendererResources, AThousandPaintsLeaveTheGdiObjectCountsUnchanged) {
  TableOnScreen screen(Screens[0]);
  GameTable &table = screen.Table();
  table.bank = 900;
  table.bet = 100;
  table.newShuffle = true;
  HDC windowDC = GetDC(screen.Window());
  const auto before = platform::test::GdiObjectCounts();
  for (int paint = 0; paint < 1000; ++paint) {
    // Through every phase, so that every kind of drawing runs.
    const Phase phases[] = {Betting, PlayersTurn, DealersTurn, Result};
    const Phase &phase = phases[paint % 4];
    table.bettingOpen = phase.betting;
    table.playerTurn = phase.player;
    table.dealerTurn = phase.dealer;
    table.roundOver = phase.over;
    table.playerCardCount = 2;
    table.dealerCardCount = 2;
    PaintTable(table, windowDC);
    ASSERT_EQ(platform::test::GdiObjectCounts(), before) << "after paint " << paint;
  }
  ReleaseDC(screen.Window(), windowDC);
}

// A window without a client area (hidden behind the menu bar, say) gets a paint
// that draws nothing and still leaves nothing behind.
TEST(RendererResources, AnEmptyClientAreaLeavesNothingBehind) {
  TableOnScreen screen(Screens[0]);
  MoveWindow(screen.Window(), 0, 0, 0, 0, FALSE);
  HDC windowDC = GetDC(screen.Window());
  const auto before = platform::test::GdiObjectCounts();
  PaintTable(screen.Table(), windowDC);
  EXPECT_EQ(platform::test::GdiObjectCounts(), before);
  EXPECT_EQ(screen.Table().clientRect.right, 0);
  EXPECT_EQ(screen.Table().clientRect.bottom, 0);
  ReleaseDC(screen.Window(), windowDC);
}

} // namespace
