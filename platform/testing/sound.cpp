// Test hooks of the sound output.
#include "testing/testing.h"
#include "sound/audio.h"

namespace platform::test {

std::string AudioDriverInUse() { return sound::OutputDriver(); }
bool SoundPlaying() { return sound::OutputPlaying(); }

} // namespace platform::test
