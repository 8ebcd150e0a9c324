// The resource calls: FindResourceW and friends, string tables, icons, accelerators.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "device/device.h"
#include "kernel/module_state.h"

namespace {

using platform::Module;
using platform::ResourceEntry;
using platform::ResourceId;

constexpr WORD kStringType = 6;      // RT_STRING
constexpr WORD kIconType = 3;        // RT_ICON
constexpr WORD kIconGroupType = 14;  // RT_GROUP_ICON
constexpr WORD kAcceleratorType = 9; // RT_ACCELERATOR

WORD ReadWord(std::span<const std::byte> bytes, std::size_t at) {
  WORD v = 0;
  std::memcpy(&v, bytes.data() + at, sizeof v);
  return v;
}

Module *ModuleOrError(HMODULE handle) {
  Module *module = platform::FindModule(handle);
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
  }
  return module;
}

long FindByOrdinal(const Module &module, WORD type, const ResourceId &name) {
  ResourceId t;
  t.ordinal = type;
  return platform::FindEntryIndex(module, t, name);
}

// A resource that LoadIconW and LoadAcceleratorsW hand out once per module: the
// handle made before, or the entry to make it from.
template <class H> struct Shared {
  Module *module = nullptr;
  std::size_t index = 0;
  H handle = nullptr;
};

// False (with the error set) when the module or the resource is missing.
template <class H>
bool FindShared(HINSTANCE instance, LPCWSTR name, WORD type,
                std::map<std::size_t, H> Module::*cache, Shared<H> *found) {
  found->module = ModuleOrError(instance);
  if (found->module == nullptr) {
    return false;
  }
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const long index = FindByOrdinal(*found->module, type, ResourceId::FromArgument(name));
  if (index < 0) {
    return false;
  }
  found->index = static_cast<std::size_t>(index);
  const auto &handles = found->module->*cache;
  if (auto it = handles.find(found->index); it != handles.end()) {
    found->handle = it->second; // shared, as on Win32
  }
  return true;
}

// The icon size the device asks for: 32 logical pixels.
int PreferredIconSize() { return platform::ScaleToDpi(32); }

// Chooses the image of an icon group: the preferred size with the most colours,
// else the smallest larger image, else the largest. Returns the RT_ICON id.
WORD ChooseIconImage(std::span<const std::byte> group) {
  const std::size_t count = ReadWord(group, 4);
  const int wanted = PreferredIconSize();
  WORD best = 0;
  long bestScore = -1;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + i * 14;
    int size = std::to_integer<int>(group[at]);
    size = size == 0 ? 256 : size;
    const int bits = ReadWord(group, at + 6);
    // Exact size first, then larger sizes (closest first), then smaller (largest first).
    long score = 0;
    if (size == wanted) {
      score = 3000000;
    } else if (size > wanted) {
      score = 2000000 - size * 100;
    } else {
      score = 1000000 + size * 100;
    }
    score += bits;
    if (score > bestScore) {
      bestScore = score;
      best = ReadWord(group, at + 12);
    }
  }
  return best;
}

} // namespace

HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
  Module *module = ModuleOrError(hModule);
  if (module == nullptr) {
    return nullptr;
  }
  if (lpName == nullptr || lpType == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const long index = platform::FindEntryIndex(*module, ResourceId::FromArgument(lpType),
                                              ResourceId::FromArgument(lpName));
  return index < 0 ? nullptr : module->resourceHandles[static_cast<std::size_t>(index)];
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
  Module *module = nullptr;
  const ResourceEntry *entry = platform::FindResourceEntry(hResInfo, &module);
  if (entry == nullptr || (hModule != nullptr && hModule != module->handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // As on Win32, the handle of loaded data is its address; it stays valid while
  // the module is loaded, and no call frees it.
  return const_cast<std::byte *>(module->bytes.data() + entry->offset);
}

LPVOID WINAPI LockResource(HGLOBAL hResData) { return hResData; }

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
  Module *module = nullptr;
  const ResourceEntry *entry = platform::FindResourceEntry(hResInfo, &module);
  if (entry == nullptr || (hModule != nullptr && hModule != module->handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(entry->size);
}

int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
  if (lpBuffer == nullptr || cchBufferMax < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (cchBufferMax > 0) {
    lpBuffer[0] = 0;
  }
  Module *module = ModuleOrError(hInstance);
  if (module == nullptr) {
    return 0;
  }
  // Strings live in blocks of 16: block (id / 16) + 1 holds id % 16 at that place.
  ResourceId block;
  block.ordinal = static_cast<WORD>((uID >> 4) + 1);
  const long index = uID > 0xFFFF ? -1 : FindByOrdinal(*module, kStringType, block);
  if (index < 0) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  const ResourceEntry &entry = module->entries[static_cast<std::size_t>(index)];
  const std::span<const std::byte> data = module->Data(entry);
  std::size_t at = 0; // the block was checked at load: every length fits
  for (UINT i = 0; i < (uID & 15); ++i) {
    at += 2 + std::size_t{ReadWord(data, at)} * 2;
  }
  const int length = ReadWord(data, at);
  const std::byte *text = data.data() + at + 2;
  if (length == 0) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  if (cchBufferMax == 0) {
    // The read-only form: the buffer receives a pointer to the string, which is
    // not terminated; the result is its length.
    const auto *pointer = reinterpret_cast<LPCWSTR>(text);
    std::memcpy(lpBuffer, &pointer, sizeof pointer);
    return length;
  }
  // The copy is cut to fit the buffer with its terminator.
  const int copied = std::min(length, cchBufferMax - 1);
  std::memcpy(lpBuffer, text, static_cast<std::size_t>(copied) * sizeof(WCHAR));
  lpBuffer[copied] = 0;
  return copied;
}

HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  Shared<HICON> found;
  if (!FindShared(hInstance, lpIconName, kIconGroupType, &Module::icons, &found) ||
      found.handle != nullptr) {
    return found.handle;
  }
  Module &module = *found.module;
  ResourceId imageId;
  imageId.ordinal = ChooseIconImage(module.Data(module.entries[found.index]));
  const long image = FindByOrdinal(module, kIconType, imageId);
  platform::IconImage decoded;
  if (image < 0 || !platform::DecodeIconImage(
                       module.Data(module.entries[static_cast<std::size_t>(image)]), &decoded)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  HICON icon = platform::AddIcon(std::move(decoded));
  module.icons.emplace(found.index, icon);
  return icon;
}

HACCEL WINAPI LoadAcceleratorsW(HINSTANCE hInstance, LPCWSTR lpTableName) {
  Shared<HACCEL> found;
  if (!FindShared(hInstance, lpTableName, kAcceleratorType, &Module::accelerators, &found) ||
      found.handle != nullptr) {
    return found.handle;
  }
  Module &module = *found.module;
  const std::size_t entryIndex = found.index;
  // Each entry: WORD flags (0x80 marks the last), WORD key, WORD command, WORD pad.
  const std::span<const std::byte> data = module.Data(module.entries[entryIndex]);
  std::vector<ACCEL> entries;
  for (std::size_t at = 0; at + 8 <= data.size(); at += 8) {
    const WORD flags = ReadWord(data, at);
    entries.push_back(
        ACCEL{static_cast<BYTE>(flags & 0x7F), ReadWord(data, at + 2), ReadWord(data, at + 4)});
    if ((flags & 0x80) != 0) {
      break;
    }
  }
  HACCEL table = platform::AddAcceleratorTable(std::move(entries));
  module.accelerators.emplace(entryIndex, table);
  return table;
}
