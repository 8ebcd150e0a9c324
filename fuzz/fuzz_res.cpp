// Fuzz target: the .res parser and every resource call that reads what it accepted.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "device/device.h"
#include "kernel/module.h"
#include "kernel/module_state.h"

namespace {

// Reads every byte of a block so that the sanitizer sees any read past its end.
unsigned Touch(const void *data, std::size_t size) {
  unsigned sum = 0;
  const auto *bytes = static_cast<const unsigned char *>(data);
  for (std::size_t i = 0; i < size; ++i) {
    sum += bytes[i];
  }
  return sum;
}

// Ordinal 0 and string names that read as "#n" cannot be asked for by name.
bool Nameable(const platform::ResourceId &id) {
  return id.isOrdinal ? id.ordinal != 0 : id.name[0] != u'#';
}

LPCWSTR Argument(const platform::ResourceId &id) {
  return id.isOrdinal ? MAKEINTRESOURCEW(id.ordinal) : id.name.c_str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  platform::StartDevice(platform::DeviceConfig{}); // a fresh device: no modules
  std::string error;
  HINSTANCE module =
      platform::LoadModuleFromRes(std::as_bytes(std::span<const std::uint8_t>(data, size)), &error);
  if (module == nullptr) {
    if (error.empty()) {
      __builtin_trap(); // a rejection always says why
    }
    return 0;
  }
  volatile unsigned sink = 0;
  const platform::Module *m = platform::FindModule(module);
  for (const platform::ResourceEntry &e : m->entries) {
    if (!Nameable(e.name) || !Nameable(e.type)) {
      continue;
    }
    HRSRC info = FindResourceW(module, Argument(e.name), Argument(e.type));
    if (info == nullptr) {
      __builtin_trap(); // every entry parsed must be found again
    }
    sink = sink + Touch(LockResource(LoadResource(module, info)), SizeofResource(module, info));
    if (!e.type.isOrdinal) {
      continue;
    }
    switch (e.type.ordinal) {
    case 6: // string block: every string, copied, cut and by pointer
      if (e.name.isOrdinal && e.name.ordinal > 0) {
        for (UINT i = 0; i < 16; ++i) {
          const UINT id = (static_cast<UINT>(e.name.ordinal) - 1) * 16 + i;
          WCHAR buffer[8];
          sink = sink + static_cast<unsigned>(LoadStringW(module, id, buffer, 8));
          LPCWSTR pointer = nullptr;
          const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&pointer), 0);
          sink = sink + Touch(pointer, static_cast<std::size_t>(length) * sizeof(WCHAR));
        }
      }
      break;
    case 9:
      if (const auto *entries =
              platform::AcceleratorEntries(LoadAcceleratorsW(module, Argument(e.name)))) {
        sink = sink + static_cast<unsigned>(entries->size());
      }
      break;
    case 14:
      if (const auto *icon = platform::FindIconImage(LoadIconW(module, Argument(e.name)))) {
        sink = sink + Touch(icon->pixels.data(), icon->pixels.size() * 4) +
               Touch(icon->alpha.data(), icon->alpha.size());
      }
      break;
    default:
      break;
    }
  }
  return 0;
}
