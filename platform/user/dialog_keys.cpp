// The dialog manager's keys: Tab and Shift+Tab between tab stops, arrows within a
// group, Enter for the default button, Escape for IDCANCEL; and the group lookups.
#include <algorithm>

#include "user/dialog.h"
#include "user/window.h"

namespace platform {
namespace {

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }

bool Reachable(HWND hwnd) {
  return IsWindowVisible(hwnd) != FALSE && IsWindowEnabled(hwnd) != FALSE;
}

LRESULT DialogCode(HWND hwnd) { return SendMessageW(hwnd, WM_GETDLGCODE, 0, 0); }

std::vector<HWND> Controls(HWND dialog) {
  std::vector<HWND> controls;
  for (Window *child : ChildrenOf(dialog)) {
    controls.push_back(child->handle);
  }
  return controls;
}

// The next (or previous) item of `items` after `from` that `accept` takes, going
// round; `from` itself when it is the only one, null when none is.
template <typename Accept>
HWND Cycle(const std::vector<HWND> &items, HWND from, bool previous, Accept accept) {
  const auto n = static_cast<std::ptrdiff_t>(items.size());
  if (n == 0) {
    return nullptr;
  }
  const auto at = std::find(items.begin(), items.end(), from);
  std::ptrdiff_t start = at == items.end() ? (previous ? 0 : n - 1) : at - items.begin();
  for (std::ptrdiff_t step = 1; step <= n; ++step) {
    const std::ptrdiff_t i = ((start + (previous ? -step : step)) % n + n) % n;
    if (accept(items[static_cast<std::size_t>(i)])) {
      return items[static_cast<std::size_t>(i)];
    }
  }
  return nullptr;
}

// Keys move the focus: from then on the dialog shows where it is.
void FocusByKey(HWND dialog, HWND target) {
  if (DialogInfo *info = FindDialog(dialog); info != nullptr && !info->showFocus) {
    info->showFocus = true;
    InvalidateRect(GetFocus(), nullptr, FALSE);
  }
  if (target != nullptr) {
    SetFocus(target);
    InvalidateRect(target, nullptr, FALSE);
    ScrollIntoView(dialog, target);
  }
}

// Enter: the focused push button, else the default button, else IDOK.
void PressDefault(HWND dialog) {
  const HWND focus = GetFocus();
  if (focus != nullptr && IsChild(dialog, focus) != FALSE &&
      (DialogCode(focus) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
    SendMessageW(focus, BM_CLICK, 0, 0);
    return;
  }
  const WORD id = DefaultButtonId(dialog);
  const HWND button = id != 0 ? GetDlgItem(dialog, id) : nullptr;
  if (button != nullptr) {
    if (Reachable(button)) {
      SendMessageW(button, BM_CLICK, 0, 0);
    }
    return;
  }
  const WORD command = id != 0 ? id : static_cast<WORD>(IDOK);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, command)));
}

// Arrows: the next radio button of the focused one's group takes the focus and the
// choice; other controls of a group are passed over.
void MoveInGroup(HWND dialog, bool previous) {
  const HWND focus = GetFocus();
  if (focus == nullptr || IsChild(dialog, focus) == FALSE) {
    return;
  }
  const bool radio = (DialogCode(focus) & DLGC_RADIOBUTTON) != 0;
  const HWND next = Cycle(GroupOf(focus), focus, previous, [&](HWND h) {
    return Reachable(h) && (DialogCode(h) & DLGC_STATIC) == 0 &&
           (!radio || (DialogCode(h) & DLGC_RADIOBUTTON) != 0);
  });
  if (next == nullptr || next == focus) {
    return;
  }
  FocusByKey(dialog, next);
  if ((DialogCode(next) & DLGC_RADIOBUTTON) != 0) {
    SendMessageW(next, BM_CLICK, 0, 0);
  }
}

bool HandleKey(HWND dialog, const MSG &msg) {
  const LRESULT code = msg.hwnd != dialog ? DialogCode(msg.hwnd) : 0;
  if ((code & DLGC_WANTALLKEYS) != 0) {
    return false;
  }
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  switch (msg.wParam) {
  case VK_TAB:
    if ((code & DLGC_WANTTAB) != 0) {
      return false;
    }
    FocusByKey(dialog, GetNextDlgTabItem(dialog, GetFocus(), shift ? TRUE : FALSE));
    return true;
  case VK_LEFT:
  case VK_UP:
  case VK_RIGHT:
  case VK_DOWN:
    if ((code & DLGC_WANTARROWS) != 0) {
      return false;
    }
    if (GetFocus() == nullptr || IsChild(dialog, GetFocus()) == FALSE) {
      ScrollByKey(dialog, msg.wParam); // nothing focused: the keys move the view
    } else {
      MoveInGroup(dialog, msg.wParam == VK_LEFT || msg.wParam == VK_UP);
    }
    return true;
  case VK_RETURN:
    PressDefault(dialog);
    return true;
  case VK_ESCAPE:
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    return true;
  case VK_SPACE:
    if (FindDialog(dialog) != nullptr) {
      FindDialog(dialog)->showFocus = true; // the control pressed by a key shows it
    }
    return false;
  default:
    return false;
  }
}

} // namespace

std::vector<HWND> GroupOf(HWND control) {
  const std::vector<HWND> siblings = Controls(GetParent(control));
  const auto at = std::find(siblings.begin(), siblings.end(), control);
  if (at == siblings.end()) {
    return {control};
  }
  auto first = at;
  while (first != siblings.begin() && (StyleOf(*first) & WS_GROUP) == 0) {
    --first;
  }
  auto last = at + 1;
  while (last != siblings.end() && (StyleOf(*last) & WS_GROUP) == 0) {
    ++last;
  }
  return {first, last};
}

bool ShowsFocusMark(HWND control) {
  if (GetFocus() != control) {
    return false;
  }
  const DialogInfo *info = FindDialog(GetParent(control));
  return info != nullptr && info->showFocus;
}

WORD DefaultButtonId(HWND dialog) {
  if (const DialogInfo *info = FindDialog(dialog); info != nullptr && info->defaultId != 0) {
    return info->defaultId;
  }
  for (HWND control : Controls(dialog)) {
    if ((DialogCode(control) & DLGC_DEFPUSHBUTTON) != 0) {
      return static_cast<WORD>(GetDlgCtrlID(control));
    }
  }
  return 0;
}

} // namespace platform

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  return platform::Cycle(platform::Controls(hDlg), hCtl, bPrevious != FALSE, [](HWND h) {
    return platform::Reachable(h) && (platform::StyleOf(h) & WS_TABSTOP) != 0;
  });
}

BOOL WINAPI IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
  if (lpMsg == nullptr || platform::FindDialog(hDlg) == nullptr ||
      (lpMsg->hwnd != hDlg && IsChild(hDlg, lpMsg->hwnd) == FALSE)) {
    return FALSE;
  }
  if (lpMsg->message == WM_KEYDOWN && platform::HandleKey(hDlg, *lpMsg)) {
    return TRUE;
  }
  // Everything else of the dialog's is delivered here, as on Win32.
  TranslateMessage(lpMsg);
  DispatchMessageW(lpMsg);
  return TRUE;
}
