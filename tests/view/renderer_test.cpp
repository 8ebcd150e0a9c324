// The table renderer in every phase, both orientations and both dpi sets, judged by its pixels:
// the felt with the phase's cards, the texts it names and the buttons and chips it makes live.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fixture.h"
#include "tests/gdi/canvas.h"
#include "view/geometry.h"
#include "view/table_renderer.h"

namespace {

using platform::Surface;
using namespace viewtest;

constexpr Card Back{0, 0};
// The side of a square, in 96-dpi pixels, that fits inside every button and chip at its corner.
constexpr int PieceCore = 20;

bool Landscape() { return landscapeLayout != 0; }
const ImageAsset &Felt(const GameTable &t) {
  return Landscape() ? t.landscapeTable : t.portraitTable;
}

// The felt with the phase's cards drawn on it where DrawCardSprite puts them, in the order they are
// drawn: four backs between hands (a settled hand's cards over them), the dealer's second card
// hidden in the player's turn.
Surface FeltWithCards(const GameTable &table, const Scenario &s, const Surface &frame) {
  const Canvas canvas(frame.width, frame.height);
  const ImageAsset &felt = Felt(table);
  BitBlt(canvas.dc, 0, 0, felt.Width(), felt.Height(), felt.SourceDC(), 0, 0, SRCCOPY);
  const auto hand = [&](int row, const std::vector<Card> &cards) {
    for (std::size_t slot = 0; slot < cards.size(); ++slot) {
      const bool back = cards[slot].rank == 0;
      DrawCardSprite(table, row, canvas.dc, static_cast<int>(slot), back ? 1 : cards[slot].rank,
                     cards[slot].suit, back);
    }
  };
  if (s.phase.betting) {
    hand(PlayerRow, {Back, Back});
    hand(DealerRow, {Back, Back});
  } else if (s.phase.player) {
    hand(DealerRow, {s.dealer[0], Back});
    hand(PlayerRow, s.player);
  }
  if (s.phase.dealer || s.phase.over) {
    hand(PlayerRow, s.player);
    hand(DealerRow, s.dealer);
  }
  return *canvas.surface;
}

// Each text is drawn whole at its anchor; returns where their glyphs lie, in white.
Surface ExpectTexts(const Surface &frame, const Scenario &s) {
  const std::string bank = std::to_string(s.bank), bet = std::to_string(s.bet);
  std::vector<std::pair<TextAnchorRow, std::u16string>> texts{
      {BankLabelAnchor, u"BANK: $"},
      {BankAmountAnchor, {bank.begin(), bank.end()}},
      {BetLabelAnchor, u"BET: $"},
      {BetAmountAnchor, {bet.begin(), bet.end()}}};
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
  Surface glyphs(frame.width, frame.height, 0);
  for (const auto &[anchor, text] : texts) {
    const Surface mask = TextMask(frame.width, frame.height, AnchorX(TextAnchors[anchor]),
                                  AnchorY(TextAnchors[anchor]), text.c_str());
    int missing = 0;
    for (std::size_t i = 0; i < mask.pixels.size(); ++i) {
      if (mask.pixels[i] == White) {
        missing += frame.pixels[i] != White ? 1 : 0;
        glyphs.pixels[i] = White;
      }
    }
    EXPECT_EQ(missing, 0) << "\"" << std::string(text.begin(), text.end())
                          << "\" is not drawn whole at anchor " << anchor;
  }
  return glyphs;
}

// Whether the pixel at (x, y) is what the piece `row` shows when live: its place in the
// orientation's picture of the buttons or of the chips.
bool PieceShows(const GameTable &t, int row, int x, int y, std::uint32_t pixel) {
  const LayoutBlit &blit = ImagePieces[row];
  const int sx = x - BlitDestX(blit) + BlitSourceX(blit);
  const int sy = y - BlitDestY(blit) + BlitSourceY(blit);
  const ImageAsset *pictures[2][2] = {{&t.portraitButtons, &t.portraitChips},
                                      {&t.landscapeButtons, &t.landscapeChips}};
  for (const ImageAsset *picture : pictures[Landscape() ? 1 : 0]) {
    const Surface &image = Pixels(*picture);
    if (sx >= 0 && sy >= 0 && sx < image.width && sy < image.height && image.Row(sy)[sx] == pixel) {
      return true;
    }
  }
  return false;
}

// Whether the square at a piece's corner shows its picture (true) or the felt (false); fails the
// test when it shows neither, or both because the picture looks like the felt there.
bool PieceLive(const Surface &frame, const Surface &felt, const Surface &glyphs, const GameTable &t,
               int row) {
  bool grey = true, live = true;
  for (int dy = 0; dy < ScaleForDpi(PieceCore); ++dy) {
    for (int dx = 0; dx < ScaleForDpi(PieceCore); ++dx) {
      const int x = BlitDestX(ImagePieces[row]) + dx, y = BlitDestY(ImagePieces[row]) + dy;
      if (glyphs.Row(y)[x] != White) { // the landscape shuffle banner crosses the 500 chip
        grey = grey && frame.Row(y)[x] == felt.Row(y)[x];
        live = live && PieceShows(t, row, x, y, frame.Row(y)[x]);
      }
    }
  }
  EXPECT_NE(grey, live) << "piece " << row << " shows the felt and its picture alike";
  return live;
}

class Renderer : public ::testing::TestWithParam<TableScreen> {};

TEST_P(Renderer, EveryPhaseShowsItsCardsTextsLivePiecesAndCueAndNothingElse) {
  for (const Scenario &s : Scenarios()) {
    SCOPED_TRACE(s.name);
    TableOnScreen screen(GetParam());
    GameTable &table = screen.Table();
    Apply(s, table);
    platform::test::ClearPlayedCues();
    const Surface frame = screen.Paint();
    const Surface expected = FeltWithCards(table, s, frame);
    const Surface glyphs = ExpectTexts(frame, s);
    std::vector<int> live;
    for (int row = 0; row < ImagePieceCount; ++row) {
      EXPECT_EQ(PieceLive(frame, expected, glyphs, table, row), s.livePieces.count(row) != 0)
          << "piece " << row;
      if (s.livePieces.count(row) != 0) {
        live.push_back(row);
      }
    }
    int wrong = 0;
    for (int y = 0; y < std::min(frame.height, Felt(table).Height()); ++y) {
      for (int x = 0; x < frame.width; ++x) {
        const std::uint32_t got = frame.Row(y)[x];
        const auto shows = [&](int row) { return PieceShows(table, row, x, y, got); };
        wrong += got != expected.Row(y)[x] && glyphs.Row(y)[x] != White &&
                 std::none_of(live.begin(), live.end(), shows);
      }
    }
    EXPECT_EQ(wrong, 0) << "pixels that are no card, text or live piece of the phase";

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
    const Surface &felt = Pixels(Felt(table));
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
