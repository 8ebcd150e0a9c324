// The shell's process-wide state and the entry points its files share with one another.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "game/game_table.h"
#include "view/geometry.h"

// One of each for the whole process, written by start-up and by the close.
struct ShellState {
  // Source of every string, icon, menu bar, accelerator table and dialog template.
  HINSTANCE instance = nullptr;
  // The main window's soft-key bar; null when none could be created.
  HWND menuBar = nullptr;
  // The one GameTable; null before start-up, after the close, or when it could not
  // be allocated. Every game action, paint and dialog works on it.
  std::unique_ptr<GameTable> table;
};
ShellState &Shell();

// Makes the GameTable at start-up; null when it cannot be allocated. A variable so
// that a test can start the game without a table, as on a device out of memory.
using GameTableFactory = std::unique_ptr<GameTable> (*)(HINSTANCE instance, HWND window);
extern GameTableFactory MakeGameTable;

// Start-up: false when the process is to end at once (another copy runs, or the
// window could not be created).
bool InitInstance(HINSTANCE instance, int showCommand);
// Called from WM_CREATE: the bar of menu bar resource 102, or null.
HWND CreateMainMenuBar(HWND window);
// A soft-key bar for `parent` from the menu-bar resource `menuBarId` of the
// game's module; null when it cannot be made.
HWND CreateMenuBarFromResource(HWND parent, UINT menuBarId);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The ten touch regions in the order they are tested; the first that contains the
// point wins, so a point on a shared edge goes to the earlier row.
inline constexpr int HitRegionCount = 10;
extern const HitRegion HitRegions[HitRegionCount];
// True when the client point lies in the region for the orientation of the
// screen now; all four scaled edges are inclusive.
bool HitTestRegion(std::int32_t x, std::int32_t y, const HitRegion &region);
// The index of the first region that holds the point, or -1 for none.
int RegionAt(std::int32_t x, std::int32_t y);

// Input of the main window, each called by MainWndProc with its unpacked arguments.
void OnPenUp(std::int32_t x, std::int32_t y);
// True for the commands the game handles; the others get the default processing.
bool OnCommand(HWND window, UINT id);
void OnTimer(UINT_PTR id);

// The modal dialogs, run from the menu bar's commands with the main window as owner.
BOOL CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CALLBACK OptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void RunDialog(HWND owner, int templateId, DLGPROC procedure);
