// The null sound output, of a muted device: every sound is taken at once and none is
// heard, so a muted game behaves as one with sound, without a sound card.
#include "device/device.h"
#include "sound/audio.h"

namespace platform::sound {
namespace {

bool Open(bool) { return true; }
bool Start(const WaveSound &) { return true; }
bool Playing() { return false; }
void Wait() {}
std::string Driver() { return ""; }

} // namespace

const Output &NullOutput() {
  static constexpr Output kNull{Open, Start, Playing, Wait, Driver};
  return kNull;
}

const Output &DeviceOutput() {
  return CurrentDevice().Config().mute ? NullOutput() : SystemOutput();
}

} // namespace platform::sound
