// The dialog class's procedure (DefDlgProcW): the program's dialog procedure first,
// then the default handling; and the calls on a dialog's items.
#include <algorithm>

#include "device/device.h"
#include "user/control_draw.h"
#include "user/dialog.h"
#include "user/window.h"

namespace platform {
namespace {

constexpr DWORD kErrorControlIdNotFound = 1421; // ERROR_CONTROL_ID_NOT_FOUND

// Messages whose result is the dialog procedure's own return value rather than
// DWL_MSGRESULT.
bool ReturnsDirectly(UINT msg) {
  switch (msg) {
  case WM_INITDIALOG:
  case WM_CTLCOLORMSGBOX:
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORLISTBOX:
  case WM_CTLCOLORBTN:
  case WM_CTLCOLORDLG:
  case WM_CTLCOLORSCROLLBAR:
  case WM_CTLCOLORSTATIC:
    return true;
  default:
    return false;
  }
}

void PaintDialog(HWND hwnd) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(hwnd, &ps);
  if (dc != nullptr && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
    // The title lives in the navigation bar; a thin rule under it starts the dialog.
    RECT client{};
    GetClientRect(hwnd, &client);
    ControlPainter painter(dc);
    painter.Fill(RECT{0, 0, client.right, ControlPainter::Line()}, kTitleRule);
  }
  if (dc != nullptr) {
    PaintScrollIndicator(hwnd, dc);
  }
  EndPaint(hwnd, &ps);
}

// The focus goes back where it was when the dialog comes to the front again.
void OnActivate(HWND hwnd, DialogInfo &info, bool active) {
  if (!active) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd, focus) != FALSE) {
      info.lastFocus = focus;
    }
    return;
  }
  HWND target = info.lastFocus;
  if (target == nullptr || IsWindow(target) == FALSE || IsChild(hwnd, target) == FALSE) {
    target = GetNextDlgTabItem(hwnd, nullptr, FALSE);
  }
  SetFocus(target != nullptr ? target : hwnd);
}

// DM_SETDEFID: the new default push button takes the heavier frame from the old one.
void SetDefaultId(HWND hwnd, DialogInfo &info, WORD id) {
  const WORD old = DefaultButtonId(hwnd);
  info.defaultId = id;
  const HWND before = old != 0 ? GetDlgItem(hwnd, old) : nullptr;
  const HWND after = GetDlgItem(hwnd, id);
  if (before != nullptr && before != after &&
      (SendMessageW(before, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0) {
    SendMessageW(before, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  }
  if (after != nullptr && (SendMessageW(after, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) != 0) {
    SendMessageW(after, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  }
}

void NextControl(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  HWND target = nullptr;
  if (LOWORD(lParam) != 0) {
    target = reinterpret_cast<HWND>(wParam);
  } else {
    target = GetNextDlgTabItem(hwnd, GetFocus(), wParam != 0 ? TRUE : FALSE);
  }
  if (target != nullptr && IsChild(hwnd, target) != FALSE) {
    SetFocus(target);
  }
}

LRESULT DefaultHandling(HWND hwnd, DialogInfo *info, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_ERASEBKGND: {
    RECT client{};
    GetClientRect(hwnd, &client);
    ControlPainter(reinterpret_cast<HDC>(wParam)).Fill(client, kDialogFace);
    return 1;
  }
  case WM_PAINT:
    PaintDialog(hwnd);
    return 0;
  case WM_CLOSE:
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
    return 0;
  case WM_COMMAND:
  case WM_SETFONT:
    return 0;
  case WM_GETFONT:
    return info != nullptr ? reinterpret_cast<LRESULT>(info->font) : 0;
  case WM_ACTIVATE:
    if (info != nullptr) {
      OnActivate(hwnd, *info, LOWORD(wParam) != WA_INACTIVE);
    }
    return 0;
  case WM_SETFOCUS:
    if (info != nullptr) {
      OnActivate(hwnd, *info, true);
    }
    return 0;
  case DM_GETDEFID: {
    const WORD id = DefaultButtonId(hwnd);
    return id != 0 ? MAKELONG(id, DC_HASDEFID) : 0;
  }
  case DM_SETDEFID:
    if (info != nullptr) {
      SetDefaultId(hwnd, *info, static_cast<WORD>(wParam));
    }
    return TRUE;
  case WM_NEXTDLGCTL:
    NextControl(hwnd, wParam, lParam);
    return 0;
  case WM_SETTINGCHANGE:
    // A dialog of the shell's full-screen kind follows a turn of the screen.
    if (info != nullptr && info->fullScreen) {
      const RECT area = ShellDialogArea(info->coverMenuBar);
      MoveWindow(hwnd, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    }
    return 0;
  case WM_SIZE:
    UpdateScrollRange(hwnd);
    return 0;
  case WM_LBUTTONDOWN:
  case WM_MOUSEMOVE:
  case WM_LBUTTONUP:
    DialogPen(hwnd, msg, lParam);
    return 0;
  case WM_MOUSEWHEEL:
    ScrollByWheel(hwnd, GET_WHEEL_DELTA_WPARAM(wParam));
    return 0;
  case WM_CAPTURECHANGED:
    if (info != nullptr) {
      info->drag = DialogInfo::Drag::None;
    }
    return 0;
  case WM_NCDESTROY:
    ForgetDialog(hwnd);
    return 0;
  default:
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

} // namespace

RECT ShellDialogArea(bool coverMenuBar) {
  const Device &device = CurrentDevice();
  const int bar = NavigationBarHeight(); // the soft-key bar is as high as this one
  return RECT{0, bar, device.ScreenWidth(), device.ScreenHeight() - (coverMenuBar ? 0 : bar)};
}

} // namespace platform

LRESULT WINAPI DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
  platform::DialogInfo *info = platform::FindDialog(hDlg);
  // The dialog procedure sees every message but WM_CREATE, which arrives before the
  // dialog has a procedure, as on the device.
  if (info != nullptr && info->proc != nullptr) {
    const BOOL handled = info->proc(hDlg, Msg, wParam, lParam);
    if (platform::ReturnsDirectly(Msg) && (handled != FALSE || Msg == WM_INITDIALOG)) {
      return handled;
    }
    if (handled != FALSE) {
      return IsWindow(hDlg) != FALSE ? GetWindowLongW(hDlg, DWL_MSGRESULT) : 0;
    }
    info = platform::FindDialog(hDlg); // the procedure may have destroyed the dialog
    if (info == nullptr && Msg != WM_NCDESTROY) {
      return IsWindow(hDlg) != FALSE ? DefWindowProcW(hDlg, Msg, wParam, lParam) : 0;
    }
  }
  return platform::DefaultHandling(hDlg, info, Msg, wParam, lParam);
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  // Ids from a classic template are 16 bits: -1 there reads 0xFFFF.
  for (platform::Window *child : platform::ChildrenOf(hDlg)) {
    const auto id = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(child->id));
    if (id == static_cast<DWORD>(nIDDlgItem) ||
        (id <= 0xFFFF && id == static_cast<WORD>(nIDDlgItem))) {
      return child->handle;
    }
  }
  SetLastError(platform::kErrorControlIdNotFound);
  return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) { return GetWindowLongW(hWnd, GWL_ID); }

LRESULT WINAPI SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                   LPARAM lParam) {
  const HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item != nullptr ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
  const HWND item = GetDlgItem(hDlg, nIDButton);
  if (item == nullptr) {
    return FALSE;
  }
  SendMessageW(item, BM_SETCHECK, uCheck, 0);
  return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
  return static_cast<UINT>(SendDlgItemMessageW(hDlg, nIDButton, BM_GETCHECK, 0, 0));
}

BOOL WINAPI IsChild(HWND hWndParent, HWND hWnd) {
  const platform::Window *w = platform::FindWindowObject(hWnd);
  while (w != nullptr && w->parent != nullptr) {
    if (w->parent == hWndParent) {
      return TRUE;
    }
    w = platform::FindWindowObject(w->parent);
  }
  return FALSE;
}
