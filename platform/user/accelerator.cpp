// TranslateAcceleratorW over the tables that LoadAcceleratorsW loads (kernel/module.h).
#include <windows.h>

#include "kernel/module.h"

namespace {

bool Held(int key) { return GetKeyState(key) < 0; }

// The modifiers an entry names must be exactly the ones held.
bool ModifiersMatch(BYTE flags) {
  return ((flags & FCONTROL) != 0) == Held(VK_CONTROL) &&
         ((flags & FSHIFT) != 0) == Held(VK_SHIFT) && ((flags & FALT) != 0) == Held(VK_MENU);
}

// Only virtual-key entries match: no window gets WM_CHAR, and the program's tables
// have no character entries.
bool Matches(const ACCEL &entry, const MSG &msg) {
  const bool keyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  return (entry.fVirt & FVIRTKEY) != 0 && keyDown && msg.wParam == entry.key &&
         ModifiersMatch(entry.fVirt);
}

} // namespace

int WINAPI TranslateAcceleratorW(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg) {
  const std::vector<ACCEL> *entries = platform::AcceleratorEntries(hAccTable);
  if (entries == nullptr || lpMsg == nullptr || !IsWindow(hWnd)) {
    SetLastError(entries == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  for (const ACCEL &entry : *entries) {
    if (Matches(entry, *lpMsg)) {
      // The high word 1 tells the window the command came from an accelerator.
      SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
      return 1;
    }
  }
  return 0;
}
