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

} // namespace platform::shell
