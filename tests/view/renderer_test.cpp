// The table renderer in every phase, both orientations and both dpi sets, judged by its pixels:
// the felt with the phase's cards, the texts it names and the buttons and chips it makes live.
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

constexpr std::uint32_t Magenta = 0xFF00FF;
constexpr Card Back{0, 0};

bool Landscape() { return landscapeLayout != 0; }
const ImageAsset &Felt(const GameTable &t) {
  return Landscape() ? t.landscapeTable : t.portraitTable;
}

// Copies a w x h piece of `image` from (sx, sy) to (x, y) of `out`, leaving out magenta.
void Lay(Surface &out, const Surface &image, int sx, int sy, int x, int y, int w, int h) {
  for (int dy = 0; dy < h; ++dy) {
    for (int dx = 0; dx < w; ++dx) {
      const std::uint32_t p = image.Row(sy + dy)[sx + dx];
      if (p != Magenta) {
        out.Row(y + dy)[x + dx] = p;
      }
    }
  }
}

// The frame a scenario must paint, but for its texts, in 96-dpi pixels times `scale`: the felt;
// the phase's cards where the table is designed to hold them (slot k at 30 + 17k across, the
// dealer's row at 72 and the player's at 140, or 63 and 131 in landscape; 30 x 45), in the order
// they are drawn (four backs between hands, a settled hand's cards over them; the dealer's
// second card hidden in the player's turn); and the live buttons and chips from their pictures.
Surface ExpectedFrame(const GameTable &t, const Scenario &s, const Surface &frame, int scale) {
  Surface out(frame.width, frame.height, 0);
  const Surface &felt = Pixels(Felt(t));
  Lay(out, felt, 0, 0, 0, 0, std::min(felt.width, out.width), std::min(felt.height, out.height));
  const ImageAsset *suits[] = {&t.clubsStrip, &t.diamondsStrip, &t.spadesStrip, &t.heartsStrip};
  const auto hand = [&](int row, const std::vector<Card> &cards) {
    const int y = (row == DealerRow ? (Landscape() ? 63 : 72) : (Landscape() ? 131 : 140));
    for (std::size_t slot = 0; slot < cards.size(); ++slot) {
      const Card c = cards[slot];
      const Surface &image = Pixels(c.rank == 0 ? t.cardBack : *suits[c.suit]);
      Lay(out, image, std::max(c.rank - 1, 0) * 30 * scale, 0,
          (30 + 17 * static_cast<int>(slot)) * scale, y * scale, 30 * scale, 45 * scale);
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
  // The Clear button's picture lies among the chips in portrait, among the buttons in landscape.
  for (const int row : s.livePieces) {
    const LayoutBlit &b = ImagePieces[row];
    const bool chip =
        (row >= DearestChipPiece && row < HitPiece) || (row == ClearPiece && !Landscape());
    const int w = row >= DearestChipPiece && row < HitPiece ? 31 : 60;
    const int h = w == 31 ? 31 : row == ClearPiece ? 26 : 25;
    const Surface &image = Pixels(Landscape() ? (chip ? t.landscapeChips : t.landscapeButtons)
                                              : (chip ? t.portraitChips : t.portraitButtons));
    Lay(out, image, (Landscape() ? b.landscapeSourceX : b.portraitSourceX) * scale,
        (Landscape() ? b.landscapeSourceY : b.portraitSourceY) * scale,
        (Landscape() ? b.landscapeDestX : b.portraitDestX) * scale,
        (Landscape() ? b.landscapeDestY : b.portraitDestY) * scale, w * scale, h * scale);
  }
  return out;
}

// Each text is drawn whole at its anchor; returns where their glyphs lie, in white.
Surface ExpectTexts(const Surface &frame, const Scenario &s, int scale) {
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
    const LayoutPoint &at = TextAnchors[anchor];
    const Surface mask =
        TextMask(frame.width, frame.height, (Landscape() ? at.landscapeX : at.portraitX) * scale,
                 (Landscape() ? at.landscapeY : at.portraitY) * scale, text.c_str());
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

class Renderer : public ::testing::TestWithParam<TableScreen> {};

TEST_P(Renderer, EveryPhaseShowsItsCardsTextsLivePiecesAndCueAndNothingElse) {
  for (const Scenario &s : Scenarios()) {
    SCOPED_TRACE(s.name);
    TableOnScreen screen(GetParam());
    GameTable &table = screen.Table();
    Apply(s, table);
    platform::test::ClearPlayedCues();
    const Surface frame = screen.Paint();
    const int scale = GetParam().dpi / 96;
    const Surface expected = ExpectedFrame(table, s, frame, scale);
    const Surface glyphs = ExpectTexts(frame, s, scale);
    int wrong = 0;
    for (int y = 0; y < std::min(frame.height, Felt(table).Height()); ++y) {
      for (int x = 0; x < frame.width; ++x) {
        wrong += frame.Row(y)[x] != expected.Row(y)[x] && glyphs.Row(y)[x] != White ? 1 : 0;
      }
    }
    EXPECT_EQ(wrong, 0) << "pixels that are not the felt with the phase's cards, texts and pieces";

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

// With ClearType the table's text is drawn sub-pixel: where the aliased text leaves the felt, the
// ClearType text has pixels whose three channels rise from the felt towards white by different
// shares. Switching the setting takes effect at the next paint.
TEST(RendererText, ClearTypeDrawsTheTextSubPixel) {
  TableOnScreen screen(Screens[0]);
  GameTable &table = screen.Table();
  Apply(ScenarioNamed("new table"), table);
  const Surface aliased = screen.Paint();
  table.useClearType = true;
  const Surface clearType = screen.Paint();
  int coloured = 0;
  for (std::size_t i = 0; i < aliased.pixels.size(); ++i) {
    const std::uint32_t got = clearType.pixels[i], under = aliased.pixels[i];
    int low = 256, high = -1; // each channel's share of the way from the felt to white
    for (const int shift : {16, 8, 0}) {
      const int g = static_cast<int>((got >> shift) & 0xFF);
      const int u = static_cast<int>((under >> shift) & 0xFF);
      const int share = u == 255 ? 0 : (g - u) * 256 / (255 - u);
      low = std::min(low, share);
      high = std::max(high, share);
    }
    coloured += under != White && got != under && high - low > 64 ? 1 : 0;
  }
  EXPECT_GT(coloured, 0) << "no pixel of the text has coloured fringes";
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
    SetPhase(phases[paint % 4], table);
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
