// RIFF WAVE parsing with every length checked before it is read.
#include "sound/wave.h"

#include <cstring>
#include <string_view>

namespace platform::sound {
namespace {

constexpr std::uint16_t PcmFormat = 1;

std::uint32_t Le32(const std::byte *p) {
  return std::to_integer<std::uint32_t>(p[0]) | (std::to_integer<std::uint32_t>(p[1]) << 8) |
         (std::to_integer<std::uint32_t>(p[2]) << 16) |
         (std::to_integer<std::uint32_t>(p[3]) << 24);
}

std::uint16_t Le16(const std::byte *p) {
  return static_cast<std::uint16_t>(std::to_integer<unsigned>(p[0]) |
                                    (std::to_integer<unsigned>(p[1]) << 8));
}

bool IsTag(const std::byte *p, std::string_view tag) { return std::memcmp(p, tag.data(), 4) == 0; }

bool Fail(std::string *error, const char *why) {
  if (error != nullptr) {
    *error = why;
  }
  return false;
}

// Reads the "fmt " chunk's body into `sound`.
bool ParseFormat(std::span<const std::byte> body, WaveSound *sound, std::string *error) {
  if (body.size() < 16) {
    return Fail(error, "the fmt chunk is shorter than 16 bytes");
  }
  const std::uint16_t format = Le16(&body[0]);
  const std::uint16_t channels = Le16(&body[2]);
  const std::uint32_t rate = Le32(&body[4]);
  const std::uint32_t byteRate = Le32(&body[8]);
  const std::uint16_t blockAlign = Le16(&body[12]);
  const std::uint16_t bits = Le16(&body[14]);
  if (format != PcmFormat) {
    return Fail(error, "the sound is not PCM");
  }
  if (channels != 1 && channels != 2) {
    return Fail(error, "the sound has neither one nor two channels");
  }
  if (bits != 8 && bits != 16) {
    return Fail(error, "the sound has neither 8 nor 16 bits per sample");
  }
  if (rate < MinRate || rate > MaxRate) {
    return Fail(error, "the sample rate is out of range");
  }
  if (blockAlign != channels * bits / 8) {
    return Fail(error, "the block alignment does not match channels and bits");
  }
  if (byteRate != rate * blockAlign) {
    return Fail(error, "the byte rate does not match the rate and block alignment");
  }
  sound->channels = channels;
  sound->bitsPerSample = bits;
  sound->rate = rate;
  return true;
}

} // namespace

std::size_t RiffImageSize(const std::byte *header) {
  if (!IsTag(header, "RIFF")) {
    return 0;
  }
  return std::size_t{8} + Le32(header + 4);
}

bool ParseWave(std::span<const std::byte> bytes, WaveSound *sound, std::string *error) {
  if (bytes.size() < 12) {
    return Fail(error, "shorter than a RIFF header");
  }
  if (!IsTag(bytes.data(), "RIFF") || !IsTag(bytes.data() + 8, "WAVE")) {
    return Fail(error, "not a RIFF WAVE image");
  }
  const std::size_t riffSize = Le32(bytes.data() + 4);
  if (riffSize < 4 || riffSize > bytes.size() - 8) {
    return Fail(error, "the RIFF size does not fit the data");
  }
  if (riffSize + 8 > MaxWaveBytes) {
    return Fail(error, "the sound is too large");
  }
  std::span<const std::byte> rest = bytes.subspan(12, riffSize - 4);
  WaveSound parsed;
  bool haveFormat = false;
  while (!rest.empty()) {
    if (rest.size() < 8) {
      return Fail(error, "a chunk header is cut short");
    }
    const std::byte *header = rest.data();
    const std::size_t size = Le32(header + 4);
    if (size > rest.size() - 8) {
      return Fail(error, "a chunk is longer than the RIFF data");
    }
    const std::span<const std::byte> body = rest.subspan(8, size);
    if (IsTag(header, "fmt ")) {
      if (haveFormat) {
        return Fail(error, "more than one fmt chunk");
      }
      if (!ParseFormat(body, &parsed, error)) {
        return false;
      }
      haveFormat = true;
    } else if (IsTag(header, "data")) {
      if (!haveFormat) {
        return Fail(error, "the data chunk comes before the fmt chunk");
      }
      const auto frameBytes = static_cast<std::size_t>(parsed.channels * parsed.bitsPerSample / 8);
      if (body.size() % frameBytes != 0) {
        return Fail(error, "the data chunk ends inside a frame");
      }
      parsed.samples = body;
      *sound = parsed;
      return true;
    }
    // Chunks are padded to an even size; the pad of the last one may be missing.
    const std::size_t advance = 8 + size + (size % 2);
    rest = rest.subspan(advance <= rest.size() ? advance : rest.size());
  }
  return Fail(error, haveFormat ? "no data chunk" : "no fmt chunk");
}

} // namespace platform::sound
