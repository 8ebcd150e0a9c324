// The user's input taken into the message queue, from every front end alike.
#pragma once

#include <windows.h>

#include <vector>

#include "device/input.h"

namespace platform {

// Takes the user's input, announcing it to the listeners (a recording). Pen, key
// and wheel events are queued: GetMessageW turns each into a message for the
// window under the pen (pen events) or the window with the keyboard (keys, the
// wheel) when it is retrieved, after the posted messages and before WM_QUIT,
// paints and timers. A turn turns the screen at once; a close posts WM_CLOSE to
// the foreground application window, as its user closing it would (WM_QUIT when
// there is none, since nothing else could end the program). The shell sees each
// event first and may take a key in place of what it stands for (aygshell/keys.h).
void QueueInput(const InputEvent &event);
// A key press: the modifiers go down, the key goes down and up, the modifiers
// go up. `modifiers` is a mask of FCONTROL, FSHIFT and FALT.
std::vector<InputEvent> KeyPressEvents(UINT key, BYTE modifiers);
void QueueKeyPress(UINT key, BYTE modifiers);

} // namespace platform
