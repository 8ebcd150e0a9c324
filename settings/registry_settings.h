// The settings store: 32-bit values under a key of HKEY_CURRENT_USER.
#pragma once

#include <windows.h>

#include <cstdint>

class GameTable;

// Key under HKEY_CURRENT_USER that holds the money and the settings.
inline constexpr const WCHAR *SettingsKey = u"SOFTWARE\\Quorvane\\BlackJack";

// Holds no data; every read and write opens and closes the key anew.
class RegistrySettings {
public:
  RegistrySettings() = default;
  virtual ~RegistrySettings() = default;
  RegistrySettings(const RegistrySettings &) = default;
  RegistrySettings &operator=(const RegistrySettings &) = default;

  // True when the value was read (at most 4 bytes, taken byte for byte).
  bool ReadDword(LPCWSTR keyPath, LPCWSTR valueName, DWORD *value) const;
  // True when the value was written as a REG_DWORD; creates missing keys.
  bool WriteDword(LPCWSTR keyPath, LPCWSTR valueName, DWORD value) const;
};

// Construction step: the stored money and settings, each defaulted when unreadable.
void LoadSettings(GameTable &table);
// Destruction step: stores bank + bet and the four settings.
void SaveSettings(const GameTable &table);
