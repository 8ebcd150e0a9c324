// The view tests' table on a headless screen, its states, and the pixel helpers that judge a frame.
#include "fixture.h"

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "kernel/module.h"
#include "tests/gdi/canvas.h"
#include "view/geometry.h"
#include "view/table_renderer.h"

namespace viewtest {

namespace {

// The rows of ImagePieces of the chips of these values, and of Deal and Clear when `dealClear`.
std::set<int> Pieces(std::initializer_list<std::int32_t> chipValues, bool dealClear = false) {
  std::set<int> rows;
  for (const std::int32_t value : chipValues) {
    rows.insert(ChipPiece(static_cast<int>(
        std::find(std::begin(ChipValues), std::end(ChipValues), value) - std::begin(ChipValues))));
  }
  if (dealClear) {
    rows.insert({DealPiece, ClearPiece});
  }
  return rows;
}

} // namespace

TableOnScreen::TableOnScreen(const TableScreen &screen)
    : device_({.width = screen.width, .height = screen.height, .dpi = screen.dpi}) {
  std::string error;
  HINSTANCE module = platform::test::LoadResModule(platform::EmbeddedResources(), &error);
  EXPECT_NE(module, nullptr) << error;
  screenDpi = 0; // a fresh process would capture this screen's dpi
  CaptureScreenDpi();
  window_ = platform::test::CreatePlainWindow(u"BlackJack");
  const int bar = ScaleForDpi(26);
  MoveWindow(window_, 0, bar, screen.width, screen.height - 2 * bar, FALSE);
  table_ = std::make_unique<GameTable>(module, window_);
}

TableOnScreen::~TableOnScreen() {
  table_.reset();
  DestroyWindow(window_);
  screenDpi = 0;
  landscapeLayout = 0;
}

platform::Surface TableOnScreen::Paint() {
  RECT client{};
  GetClientRect(window_, &client);
  HDC windowDC = GetDC(window_);
  const Canvas canvas(client.right, client.bottom, 0, windowDC);
  PaintTable(*table_, canvas.dc);
  ReleaseDC(window_, windowDC);
  return *platform::BitmapSurface(canvas.bitmap);
}

const std::vector<Scenario> &Scenarios() {
  constexpr Card Ace{1, 2}, Six{6, 3}, King{13, 3}, Ten{10, 0}, Seven{7, 1}, Two{2, 0};
  constexpr Card Three{3, 1}, Four{4, 2}, Nine{9, 3}, Queen{12, 2}, Eight{8, 0}, Five{5, 1};
  const std::set<int> chips = Pieces({500, 100, 25, 10, 5}),
                      all = Pieces({500, 100, 25, 10, 5}, true);
  const std::set<int> to100 = Pieces({100, 25, 10, 5}, true), dealClear = Pieces({}, true);
  const std::vector<Card> tenSeven{Ten, Seven}, queenEight{Queen, Eight};
  // clang-format off
  static const std::vector<Scenario> scenarios{
      {.name = "new table", .bank = 1000, .livePieces = chips},
      {.name = "betting bank 499 with a bet", .bank = 499, .bet = 100, .livePieces = to100},
      {.name = "betting bank 4 bet 1", .bank = 4, .bet = 1, .livePieces = dealClear},
      {.name = "betting negative bank and a shuffle", .bank = -50, .bet = 100, .shuffle = true,
       .livePieces = dealClear},
      {.name = "betting broke", .message = u"You're Broke! - Game Over"},
      {.name = "player's turn two cards", .phase = PlayersTurn, .bank = 900, .bet = 100,
       .player = {Ace, Six}, .dealer = tenSeven, .playerSoft = 17, .playerHard = 7,
       .dealerSoft = 17, .dealerHard = 17, .livePieces = {HitPiece, StandPiece, DoublePiece},
       .playerTotal = u"7(17)"},
      {.name = "player's turn bank at the bet", .phase = PlayersTurn, .bank = 100, .bet = 100,
       .player = {Ace, Six}, .dealer = tenSeven, .playerSoft = 17, .playerHard = 7,
       .livePieces = {HitPiece, StandPiece, DoublePiece}, .playerTotal = u"7(17)"},
      {.name = "player's turn bank below bet", .phase = PlayersTurn, .bank = 99, .bet = 100,
       .player = {Ace, Six}, .dealer = tenSeven, .playerSoft = 17, .playerHard = 7,
       .livePieces = {HitPiece, StandPiece}, .playerTotal = u"7(17)"},
      {.name = "player's turn four cards soft 22 hard 12", .phase = PlayersTurn, .bank = 900,
       .bet = 100, .player = {Ace, Two, Four, Five}, .dealer = tenSeven, .playerSoft = 22,
       .playerHard = 12, .livePieces = {HitPiece, StandPiece}, .playerTotal = u"12"},
      {.name = "player's turn five cards", .phase = PlayersTurn, .bank = 900, .bet = 100,
       .player = {Two, Three, Four, Two, Five}, .dealer = tenSeven, .playerSoft = 21,
       .playerHard = 21, .livePieces = {StandPiece}, .playerTotal = u"21"},
      {.name = "dealer's turn", .phase = DealersTurn, .bank = 900, .bet = 100, .player = queenEight,
       .dealer = {Ten, Two}, .playerSoft = 18, .playerHard = 18, .dealerSoft = 12,
       .dealerHard = 12, .playerTotal = u"18", .dealerTotal = u"12"},
      {.name = "result blackjack", .phase = Result, .bank = 1100, .bet = 100, .player = {Ace, King},
       .dealer = tenSeven, .playerSoft = 21, .playerHard = 11, .dealerSoft = 17, .dealerHard = 17,
       .blackjack = true, .livePieces = all, .playerTotal = u"11(21)", .dealerTotal = u"17",
       .message = u"Black Jack!", .cue = u"chaching"},
      {.name = "result player busts at 22", .phase = Result, .bank = 800, .bet = 100,
       .player = {Queen, Eight, Four}, .dealer = tenSeven, .playerSoft = 22, .playerHard = 22,
       .dealerSoft = 17, .dealerHard = 17, .livePieces = all, .playerTotal = u"22",
       .dealerTotal = u"17", .message = u"Player Busts - You Lose", .cue = u"lose"},
      {.name = "result dealer busts", .phase = Result, .bank = 450, .bet = 100, .player = queenEight,
       .dealer = {Ten, Six, Nine}, .playerSoft = 18, .playerHard = 18, .dealerSoft = 25,
       .dealerHard = 25, .won = true, .livePieces = to100, .playerTotal = u"18",
       .dealerTotal = u"25", .message = u"Dealer Busts - You Win", .cue = u"chaching"},
      {.name = "result win at 21", .phase = Result, .bank = 30, .bet = 100,
       .player = {Queen, Eight, Three}, .dealer = tenSeven, .playerSoft = 21, .playerHard = 21,
       .dealerSoft = 17, .dealerHard = 17, .won = true, .livePieces = Pieces({25, 10, 5}, true),
       .playerTotal = u"21", .dealerTotal = u"17", .message = u"You Win", .cue = u"chaching"},
      {.name = "result draw", .phase = Result, .bank = 5, .bet = 100, .player = {Queen, Seven},
       .dealer = tenSeven, .playerSoft = 17, .playerHard = 17, .dealerSoft = 17, .dealerHard = 17,
       .push = true, .livePieces = Pieces({5}, true), .playerTotal = u"17",
       .dealerTotal = u"17", .message = u"Draw", .cue = u"lose"},
      {.name = "result loss to 21", .phase = Result, .bank = 0, .bet = 100, .player = {Queen, Six},
       .dealer = {Ten, Seven, Four}, .playerSoft = 16, .playerHard = 16, .dealerSoft = 21,
       .dealerHard = 21, .livePieces = dealClear, .playerTotal = u"16", .dealerTotal = u"21",
       .message = u"You Lose", .cue = u"lose"},
      {.name = "result broke", .phase = Result, .player = {Queen, Six}, .dealer = tenSeven,
       .playerSoft = 16, .playerHard = 16, .dealerSoft = 17, .dealerHard = 17,
       .playerTotal = u"16", .dealerTotal = u"17", .message = u"You're Broke! - Game Over"},
  };
  // clang-format on
  return scenarios;
}

const Scenario &ScenarioNamed(const char *name) {
  for (const Scenario &s : Scenarios()) {
    if (std::strcmp(s.name, name) == 0) {
      return s;
    }
  }
  std::abort();
}

void SetPhase(const Phase &phase, GameTable &table) {
  table.bettingOpen = phase.betting;
  table.playerTurn = phase.player;
  table.dealerTurn = phase.dealer;
  table.roundOver = phase.over;
}

void Apply(const Scenario &s, GameTable &table) {
  SetPhase(s.phase, table);
  table.bank = s.bank;
  table.bet = s.bet;
  table.playerCardCount = static_cast<std::int32_t>(s.player.size());
  table.dealerCardCount = static_cast<std::int32_t>(s.dealer.size());
  std::copy(s.player.begin(), s.player.end(), table.playerCards);
  std::copy(s.dealer.begin(), s.dealer.end(), table.dealerCards);
  table.playerSoftTotal = s.playerSoft;
  table.playerHardTotal = s.playerHard;
  table.dealerSoftTotal = s.dealerSoft;
  table.dealerHardTotal = s.dealerHard;
  table.playerBlackjack = s.blackjack;
  table.playerWon = s.won;
  table.pushResult = s.push;
  table.newShuffle = s.shuffle;
}

const platform::Surface &Pixels(const ImageAsset &asset) {
  static const platform::Surface none;
  const auto surface = platform::BitmapSurface(asset.bitmap);
  return surface != nullptr ? *surface : none;
}

platform::Surface TextMask(int width, int height, int x, int y, LPCWSTR text) {
  HDC screen = GetDC(nullptr);
  const Canvas canvas(width, height, 0, screen);
  ReleaseDC(nullptr, screen);
  LOGFONTW font{};
  font.lfHeight = ScaleForDpi(16);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  std::char_traits<WCHAR>::copy(font.lfFaceName, u"Tahoma", 7);
  HFONT created = CreateFontIndirectW(&font);
  HGDIOBJ previousFont = SelectObject(canvas.dc, created);
  SetBkMode(canvas.dc, TRANSPARENT);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  ExtTextOutW(canvas.dc, x, y, 0, nullptr, text,
              static_cast<UINT>(std::char_traits<WCHAR>::length(text)), nullptr);
  SelectObject(canvas.dc, previousFont);
  DeleteObject(created);
  return *platform::BitmapSurface(canvas.bitmap);
}

platform::Surface ReadPng(const std::string &path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    return {};
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
    png_image_free(&image);
    return {};
  }
  platform::Surface surface(static_cast<int>(image.width), static_cast<int>(image.height));
  for (std::size_t i = 0; i < surface.pixels.size(); ++i) {
    surface.pixels[i] =
        (std::uint32_t{rgb[3 * i]} << 16) | (std::uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
  }
  return surface;
}

} // namespace viewtest
