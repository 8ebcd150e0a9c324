// The dialog manager's shared parts: its window classes, what it keeps per dialog,
// dialog units, and the navigation helpers its controls call.
#pragma once

#include <windows.h>

#include <vector>

#include "user/dialog_template.h"

namespace platform {

constexpr char16_t kDialogClassName[] = u"Dialog";
constexpr char16_t kButtonClassName[] = u"BUTTON";
constexpr char16_t kStaticClassName[] = u"STATIC";

// Registers the dialog class and the control classes on the current device; later
// calls do nothing until the device is replaced. Called before a dialog is made.
void RegisterDialogClasses();
LRESULT CALLBACK ButtonWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// What the dialog manager keeps for each dialog window, from creation until its
// WM_NCDESTROY.
struct DialogInfo {
  DLGPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HFONT font = nullptr; // made from the template, owned by the dialog
  SIZE baseUnits{};     // of `font` at the screen's dpi
  bool ended = false;   // EndDialog was called
  INT_PTR result = 0;
  WORD defaultId = 0;        // DM_SETDEFID; 0: the BS_DEFPUSHBUTTON item, else IDOK
  bool fullScreen = false;   // sized between the shell's bars, following turns
  bool coverMenuBar = false; // ... and down over the soft-key bar's place
  bool showFocus = false;    // a key moved the focus: controls draw the focus mark
  HWND lastFocus = nullptr;
  // Content taller than the dialog (a portrait layout on a landscape screen) scrolls.
  int scrollY = 0;     // how far the controls are moved up
  int scrollRange = 0; // the most they can be moved up
  // What the pen went down on and holds: the content, or the scroll bar's thumb.
  enum class Drag { None, Content, Thumb } drag = Drag::None;
  int dragFromY = 0;      // where, in client coordinates
  int dragFromScroll = 0; // and the scroll position then
  int wheelRest = 0;      // what the wheel turned short of a pixel, times WHEEL_DELTA
};

// The dialog record of a window; null for a window that is no dialog.
DialogInfo *FindDialog(HWND hwnd);
// Creates the record of a new dialog window; removed by ForgetDialog.
DialogInfo &AddDialog(HWND hwnd);
void ForgetDialog(HWND hwnd);

// The area a full-screen dialog of the shell takes: below the navigation bar and
// above the soft-key bar (or down to the bottom with `coverMenuBar`), on the screen
// as it is turned now.
RECT ShellDialogArea(bool coverMenuBar = false);

// ---- Scrolling (dialog_scroll.cpp) ----

// Works out how far the controls reach below the dialog and keeps the scroll
// position within that; called when the dialog is made and when it changes size.
void UpdateScrollRange(HWND dialog);
// Scrolls so that the whole of `control` shows, when the dialog scrolls at all.
void ScrollIntoView(HWND dialog, HWND control);
// Pen messages on the dialog itself: a drag moves the content with the pen, or the
// scroll bar's thumb along its track; a tap on the track turns a page.
void DialogPen(HWND dialog, UINT msg, LPARAM lParam);
// Up and Down with no control to take them scroll by a line; true when used.
bool ScrollByKey(HWND dialog, WPARAM key);
// WM_MOUSEWHEEL's delta: three lines a notch.
void ScrollByWheel(HWND dialog, int delta);
// The scroll bar at the right edge, when there is something to scroll.
void PaintScrollIndicator(HWND dialog, HDC dc);

// ---- Statics (static.cpp) ----

// How far down from its top a static shows anything: its text's lines or its icon.
LONG StaticShownHeight(HWND control);

// ---- Dialog units (dialog_units.cpp) ----

// The template's font (or the system font, the system face at 8 points, without DS_SETFONT)
// at the screen's dpi. The caller deletes it.
HFONT CreateDialogFont(const DialogTemplate &t);
// Base units of a font: the average width of the Latin letters and the cell height.
SIZE MeasureBaseUnits(HFONT font);
// Dialog units to pixels: x by base width / 4, y by base height / 8.
LONG DialogUnitsToPixelsX(LONG du, SIZE base);
LONG DialogUnitsToPixelsY(LONG du, SIZE base);

// ---- Navigation (dialog_keys.cpp) ----

// The controls of `control`'s group: from the nearest WS_GROUP item at or before it
// to the item before the next WS_GROUP one, in creation order.
std::vector<HWND> GroupOf(HWND control);
// Whether a control should draw the keyboard focus mark now.
bool ShowsFocusMark(HWND control);
// The dialog's default push button id as DM_GETDEFID reports it (0 when none).
WORD DefaultButtonId(HWND dialog);

} // namespace platform
