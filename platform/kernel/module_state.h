// The loaded modules of the device, shared by module.cpp and the resource calls.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "kernel/module.h"
#include "kernel/resources_res.h"

namespace platform {

struct Module {
  HMODULE handle = nullptr;
  std::vector<std::byte> owned;     // the .res file when the module holds a copy
  std::span<const std::byte> bytes; // the .res file; resource data points into it
  std::vector<ResourceEntry> entries;
  std::vector<HRSRC> resourceHandles; // one per entry, same order
  // LoadIconW and LoadAcceleratorsW hand out one shared handle per resource.
  std::map<std::size_t, HICON> icons;         // by entry index
  std::map<std::size_t, HACCEL> accelerators; // by entry index

  std::span<const std::byte> Data(const ResourceEntry &e) const {
    return bytes.subspan(e.offset, e.size);
  }
};

// What an HRSRC names: one entry of one module.
struct ResourceRef {
  HMODULE module = nullptr;
  std::size_t index = 0;
};

// Whether [start, start + size) lies inside the .res of a loaded module: memory
// that the layer knows can be read.
bool InsideLoadedModule(std::uintptr_t start, std::size_t size);

// The module of a handle; null names the main module. Null when there is none.
Module *FindModule(HMODULE handle);
// The entry that an HRSRC names, and its module; null for a stale handle.
const ResourceEntry *FindResourceEntry(HRSRC handle, Module **module);
// Finds an entry by type and name; the first language in the file wins.
// Returns the entry's index, or -1 with the Win32 error set.
long FindEntryIndex(const Module &module, const ResourceId &type, const ResourceId &name);

// Registers icons and accelerator tables made from a module's resources.
HICON AddIcon(IconImage image);
HACCEL AddAcceleratorTable(std::vector<ACCEL> entries);

// Decodes one icon image (RT_ICON data: a DIB with its mask, or a PNG).
bool DecodeIconImage(std::span<const std::byte> data, IconImage *image);

} // namespace platform
