// Pen capture: the window that gets the pen's messages wherever the pen goes.
#pragma once

#include <windows.h>

namespace platform {

// The live capturing window, or null. The message queue sends pen messages to it
// instead of the window under the pen.
HWND CaptureWindow();

} // namespace platform
