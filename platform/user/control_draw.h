// Drawing for the dialog manager's controls and the shell's bars: solid shapes with
// smoothed edges, text in a control's font, the focus mark and icons.
#pragma once

#include <windows.h>

#include <string>

#include "gdi/gdi_state.h"
#include "kernel/module.h"

namespace platform {

// The colours of the clean Pocket PC look.
constexpr COLORREF kDialogFace = RGB(255, 255, 255);
constexpr COLORREF kControlInk = RGB(0, 0, 0);
constexpr COLORREF kDisabledInk = RGB(160, 160, 160);
constexpr COLORREF kPressedFace = RGB(0, 0, 0);
constexpr COLORREF kPressedInk = RGB(255, 255, 255);
constexpr COLORREF kTitleRule = RGB(0, 0, 0);
constexpr COLORREF kBoxPressed = RGB(200, 200, 200);

// Draws straight onto the surface behind a DC, clipped as the DC clips. Used inside
// WM_PAINT of a control, with the DC that BeginPaint returned.
class ControlPainter {
public:
  explicit ControlPainter(HDC dc) { valid_ = gdi::DestinationView(dc, &view_); }

  bool Valid() const { return valid_; }
  // One line width: a logical pixel at the screen's dpi, at least one device pixel.
  static int Line();
  static int Scale(int logical);

  void Fill(const RECT &r, COLORREF colour);
  // A frame `thickness` pixels wide inside `r`.
  void Frame(const RECT &r, int thickness, COLORREF colour);
  // A dotted frame inside `r`: the keyboard focus mark.
  void FocusMark(const RECT &r);
  // A disc of diameter `size` with its top-left at (x, y), edges smoothed.
  void Disc(int x, int y, int size, COLORREF colour);
  // A ring (circle outline) `thickness` pixels wide.
  void Ring(int x, int y, int size, int thickness, COLORREF colour);
  // A tick mark filling the square at (x, y) of side `size`.
  void Tick(int x, int y, int size, int thickness, COLORREF colour);
  // An icon image drawn at its own size, blended by its coverage.
  void Icon(const IconImage &image, int x, int y);

private:
  // Mixes `colour` into the pixel at DC point (x, y) by `coverage` (0..255).
  void Blend(int x, int y, COLORREF colour, int coverage);
  // Covers every pixel whose 4x4 samples `inside` accepts (DC coordinates, centres
  // of samples given as doubles) within the box, blending by the share accepted.
  template <typename Inside> void Shape(const RECT &box, COLORREF colour, Inside inside);

  gdi::View view_{};
  bool valid_ = false;
};

// Text in the font the control was given (WM_SETFONT), or the dialog font of the
// dpi when it has none. `format` takes DrawTextW flags; returns the height drawn.
int DrawControlText(HDC dc, HFONT font, const std::u16string &text, RECT r, UINT format,
                    COLORREF colour);

} // namespace platform
