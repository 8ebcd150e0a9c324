// Modal dialogs: the template found and parsed, the dialog and its controls made,
// WM_INITDIALOG, the modal loop with its owner disabled, and EndDialog.
#include "user/dialog.h"

#include <algorithm>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "device/device.h"
#include "kernel/module_state.h"
#include "user/window.h"

namespace platform {
namespace {

struct DialogState {
  std::map<HWND, DialogInfo> dialogs;
  bool classesRegistered = false;
};

DialogState &Dialogs() {
  static DialogState state;
  return state;
}

const bool registered = [] {
  RegisterResetHook([] { Dialogs() = DialogState{}; });
  return true;
}();

// A modal loop in progress: EndDialog reaches it even when the dialog window is
// destroyed before the loop looks again.
struct ModalFrame {
  HWND dialog = nullptr;
  bool ended = false;
  INT_PTR result = 0;
};
std::vector<ModalFrame *> &ModalFrames() {
  static std::vector<ModalFrame *> frames;
  return frames;
}

// The template's bytes. One that lies in a resource of the module is bounded by that
// resource, so a malformed one cannot be read past its end. One the caller built in
// memory carries no length, as on Win32: it is read as far as its own fields say.
std::span<const std::byte> TemplateBytes(HINSTANCE instance, const void *start) {
  const auto *at = static_cast<const std::byte *>(start);
  for (Module *module : {FindModule(instance), FindModule(nullptr)}) {
    if (module == nullptr) {
      continue;
    }
    for (const ResourceEntry &entry : module->entries) {
      const auto data = module->Data(entry);
      if (at >= data.data() && at < data.data() + data.size()) {
        return {at, static_cast<std::size_t>(data.data() + data.size() - at)};
      }
    }
  }
  return {at, std::numeric_limits<std::size_t>::max() / 2};
}

// Where the dialog goes: its template position in the owner's client area, or
// centred on the screen below the navigation bar with DS_CENTER.
// A dialog is never larger than the screen: nothing beyond it could be seen, and a
// template cannot make the layer allocate more than a screenful for it.
RECT Placement(const DialogTemplate &t, HWND owner, SIZE base) {
  const Device &device = CurrentDevice();
  const LONG width = std::clamp<LONG>(DialogUnitsToPixelsX(t.cx, base), 0, device.ScreenWidth());
  const LONG height = std::clamp<LONG>(DialogUnitsToPixelsY(t.cy, base), 0, device.ScreenHeight());
  if ((t.style & DS_CENTER) != 0) {
    const LONG top = NavigationBarHeight();
    const LONG x = (device.ScreenWidth() - width) / 2;
    const LONG y = top + (device.ScreenHeight() - top - height) / 2;
    return RECT{x, y, x + width, y + height};
  }
  POINT origin{0, 0};
  if (owner != nullptr && (t.style & DS_ABSALIGN) == 0) {
    ClientToScreen(owner, &origin);
  }
  const LONG x = origin.x + DialogUnitsToPixelsX(t.x, base);
  const LONG y = origin.y + DialogUnitsToPixelsY(t.y, base);
  return RECT{x, y, x + width, y + height};
}

// The text a control is created with: a string, or "\xFFFF" and the ordinal (an SS_ICON
// static's icon), which the control reads back as the real system's controls do.
std::u16string ItemText(const DialogItem &item) {
  switch (item.text.kind) {
  case NameOrOrdinal::Kind::Text:
    return item.text.text;
  case NameOrOrdinal::Kind::Ordinal:
    return std::u16string{char16_t{0xFFFF}, static_cast<char16_t>(item.text.ordinal)};
  case NameOrOrdinal::Kind::None:
    break;
  }
  return {};
}

bool CreateItems(HWND dialog, const DialogTemplate &t, HINSTANCE instance, HFONT font, SIZE base) {
  for (const DialogItem &item : t.items) {
    const std::u16string cls = ItemClassName(item.windowClass);
    const std::u16string text = ItemText(item);
    const DWORD style = (item.style | WS_CHILD) & ~static_cast<DWORD>(WS_POPUP);
    void *creationData =
        item.creationData.empty() ? nullptr : const_cast<std::uint8_t *>(item.creationData.data());
    // The edges are converted rather than the sizes, so neighbours that share an edge
    // in dialog units share it in pixels too.
    const RECT r{DialogUnitsToPixelsX(item.x, base), DialogUnitsToPixelsY(item.y, base),
                 DialogUnitsToPixelsX(item.x + item.cx, base),
                 DialogUnitsToPixelsY(item.y + item.cy, base)};
    const HWND control =
        cls.empty() ? nullptr
                    : CreateWindowExW(item.exStyle, cls.c_str(), text.c_str(), style, r.left, r.top,
                                      r.right - r.left, r.bottom - r.top, dialog,
                                      reinterpret_cast<HMENU>(std::uintptr_t{item.id}), instance,
                                      creationData);
    if (control == nullptr) {
      return false; // as on Win32, a control that cannot be made fails the dialog
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return true;
}

// The first control that Tab would reach, for WM_INITDIALOG's wParam.
HWND FirstTabStop(HWND dialog) { return GetNextDlgTabItem(dialog, nullptr, FALSE); }

// Makes the dialog hidden, with its controls, and sends WM_INITDIALOG. Null (and
// nothing left behind) when a control cannot be made or the procedure destroyed it.
HWND CreateDialogWindow(const DialogTemplate &t, HINSTANCE instance, HWND owner, DLGPROC proc,
                        LPARAM param) {
  RegisterDialogClasses();
  const HFONT font = CreateDialogFont(t);
  const SIZE base = MeasureBaseUnits(font);
  const RECT at = Placement(t, owner, base);
  std::u16string cls = kDialogClassName;
  if (t.windowClass.kind == NameOrOrdinal::Kind::Text) {
    cls = t.windowClass.text; // a class of the program's own, which calls DefDlgProcW
  }
  const DWORD style = (t.style | WS_POPUP) & ~static_cast<DWORD>(WS_VISIBLE | WS_CHILD);
  const HWND dialog =
      CreateWindowExW(t.exStyle, cls.c_str(), t.title.c_str(), style, at.left, at.top,
                      at.right - at.left, at.bottom - at.top, owner, nullptr, instance, nullptr);
  if (dialog == nullptr) {
    DeleteObject(font);
    return nullptr;
  }
  DialogInfo &info = AddDialog(dialog);
  info.instance = instance;
  info.font = font; // deleted with the dialog
  info.baseUnits = base;
  info.proc = proc;
  SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (!CreateItems(dialog, t, instance, font, base)) {
    DestroyWindow(dialog);
    return nullptr;
  }
  UpdateScrollRange(dialog);
  const HWND first = FirstTabStop(dialog);
  const LRESULT focusFirst =
      SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
  DialogInfo *after = FindDialog(dialog);
  if (after == nullptr) {
    return nullptr;
  }
  // A procedure that set the focus itself returns FALSE; otherwise the first tab stop
  // gets it when the dialog comes to the front.
  after->lastFocus = focusFirst != FALSE ? first : GetFocus();
  return dialog;
}

// Runs the dialog until EndDialog. Paints and timers of every window keep flowing;
// the owner takes no input meanwhile. A WM_QUIT ends the loop and is posted again.
INT_PTR RunModal(HWND dialog, HWND owner) {
  ModalFrame frame{dialog};
  if (const DialogInfo *info = FindDialog(dialog); info != nullptr && info->ended) {
    frame.ended = true;
    frame.result = info->result;
  }
  ModalFrames().push_back(&frame);
  const bool disableOwner = owner != nullptr && IsWindowEnabled(owner) != FALSE;
  if (disableOwner) {
    EnableWindow(owner, FALSE);
  }
  if (!frame.ended) {
    ShowWindow(dialog, SW_SHOW);
  }
  bool quit = false;
  MSG msg{};
  while (!frame.ended && IsWindow(dialog) != FALSE) {
    if (GetMessageW(&msg, nullptr, 0, 0) == FALSE) {
      quit = true;
      break;
    }
    if (IsDialogMessageW(dialog, &msg) == FALSE) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  ModalFrames().pop_back();
  // The owner comes back before the dialog goes, so it is the one activated and it
  // repaints what the dialog uncovers.
  if (disableOwner && IsWindow(owner) != FALSE) {
    EnableWindow(owner, TRUE);
  }
  if (IsWindow(dialog) != FALSE) {
    DestroyWindow(dialog);
  }
  if (quit) {
    PostQuitMessage(static_cast<int>(msg.wParam));
  }
  return frame.ended ? frame.result : 0;
}

} // namespace

DialogInfo *FindDialog(HWND hwnd) {
  auto &dialogs = Dialogs().dialogs;
  const auto it = dialogs.find(hwnd);
  return it != dialogs.end() && FindWindowObject(hwnd) != nullptr ? &it->second : nullptr;
}

DialogInfo &AddDialog(HWND hwnd) { return Dialogs().dialogs[hwnd] = DialogInfo{}; }

void ForgetDialog(HWND hwnd) {
  auto &dialogs = Dialogs().dialogs;
  const auto it = dialogs.find(hwnd);
  if (it == dialogs.end()) {
    return;
  }
  if (it->second.font != nullptr) {
    DeleteObject(it->second.font);
  }
  dialogs.erase(it);
}

void RegisterDialogClasses() {
  if (std::exchange(Dialogs().classesRegistered, true)) {
    return;
  }
  static constexpr struct {
    const char16_t *name;
    WNDPROC proc;
  } kClasses[] = {{kDialogClassName, DefDlgProcW},
                  {kButtonClassName, ButtonWindowProc},
                  {kStaticClassName, StaticWindowProc}};
  for (const auto &c : kClasses) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = c.proc;
    wc.lpszClassName = c.name;
    RegisterClassW(&wc);
  }
}

} // namespace platform

INT_PTR WINAPI DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate,
                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  if (hDialogTemplate == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  platform::Window *parent = platform::FindWindowObject(hWndParent);
  if (hWndParent != nullptr && parent == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  platform::DialogTemplate parsed;
  std::string error;
  if (!platform::ParseDialogTemplate(platform::TemplateBytes(hInstance, hDialogTemplate), &parsed,
                                     &error)) {
    SetLastError(ERROR_INVALID_DATA);
    return -1;
  }
  const HWND owner = parent != nullptr ? platform::TopLevelOf(parent)->handle : nullptr;
  const HWND dialog =
      platform::CreateDialogWindow(parsed, hInstance, owner, lpDialogFunc, dwInitParam);
  if (dialog == nullptr) {
    return -1;
  }
  return platform::RunModal(dialog, owner);
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  platform::DialogInfo *info = platform::FindDialog(hDlg);
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  info->ended = true;
  info->result = nResult;
  for (platform::ModalFrame *frame : platform::ModalFrames()) {
    if (frame->dialog == hDlg) {
      frame->ended = true;
      frame->result = nResult;
    }
  }
  return TRUE;
}
