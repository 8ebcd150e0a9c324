// The STATIC class: left, centred and right-aligned text with word wrap, and icons
// shown at the size of the icon group nearest the control.
#include <cstring>
#include <map>
#include <optional>

#include "device/device.h"
#include "kernel/module_state.h"
#include "user/control_draw.h"
#include "user/dialog.h"
#include "user/window.h"

namespace platform {
namespace {

struct StaticState {
  HFONT font = nullptr;
  HICON icon = nullptr;             // STM_SETICON
  std::optional<IconImage> picture; // what is drawn: the icon image chosen
};

std::map<HWND, StaticState> &Statics() {
  static std::map<HWND, StaticState> statics;
  return statics;
}

const bool registered = [] {
  RegisterResetHook([] { Statics().clear(); });
  return true;
}();

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }

// The image of an icon group whose size is nearest `wanted` pixels, the deeper
// colour on a tie, decoded. The group's layout was checked when the module loaded.
std::optional<IconImage> NearestIconImage(HINSTANCE instance, LPCWSTR name, int wanted) {
  const HRSRC group = FindResourceW(instance, name, RT_GROUP_ICON);
  const auto *data = static_cast<const std::byte *>(LockResource(LoadResource(instance, group)));
  const DWORD size = SizeofResource(instance, group);
  if (data == nullptr || size < 6) {
    return std::nullopt;
  }
  WORD count = 0;
  std::memcpy(&count, data + 4, 2);
  WORD bestId = 0;
  int bestDistance = 0;
  int bestBits = 0;
  for (std::size_t i = 0; i < count && 6 + (i + 1) * 14 <= size; ++i) {
    const std::byte *entry = data + 6 + i * 14;
    int side = std::to_integer<int>(entry[0]);
    side = side == 0 ? 256 : side;
    WORD bits = 0;
    WORD id = 0;
    std::memcpy(&bits, entry + 6, 2);
    std::memcpy(&id, entry + 12, 2);
    const int distance = std::abs(side - wanted);
    if (bestId == 0 || distance < bestDistance || (distance == bestDistance && bits > bestBits)) {
      bestId = id;
      bestDistance = distance;
      bestBits = bits;
    }
  }
  const HRSRC image = FindResourceW(instance, MAKEINTRESOURCEW(bestId), RT_ICON);
  const void *bytes = LockResource(LoadResource(instance, image));
  IconImage decoded;
  if (bestId == 0 || bytes == nullptr ||
      !DecodeIconImage(std::span<const std::byte>(static_cast<const std::byte *>(bytes),
                                                  SizeofResource(instance, image)),
                       &decoded)) {
    return std::nullopt;
  }
  return decoded;
}

// An SS_ICON static names its icon by its text: "\xFFFF" and an ordinal from a
// template, or a resource name. Like the real control, it takes the icon's size.
void LoadIconPicture(HWND hwnd, const CREATESTRUCTW &cs) {
  const std::u16string text = cs.lpszName != nullptr ? cs.lpszName : u"";
  if (text.empty()) {
    return;
  }
  const bool ordinal = text[0] == 0xFFFF && text.size() >= 2;
  LPCWSTR name = ordinal ? MAKEINTRESOURCEW(text[1]) : text.c_str();
  const int wanted = std::min(cs.cx, cs.cy);
  auto picture = NearestIconImage(cs.hInstance, name, wanted > 0 ? wanted : 32);
  if (!picture) {
    return;
  }
  SetWindowPos(hwnd, nullptr, 0, 0, picture->width, picture->height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Statics()[hwnd].picture = std::move(picture);
  if (ordinal) {
    DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u""));
  }
}

void ForwardPen(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND parent = GetParent(hwnd);
  POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ClientToScreen(hwnd, &p);
  ScreenToClient(parent, &p);
  SendMessageW(parent, msg, wParam, MAKELPARAM(p.x, p.y));
}

UINT TextFormat(DWORD style) {
  UINT format = DT_WORDBREAK | DT_EXPANDTABS;
  switch (style & SS_TYPEMASK) {
  case SS_CENTER:
    format |= DT_CENTER;
    break;
  case SS_RIGHT:
    format |= DT_RIGHT;
    break;
  case SS_LEFTNOWORDWRAP:
    format = DT_LEFT | DT_EXPANDTABS;
    break;
  default:
    break;
  }
  return (style & SS_NOPREFIX) != 0 ? format | DT_NOPREFIX : format;
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) {
    EndPaint(hwnd, &ps);
    return;
  }
  RECT client{};
  GetClientRect(hwnd, &client);
  // The parent may choose the background, as with the real control.
  const HWND parent = GetParent(hwnd);
  const auto brush = reinterpret_cast<HBRUSH>(
      parent != nullptr ? SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(hwnd))
                        : 0);
  ControlPainter painter(dc);
  if (brush != nullptr) {
    FillRect(dc, &client, brush);
  } else {
    painter.Fill(client, kDialogFace);
  }
  const StaticState &s = Statics()[hwnd];
  const DWORD style = StyleOf(hwnd);
  if ((style & SS_TYPEMASK) == SS_ICON) {
    if (s.picture) {
      painter.Icon(*s.picture, 0, 0);
    }
  } else if ((style & SS_TYPEMASK) <= SS_RIGHT || (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP) {
    const Window *w = FindWindowObject(hwnd);
    const COLORREF ink = IsWindowEnabled(hwnd) != FALSE ? kControlInk : kDisabledInk;
    DrawControlText(dc, s.font, w != nullptr ? w->title : u"", client, TextFormat(style), ink);
  }
  EndPaint(hwnd, &ps);
}

} // namespace

LONG StaticShownHeight(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  const DWORD style = StyleOf(control);
  const auto found = Statics().find(control);
  const Window *w = FindWindowObject(control);
  if (found == Statics().end() || w == nullptr) {
    return client.bottom;
  }
  if ((style & SS_TYPEMASK) == SS_ICON) {
    return found->second.picture ? found->second.picture->height : 0;
  }
  if ((style & SS_TYPEMASK) > SS_RIGHT && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP) {
    return client.bottom;
  }
  const HDC dc = GetDC(control);
  const HGDIOBJ old =
      found->second.font != nullptr ? SelectObject(dc, found->second.font) : nullptr;
  RECT text = client;
  const int height = w->title.empty()
                         ? 0
                         : DrawTextW(dc, w->title.c_str(), static_cast<int>(w->title.size()), &text,
                                     TextFormat(style) | DT_CALCRECT);
  if (old != nullptr) {
    SelectObject(dc, old);
  }
  ReleaseDC(control, dc);
  return height;
}

LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_CREATE: {
    Statics()[hwnd] = StaticState{};
    const auto *cs = reinterpret_cast<const CREATESTRUCTW *>(lParam);
    if (cs != nullptr && (static_cast<DWORD>(cs->style) & SS_TYPEMASK) == SS_ICON) {
      LoadIconPicture(hwnd, *cs);
    }
    return 0;
  }
  case WM_NCDESTROY:
    Statics().erase(hwnd);
    return 0;
  case WM_PAINT:
    Paint(hwnd);
    return 0;
  case WM_ERASEBKGND:
    return 1;
  case WM_SETFONT:
    Statics()[hwnd].font = reinterpret_cast<HFONT>(wParam);
    if (lParam != 0) {
      InvalidateRect(hwnd, nullptr, FALSE);
    }
    return 0;
  case WM_GETFONT:
    return reinterpret_cast<LRESULT>(Statics()[hwnd].font);
  case WM_SETTEXT:
  case WM_ENABLE: {
    const LRESULT done = DefWindowProcW(hwnd, msg, wParam, lParam);
    InvalidateRect(hwnd, nullptr, FALSE);
    return msg == WM_SETTEXT ? done : 0;
  }
  case WM_GETDLGCODE:
    return DLGC_STATIC;
  case WM_LBUTTONDOWN:
  case WM_MOUSEMOVE:
  case WM_LBUTTONUP:
    // Without SS_NOTIFY a static is transparent to the pen: its parent gets it.
    if ((StyleOf(hwnd) & SS_NOTIFY) == 0) {
      ForwardPen(hwnd, msg, wParam, lParam);
    }
    return 0;
  case STM_SETICON: {
    StaticState &s = Statics()[hwnd];
    const HICON old = s.icon;
    s.icon = reinterpret_cast<HICON>(wParam);
    const IconImage *image = FindIconImage(s.icon);
    s.picture = image != nullptr ? std::optional<IconImage>(*image) : std::nullopt;
    InvalidateRect(hwnd, nullptr, FALSE);
    return reinterpret_cast<LRESULT>(old);
  }
  case STM_GETICON:
    return reinterpret_cast<LRESULT>(Statics()[hwnd].icon);
  default:
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

} // namespace platform
