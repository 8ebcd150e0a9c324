// Test hooks of the sound output.
#include "testing/testing.h"
#include "sound/audio.h"

namespace platform::test {

std::string AudioDriverInUse() { return sound::SystemOutput().driver(); }
bool SoundPlaying() { return sound::SystemOutput().playing(); }

} // namespace platform::test
