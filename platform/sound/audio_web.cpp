// The sound output in a browser: WebAudio, one sound at a time, silent until the
// page has been touched (a phone lets a page sound only after a gesture).
#include "sound/audio.h"

#include <emscripten.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "device/device.h"

namespace platform::sound {
namespace {

// The page creates Module.bjAudio (an AudioContext) at the first tap or key, and
// holds that input back until it runs. Until then there is nothing to play on, and
// a sound is skipped rather than waited for.
EM_JS(int, bj_audio_running, (), {
  var a = Module.bjAudio;
  return a && a.context && a.context.state == 'running' ? 1 : 0;
});

// Plays `frames` frames of `channels` planar float channels at `rate`, cutting
// off what played before.
EM_JS(int, bj_audio_start, (const float *samples, int channels, int frames, int rate), {
  var a = Module.bjAudio;
  if (!a || !a.context || a.context.state != 'running')
    return 0;
  try {
    var buffer = a.context.createBuffer(channels, frames, rate);
    for (var c = 0; c < channels; ++c) {
      var start = (samples >> 2) + c * frames;
      buffer.copyToChannel(HEAPF32.subarray(start, start + frames), c);
    }
    if (a.source) {
      a.source.onended = null;
      a.source.stop();
    }
    var source = a.context.createBufferSource();
    source.buffer = buffer;
    source.connect(a.context.destination);
    source.onended = function() {
      if (a.source == source)
        a.source = null;
    };
    a.source = source;
    source.start();
    return 1;
  } catch (e) {
    return 0;
  }
});

EM_JS(void, bj_audio_stop, (), {
  var a = Module.bjAudio;
  if (a && a.source) {
    a.source.onended = null;
    a.source.stop();
    a.source = null;
  }
});

EM_JS(int, bj_audio_playing, (), {
  var a = Module.bjAudio;
  return a && a.source ? 1 : 0;
});

bool Open(bool) {
  // A page that has not been touched yet has no sound to give, but the game must
  // go on as if it played: the output counts as open.
  return true;
}

bool Start(const WaveSound &sound) {
  if (bj_audio_running() == 0) {
    return true;
  }
  const std::size_t frames = sound.Frames();
  const auto channels = static_cast<std::size_t>(sound.channels);
  std::vector<float> planar(frames * channels);
  const auto *bytes = reinterpret_cast<const unsigned char *>(sound.samples.data());
  const std::size_t sampleBytes = static_cast<std::size_t>(sound.bitsPerSample / 8);
  for (std::size_t f = 0; f < frames; ++f) {
    for (std::size_t c = 0; c < channels; ++c) {
      const unsigned char *s = bytes + (f * channels + c) * sampleBytes;
      float value = 0;
      if (sampleBytes == 1) {
        value = (static_cast<float>(s[0]) - 128.0F) / 128.0F;
      } else {
        const auto v = static_cast<std::int16_t>(static_cast<std::uint16_t>(s[0] | (s[1] << 8)));
        value = static_cast<float>(v) / 32768.0F;
      }
      planar[c * frames + f] = value;
    }
  }
  if (bj_audio_start(planar.data(), sound.channels, static_cast<int>(frames),
                     static_cast<int>(sound.rate)) == 0) {
    return false;
  }
  return true;
}

bool Playing() { return bj_audio_playing() != 0; }

void WaitForOutput() {
  // Waiting for a sound to end lets the page run meanwhile (an asynchronous sleep).
  while (bj_audio_playing() != 0) {
    emscripten_sleep(10);
  }
}

void Close() { bj_audio_stop(); }

std::string Driver() { return bj_audio_running() != 0 ? "webaudio" : ""; }

const bool registered = [] {
  RegisterResetHook(Close);
  return true;
}();

} // namespace

const Output &SystemOutput() {
  static constexpr Output kWebAudio{Open, Start, Playing, WaitForOutput, Driver};
  return kWebAudio;
}

} // namespace platform::sound
