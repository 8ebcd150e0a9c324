// Fuzz target for the WAVE parser: any input is accepted or refused without a
// fault, and an accepted sound lies inside the input in whole frames.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "sound/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace platform::sound;
  const std::span<const std::byte> input(reinterpret_cast<const std::byte *>(data), size);
  WaveSound sound;
  std::string error;
  if (!ParseWave(input, &sound, &error)) {
    if (error.empty()) {
      std::abort(); // a refusal always says why
    }
    return 0;
  }
  const std::size_t frameBytes = static_cast<std::size_t>(sound.channels * sound.bitsPerSample / 8);
  const bool inside = sound.samples.data() >= input.data() &&
                      sound.samples.data() + sound.samples.size() <= input.data() + input.size();
  if (!inside || frameBytes == 0 || sound.samples.size() % frameBytes != 0 ||
      sound.rate < MinRate || sound.rate > MaxRate ||
      (size >= 8 && RiffImageSize(input.data()) > size)) {
    std::abort();
  }
  return 0;
}
