// SHInitDialog and SHHandleWMSettingChange: dialogs of the shell's kind, full screen
// between its bars with an "ok" in the navigation bar, and windows that follow a turn.
#include <aygshell.h>

#include "device/device.h"
#include "user/dialog.h"
#include "user/compositor.h"
#include "user/window.h"

BOOL WINAPI SHInitDialog(PSHINITDLGINFO pshidi) {
  if (pshidi == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  platform::DialogInfo *info = platform::FindDialog(pshidi->hDlg);
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if ((pshidi->dwMask & SHIDIM_FLAGS) == 0) {
    return TRUE;
  }
  const DWORD flags = pshidi->dwFlags;
  const HWND dialog = pshidi->hDlg;
  if ((flags & SHIDIF_DONEBUTTON) != 0) {
    const auto ex = static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE));
    SetWindowLongW(dialog, GWL_EXSTYLE, static_cast<LONG>(ex | WS_EX_CAPTIONOKBTN));
    platform::MarkScreenChanged();
  }
  if ((flags & SHIDIF_EMPTYMENU) != 0 && SHFindMenuBar(dialog) == nullptr) {
    SHMENUBARINFO bar{};
    bar.cbSize = sizeof bar;
    bar.hwndParent = dialog;
    bar.dwFlags = SHCMBF_EMPTYBAR;
    SHCreateMenuBar(&bar);
  }
  // Without an input panel, sizing above it is sizing to the whole area.
  if ((flags & (SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR)) != 0) {
    info->fullScreen = true;
    info->coverMenuBar = (flags & SHIDIF_FULLSCREENNOMENUBAR) != 0;
    const RECT area = platform::ShellDialogArea(info->coverMenuBar);
    MoveWindow(dialog, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
  }
  return TRUE;
}

BOOL WINAPI SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM, SHACTIVATEINFO *psai) {
  if (psai == nullptr || psai->cbSize == 0) {
    return FALSE; // a record the caller never filled in: nothing to follow
  }
  platform::Window *w = platform::FindWindowObject(hwnd);
  if (w == nullptr || w->parent != nullptr ||
      (wParam != SPI_SETSIPINFO && wParam != SETTINGCHANGE_RESET)) {
    return FALSE;
  }
  // The application area on the screen as it is now, less the window's soft-key bar.
  const RECT area = platform::ShellDialogArea(SHFindMenuBar(hwnd) == nullptr);
  MoveWindow(hwnd, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
  return TRUE;
}
