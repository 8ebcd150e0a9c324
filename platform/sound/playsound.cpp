// PlaySoundW: every call is recorded for the test hooks and the trace.
#include <windows.h>

#include <vector>

#include "host/device.h"
#include "sound/sound.h"

namespace platform {
namespace {

std::vector<PlayedSound> &Log() {
  static std::vector<PlayedSound> log;
  return log;
}

const bool registered = [] {
  RegisterResetHook([] { Log().clear(); });
  return true;
}();

} // namespace

const std::vector<PlayedSound> &PlayedSounds() { return Log(); }
void ClearPlayedSounds() { Log().clear(); }

} // namespace platform

BOOL WINAPI PlaySoundW(LPCWSTR pszSound, HMODULE hmod, DWORD fdwSound) {
  platform::PlayedSound entry;
  const bool byName = pszSound != nullptr && (fdwSound & SND_MEMORY) != SND_MEMORY;
  if (byName && !IS_INTRESOURCE(pszSound)) {
    entry.name = pszSound;
  } else if (byName) {
    entry.name = u"#" + [](unsigned v) {
      std::u16string s;
      do {
        s.insert(s.begin(), static_cast<char16_t>(u'0' + v % 10));
        v /= 10;
      } while (v != 0);
      return s;
    }(static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(pszSound)));
  }
  entry.module = hmod;
  entry.flags = fdwSound;
  entry.atMs = platform::CurrentDevice().NowMs();
  platform::Log().push_back(entry);
  // Playback itself belongs to the audio back end; until it exists nothing sounds.
  return FALSE;
}
