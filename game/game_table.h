// The one game object: money, shoe, both hands, the phase of the hand, settings.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "game/card.h"
#include "settings/registry_settings.h"
#include "view/image_asset.h"

// The dealer draws one card per tick of this window timer on the main window.
constexpr UINT_PTR DealerTimer = 1025;
constexpr UINT DealerTimerPeriod = 300;

// Chips are refused when they would bring the bet to this amount or more.
constexpr std::int32_t TableLimit = 5500;
// Money in the bank at the first start and after NewGame.
constexpr std::int32_t StartingBank = 1000;
// Each of the four text buffers holds this many UTF-16 units, terminator included.
constexpr int TableTextLength = 25;

// Created by the shell once the main window exists and destroyed when it closes.
// The renderer, the dialogs, the sound cues and the settings store read and
// write its fields directly; every game action is one of its operations.
class GameTable {
public:
  GameTable(HINSTANCE instance, HWND window);
  ~GameTable();
  GameTable(const GameTable &) = delete;
  GameTable &operator=(const GameTable &) = delete;

  // Puts a fresh game on the table: full shoe, bank 1000, bet 0, betting phase.
  void NewGame();

  // Player actions, called by the window procedure for taps.
  void AddChip(std::int32_t value);
  void ClearBet();
  void Deal();
  void Hit();
  void Stand();
  void DoubleDown();
  // One tick of the DealerTimer.
  void DealerStep();

  // Steps of the actions, public so that tests can drive the rules directly.
  void RefillShoe();
  void DrawCard();
  void ReshuffleIfLow();
  void UpdateTotals();
  void DealOpeningCards();
  void SettleHand();

  Card drawnCard{};
  std::int32_t deckCount = 0;
  std::int32_t previousDeckCount = 0;
  bool playSounds = false;
  bool useClearType = false;
  RegistrySettings registry;
  std::int32_t platformCode = 0;
  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  std::int32_t bank = 0;
  std::int32_t bet = 0;
  std::unique_ptr<WCHAR[]> bankText;
  std::unique_ptr<WCHAR[]> betText;
  std::unique_ptr<WCHAR[]> playerTotalText;
  std::unique_ptr<WCHAR[]> dealerTotalText;
  // The eleven pictures, loaded by LoadTableImages with their resources and, being members,
  // destroyed last to first after the destructor's body.
  ImageAsset portraitTable;
  ImageAsset landscapeTable;
  ImageAsset clubsStrip;
  ImageAsset diamondsStrip;
  ImageAsset spadesStrip;
  ImageAsset heartsStrip;
  ImageAsset cardBack;
  ImageAsset portraitButtons;
  ImageAsset landscapeButtons;
  ImageAsset portraitChips;
  ImageAsset landscapeChips;
  HBRUSH backgroundBrush = nullptr;
  RECT clientRect{};
  std::int32_t playerSoftTotal = 0;
  std::int32_t playerHardTotal = 0;
  std::int32_t dealerSoftTotal = 0;
  std::int32_t dealerHardTotal = 0;
  std::int32_t cardsDrawn = 0;
  bool bettingOpen = false;
  bool playerTurn = false;
  bool dealerTurn = false;
  bool roundOver = false;
  bool newShuffle = false;
  bool pushResult = false;
  bool playerWon = false;
  bool playerBlackjack = false;
  bool doubled = false;
  bool hitAfterDouble = false;
  std::int32_t dealerCardCount = 0;
  std::int32_t playerCardCount = 0;
  std::int32_t shoe[CardKinds] = {};
  Card dealerCards[CardsPerHand] = {};
  Card playerCards[CardsPerHand] = {};

private:
  void RequestRedraw() const;
  // Books a stake of `bet` won (+1) or lost (-1) in the bank, undoing a double.
  void BookOutcome(int sign);
};

// The best total of a hand: the soft total when it is 21 or less, else the hard one.
std::int32_t BestTotal(std::int32_t softTotal, std::int32_t hardTotal);
