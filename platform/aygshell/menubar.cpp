// SHCreateMenuBar's soft-key bar: a strip at the bottom of the screen whose keys,
// read from the menu-bar resource, send their command ids to the bar's parent.
#include <aygshell.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "aygshell/menubar_resource.h"
#include "device/device.h"
#include "user/control_draw.h"
#include "user/window.h"

namespace platform {
namespace {

constexpr char16_t kMenuBarClass[] = u"MenuBar";
constexpr COLORREF kBarFace = RGB(0, 32, 96);
constexpr COLORREF kBarInk = RGB(255, 255, 255);
constexpr COLORREF kBarPressed = RGB(0, 64, 160);
constexpr COLORREF kBarDisabledInk = RGB(112, 128, 160);
constexpr COLORREF kBarDivider = RGB(48, 80, 144);

struct SoftKey {
  WORD command = 0;
  std::u16string label;
  bool enabled = true;
};

struct Bar {
  HWND parent = nullptr; // receives WM_COMMAND
  std::vector<SoftKey> keys;
  COLORREF face = kBarFace;
  int pressed = -1; // the key drawn pressed
  int downOn = -1;  // the key the pen went down on while it holds the capture
};

struct MenuBarState {
  std::map<HWND, Bar> bars;
  bool classRegistered = false;
};

MenuBarState &MenuBars() {
  static MenuBarState state;
  return state;
}

const bool registered = [] {
  RegisterResetHook([] { MenuBars() = MenuBarState{}; });
  return true;
}();

int BarHeight() { return NavigationBarHeight(); }

// The keys share the bar's width equally; a key with an empty label keeps its place.
int KeyAt(HWND hwnd, const Bar &bar, LPARAM lParam) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const auto x = static_cast<short>(LOWORD(lParam));
  const auto y = static_cast<short>(HIWORD(lParam));
  if (bar.keys.empty() || x < 0 || y < 0 || x >= client.right || y >= client.bottom) {
    return -1;
  }
  return static_cast<int>(x * static_cast<LONG>(bar.keys.size()) / client.right);
}

RECT KeyRect(const RECT &client, std::size_t count, std::size_t i) {
  const auto n = static_cast<LONG>(count);
  const auto k = static_cast<LONG>(i);
  return RECT{client.right * k / n, 0, client.right * (k + 1) / n, client.bottom};
}

HFONT CreateKeyFont() {
  LOGFONTW lf{};
  lf.lfHeight = -ControlPainter::Scale(12);
  lf.lfWeight = FW_BOLD;
  lf.lfQuality = SystemTextQuality();
  std::copy(std::begin(kSystemFace), std::end(kSystemFace), lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

void Paint(HWND hwnd, const Bar &bar) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(hwnd, &ps);
  if (dc != nullptr) {
    RECT client{};
    GetClientRect(hwnd, &client);
    ControlPainter painter(dc);
    painter.Fill(client, bar.face);
    const HFONT font = CreateKeyFont();
    for (std::size_t i = 0; i < bar.keys.size(); ++i) {
      const RECT r = KeyRect(client, bar.keys.size(), i);
      if (static_cast<int>(i) == bar.pressed) {
        painter.Fill(r, kBarPressed);
      }
      if (i > 0) {
        const int line = ControlPainter::Line();
        const LONG inset = client.bottom / 4;
        painter.Fill(RECT{r.left, inset, r.left + line, client.bottom - inset}, kBarDivider);
      }
      const SoftKey &key = bar.keys[i];
      DrawControlText(dc, font, key.label, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
                      key.enabled ? kBarInk : kBarDisabledInk);
    }
    DeleteObject(font);
  }
  EndPaint(hwnd, &ps);
}

void SetPressed(HWND hwnd, Bar &bar, int key) {
  if (bar.pressed != key) {
    bar.pressed = key;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
}

// A key acts as a button: pressed while the pen is down on it, its command sent
// when the pen is lifted on it. The parent's window must be taking input: the main
// window's bar does nothing while a modal dialog disables it.
void OnPen(HWND hwnd, Bar &bar, UINT msg, LPARAM lParam) {
  const int key = KeyAt(hwnd, bar, lParam);
  switch (msg) {
  case WM_LBUTTONDOWN: {
    const Window *top = TopLevelOf(FindWindowObject(bar.parent));
    if (key < 0 || !bar.keys[static_cast<std::size_t>(key)].enabled || top == nullptr ||
        !top->enabled) {
      return;
    }
    bar.downOn = key;
    SetCapture(hwnd);
    SetPressed(hwnd, bar, key);
    return;
  }
  case WM_MOUSEMOVE:
    if (bar.downOn >= 0) {
      SetPressed(hwnd, bar, key == bar.downOn ? key : -1);
    }
    return;
  case WM_LBUTTONUP: {
    const int down = std::exchange(bar.downOn, -1);
    SetPressed(hwnd, bar, -1);
    ReleaseCapture();
    if (down >= 0 && key == down) {
      PostMessageW(bar.parent, WM_COMMAND, bar.keys[static_cast<std::size_t>(key)].command, 0);
    }
    return;
  }
  default:
    return;
  }
}

LRESULT CALLBACK MenuBarWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto it = MenuBars().bars.find(hwnd);
  if (it == MenuBars().bars.end()) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  Bar &bar = it->second;
  switch (msg) {
  case WM_PAINT:
    Paint(hwnd, bar);
    return 0;
  case WM_ERASEBKGND:
    return 1;
  case WM_LBUTTONDOWN:
  case WM_MOUSEMOVE:
  case WM_LBUTTONUP:
    OnPen(hwnd, bar, msg, lParam);
    return 0;
  case WM_CAPTURECHANGED:
    bar.downOn = -1;
    SetPressed(hwnd, bar, -1);
    return 0;
  case WM_NCDESTROY:
    MenuBars().bars.erase(it);
    return 0;
  default:
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

void RegisterBarClass() {
  if (std::exchange(MenuBars().classRegistered, true)) {
    return;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = MenuBarWindowProc;
  wc.lpszClassName = kMenuBarClass;
  RegisterClassW(&wc);
}

// The keys of the menu-bar resource, labelled from the module's string table.
bool LoadKeys(const SHMENUBARINFO &info, std::vector<SoftKey> *keys) {
  const HRSRC found = FindResourceW(info.hInstRes, MAKEINTRESOURCEW(info.nToolBarId), RT_RCDATA);
  const void *data = LockResource(LoadResource(info.hInstRes, found));
  if (data == nullptr) {
    return false;
  }
  MenuBarResource resource;
  std::string error;
  if (!ParseMenuBarResource(std::span<const std::byte>(static_cast<const std::byte *>(data),
                                                       SizeofResource(info.hInstRes, found)),
                            &resource, &error)) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  for (const MenuBarButton &button : resource.buttons) {
    if ((button.state & TBSTATE_HIDDEN) != 0) {
      continue; // takes no place
    }
    LPCWSTR label = nullptr;
    const int length =
        LoadStringW(info.hInstRes, button.labelId, reinterpret_cast<LPWSTR>(&label), 0);
    keys->push_back(SoftKey{button.command,
                            length > 0 ? std::u16string(label, static_cast<std::size_t>(length))
                                       : std::u16string(),
                            (button.state & TBSTATE_ENABLED) != 0});
  }
  return true;
}

} // namespace
} // namespace platform

BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO *pmbi) {
  if (pmbi == nullptr || pmbi->cbSize != sizeof(SHMENUBARINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  platform::Window *parent = platform::FindWindowObject(pmbi->hwndParent);
  if (parent == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if ((pmbi->dwFlags & SHCMBF_HMENU) != 0) {
    SetLastError(ERROR_NOT_SUPPORTED); // menus are not drawn as bars here
    return FALSE;
  }
  platform::Bar bar;
  bar.parent = pmbi->hwndParent;
  if ((pmbi->dwFlags & SHCMBF_COLORBK) != 0) {
    bar.face = pmbi->clrBk;
  }
  if ((pmbi->dwFlags & SHCMBF_EMPTYBAR) == 0 && !platform::LoadKeys(*pmbi, &bar.keys)) {
    return FALSE;
  }
  platform::RegisterBarClass();
  const platform::Device &device = platform::CurrentDevice();
  const int height = platform::BarHeight();
  // Made hidden and then shown without activation: the bar never takes the
  // foreground (and the navigation bar's title) from its parent.
  const HWND hwnd = CreateWindowExW(0, platform::kMenuBarClass, u"", WS_POPUP, 0,
                                    device.ScreenHeight() - height, device.ScreenWidth(), height,
                                    parent->handle, nullptr, pmbi->hInstRes, nullptr);
  if (hwnd == nullptr) {
    return FALSE;
  }
  platform::MenuBars().bars[hwnd] = std::move(bar);
  if ((pmbi->dwFlags & SHCMBF_HIDDEN) == 0) {
    ShowWindow(hwnd, SW_SHOWNA);
  }
  pmbi->hwndMB = hwnd;
  return TRUE;
}

HWND WINAPI SHFindMenuBar(HWND hwnd) {
  for (const auto &[bar, state] : platform::MenuBars().bars) {
    if (state.parent == hwnd && IsWindow(bar) != FALSE) {
      return bar;
    }
  }
  return nullptr;
}

namespace platform::shell {

bool SoftKeyCentre(HWND parent, WORD command, POINT *screen) {
  for (const auto &[hwnd, bar] : MenuBars().bars) {
    const Window *w = FindWindowObject(hwnd);
    if (bar.parent != parent || w == nullptr || !IsShown(*w)) {
      continue;
    }
    for (std::size_t i = 0; i < bar.keys.size(); ++i) {
      if (bar.keys[i].command == command && bar.keys[i].enabled) {
        const RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
        const RECT key = KeyRect(client, bar.keys.size(), i);
        *screen = POINT{w->rect.left + (key.left + key.right) / 2,
                        w->rect.top + (key.top + key.bottom) / 2};
        return true;
      }
    }
  }
  return false;
}

} // namespace platform::shell
