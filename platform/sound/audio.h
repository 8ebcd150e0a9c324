// The sound output: one SDL audio device, opened at the first sound, playing one
// sound at a time on SDL's audio thread.
#pragma once

#include <string>

#include "sound/wave.h"

namespace platform::sound {

// Opens the device when it is not open. With `quick`, a device that failed or
// was lost is not tried again (the caller must not wait); otherwise a failed
// device is tried again, at most once a second. Returns whether it is open.
bool OpenOutput(bool quick);

// Cuts off whatever plays and starts `sound`, converted to the device's format;
// `tag` names it for StopOutput. False when the device is not open or the
// conversion fails.
bool StartOutput(const WaveSound &sound, bool loop, const std::u16string &tag);
// Stops the sound playing; with a tag, only when the playing sound has that tag.
void StopOutput(const std::u16string *tag = nullptr);
bool OutputPlaying();
// Blocks until the sound playing has ended (a looping one never ends: returns).
void WaitForOutput();
// Closes the device and SDL's audio subsystem (device reset).
void CloseOutput();

// The SDL driver in use ("" when closed), for tests and messages.
std::string OutputDriver();

} // namespace platform::sound
