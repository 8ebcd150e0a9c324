// Input from the front ends: pen and key events queued for the message loop.
#pragma once

#include <windows.h>

#include <vector>

namespace platform {

enum class InputKind { PenDown, PenMove, PenUp, KeyDown, KeyUp, Wheel };

struct InputEvent {
  InputKind kind = InputKind::PenDown;
  POINT point{}; // pen events: device screen pixels
  UINT key = 0;  // key events: a virtual-key code
  int wheel = 0; // wheel events: WHEEL_DELTA per notch, positive turned away from the user
};

// Queues an event; GetMessageW turns it into a message for the window under the
// pen (pen events) or the window with the keyboard (key and wheel events) when it
// is retrieved, after the posted messages and before WM_QUIT, paints and timers.
void QueueInput(const InputEvent &event);
// A key press: the modifiers go down, the key goes down and up, the modifiers
// go up. `modifiers` is a mask of FCONTROL, FSHIFT and FALT.
std::vector<InputEvent> KeyPressEvents(UINT key, BYTE modifiers);
void QueueKeyPress(UINT key, BYTE modifiers);

} // namespace platform
