// What the sound subsystem records of each PlaySoundW call.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct PlayedSound {
  std::u16string name; // empty for SND_MEMORY and SND_PURGE with a null name
  HMODULE module = nullptr;
  DWORD flags = 0;
  std::uint64_t atMs = 0; // device clock at the call
};

const std::vector<PlayedSound> &PlayedSounds();
void ClearPlayedSounds();

} // namespace platform
