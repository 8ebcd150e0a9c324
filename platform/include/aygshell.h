// The Pocket PC shell library: soft-key menu bars, full-screen dialogs with a Done
// button in the navigation bar, and the shell's answer to a setting change.
#pragma once

#include "windows.h"

// Values that a menu-bar RCDATA resource carries for each button, as 16-bit words
// (resource scripts write them as the plain numbers in the comments).
#define I_IMAGENONE (-2)      // no image: 65534
#define TBSTATE_ENABLED 0x04  // the button can be tapped
#define TBSTATE_HIDDEN 0x08   // the button is not shown and takes no place
#define TBSTYLE_BUTTON 0x0000 // a plain button
#define TBSTYLE_AUTOSIZE 0x10 // the button is as wide as its label
#define BTNS_AUTOSIZE TBSTYLE_AUTOSIZE
#define NOMENU 0xFFFF // the button opens no sub-menu

#ifndef RC_INVOKED

// ---- Soft-key menu bar ----
// dwFlags of SHMENUBARINFO.
#define SHCMBF_EMPTYBAR 0x0001 // a bar with no buttons; nToolBarId is not read
#define SHCMBF_HIDDEN 0x0002   // the bar is created hidden
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008 // clrBk is the bar's background colour
#define SHCMBF_HMENU 0x0010   // nToolBarId names a MENU resource: not drawn here, the call fails

// cbSize is the size of the record as the caller knows it: sizeof(SHMENUBARINFO), or
// 36, the size of the record on the device, whose pointers are 4 bytes. Any other
// value makes SHCreateMenuBar fail.
typedef struct tagSHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;    // the window that receives the bar's WM_COMMAND; the bar goes with it
  DWORD dwFlags;      // SHCMBF_*
  UINT nToolBarId;    // id of the menu-bar RCDATA resource in hInstRes
  HINSTANCE hInstRes; // module holding the resource and the labels' string table
  int nBmpId;         // bitmap of the button images; 0: none
  int cBmpImages;     // number of images in it
  HWND hwndMB;        // receives the bar's window on success
  COLORREF clrBk;     // background colour when SHCMBF_COLORBK is given
} SHMENUBARINFO, *PSHMENUBARINFO;

// Creates a soft-key bar at the bottom of the screen from the menu-bar resource: the
// companion menu id, the button count, then per button seven 16-bit words (image index,
// command id, state, style, label string id, 0, sub-menu index). A tap on a button
// sends WM_COMMAND with its command id to hwndParent. Returns TRUE and fills hwndMB;
// returns FALSE and leaves no window for a wrong cbSize, a missing parent, or a
// missing or malformed resource. The bar is destroyed with DestroyWindow or with its
// parent.
BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO *pmbi);

// The menu bar that belongs to hwnd, or null.
HWND WINAPI SHFindMenuBar(HWND hwnd);

// ---- Dialogs of the shell ----
// dwMask of SHINITDLGINFO.
#define SHIDIM_FLAGS 0x0001

// dwFlags of SHINITDLGINFO.
#define SHIDIF_DONEBUTTON 0x0001          // an "ok" in the navigation bar that sends IDOK
#define SHIDIF_SIZEDLG 0x0002             // above the input panel: with none, as full screen
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004   // sized to the area between the two bars
#define SHIDIF_SIPDOWN 0x0008             // lower the input panel (there is none here)
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010 // full screen as if there were no menu bar
#define SHIDIF_EMPTYMENU 0x0020           // give the dialog an empty menu bar
#define SHIDIF_WANTSCROLLBAR 0x0040
#define SHIDIF_CANCELBUTTON 0x0080 // an "x" in the navigation bar: not shown here

typedef struct tagSHINITDLGINFO {
  DWORD dwMask;  // SHIDIM_FLAGS: dwFlags is valid
  HWND hDlg;     // the dialog, from its WM_INITDIALOG
  DWORD dwFlags; // SHIDIF_*
} SHINITDLGINFO, *PSHINITDLGINFO;

// Makes hDlg a dialog of the shell as dwFlags ask. Returns FALSE for a null record or a
// window that is not a dialog.
BOOL WINAPI SHInitDialog(PSHINITDLGINFO pshidi);

// ---- Activation and setting changes ----
// Kept by a window across WM_ACTIVATE and WM_SETTINGCHANGE; callers zero it.
typedef struct tagSHACTIVATEINFO {
  DWORD cbSize;
  HWND hwndLastFocus;
  UINT fSipUp : 1;
  UINT fSipOnDeactivation : 1;
  UINT fActive : 1;
  UINT fReserved : 29;
} SHACTIVATEINFO, *PSHACTIVATEINFO;

#define SPI_SETSIPINFO 224
#define SPI_SETCURRENTIM 225
#define SPI_GETSIPINFO 226

// Resizes hwnd to follow the input panel after a WM_SETTINGCHANGE. With a null record,
// or one whose cbSize is 0, it does nothing and returns FALSE.
BOOL WINAPI SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *psai);

#endif // RC_INVOKED
