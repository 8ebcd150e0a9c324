// The shell's keys and gamepad buttons for a program's table: the program's key map
// (its KEYMAP resource, with the player's keys.txt), each key the pen tap it stands for.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/input.h"

namespace platform::shell {

// A spot a key or button taps: a point of the program's window, in its layout's
// units (96-dpi pixels of the client area) for each orientation, or the soft key of
// the window's bar that sends `command`.
struct KeySpot {
  std::string name;       // as the player's key file names it
  std::vector<UINT> keys; // keys and gamepad buttons (VK_GAMEPAD_…) that tap it
  WORD command = 0;       // non-zero: a soft key
  POINT portrait{};
  POINT landscape{};
};

struct KeyMap {
  // The portrait points hold on a screen at least this tall (layout units), the
  // landscape ones on a lower one.
  int portraitHeight = 0;
  std::vector<KeySpot> spots;
};

// Reads the KEYMAP resource of `module`: 16-bit words, the spot count and the
// portrait height, then per spot its name's string id, a key, a button (0: none), a
// command (0: a point of the window), and the portrait and landscape x and y. False
// with the fault in one line when the module has none or it is malformed.
bool LoadKeyMap(HINSTANCE module, KeyMap *map, std::string *error);

// Applies the player's key file to `map`: each line "NAME KEY…" gives the spot NAME
// those keys and buttons in place of its own; blank lines and lines starting with
// '#' say nothing. The keys that move and press the highlight, turn the screen and
// go full screen are the host's and cannot be given. On a fault the map stays as it
// was, and `error` says which line and why, in one line.
bool ApplyKeyFile(std::string_view text, KeyMap *map, std::string *error);

// Where `spot` lies in its window's client area now, in device pixels, for the
// screen's present size and dpi.
POINT SpotInWindow(const KeyMap &map, const KeySpot &spot);

// The keys and buttons as the device takes them (the shell hook of QueueInput): while
// a program's window is in front, a mapped key becomes its tap (its release goes
// nowhere), the arrows and the pad move the highlight and Enter or A taps it; in a
// dialog keys go on as they are, and the pad moves (Tab, and the arrows along a
// group), presses (Space) and closes with the navigation bar's "ok". A pen event hides the
// highlight.
bool TakeKeyInput(const InputEvent &event, std::vector<InputEvent> *instead);

// The highlight, for a front end to draw over the frame it shows: its rectangle in
// screen pixels; false while none is shown.
bool KeyHighlight(RECT *screen);

} // namespace platform::shell
