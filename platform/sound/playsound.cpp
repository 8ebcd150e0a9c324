// PlaySoundW: every call is announced to the listeners (the trace, the tests), then
// the sound is found, parsed and handed to the device's output.
#include <windows.h>

#include <cstdint>
#include <string>

#include "device/device.h"
#include "device/events.h"
#include "sound/audio.h"
#include "sound/wave.h"

namespace platform {
namespace {

bool IsResource(DWORD flags) { return (flags & SND_RESOURCE) == SND_RESOURCE; }
bool IsMemory(DWORD flags) { return (flags & SND_RESOURCE) == SND_MEMORY; }

std::u16string Decimal(std::uint64_t v) {
  std::u16string s;
  do {
    s.insert(s.begin(), static_cast<char16_t>(u'0' + v % 10));
    v /= 10;
  } while (v != 0);
  return s;
}

// The name the log and the trace show: the sound's name, "#N" for an ordinal,
// nothing for a sound in memory or a null name.
std::u16string LoggedName(LPCWSTR sound, DWORD flags) {
  if (sound == nullptr || IsMemory(flags)) {
    return u"";
  }
  if (IS_INTRESOURCE(sound)) {
    return u"#" + Decimal(static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(sound)));
  }
  return sound;
}

// The bytes of the WAVE the call names, or an empty span.
std::span<const std::byte> FindWave(LPCWSTR sound, HMODULE module, DWORD flags) {
  if (IsResource(flags)) {
    HRSRC info = FindResourceW(module, sound, u"WAVE");
    HGLOBAL loaded = info != nullptr ? LoadResource(module, info) : nullptr;
    const void *data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
      return {};
    }
    return {static_cast<const std::byte *>(data), SizeofResource(module, info)};
  }
  if (IsMemory(flags)) {
    // The image's own header says how long it is; the range must be readable.
    const auto *bytes = reinterpret_cast<const std::byte *>(sound);
    if (IsBadReadPtr(bytes, 8)) {
      return {};
    }
    const std::size_t size = sound::RiffImageSize(bytes);
    if (size == 0 || size > sound::MaxWaveBytes || IsBadReadPtr(bytes, size)) {
      return {};
    }
    return {bytes, size};
  }
  return {}; // aliases and files: the device has none
}

} // namespace

} // namespace platform

BOOL WINAPI PlaySoundW(LPCWSTR pszSound, HMODULE hmod, DWORD fdwSound) {
  using namespace platform;
  AnnounceSound(
      SoundEvent{LoggedName(pszSound, fdwSound), hmod, fdwSound, CurrentDevice().NowMs()});

  const sound::Output &output = sound::DeviceOutput();
  if (pszSound == nullptr || (fdwSound & (SND_PURGE | SND_LOOP | SND_NOSTOP)) != 0) {
    return FALSE; // the device's callers neither stop, purge, loop nor wait for silence
  }
  const std::span<const std::byte> bytes = FindWave(pszSound, hmod, fdwSound);
  sound::WaveSound wave;
  if (bytes.empty() || !sound::ParseWave(bytes, &wave, nullptr)) {
    return FALSE;
  }
  if (!output.open((fdwSound & SND_NOWAIT) != 0) || !output.start(wave)) {
    return FALSE;
  }
  if ((fdwSound & SND_ASYNC) == 0) {
    output.wait();
  }
  return TRUE;
}
