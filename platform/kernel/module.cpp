// The device's modules: loading a .res, GetModuleHandleW, and the handle tables
// of resources, icons and accelerator tables.
#include "kernel/module.h"

#include <cstring>
#include <memory>
#include <utility>

#include "common/handle_table.h"
#include "device/device.h"
#include "imgdecmp/ahead.h"
#include "kernel/module_state.h"

namespace platform {
namespace {

struct ModuleState {
  HandleTable<Module> modules{0x00400000};
  HandleTable<ResourceRef> resources{0x00800000};
  HandleTable<IconImage> icons{0x00C00000};
  HandleTable<std::vector<ACCEL>> accelerators{0x00E00000};
  HMODULE main = nullptr;
};

ModuleState &State() {
  static ModuleState state;
  return state;
}

const bool registered = [] {
  RegisterResetHook([] { State() = ModuleState{}; });
  return true;
}();

HMODULE AddModule(std::unique_ptr<Module> module) {
  ModuleState &state = State();
  Module *raw = module.get();
  raw->handle = state.modules.Add<HMODULE>(std::move(module));
  raw->resourceHandles.reserve(raw->entries.size());
  for (std::size_t i = 0; i < raw->entries.size(); ++i) {
    raw->resourceHandles.push_back(
        state.resources.Add<HRSRC>(std::make_unique<ResourceRef>(ResourceRef{raw->handle, i})));
  }
  if (state.main == nullptr) {
    state.main = raw->handle;
  }
  return raw->handle;
}

// A module over `res`, which it copies first unless the bytes last as long as
// the program.
HINSTANCE LoadModule(std::span<const std::byte> res, bool copy, std::string *error) {
  auto module = std::make_unique<Module>();
  std::string why;
  if (!ParseResFile(res, &module->entries, &why) ||
      !CheckResourceContents(res, module->entries, &why)) {
    if (error != nullptr) {
      *error = why;
    }
    return nullptr;
  }
  if (copy) {
    module->owned.assign(res.begin(), res.end());
    res = module->owned;
  }
  module->bytes = res;
  return AddModule(std::move(module));
}

} // namespace

HINSTANCE LoadModuleFromRes(std::span<const std::byte> res, std::string *error) {
  return LoadModule(res, true, error);
}

HINSTANCE LoadModuleInPlace(std::span<const std::byte> res, std::string *error) {
  const HINSTANCE handle = LoadModule(res, false, error);
  if (const Module *module = State().modules.Find(handle)) {
    // The program's own pictures (PNG files under a type of its own naming, not the
    // system's icons), decoded on another core while it makes its window, ready
    // when it asks for them. Its bytes stay for as long as it runs.
    std::vector<std::span<const std::uint8_t>> pictures;
    for (const ResourceEntry &entry : module->entries) {
      const std::span<const std::byte> data = module->Data(entry);
      if (!entry.type.isOrdinal && data.size() >= sizeof kPngSignature &&
          std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0) {
        pictures.emplace_back(reinterpret_cast<const std::uint8_t *>(data.data()), data.size());
      }
    }
    DecodeAhead(std::move(pictures));
  }
  return handle;
}

bool InsideLoadedModule(std::uintptr_t start, std::size_t size) {
  bool inside = false;
  State().modules.ForEach([&](std::uintptr_t, const Module &module) {
    const auto first = reinterpret_cast<std::uintptr_t>(module.bytes.data());
    inside = inside || (start >= first && size <= module.bytes.size() &&
                        start - first <= module.bytes.size() - size);
  });
  return inside;
}

bool UnloadModule(HINSTANCE handle) {
  ModuleState &state = State();
  std::unique_ptr<Module> module = state.modules.Remove(handle);
  if (!module) {
    return false;
  }
  for (HRSRC r : module->resourceHandles) {
    state.resources.Remove(r);
  }
  for (const auto &[index, icon] : module->icons) {
    state.icons.Remove(icon);
  }
  for (const auto &[index, table] : module->accelerators) {
    state.accelerators.Remove(table);
  }
  if (state.main == handle) {
    state.main = nullptr;
  }
  return true;
}

Module *FindModule(HMODULE handle) {
  return State().modules.Find(handle != nullptr ? handle : State().main);
}

const ResourceEntry *FindResourceEntry(HRSRC handle, Module **module) {
  const ResourceRef *ref = State().resources.Find(handle);
  Module *owner = ref != nullptr ? State().modules.Find(ref->module) : nullptr;
  if (owner == nullptr) {
    return nullptr;
  }
  if (module != nullptr) {
    *module = owner;
  }
  return &owner->entries[ref->index];
}

long FindEntryIndex(const Module &module, const ResourceId &type, const ResourceId &name) {
  bool typeSeen = false;
  for (std::size_t i = 0; i < module.entries.size(); ++i) {
    const ResourceEntry &e = module.entries[i];
    if (e.type.Matches(type)) {
      typeSeen = true;
      if (e.name.Matches(name)) {
        return static_cast<long>(i);
      }
    }
  }
  SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return -1;
}

HICON AddIcon(IconImage image) {
  return State().icons.Add<HICON>(std::make_unique<IconImage>(std::move(image)));
}

HACCEL AddAcceleratorTable(std::vector<ACCEL> entries) {
  return State().accelerators.Add<HACCEL>(std::make_unique<std::vector<ACCEL>>(std::move(entries)));
}

const std::vector<ACCEL> *AcceleratorEntries(HACCEL table) {
  return State().accelerators.Find(table);
}

const IconImage *FindIconImage(HICON icon) { return State().icons.Find(icon); }

} // namespace platform

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
  if (lpModuleName != nullptr) {
    // The process has one module, the program itself, and it has no file name here.
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  auto &state = platform::State();
  if (state.main == nullptr) {
    // Win32 always answers for the program; one without resources gets an empty module.
    platform::AddModule(std::make_unique<platform::Module>());
  }
  return state.main;
}
