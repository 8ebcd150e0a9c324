// RIFF WAVE parsing: the PCM sounds PlaySoundW plays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace platform::sound {

struct WaveSound {
  int channels = 0;                   // 1 or 2
  int bitsPerSample = 0;              // 8 (unsigned) or 16 (signed, little-endian)
  std::uint32_t rate = 0;             // frames per second
  std::span<const std::byte> samples; // inside the parsed bytes, whole frames only

  std::size_t Frames() const {
    return samples.size() / static_cast<std::size_t>(channels * bitsPerSample / 8);
  }
};

// Longest a sound may be: a WAVE larger than this is refused rather than
// converted and held in memory.
inline constexpr std::size_t MaxWaveBytes = 64u << 20;
inline constexpr std::uint32_t MinRate = 1000;
inline constexpr std::uint32_t MaxRate = 384000;

// Parses a complete RIFF WAVE image: a "RIFF" chunk of form "WAVE" whose size fits
// the bytes (bytes after it are ignored), one "fmt " chunk of PCM (format 1) with
// 1 or 2 channels, 8 or 16 bits, a rate in [MinRate, MaxRate] and consistent
// block alignment and byte rate, then one "data" chunk of whole frames. Other
// chunks are skipped. Returns false with a one-line reason for anything else.
bool ParseWave(std::span<const std::byte> bytes, WaveSound *sound, std::string *error);

// The size of the RIFF image that starts at `header` (at least 8 readable bytes),
// or 0 when it does not start with a RIFF header: what SND_MEMORY reads.
std::size_t RiffImageSize(const std::byte *header);

} // namespace platform::sound
