// A GameTable on a fresh headless screen, painted into a bitmap that the tests can read.
#pragma once

#include <windows.h>

#include <memory>
#include <ostream>
#include <string>

#include "game/game_table.h"
#include "gdi/surface.h"
#include "host/testing.h"

namespace viewtest {

struct TableScreen {
  const char *name;
  int width;
  int height;
  int dpi;
};
// Names the screen in the tests' messages.
inline void PrintTo(const TableScreen &screen, std::ostream *out) { *out << screen.name; }

// The four screens the table is laid out for: both orientations at both dpi sets.
inline constexpr TableScreen Screens[] = {
    {"portrait 96", 240, 320, 96},
    {"landscape 96", 320, 240, 96},
    {"portrait 192", 480, 640, 192},
    {"landscape 192", 640, 480, 192},
};

// A device of the screen's size and dpi with the game's resources as its main
// module, a main window sized as the game sizes it (between the navigation bar
// and the menu bar), the dpi captured, and a GameTable on that window.
class TableOnScreen {
public:
  explicit TableOnScreen(const TableScreen &screen);
  ~TableOnScreen();
  TableOnScreen(const TableOnScreen &) = delete;
  TableOnScreen &operator=(const TableOnScreen &) = delete;

  GameTable &Table() { return *table_; }
  HWND Window() const { return window_; }
  HINSTANCE Module() const { return module_; }

  // Runs one PaintTable into a memory DC holding a bitmap of the client area's
  // size, and returns a copy of that bitmap's pixels.
  platform::Surface Paint();

private:
  platform::test::HeadlessDevice device_;
  HINSTANCE module_ = nullptr;
  HWND window_ = nullptr;
  std::unique_ptr<GameTable> table_;
};

// The pixels of an image asset's bitmap (an empty surface when it has none).
const platform::Surface &Pixels(const ImageAsset &asset);

// The pixels of `text` as the table draws it (white, bold "Tahoma", 16 logical
// pixels, aliased) with its top-left corner at (x, y), alone on a black surface of
// `width` x `height`: white where a glyph pixel is.
platform::Surface TextMask(int width, int height, int x, int y, LPCWSTR text);

// The bounding box of the white pixels of a surface; empty when there are none.
RECT WhiteBounds(const platform::Surface &surface);

// A PNG file as 0x00RRGGBB pixels; an empty surface when it cannot be read.
platform::Surface ReadPng(const std::string &path);

// Pure white, as the table's text is drawn without ClearType.
inline constexpr std::uint32_t White = 0x00FFFFFF;

} // namespace viewtest
