// The sound output: a table of operations that one back end fills in. The build's
// own device is SDL's audio (audio.cpp) or the page's WebAudio (audio_web.cpp); a
// muted device plays through the null output (audio_null.cpp), which takes every
// sound and plays none, as SDL's dummy drivers do.
#pragma once

#include <string>

#include "sound/wave.h"

namespace platform::sound {

struct Output {
  // Opens the device when it is not open. With `quick`, a device that failed or
  // was lost is not tried again (the caller must not wait); otherwise a failed
  // device is tried again, at most once a second. Returns whether it is open.
  bool (*open)(bool quick);
  // Cuts off whatever plays and starts `sound`, converted to the device's format.
  // False when the device is not open or the conversion fails.
  bool (*start)(const WaveSound &sound);
  bool (*playing)();
  // Blocks until the sound playing has ended.
  void (*wait)();
  // The driver in use ("" when closed), for tests and messages.
  std::string (*driver)();
};

// The build's device, closed again at each device reset.
const Output &SystemOutput();
const Output &NullOutput();
// What the current device plays through: the null output when it is muted.
const Output &DeviceOutput();

} // namespace platform::sound
