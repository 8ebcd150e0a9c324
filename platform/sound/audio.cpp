// SDL audio output: the device, format conversion and the mixing callback.
#include "sound/audio.h"

#include <SDL.h>

#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "device/device.h"

namespace platform::sound {
namespace {

enum class OutputState {
  Closed, // no sound asked for yet, or closed since
  Open,   // playing or ready to play
  Absent, // opening failed: no driver or no device
  Lost,   // opened, then the device went away (unplugged, server gone)
};

constexpr int PreferredRate = 44100;
constexpr int PreferredChannels = 2;
constexpr std::chrono::seconds RetryAfter{1};

// Shared with SDL's audio thread, under `mutex`.
struct Playback {
  std::mutex mutex;
  std::condition_variable ended;
  std::vector<Uint8> data; // in the device's format
  std::size_t position = 0;
  bool playing = false;
  Uint8 silence = 0;
};

struct SdlOutput {
  SDL_AudioDeviceID device = 0;
  SDL_AudioSpec format{};
  bool sdlStarted = false;
  OutputState state = OutputState::Closed;
  std::chrono::steady_clock::time_point failedAt{};
  Playback playback;
};

SdlOutput &Out() {
  static SdlOutput output;
  return output;
}

void Callback(void *userdata, Uint8 *stream, int length) {
  auto &p = *static_cast<Playback *>(userdata);
  std::lock_guard lock(p.mutex);
  auto out = static_cast<std::size_t>(length);
  while (out > 0 && p.playing) {
    const std::size_t n = std::min(out, p.data.size() - p.position);
    std::memcpy(stream, p.data.data() + p.position, n);
    stream += n;
    out -= n;
    p.position += n;
    if (p.position == p.data.size()) {
      p.playing = false;
      p.ended.notify_all();
    }
  }
  std::memset(stream, p.silence, out);
}

void Fail(OutputState state) {
  SdlOutput &o = Out();
  if (o.device != 0) {
    SDL_CloseAudioDevice(o.device);
    o.device = 0;
  }
  o.state = state;
  o.failedAt = std::chrono::steady_clock::now();
}

// ALSA reports each step of a failed open on standard error by itself: eight lines
// on a machine without a sound card. Its handler is replaced by one that says
// nothing before SDL's audio starts (the library is the one SDL uses, and stays
// loaded), and the failure is said in one line by this back end.
extern "C" void QuietAlsaError(const char *, int, const char *, int, const char *, ...) {}

void QuietAlsa() {
  static const bool quieted = [] {
    using ErrorHandler = void (*)(const char *, int, const char *, int, const char *, ...);
    void *alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    const auto setHandler =
        alsa != nullptr
            ? reinterpret_cast<int (*)(ErrorHandler)>(dlsym(alsa, "snd_lib_error_set_handler"))
            : nullptr;
    return setHandler != nullptr && setHandler(QuietAlsaError) == 0;
  }();
  static_cast<void>(quieted);
}

// The first failure to open a device, in the process's one line about sound.
void SayNoSound() {
  static bool said = false;
  if (!said) {
    said = true;
    std::fprintf(stderr, "sound: off, no sound device could be opened (%s)\n", SDL_GetError());
  }
}

bool TryOpen() {
  SdlOutput &o = Out();
  QuietAlsa();
  if (!o.sdlStarted) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      SayNoSound();
      Fail(OutputState::Absent);
      return false;
    }
    o.sdlStarted = true;
  }
  SDL_AudioSpec want{};
  want.freq = PreferredRate;
  want.format = AUDIO_S16SYS;
  want.channels = PreferredChannels;
  want.samples = 1024;
  want.callback = Callback;
  want.userdata = &o.playback;
  o.device =
      SDL_OpenAudioDevice(nullptr, 0, &want, &o.format,
                          SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
  if (o.device == 0) {
    SayNoSound();
    Fail(OutputState::Absent);
    return false;
  }
  o.playback.silence = o.format.silence;
  o.state = OutputState::Open;
  return true;
}

// Converts the sound to the device's format through an SDL audio stream.
bool Convert(const WaveSound &sound, const SDL_AudioSpec &device, std::vector<Uint8> *out) {
  SDL_AudioStream *stream = SDL_NewAudioStream(
      sound.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB, static_cast<Uint8>(sound.channels),
      static_cast<int>(sound.rate), device.format, device.channels, device.freq);
  if (stream == nullptr) {
    return false;
  }
  bool ok =
      sound.samples.empty() ||
      SDL_AudioStreamPut(stream, sound.samples.data(), static_cast<int>(sound.samples.size())) == 0;
  ok = ok && SDL_AudioStreamFlush(stream) == 0;
  if (ok) {
    out->resize(static_cast<std::size_t>(SDL_AudioStreamAvailable(stream)));
    const int got =
        out->empty() ? 0 : SDL_AudioStreamGet(stream, out->data(), static_cast<int>(out->size()));
    ok = got >= 0;
    out->resize(ok ? static_cast<std::size_t>(got) : 0);
  }
  SDL_FreeAudioStream(stream);
  return ok;
}

bool Open(bool quick) {
  SdlOutput &o = Out();
  if (o.state == OutputState::Open && SDL_GetAudioDeviceStatus(o.device) == SDL_AUDIO_STOPPED) {
    Fail(OutputState::Lost);
  }
  switch (o.state) {
  case OutputState::Open:
    return true;
  case OutputState::Closed:
    return TryOpen();
  case OutputState::Absent:
  case OutputState::Lost:
    if (quick || std::chrono::steady_clock::now() - o.failedAt < RetryAfter) {
      return false;
    }
    return TryOpen();
  }
  return false;
}

bool Start(const WaveSound &sound) {
  SdlOutput &o = Out();
  if (o.state != OutputState::Open) {
    return false;
  }
  std::vector<Uint8> data;
  if (!Convert(sound, o.format, &data)) {
    return false;
  }
  {
    Playback &p = o.playback;
    std::lock_guard lock(p.mutex);
    p.data = std::move(data);
    p.position = 0;
    p.playing = !p.data.empty();
    if (!p.playing) {
      p.ended.notify_all();
    }
  }
  SDL_PauseAudioDevice(o.device, 0);
  return true;
}

bool Playing() {
  SdlOutput &o = Out();
  if (o.state != OutputState::Open) {
    return false;
  }
  std::lock_guard lock(o.playback.mutex);
  return o.playback.playing;
}

void WaitForOutput() {
  SdlOutput &o = Out();
  if (o.state != OutputState::Open) {
    return;
  }
  Playback &p = o.playback;
  std::unique_lock lock(p.mutex);
  // A lost device stops calling back; the timed wait notices and gives up.
  while (p.playing) {
    if (p.ended.wait_for(lock, std::chrono::milliseconds(200)) == std::cv_status::timeout &&
        SDL_GetAudioDeviceStatus(o.device) != SDL_AUDIO_PLAYING) {
      p.playing = false;
    }
  }
}

// Closes the device and SDL's audio subsystem (device reset).
void Close() {
  SdlOutput &o = Out();
  if (o.device != 0) {
    SDL_CloseAudioDevice(o.device); // waits for the callback to return
    o.device = 0;
  }
  if (o.sdlStarted) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    o.sdlStarted = false;
  }
  std::lock_guard lock(o.playback.mutex);
  o.playback.data.clear();
  o.playback.position = 0;
  o.playback.playing = false;
  o.state = OutputState::Closed;
}

std::string Driver() {
  const char *name = Out().state == OutputState::Open ? SDL_GetCurrentAudioDriver() : nullptr;
  return name != nullptr ? name : "";
}

const bool registered = [] {
  RegisterResetHook(Close);
  return true;
}();

} // namespace

const Output &SystemOutput() {
  static constexpr Output kSdl{Open, Start, Playing, WaitForOutput, Driver};
  return kSdl;
}

} // namespace platform::sound
