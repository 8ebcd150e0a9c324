// RegOpenKeyExW and friends over the HKEY_CURRENT_USER hive of the profile.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "common/handle_table.h"
#include "device/device.h"
#include "registry/hive.h"
#include "registry/registry.h"
#include "registry/store.h"

namespace platform::registry {
namespace {

// A value larger than this would make the hive file unreasonably large.
constexpr DWORD MaxValueBytes = 1u << 20;

// A handle names a key. It keeps no access rights: the program opens each key with
// the rights for what it does through it (KEY_READ to read, KEY_READ | KEY_WRITE to
// write), so a missing right is never met.
struct OpenKey {
  std::u16string path;
};

struct State {
  HandleTable<OpenKey> keys{0x00A40000};
  HiveStore store{CurrentDevice().Config().profileDir};
};

std::unique_ptr<State> &Slot() {
  static std::unique_ptr<State> state;
  return state;
}

// Created at the first registry call of a device, so the device's profile applies.
State &Registry() {
  auto &slot = Slot();
  if (!slot) {
    slot = std::make_unique<State>();
  }
  return *slot;
}

// Changes wait in memory until the program goes idle: the values it writes in one
// go, such as everything stored at its close, are saved together. The device's end
// saves what still waits, so nothing written is dropped.
void FlushWhenIdle() {
  if (Slot() && Slot()->store.FlushDue()) {
    Slot()->store.Flush();
  }
}

const bool registered = [] {
  RegisterResetHook([] {
    if (Slot()) {
      Slot()->store.Flush();
    }
    Slot().reset();
  });
  RegisterIdleHook(FlushWhenIdle);
  return true;
}();

bool IsPredefined(HKEY key) {
  const auto value = reinterpret_cast<ULONG_PTR>(key);
  return value >= 0x80000000u && value <= 0x80000006u;
}

// The key a handle names. Only HKEY_CURRENT_USER is kept; the other roots are
// reported as having nothing in them.
struct Resolved {
  LONG error = ERROR_SUCCESS;
  std::u16string path;
  bool unreadable = false; // the hive file cannot be read
};

Resolved Resolve(HKEY key) {
  if (key == HKEY_CURRENT_USER) {
    return Resolved{ERROR_SUCCESS, u""};
  }
  if (IsPredefined(key)) {
    return Resolved{ERROR_FILE_NOT_FOUND, u""};
  }
  const OpenKey *open = Registry().keys.Find(key);
  if (open == nullptr) {
    return Resolved{ERROR_INVALID_HANDLE, u""};
  }
  return Resolved{ERROR_SUCCESS, open->path};
}

// Resolves a handle and brings the hive up to date with the file.
Resolved Prepare(HKEY key) {
  Resolved r = Resolve(key);
  if (r.error != ERROR_SUCCESS) {
    return r;
  }
  r.error = Registry().store.Refresh();
  r.unreadable = r.error != ERROR_SUCCESS;
  if (r.error == ERROR_SUCCESS && Registry().store.Contents().Find(r.path) == nullptr) {
    r.error = ERROR_KEY_DELETED; // removed from the file since it was opened
  }
  return r;
}

// Prepare for a change: a hive file that cannot be read is never replaced, and
// the change refused for it is kept as the hive's failure to store.
Resolved PrepareChange(HKEY key) {
  Resolved r = Prepare(key);
  if (r.unreadable) {
    Registry().store.RefuseChange();
  }
  return r;
}

HKEY NewHandle(std::u16string path) {
  return Registry().keys.Add<HKEY>(std::make_unique<OpenKey>(OpenKey{std::move(path)}));
}

std::u16string_view NameOf(LPCWSTR name) {
  return name == nullptr ? std::u16string_view() : std::u16string_view(name);
}

} // namespace

std::string HivePath() { return Registry().store.HivePath(); }

StoreFailure StoreAtExit() {
  if (!Slot()) {
    return StoreFailure{};
  }
  Registry().store.Flush();
  return Registry().store.LastFailure();
}
std::size_t OpenKeyCount() { return Registry().keys.Size(); }

} // namespace platform::registry

using platform::registry::Hive;
using platform::registry::Prepare;
using platform::registry::PrepareChange;
using platform::registry::Registry;

LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM /*samDesired*/,
                          PHKEY phkResult) {
  if (phkResult == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *phkResult = nullptr;
  const auto parent = Prepare(hKey);
  if (parent.error != ERROR_SUCCESS) {
    return parent.error;
  }
  std::u16string sub;
  if (!platform::registry::NormalisePath(platform::registry::NameOf(lpSubKey), &sub)) {
    return ERROR_FILE_NOT_FOUND; // no key can have such a name
  }
  const std::u16string path = platform::registry::JoinPath(parent.path, sub);
  const platform::registry::Key *key = Registry().store.Contents().Find(path);
  if (key == nullptr) {
    return ERROR_FILE_NOT_FOUND;
  }
  *phkResult = platform::registry::NewHandle(key->path);
  return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR /*lpClass*/,
                            DWORD /*dwOptions*/, REGSAM /*samDesired*/,
                            LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                            LPDWORD lpdwDisposition) {
  if (phkResult == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *phkResult = nullptr;
  std::u16string sub;
  if (!platform::registry::NormalisePath(platform::registry::NameOf(lpSubKey), &sub)) {
    return ERROR_INVALID_PARAMETER;
  }
  const auto parent = PrepareChange(hKey);
  if (parent.error != ERROR_SUCCESS) {
    return parent.error;
  }
  const std::u16string path = platform::registry::JoinPath(parent.path, sub);
  bool created = false;
  if (Registry().store.Contents().Find(path) == nullptr) {
    const LONG result = Registry().store.Update([path](Hive &hive, bool *changed) {
      hive.Create(path, changed);
      return static_cast<LONG>(ERROR_SUCCESS);
    });
    created = result == ERROR_SUCCESS;
    if (result != ERROR_SUCCESS) {
      return result;
    }
  }
  if (lpdwDisposition != nullptr) {
    *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  }
  *phkResult = platform::registry::NewHandle(Registry().store.Contents().Find(path)->path);
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  const auto key = Prepare(hKey);
  if (key.error != ERROR_SUCCESS) {
    return key.error;
  }
  const platform::registry::Value *value = Registry().store.Contents().Find(key.path)->FindValue(
      platform::registry::NameOf(lpValueName));
  if (value == nullptr) {
    return ERROR_FILE_NOT_FOUND;
  }
  if (lpType != nullptr) {
    *lpType = value->type;
  }
  const auto size = static_cast<DWORD>(value->data.size());
  if (lpcbData == nullptr) {
    return ERROR_SUCCESS; // only the type was asked for
  }
  if (lpData != nullptr && *lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  if (lpData != nullptr && size != 0) {
    std::memcpy(lpData, value->data.data(), size);
  }
  *lpcbData = size;
  return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                           const BYTE *lpData, DWORD cbData) {
  const std::u16string_view name = platform::registry::NameOf(lpValueName);
  if ((lpData == nullptr && cbData != 0) || cbData > platform::registry::MaxValueBytes ||
      !platform::registry::IsStorableName(name)) {
    return ERROR_INVALID_PARAMETER;
  }
  const auto key = PrepareChange(hKey);
  if (key.error != ERROR_SUCCESS) {
    return key.error;
  }
  platform::registry::Value value;
  value.name = name;
  value.type = dwType;
  if (cbData != 0) {
    value.data.assign(lpData, lpData + cbData);
  }
  // At the save the key is made again if another writer removed it meanwhile.
  return Registry().store.Update([path = key.path, value](Hive &hive, bool *changed) {
    hive.Create(path).SetValue(value);
    // Written even when equal: the caller asked for it to be on disk.
    *changed = true;
    return static_cast<LONG>(ERROR_SUCCESS);
  });
}

LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  const auto key = PrepareChange(hKey);
  if (key.error != ERROR_SUCCESS) {
    return key.error;
  }
  const std::u16string name(platform::registry::NameOf(lpValueName));
  return Registry().store.Update([path = key.path, name](Hive &hive, bool *changed) {
    platform::registry::Key *target = hive.Find(path);
    *changed = target != nullptr && target->DeleteValue(name);
    return static_cast<LONG>(*changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
  });
}

LONG WINAPI RegFlushKey(HKEY hKey) {
  const auto key = platform::registry::Resolve(hKey);
  if (key.error != ERROR_SUCCESS && key.error != ERROR_FILE_NOT_FOUND) {
    return key.error;
  }
  return Registry().store.Flush();
}

LONG WINAPI RegCloseKey(HKEY hKey) {
  if (platform::registry::IsPredefined(hKey)) {
    return ERROR_SUCCESS;
  }
  return Registry().keys.Remove(hKey) != nullptr ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

namespace platform::registry {

std::string HiveText() {
  HiveStore &store = Registry().store;
  store.Refresh();
  return SerializeHive(store.Contents());
}

bool ReplaceHive(std::string_view text, std::string *error) {
  ParseResult parsed = ParseHive(text);
  if (parsed.Damaged()) {
    *error = parsed.problems.front();
    return false;
  }
  // The edit waits, and runs again at the save: it keeps its own copy.
  const LONG result =
      Registry().store.Update([recorded = std::move(parsed.hive)](Hive &hive, bool *changed) {
        *changed = !(hive == recorded);
        hive = recorded;
        return ERROR_SUCCESS;
      });
  if (result != ERROR_SUCCESS) {
    *error = "the settings cannot be stored (error " + std::to_string(result) + ")";
    return false;
  }
  return true;
}

} // namespace platform::registry
