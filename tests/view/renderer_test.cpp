// The table renderer in every phase, both orientations and both dpi sets, judged by its pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fixture.h"
#include "view/geometry.h"
#include "view/table_renderer.h"

namespace {

using platform::Surface;
using namespace viewtest;

constexpr std::uint32_t Magenta = 0x00FF00FF;
constexpr Card Back{0, 0};

// Per row of ImagePieces: the logical size and the pictures it comes from in each orientation.
struct PieceSource {
  SIZE size;
  ImageAsset GameTable::*portrait, GameTable::*landscape;
};
constexpr auto Buttons =
    PieceSource{{60, 25}, &GameTable::portraitButtons, &GameTable::landscapeButtons};
constexpr auto Chip = PieceSource{{31, 31}, &GameTable::portraitChips, &GameTable::landscapeChips};
constexpr PieceSource Pieces[ImagePieceCount] = {
    Buttons, {{60, 26}, &GameTable::portraitChips, &GameTable::landscapeButtons},
    Chip,    Chip,
    Chip,    Chip,
    Chip,    Buttons,
    Buttons, Buttons};

bool Landscape() { return landscapeLayout != 0; }
const Surface &Felt(const GameTable &t) {
  return Pixels(Landscape() ? t.landscapeTable : t.portraitTable);
}
int SlotX(int slot) { return ScaleForDpi(30) + slot * ScaleForDpi(17); }
int RowY(int row) {
  return ScaleForDpi(row == DealerRow ? (Landscape() ? 63 : 72) : (Landscape() ? 131 : 140));
}
bool Inside(int x, int y, int left, int top, int width, int height) {
  return x >= left && x < left + width && y >= top && y < top + height;
}
bool InCardOrPiece(int x, int y) {
  for (int row : {DealerRow, PlayerRow}) {
    if (Inside(x, y, SlotX(0), RowY(row), SlotX(4) + ScaleForDpi(30) - SlotX(0), ScaleForDpi(45))) {
      return true;
    }
  }
  for (int row = 0; row < ImagePieceCount; ++row) {
    if (Inside(x, y, BlitDestX(ImagePieces[row]), BlitDestY(ImagePieces[row]),
               ScaleForDpi(Pieces[row].size.cx), ScaleForDpi(Pieces[row].size.cy))) {
      return true;
    }
  }
  return false;
}

// Whether every pixel of a piece's rectangle is the live picture (true) or the felt's grey twin
// (false); fails the test when it is neither or when the two cannot be told apart.
bool PieceLive(const Surface &frame, const GameTable &table, int row) {
  const PieceSource &piece = Pieces[row];
  const Surface &image = Pixels(table.*(Landscape() ? piece.landscape : piece.portrait));
  const Surface &felt = Felt(table);
  const LayoutBlit &blit = ImagePieces[row];
  int live = 0, grey = 0, compared = 0, differing = 0;
  for (int dy = 0; dy < ScaleForDpi(piece.size.cy); ++dy) {
    for (int dx = 0; dx < ScaleForDpi(piece.size.cx); ++dx) {
      const int x = BlitDestX(blit) + dx, y = BlitDestY(blit) + dy;
      const int sx = BlitSourceX(blit) + dx, sy = BlitSourceY(blit) + dy;
      if (x >= std::min(frame.width, felt.width) || y >= std::min(frame.height, felt.height) ||
          sx >= image.width || sy >= image.height) {
        continue;
      }
      const std::uint32_t got = frame.Row(y)[x], livePixel = image.Row(sy)[sx];
      const std::uint32_t greyPixel = felt.Row(y)[x];
      // Text over a piece (the landscape shuffle banner crosses the 500 chip) is judged as text.
      if (got == White && livePixel != White && greyPixel != White) {
        continue;
      }
      ++compared;
      differing += livePixel != greyPixel ? 1 : 0;
      live += got == livePixel ? 1 : 0;
      grey += got == greyPixel ? 1 : 0;
    }
  }
  EXPECT_GT(differing * 4, compared) << "piece " << row << ": live and grey look alike";
  EXPECT_TRUE(compared > 0 && (live == compared || grey == compared))
      << "piece " << row << " is neither live nor grey";
  return compared > 0 && live == compared;
}

// Each slot's uncovered part shows the back or the face (magenta corners aside); right of the
// last card, up to where a fifth would end, the felt shows.
void ExpectCards(const Surface &frame, const GameTable &table, int row,
                 const std::vector<Card> &shown) {
  const int w = ScaleForDpi(30), h = ScaleForDpi(45), top = RowY(row);
  const ImageAsset *strips[] = {&table.clubsStrip, &table.diamondsStrip, &table.spadesStrip,
                                &table.heartsStrip};
  const auto count = static_cast<int>(shown.size());
  for (int slot = 0; slot < count; ++slot) {
    const Card card = shown[static_cast<std::size_t>(slot)];
    const Surface &source = Pixels(card.rank == 0 ? table.cardBack : *strips[card.suit]);
    const int sourceX = card.rank == 0 ? 0 : (card.rank - 1) * w;
    const int right = slot + 1 < count ? SlotX(slot + 1) : SlotX(slot) + w;
    int wrong = 0;
    for (int y = top; y < top + h; ++y) {
      for (int x = SlotX(slot); x < right; ++x) {
        const std::uint32_t expected = source.Row(y - top)[sourceX + x - SlotX(slot)];
        wrong += expected != Magenta && frame.Row(y)[x] != expected ? 1 : 0;
      }
    }
    EXPECT_EQ(wrong, 0) << "row " << row << " slot " << slot
                        << (card.rank == 0 ? " should be a back" : " should be a face");
  }
  const Surface &felt = Felt(table);
  int notFelt = 0;
  for (int y = top; y < top + h; ++y) {
    for (int x = count == 0 ? SlotX(0) : SlotX(count - 1) + w; x < SlotX(4) + w; ++x) {
      const std::uint32_t pixel = frame.Row(y)[x]; // white: the shuffle banner crosses the row
      notFelt += pixel != felt.Row(y)[x] && pixel != White ? 1 : 0;
    }
  }
  EXPECT_EQ(notFelt, 0) << "row " << row << " shows more than " << count << " cards";
}

// Each text is drawn whole at its anchor, and no other white pixel lies on the felt outside the
// cards and pieces: no total, message or banner is drawn that should not be.
void ExpectTexts(const Surface &frame, const Surface &felt,
                 const std::vector<std::pair<TextAnchorRow, std::u16string>> &texts) {
  Surface expected(frame.width, frame.height, 0);
  for (const auto &[anchor, text] : texts) {
    const Surface mask = TextMask(frame.width, frame.height, AnchorX(TextAnchors[anchor]),
                                  AnchorY(TextAnchors[anchor]), text.c_str());
    int glyphs = 0, missing = 0;
    for (std::size_t i = 0; i < mask.pixels.size(); ++i) {
      if (mask.pixels[i] == White) {
        ++glyphs;
        missing += frame.pixels[i] != White ? 1 : 0;
        expected.pixels[i] = White;
      }
    }
    EXPECT_GT(glyphs, 0) << "text at anchor " << anchor << " has no pixels";
    EXPECT_EQ(missing, 0) << "\"" << std::string(text.begin(), text.end())
                          << "\" is not drawn whole at anchor " << anchor;
  }
  int stray = 0;
  for (int y = 0; y < std::min(frame.height, felt.height); ++y) {
    for (int x = 0; x < std::min(frame.width, felt.width); ++x) {
      stray += frame.Row(y)[x] == White && expected.Row(y)[x] != White && !InCardOrPiece(x, y);
    }
  }
  EXPECT_EQ(stray, 0) << "white pixels of no expected text";
}

std::u16string Decimal(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

// What a row shows: two backs while betting, the dealer's hole card hidden in the player's turn.
std::vector<Card> Shown(const Scenario &s, bool dealer) {
  if (s.phase.betting && !s.phase.over) {
    return {Back, Back};
  }
  if (dealer && s.phase.player) {
    return {s.dealer[0], Back};
  }
  return dealer ? s.dealer : s.player;
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

    for (int row = 0; row < ImagePieceCount; ++row) {
      EXPECT_EQ(PieceLive(frame, table, row), s.livePieces.count(row) != 0) << "piece " << row;
    }
    ExpectCards(frame, table, PlayerRow, Shown(s, false));
    ExpectCards(frame, table, DealerRow, Shown(s, true));

    std::vector<std::pair<TextAnchorRow, std::u16string>> texts{{BankLabelAnchor, u"BANK: $"},
                                                                {BankAmountAnchor, Decimal(s.bank)},
                                                                {BetLabelAnchor, u"BET: $"},
                                                                {BetAmountAnchor, Decimal(s.bet)}};
    const std::pair<TextAnchorRow, const char16_t *> optional[] = {
        {PlayerTotalAnchor, s.playerTotal},
        {DealerTotalAnchor, s.dealerTotal},
        {ResultMessageAnchor, s.message},
        {ShuffleBannerAnchor, s.shuffle ? u"* New Shuffle *" : nullptr}};
    for (const auto &[anchor, text] : optional) {
      if (text != nullptr) {
        texts.emplace_back(anchor, text);
      }
    }
    ExpectTexts(frame, Felt(table), texts);

    // The result's cue sounds at every paint, and nothing sounds otherwise.
    for (int paint = 0; paint < 2; ++paint) {
      const auto cues = platform::test::PlayedCues();
      ASSERT_EQ(cues.size(), s.cue != nullptr ? 1u : 0u) << "paint " << paint;
      if (s.cue != nullptr) {
        EXPECT_EQ(cues[0].name, s.cue);
      }
      platform::test::ClearPlayedCues();
      screen.Paint();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, Renderer, ::testing::ValuesIn(Screens),
                         [](const ::testing::TestParamInfo<TableScreen> &info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

// With ClearType the table's text is drawn sub-pixel: at the edges of "BANK: $" the three channels
// rise from the felt towards white by different shares. Without it the text is aliased: every
// pixel there is the felt's or white.
TEST(RendererText, ClearTypeDrawsTheTextSubPixel) {
  for (const bool clearType : {false, true}) {
    SCOPED_TRACE(clearType ? "ClearType" : "aliased");
    TableOnScreen screen(Screens[0]);
    GameTable &table = screen.Table();
    Apply(ScenarioNamed("new table"), table);
    table.useClearType = clearType;
    const Surface frame = screen.Paint();
    const Surface &felt = Felt(table);
    const LayoutPoint &anchor = TextAnchors[BankLabelAnchor];
    const Surface mask =
        TextMask(frame.width, frame.height, AnchorX(anchor), AnchorY(anchor), u"BANK: $");
    RECT box{frame.width, frame.height, 0, 0}; // the aliased glyphs, widened by the fringes
    for (int y = 0; y < mask.height; ++y) {
      for (int x = 0; x < mask.width; ++x) {
        if (mask.Row(y)[x] == White) {
          box = {std::min<LONG>(box.left, x - 2), std::min<LONG>(box.top, y),
                 std::max<LONG>(box.right, x + 3), std::max<LONG>(box.bottom, y + 1)};
        }
      }
    }
    ASSERT_LT(box.left, box.right);
    int blended = 0, coloured = 0;
    for (int y = box.top; y < box.bottom; ++y) {
      for (int x = std::max<LONG>(box.left, 0); x < box.right; ++x) {
        const std::uint32_t got = frame.Row(y)[x], under = felt.Row(y)[x];
        if (got == under || got == White) {
          continue;
        }
        ++blended;
        int low = 256, high = -1; // each channel's share of the way from the felt to white
        for (const int shift : {16, 8, 0}) {
          const int g = static_cast<int>((got >> shift) & 0xFF);
          const int u = static_cast<int>((under >> shift) & 0xFF);
          const int share = u == 255 ? 0 : (g - u) * 256 / (255 - u);
          low = std::min(low, share);
          high = std::max(high, share);
        }
        coloured += high - low > 64 ? 1 : 0;
      }
    }
    EXPECT_EQ(blended > 0, clearType) << blended << " pixels are neither felt nor white";
    EXPECT_EQ(coloured > 0, clearType) << coloured << " pixels have coloured fringes";
  }
}

// Every object a paint creates is gone when it returns, through every phase, and a window without
// a client area gets a paint that draws nothing and leaves nothing either.
TEST(RendererResources, AThousandPaintsLeaveTheGdiObjectCountsUnchanged) {
  TableOnScreen screen(Screens[0]);
  GameTable &table = screen.Table();
  Apply(ScenarioNamed("result blackjack"), table);
  table.newShuffle = true;
  HDC windowDC = GetDC(screen.Window());
  const auto before = platform::test::GdiObjectCounts();
  const Phase phases[] = {Betting, PlayersTurn, DealersTurn, Result};
  for (int paint = 0; paint < 1000; ++paint) {
    const Phase &phase = phases[paint % 4];
    table.bettingOpen = phase.betting;
    table.playerTurn = phase.player;
    table.dealerTurn = phase.dealer;
    table.roundOver = phase.over;
    PaintTable(table, windowDC);
    ASSERT_EQ(platform::test::GdiObjectCounts(), before) << "after paint " << paint;
  }
  MoveWindow(screen.Window(), 0, 0, 0, 0, FALSE);
  PaintTable(table, windowDC);
  EXPECT_EQ(platform::test::GdiObjectCounts(), before);
  EXPECT_EQ(table.clientRect.right, 0);
  EXPECT_EQ(table.clientRect.bottom, 0);
  ReleaseDC(screen.Window(), windowDC);
}

} // namespace
