// The BUTTON class: push and default push buttons, check boxes, radio buttons and
// group boxes, pressed by the pen or the space bar, drawn in the Pocket PC style.
#include <algorithm>
#include <map>

#include "device/device.h"
#include "user/capture.h"
#include "user/control_draw.h"
#include "user/dialog.h"
#include "user/window.h"

namespace platform {
namespace {

struct ButtonState {
  HFONT font = nullptr;
  UINT check = BST_UNCHECKED;
  bool pushed = false;   // drawn pressed
  bool tracking = false; // the pen went down on it and holds the capture
  bool keyDown = false;  // the space bar went down on it
};

std::map<HWND, ButtonState> &Buttons() {
  static std::map<HWND, ButtonState> buttons;
  return buttons;
}

const bool registered = [] {
  RegisterResetHook([] { Buttons().clear(); });
  return true;
}();

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }
DWORD TypeOf(HWND hwnd) { return StyleOf(hwnd) & BS_TYPEMASK; }

bool IsPush(DWORD type) { return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON; }
bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsCheck(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
         type == BS_AUTO3STATE;
}

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

void SetPushed(HWND hwnd, ButtonState &b, bool pushed) {
  if (b.pushed != pushed) {
    b.pushed = pushed;
    Redraw(hwnd);
  }
}

// Radio buttons carry WS_TABSTOP while checked, so Tab reaches a group at its choice.
void SetCheck(HWND hwnd, UINT check) {
  const auto it = Buttons().find(hwnd);
  if (it == Buttons().end()) {
    return;
  }
  const DWORD type = TypeOf(hwnd);
  if (!IsCheck(type) && !IsRadio(type)) {
    return;
  }
  const bool threeState = type == BS_3STATE || type == BS_AUTO3STATE;
  const UINT value = threeState ? std::min<UINT>(check, BST_INDETERMINATE)
                                : (check != BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED);
  if (IsRadio(type)) {
    const DWORD style = StyleOf(hwnd);
    const DWORD wanted = value == BST_CHECKED ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
    if (wanted != style) {
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(wanted));
    }
  }
  if (it->second.check != value) {
    it->second.check = value;
    Redraw(hwnd);
  }
}

// What a completed press does: the automatic kinds change their state, then the
// parent hears BN_CLICKED. The parent may destroy the button while it listens.
void Click(HWND hwnd) {
  const DWORD type = TypeOf(hwnd);
  const UINT check = Buttons()[hwnd].check;
  if (type == BS_AUTOCHECKBOX) {
    SetCheck(hwnd, check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
  } else if (type == BS_AUTO3STATE) {
    SetCheck(hwnd, (check + 1) % 3);
  } else if (type == BS_AUTORADIOBUTTON) {
    for (HWND other : GroupOf(hwnd)) {
      if (other != hwnd && (SendMessageW(other, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0) {
        SendMessageW(other, BM_SETCHECK, BST_UNCHECKED, 0);
      }
    }
    SetCheck(hwnd, BST_CHECKED);
  }
  const HWND parent = GetParent(hwnd);
  if (parent != nullptr) {
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
  }
}

bool PointInClient(HWND hwnd, LPARAM lParam) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const auto x = static_cast<short>(LOWORD(lParam));
  const auto y = static_cast<short>(HIWORD(lParam));
  return x >= 0 && y >= 0 && x < client.right && y < client.bottom;
}

std::u16string TextOf(HWND hwnd) {
  const Window *w = FindWindowObject(hwnd);
  return w != nullptr ? w->title : std::u16string();
}

// The box or circle beside a check box's or radio button's label: as tall as the
// font's cell height allows, within the control.
int MarkSize(const RECT &client) {
  return std::min<int>(ControlPainter::Scale(13), static_cast<int>(client.bottom));
}

void PaintPush(HWND hwnd, HDC dc, const ButtonState &b, const RECT &client, bool enabled) {
  ControlPainter painter(dc);
  const int line = ControlPainter::Line();
  painter.Fill(client, b.pushed ? kPressedFace : kDialogFace);
  const bool isDefault = TypeOf(hwnd) == BS_DEFPUSHBUTTON;
  painter.Frame(client, isDefault ? 2 * line : line, kControlInk);
  const COLORREF ink = !enabled ? kDisabledInk : (b.pushed ? kPressedInk : kControlInk);
  const bool multiline = (StyleOf(hwnd) & BS_MULTILINE) != 0;
  RECT text{client.left + 3 * line, client.top + 2 * line, client.right - 3 * line,
            client.bottom - 2 * line};
  if (multiline) {
    RECT measure = text;
    const int height =
        DrawTextW(dc, TextOf(hwnd).c_str(), -1, &measure, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    text.top += std::max(0, static_cast<int>(text.bottom - text.top) - height) / 2;
    DrawControlText(dc, b.font, TextOf(hwnd), text, DT_CENTER | DT_WORDBREAK, ink);
  } else {
    DrawControlText(dc, b.font, TextOf(hwnd), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, ink);
  }
  if (ShowsFocusMark(hwnd)) {
    const int inset = (isDefault ? 3 : 2) * line;
    painter.FocusMark(
        RECT{client.left + inset, client.top + inset, client.right - inset, client.bottom - inset});
  }
}

void PaintMarked(HWND hwnd, HDC dc, const ButtonState &b, const RECT &client, bool enabled) {
  ControlPainter painter(dc);
  const int line = ControlPainter::Line();
  const DWORD type = TypeOf(hwnd);
  painter.Fill(client, kDialogFace);
  const int size = MarkSize(client);
  const int top = static_cast<int>(client.bottom - size) / 2;
  const COLORREF ink = enabled ? kControlInk : kDisabledInk;
  if (IsRadio(type)) {
    if (b.pushed) {
      painter.Disc(0, top, size, kBoxPressed);
    }
    painter.Ring(0, top, size, line, ink);
    if (b.check == BST_CHECKED) {
      const int dot = size / 2;
      painter.Disc((size - dot) / 2, top + (size - dot) / 2, dot, ink);
    }
  } else {
    const RECT box{0, top, size, top + size};
    painter.Fill(box, b.pushed ? kBoxPressed : kDialogFace);
    painter.Frame(box, line, ink);
    if (b.check == BST_CHECKED) {
      painter.Tick(line, top + line, size - 2 * line, std::max(2, 2 * line), ink);
    } else if (b.check == BST_INDETERMINATE) {
      const int inset = 3 * line;
      painter.Fill(RECT{inset, top + inset, size - inset, top + size - inset}, kDisabledInk);
    }
  }
  // The label, with the focus mark around the words themselves.
  const RECT text{size + ControlPainter::Scale(5), 0, client.right, client.bottom};
  const bool multiline = (StyleOf(hwnd) & BS_MULTILINE) != 0;
  const UINT format = multiline ? DT_LEFT | DT_WORDBREAK : DT_LEFT | DT_VCENTER | DT_SINGLELINE;
  DrawControlText(dc, b.font, TextOf(hwnd), text, format, ink);
  if (ShowsFocusMark(hwnd)) {
    RECT extent = text;
    const HGDIOBJ old = b.font != nullptr ? SelectObject(dc, b.font) : nullptr;
    DrawTextW(dc, TextOf(hwnd).c_str(), -1, &extent, format | DT_CALCRECT);
    if (old != nullptr) {
      SelectObject(dc, old);
    }
    const LONG height = extent.bottom - extent.top;
    const LONG y = multiline ? 0 : (client.bottom - height) / 2;
    painter.FocusMark(RECT{extent.left - line, y, std::min(extent.right + line, client.right),
                           std::min(y + height + line, client.bottom)});
  }
}

void PaintGroupBox(HWND hwnd, HDC dc, const ButtonState &b, const RECT &client) {
  ControlPainter painter(dc);
  const int line = ControlPainter::Line();
  const std::u16string text = TextOf(hwnd);
  painter.Fill(client, kDialogFace);
  const HGDIOBJ old = b.font != nullptr ? SelectObject(dc, b.font) : nullptr;
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  if (old != nullptr) {
    SelectObject(dc, old);
  }
  const int half = static_cast<int>(metrics.tmHeight) / 2;
  painter.Frame(RECT{0, half, client.right, client.bottom}, line, kControlInk);
  if (!text.empty()) {
    const int gap = ControlPainter::Scale(4);
    const RECT label{ControlPainter::Scale(8), 0, ControlPainter::Scale(8) + extent.cx + 2 * gap,
                     metrics.tmHeight};
    painter.Fill(label, kDialogFace);
    DrawControlText(dc, b.font, text, RECT{label.left + gap, 0, client.right, label.bottom},
                    DT_LEFT | DT_SINGLELINE, kControlInk);
  }
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(hwnd, &ps);
  const ButtonState &b = Buttons()[hwnd];
  RECT client{};
  GetClientRect(hwnd, &client);
  const DWORD type = TypeOf(hwnd);
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  if (dc != nullptr) {
    if (type == BS_GROUPBOX) {
      PaintGroupBox(hwnd, dc, b, client);
    } else if (IsCheck(type) || IsRadio(type)) {
      PaintMarked(hwnd, dc, b, client, enabled);
    } else {
      PaintPush(hwnd, dc, b, client, enabled);
    }
  }
  EndPaint(hwnd, &ps);
}

LRESULT DialogCode(HWND hwnd) {
  const DWORD type = TypeOf(hwnd);
  if (type == BS_GROUPBOX) {
    return DLGC_STATIC;
  }
  if (IsRadio(type)) {
    return DLGC_BUTTON | DLGC_RADIOBUTTON;
  }
  if (IsPush(type)) {
    return type == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
  }
  return DLGC_BUTTON;
}

LRESULT OnPen(HWND hwnd, UINT msg, LPARAM lParam) {
  ButtonState &b = Buttons()[hwnd];
  switch (msg) {
  case WM_LBUTTONDOWN:
    if (TypeOf(hwnd) == BS_GROUPBOX) {
      return 0;
    }
    b.tracking = true;
    SetCapture(hwnd);
    SetFocus(hwnd);
    SetPushed(hwnd, Buttons()[hwnd], true);
    return 0;
  case WM_MOUSEMOVE:
    if (b.tracking) {
      SetPushed(hwnd, b, PointInClient(hwnd, lParam));
    }
    return 0;
  case WM_LBUTTONUP: {
    if (!b.tracking) {
      return 0;
    }
    const bool inside = PointInClient(hwnd, lParam);
    b.tracking = false;
    SetPushed(hwnd, b, false);
    ReleaseCapture();
    if (inside) {
      Click(hwnd);
    }
    return 0;
  }
  default:
    return 0;
  }
}

// A press that loses its focus or its capture is over: the pen's ends unclicked,
// the space bar's ends (a press the pen still holds stays drawn pushed).
LRESULT OnLost(HWND hwnd, UINT msg, LPARAM lParam) {
  ButtonState &b = Buttons()[hwnd];
  if (msg == WM_KILLFOCUS) {
    b.keyDown = false;
    SetPushed(hwnd, b, b.tracking);
    Redraw(hwnd);
  } else if (b.tracking && reinterpret_cast<HWND>(lParam) != hwnd) {
    b.tracking = false;
    SetPushed(hwnd, b, false);
  }
  return 0;
}

// The space bar presses the button with the focus, and clicks it as it comes up.
LRESULT OnSpaceKey(HWND hwnd, UINT msg, WPARAM key) {
  ButtonState &b = Buttons()[hwnd];
  if (key != VK_SPACE) {
    return 0;
  }
  if (msg == WM_KEYDOWN && TypeOf(hwnd) != BS_GROUPBOX) {
    b.keyDown = true;
    SetPushed(hwnd, b, true);
  } else if (msg == WM_KEYUP && b.keyDown) {
    b.keyDown = false;
    SetPushed(hwnd, b, false);
    Click(hwnd);
  }
  return 0;
}

// The BM_ messages: the check mark, the pushed state, the style, a click.
LRESULT OnButtonMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ButtonState &b = Buttons()[hwnd];
  switch (msg) {
  case BM_GETCHECK:
    return static_cast<LRESULT>(b.check);
  case BM_SETCHECK:
    SetCheck(hwnd, static_cast<UINT>(wParam));
    return 0;
  case BM_GETSTATE:
    return static_cast<LRESULT>(b.check | (b.pushed ? BST_PUSHED : 0) |
                                (GetFocus() == hwnd ? BST_FOCUS : 0));
  case BM_SETSTATE:
    SetPushed(hwnd, b, wParam != 0);
    return 0;
  case BM_SETSTYLE: {
    const DWORD style = (StyleOf(hwnd) & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
    SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(style));
    if (lParam != 0) {
      Redraw(hwnd);
    }
    return 0;
  }
  default: // BM_CLICK
    if (IsWindowEnabled(hwnd) != FALSE && TypeOf(hwnd) != BS_GROUPBOX) {
      Click(hwnd);
    }
    return 0;
  }
}

} // namespace

LRESULT CALLBACK ButtonWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_CREATE:
    Buttons()[hwnd] = ButtonState{};
    return 0;
  case WM_NCDESTROY:
    Buttons().erase(hwnd);
    return 0;
  case WM_PAINT:
    Paint(hwnd);
    return 0;
  case WM_ERASEBKGND:
    return 1; // the paint covers every pixel
  case WM_SETFONT:
    Buttons()[hwnd].font = reinterpret_cast<HFONT>(wParam);
    if (lParam != 0) {
      Redraw(hwnd);
    }
    return 0;
  case WM_GETFONT:
    return reinterpret_cast<LRESULT>(Buttons()[hwnd].font);
  case WM_SETTEXT: {
    const LRESULT done = DefWindowProcW(hwnd, msg, wParam, lParam);
    Redraw(hwnd);
    return done;
  }
  case WM_ENABLE:
  case WM_SETFOCUS:
    Redraw(hwnd);
    return 0;
  case WM_KILLFOCUS:
  case WM_CAPTURECHANGED:
    return OnLost(hwnd, msg, lParam);
  case WM_GETDLGCODE:
    return DialogCode(hwnd);
  case WM_LBUTTONDOWN:
  case WM_MOUSEMOVE:
  case WM_LBUTTONUP:
    return OnPen(hwnd, msg, lParam);
  case WM_KEYDOWN:
  case WM_KEYUP:
    return OnSpaceKey(hwnd, msg, wParam);
  case BM_GETCHECK:
  case BM_SETCHECK:
  case BM_GETSTATE:
  case BM_SETSTATE:
  case BM_SETSTYLE:
  case BM_CLICK:
    return OnButtonMessage(hwnd, msg, wParam, lParam);
  default:
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

} // namespace platform
