// Benchmark: PaintTable of a settled hand against a frame memcpy and the same frame in SDL2 blits.
//
// All three run in one program at 240 x 320 (96 dpi) and 480 x 640 (192 dpi), so
// their times can be compared directly: PaintTable should take at most ten frame
// copies and no longer than SDL2's software blits composing the same picture
// (felt, live pieces, the four placeholder backs and ten faces with their key
// colour, the copy to the window; text aside, which SDL2 does not draw).
#include <windows.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "game/game_table.h"
#include "gdi/surface.h"
#include "testing/testing.h"
#include "kernel/module.h"
#include "view/geometry.h"
#include "view/table_renderer.h"

namespace {

struct Screen {
  int width;
  int height;
  int dpi;
};
constexpr Screen BenchScreens[] = {{240, 320, 96}, {480, 640, 192}};

const Screen &ScreenOf(const benchmark::State &state) {
  return BenchScreens[static_cast<std::size_t>(state.range(0))];
}

// A device with the game's resources, a window covering the whole screen, and a
// table in the result phase with five cards on each side.
class SettledTable {
public:
  explicit SettledTable(const Screen &screen) : device_(ConfigOf(screen)) {
    module_ = platform::test::LoadResModule(platform::EmbeddedResources());
    screenDpi = 0;
    CaptureScreenDpi();
    window_ = platform::test::CreatePlainWindow(u"BlackJack");
    MoveWindow(window_, 0, 0, screen.width, screen.height, FALSE);
    table_ = std::make_unique<GameTable>(module_, window_);
    GameTable &t = *table_;
    t.playSounds = false; // the cue is the sound layer's business, not the paint's
    t.bettingOpen = true;
    t.roundOver = true;
    t.bank = 1200;
    t.bet = 100;
    const Card player[] = {{2, 0}, {3, 1}, {4, 2}, {2, 3}, {5, 0}};
    const Card dealer[] = {{10, 1}, {2, 2}, {2, 0}, {3, 3}, {4, 1}};
    std::copy(std::begin(player), std::end(player), t.playerCards);
    std::copy(std::begin(dealer), std::end(dealer), t.dealerCards);
    t.playerCardCount = t.dealerCardCount = 5;
    t.playerSoftTotal = t.playerHardTotal = 21;
    t.dealerSoftTotal = t.dealerHardTotal = 21;
    t.pushResult = true;
    landscapeLayout = 0;
  }
  ~SettledTable() {
    table_.reset();
    DestroyWindow(window_);
    screenDpi = 0;
  }
  SettledTable(const SettledTable &) = delete;
  SettledTable &operator=(const SettledTable &) = delete;

  GameTable &Table() { return *table_; }
  HWND Window() const { return window_; }
  HINSTANCE Module() const { return module_; }

private:
  static platform::DeviceConfig ConfigOf(const Screen &screen) {
    platform::DeviceConfig config;
    config.width = screen.width;
    config.height = screen.height;
    config.dpi = screen.dpi;
    return config;
  }

  platform::test::HeadlessDevice device_;
  HINSTANCE module_ = nullptr;
  HWND window_ = nullptr;
  std::unique_ptr<GameTable> table_;
};

void BM_TableFrameMemcpy(benchmark::State &state) {
  const Screen &screen = ScreenOf(state);
  const std::size_t bytes = static_cast<std::size_t>(screen.width) * screen.height * 4;
  std::vector<std::uint32_t> from(bytes / 4, 0x00336633);
  std::vector<std::uint32_t> to(bytes / 4);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetLabel(std::to_string(screen.width) + "x" + std::to_string(screen.height));
}
BENCHMARK(BM_TableFrameMemcpy)->Arg(0)->Arg(1);

void BM_PaintTable(benchmark::State &state) {
  const Screen &screen = ScreenOf(state);
  SettledTable settled(screen);
  HDC windowDC = GetDC(settled.Window());
  for (auto _ : state) {
    PaintTable(settled.Table(), windowDC);
  }
  ReleaseDC(settled.Window(), windowDC);
  state.SetLabel(std::to_string(screen.width) + "x" + std::to_string(screen.height));
}
BENCHMARK(BM_PaintTable)->Arg(0)->Arg(1);

// Making the GameTable: above all, decoding the eleven pictures of the screen's set
// (warm: the resources parsed and the fonts started once, outside the loop).
void BM_MakeGameTable(benchmark::State &state) {
  const Screen &screen = ScreenOf(state);
  SettledTable settled(screen);
  for (auto _ : state) {
    GameTable table(settled.Module(), settled.Window());
    table.playSounds = false;
    benchmark::DoNotOptimize(table.bank);
  }
  state.SetLabel(std::to_string(screen.width) + "x" + std::to_string(screen.height));
}
BENCHMARK(BM_MakeGameTable)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// ---- The same frame composed with SDL2's software blits ----

using SdlSurface = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

// An SDL surface over the decoded pixels of an image asset (0x00RRGGBB, no padding).
SdlSurface Wrap(const ImageAsset &asset) {
  const auto pixels = platform::BitmapSurface(asset.bitmap);
  return {SDL_CreateRGBSurfaceWithFormatFrom(pixels->pixels.data(), pixels->width, pixels->height,
                                             32, pixels->width * 4, SDL_PIXELFORMAT_RGB888),
          SDL_FreeSurface};
}

SdlSurface NewFrame(int width, int height) {
  return {SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888),
          SDL_FreeSurface};
}

void BM_SdlCompose(benchmark::State &state) {
  const Screen &screen = ScreenOf(state);
  SettledTable settled(screen);
  const GameTable &t = settled.Table();
  const bool rle = state.range(1) != 0;
  SdlSurface felt = Wrap(t.portraitTable);
  SdlSurface buttons = Wrap(t.portraitButtons);
  SdlSurface chips = Wrap(t.portraitChips);
  SdlSurface back = Wrap(t.cardBack);
  SdlSurface strips[] = {Wrap(t.clubsStrip), Wrap(t.diamondsStrip), Wrap(t.spadesStrip),
                         Wrap(t.heartsStrip)};
  for (SdlSurface *card : {&back, &strips[0], &strips[1], &strips[2], &strips[3]}) {
    SDL_SetColorKey(card->get(), SDL_TRUE, 0x00FF00FF);
    SDL_SetSurfaceRLE(card->get(), rle ? 1 : 0);
  }
  SdlSurface frame = NewFrame(screen.width, screen.height);
  SdlSurface window = NewFrame(screen.width, screen.height);

  // The live pieces of this state: Deal, Clear and all five chips (bank 1200).
  struct Piece {
    SDL_Surface *image;
    int row;
    int width;
    int height;
  };
  const Piece pieces[] = {{buttons.get(), DealPiece, 60, 25},  {chips.get(), ClearPiece, 60, 26},
                          {chips.get(), ChipPiece(4), 31, 31}, {chips.get(), ChipPiece(3), 31, 31},
                          {chips.get(), ChipPiece(2), 31, 31}, {chips.get(), ChipPiece(1), 31, 31},
                          {chips.get(), ChipPiece(0), 31, 31}};
  const int w = ScaleForDpi(30);
  const int h = ScaleForDpi(45);
  auto cardAt = [&](SDL_Surface *image, int sourceX, int row, int slot) {
    SDL_Rect source{sourceX, 0, w, h};
    SDL_Rect dest{ScaleForDpi(30) + slot * ScaleForDpi(17), ScaleForDpi(row == 0 ? 72 : 140), w, h};
    SDL_BlitSurface(image, &source, frame.get(), &dest);
  };
  const Uint32 background = SDL_MapRGB(frame->format, 255, 255, 255);

  for (auto _ : state) {
    SDL_FillRect(frame.get(), nullptr, background);
    SDL_BlitSurface(felt.get(), nullptr, frame.get(), nullptr);
    for (int slot : {0, 1}) {
      cardAt(back.get(), 0, 1, slot);
      cardAt(back.get(), 0, 0, slot);
    }
    for (const Piece &p : pieces) {
      const LayoutBlit &blit = ImagePieces[p.row];
      SDL_Rect source{BlitSourceX(blit), BlitSourceY(blit), ScaleForDpi(p.width),
                      ScaleForDpi(p.height)};
      SDL_Rect dest{BlitDestX(blit), BlitDestY(blit), source.w, source.h};
      SDL_BlitSurface(p.image, &source, frame.get(), &dest);
    }
    for (int row = 0; row < 2; ++row) {
      const Card *cards = row == 0 ? t.dealerCards : t.playerCards;
      for (int slot = 0; slot < 5; ++slot) {
        cardAt(strips[cards[slot].suit].get(), (cards[slot].rank - 1) * w, row, slot);
      }
    }
    SDL_BlitSurface(frame.get(), nullptr, window.get(), nullptr);
    benchmark::DoNotOptimize(window->pixels);
  }
  state.SetLabel(std::to_string(screen.width) + "x" + std::to_string(screen.height) +
                 (rle ? " colour key RLE" : " colour key plain"));
}
BENCHMARK(BM_SdlCompose)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});

} // namespace
