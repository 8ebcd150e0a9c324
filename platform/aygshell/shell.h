// The shell library's private interface: starting the shell's part of the screen.
#pragma once

#include <windows.h>

namespace platform::shell {

// Puts the shell's navigation bar on the screen: the foreground window's title,
// and an "ok" button while that window has WS_EX_CAPTIONOKBTN, which sends it
// WM_COMMAND IDOK. The front ends (and the test library) call this once the
// device has started, as the device's shell starts with it.
void InstallShell();

// The navigation bar's "ok" button, in screen pixels.
RECT NavigationDoneButtonRect();

// The centre of the soft key of `parent`'s bar that sends `command`, in screen
// pixels; false when no shown bar of the window has it enabled.
bool SoftKeyCentre(HWND parent, WORD command, POINT *screen);

} // namespace platform::shell
