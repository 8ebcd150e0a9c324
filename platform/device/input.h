// The user's input as every front end hands it to the layer: one record, whatever
// its source (a mouse or a finger, a page's pointer, a script's line, a recording's).
#pragma once

#include <windows.h>

namespace platform {

enum class InputKind { PenDown, PenMove, PenUp, KeyDown, KeyUp, Wheel, Turn, Close };

struct InputEvent {
  InputKind kind = InputKind::Close;
  POINT point{}; // pen: device screen pixels
  UINT key = 0;  // keys: a virtual-key code
  int wheel = 0; // the wheel: WHEEL_DELTA a notch, positive turned away from the user
};

} // namespace platform
