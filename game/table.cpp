// GameTable construction, destruction and NewGame.
#include "game/game_table.h"

#include <cstdlib>

#include "game/sound_cues.h"

GameTable::GameTable(HINSTANCE instance_, HWND window_) : instance(instance_), window(window_) {
  bet = 0;
  bankText = std::make_unique<WCHAR[]>(TableTextLength);
  betText = std::make_unique<WCHAR[]>(TableTextLength);
  playerTotalText = std::make_unique<WCHAR[]>(TableTextLength);
  dealerTotalText = std::make_unique<WCHAR[]>(TableTextLength);

  // Only the seconds of the local time seed the shoe, so a game started at a
  // known second (the headless host's clock) deals the same cards again.
  SYSTEMTIME now{};
  GetLocalTime(&now);
  std::srand(now.wSecond);

  newShuffle = false;
  bettingOpen = true;
  cardsDrawn = 0;
  playerTurn = dealerTurn = roundOver = false;
  playerBlackjack = false;

  platformCode = PlatformCode();
  LoadTableImages(*this, window, instance);
  LoadSettings(*this);
  RefillShoe();
  dealerCardCount = 0;
  playerCardCount = 0;
  backgroundBrush = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
}

GameTable::~GameTable() {
  bankText.reset();
  betText.reset();
  playerTotalText.reset();
  dealerTotalText.reset();
  SaveSettings(*this);
  DeleteObject(backgroundBrush);
  // The eleven images go after this body as members do, last to first, each releasing its
  // bitmap and context; the registry follows them.
}

void GameTable::NewGame() {
  // A dealer's turn in progress ends here: its timer must not act on the new game.
  KillTimer(window, DealerTimer);
  RefillShoe();
  bank = StartingBank;
  bet = 0;
  bettingOpen = true;
  playerTurn = dealerTurn = roundOver = false;
  // An abandoned doubled hand must not halve the next hand's bet at settlement.
  doubled = false;
  playerSoftTotal = playerHardTotal = dealerSoftTotal = dealerHardTotal = 0;
  RequestRedraw();
}

void GameTable::RequestRedraw() const { InvalidateRect(window, nullptr, FALSE); }
