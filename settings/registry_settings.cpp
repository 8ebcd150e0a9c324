// Loading and storing the money and the four settings in the registry.
#include "settings/registry_settings.h"

#include "game/game_table.h"
#include "game/money.h"

namespace {

constexpr DWORD DefaultDeckCount = 2;

// A deck count outside 1 to 8 would leave the shoe empty or overflow its size;
// such a stored value is replaced by the default, which is stored at close.
std::int32_t UsableDeckCount(DWORD stored) {
  const auto count = static_cast<std::int32_t>(stored);
  return count >= 1 && count <= 8 ? count : static_cast<std::int32_t>(DefaultDeckCount);
}

bool ToFlag(DWORD stored) { return (stored & 0xFF) != 0; }

} // namespace

bool RegistrySettings::ReadDword(LPCWSTR keyPath, LPCWSTR valueName, DWORD *value) const {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD read = 0;
  DWORD size = sizeof(read);
  const LONG result =
      RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE *>(&read), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) {
    return false;
  }
  // A shorter value fills only the low bytes; the rest stay zero.
  *value = read;
  return true;
}

bool RegistrySettings::WriteDword(LPCWSTR keyPath, LPCWSTR valueName, DWORD value) const {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegSetValueExW(key, valueName, 0, REG_DWORD,
                                     reinterpret_cast<const BYTE *>(&value), sizeof(value));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

void LoadSettings(GameTable &table) {
  const RegistrySettings &store = table.registry;
  DWORD value = 0;
  table.bank = store.ReadDword(SettingsKey, u"TotalAmount", &value)
                   ? static_cast<std::int32_t>(value)
                   : StartingBank;
  table.playSounds = store.ReadDword(SettingsKey, u"PlaySounds", &value) ? ToFlag(value) : true;
  table.deckCount = UsableDeckCount(
      store.ReadDword(SettingsKey, u"NumberOfDecks", &value) ? value : DefaultDeckCount);
  table.hitAfterDouble =
      store.ReadDword(SettingsKey, u"HitAfterDouble", &value) ? ToFlag(value) : false;
  table.useClearType = store.ReadDword(SettingsKey, u"ClearType", &value) ? ToFlag(value) : false;
}

void SaveSettings(const GameTable &table) {
  const RegistrySettings &store = table.registry;
  store.WriteDword(SettingsKey, u"TotalAmount",
                   static_cast<DWORD>(AddMoney(table.bank, table.bet)));
  store.WriteDword(SettingsKey, u"PlaySounds", table.playSounds ? 1 : 0);
  store.WriteDword(SettingsKey, u"NumberOfDecks", static_cast<DWORD>(table.deckCount));
  store.WriteDword(SettingsKey, u"HitAfterDouble", table.hitAfterDouble ? 1 : 0);
  store.WriteDword(SettingsKey, u"ClearType", table.useClearType ? 1 : 0);
}
