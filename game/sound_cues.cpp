// PlatformCode and PlayCue.
#include "game/sound_cues.h"

#include "game/game_table.h"

namespace {

// Size in bytes handed to SPI_GETPLATFORMTYPE with a buffer of 256 units.
constexpr UINT PlatformTypeBytes = 510;
constexpr std::int32_t Unknown = -1;

std::int32_t WindowsCeCode(DWORD major) {
  switch (major) {
  case 2:
    return 4;
  case 3: {
    WCHAR platformType[256] = {};
    if (!SystemParametersInfoW(SPI_GETPLATFORMTYPE, PlatformTypeBytes, platformType, 0)) {
      return Unknown;
    }
    return lstrcmpW(platformType, u"PocketPC") == 0 ? 2002 : 2000;
  }
  case 5:
    return 5;
  default:
    return Unknown;
  }
}

std::int32_t WindowsNtCode(DWORD major, DWORD minor) {
  switch (major) {
  case 3:
    return 351;
  case 4:
    return 4;
  case 5:
    return minor == 1 ? 51 : 5;
  default:
    return Unknown;
  }
}

std::int32_t Windows9xCode(DWORD minor) {
  switch (minor) {
  case 0:
    return 95;
  case 90:
    return 99;
  default:
    return 98;
  }
}

} // namespace

std::int32_t PlatformCode() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) {
    return Unknown;
  }
  switch (info.dwPlatformId) {
  case VER_PLATFORM_WIN32s:
    return 31;
  case VER_PLATFORM_WIN32_WINDOWS:
    return Windows9xCode(info.dwMinorVersion);
  case VER_PLATFORM_WIN32_NT:
    return WindowsNtCode(info.dwMajorVersion, info.dwMinorVersion);
  case VER_PLATFORM_WIN32_CE:
    return WindowsCeCode(info.dwMajorVersion);
  default:
    return Unknown;
  }
}

void PlayCue(const GameTable &table, LPCWSTR cue) {
  if (!table.playSounds) {
    return;
  }
  // Only the non-Pocket PC version-3 shell lets a cue wait for a busy device.
  DWORD flags = SND_RESOURCE | SND_ASYNC;
  if (table.platformCode != 2000) {
    flags |= SND_NOWAIT;
  }
  PlaySoundW(cue, table.instance, flags);
}
