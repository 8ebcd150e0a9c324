// Touch input, menu commands and the dealer's timer: each becomes one operation on the table.
#include <windows.h>

#include "game/chips.h"
#include "resource.h"
#include "shell/shell.h"

namespace {

using RegionAction = void (*)(GameTable &table);

template <int Chip> void AddChip(GameTable &table) { table.AddChip(ChipValues[Chip]); }
void Deal(GameTable &table) { table.Deal(); }
void Hit(GameTable &table) { table.Hit(); }
void Stand(GameTable &table) { table.Stand(); }
void Double(GameTable &table) { table.DoubleDown(); }
void Clear(GameTable &table) { table.ClearBet(); }

// What a tap on each row of HitRegions does, row for row: the chips' rows come first, in the
// order of ChipValues.
constexpr RegionAction RegionActions[HitRegionCount] = {
    AddChip<0>, AddChip<1>, AddChip<2>, AddChip<3>, AddChip<4>, Deal, Hit, Stand, Double, Clear,
};

} // namespace

// In portrait the chips lie in one row under the four buttons, Clear at the chip
// row's right end; in landscape the chips are a column with the buttons beside it.
const HitRegion HitRegions[HitRegionCount] = {
    {5, 235, 40, 265, 217, 22, 248, 53},      // 5 chip
    {40, 235, 75, 265, 217, 55, 248, 86},     // 10 chip
    {75, 235, 110, 265, 217, 87, 248, 118},   // 25 chip
    {110, 235, 145, 265, 217, 120, 248, 151}, // 100 chip
    {145, 235, 180, 265, 217, 152, 248, 183}, // 500 chip
    {3, 200, 60, 233, 250, 3, 310, 28},       // Deal
    {60, 200, 120, 233, 250, 28, 310, 53},    // Hit
    {120, 200, 180, 233, 250, 53, 310, 78},   // Stand
    {180, 200, 240, 233, 250, 78, 310, 103},  // Double
    {180, 235, 240, 265, 250, 159, 310, 184}, // Clear
};

bool HitTestRegion(std::int32_t x, std::int32_t y, const HitRegion &region) {
  // The orientation is asked afresh at every tap: the screen may have turned since
  // the last paint.
  const bool landscape = IsLandscape();
  const std::int32_t left = ScaleForDpi(landscape ? region.landscapeLeft : region.portraitLeft);
  const std::int32_t top = ScaleForDpi(landscape ? region.landscapeTop : region.portraitTop);
  const std::int32_t right = ScaleForDpi(landscape ? region.landscapeRight : region.portraitRight);
  const std::int32_t bottom =
      ScaleForDpi(landscape ? region.landscapeBottom : region.portraitBottom);
  return left <= x && x <= right && top <= y && y <= bottom;
}

int RegionAt(std::int32_t x, std::int32_t y) {
  for (int row = 0; row < HitRegionCount; ++row) {
    if (HitTestRegion(x, y, HitRegions[row])) {
      return row;
    }
  }
  return -1;
}

void OnPenUp(std::int32_t x, std::int32_t y) {
  GameTable *table = Shell().table.get();
  const int row = RegionAt(x, y);
  if (table != nullptr && row >= 0) {
    RegionActions[row](*table);
  }
}

bool OnCommand(HWND window, UINT id) {
  GameTable *table = Shell().table.get();
  switch (id) {
  case IDM_NEW:
    if (table != nullptr) {
      table->NewGame();
    }
    return true;
  case IDM_OPTIONS:
    // The dialog edits the table; without one there is nothing to edit.
    if (table != nullptr) {
      RunDialog(window, IDD_OPTIONS, OptionsDlgProc);
    }
    return true;
  case IDM_ABOUT:
    RunDialog(window, IDD_ABOUTBOX, AboutDlgProc);
    return true;
  case IDM_EXIT:
    // Closing as the shell would: first deactivated, then asked to close, both at once.
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
    SendMessageW(window, WM_CLOSE, 0, 0);
    return true;
  default:
    return false;
  }
}

void OnTimer(UINT_PTR id) {
  GameTable *table = Shell().table.get();
  if (id == DealerTimer && table != nullptr) {
    table->DealerStep();
  }
}

void RunDialog(HWND owner, int templateId, DLGPROC procedure) {
  const HINSTANCE instance = Shell().instance;
  const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(templateId), RT_DIALOG);
  const HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
  if (loaded == nullptr) {
    return;
  }
  DialogBoxIndirectParamW(instance, static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)), owner,
                          procedure, 0);
}
