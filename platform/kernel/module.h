// Modules: the resources that an HINSTANCE names, loaded from a compiled .res.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// The .res bytes linked into this program. Defined by the target that embeds them:
// resources/CMakeLists.txt compiles the game's script and links the bytes in through
// bj_embed_res (platform/kernel/resources_embed.cmake). A program that embeds no
// .res must not call it.
std::span<const std::byte> EmbeddedResources();

// Parses a .res into a new module of the current device and returns its handle.
// The bytes are copied: the module owns its resources, and every pointer that
// LoadResource and LoadStringW hand out lives until the module is unloaded or the
// device stops. A malformed .res loads nothing: the result is null and *error (when
// given) holds one line naming what is wrong. The first module loaded on a device
// is its main module, which GetModuleHandleW(nullptr) returns.
// Called by tests, and by programs that load a .res from elsewhere.
HINSTANCE LoadModuleFromRes(std::span<const std::byte> res, std::string *error);

// The same without the copy, for bytes that outlive the module: the hosts load
// EmbeddedResources() this way at start-up, where a copy would only cost time.
// The program's pictures among them start decoding on another core at once
// (imgdecmp/ahead.h), while the program goes on to make its window.
HINSTANCE LoadModuleInPlace(std::span<const std::byte> res, std::string *error);

// Unloads a module; its resource, icon and accelerator handles become invalid.
// Returns false for a handle that names no module.
bool UnloadModule(HINSTANCE module);

// The entries of an accelerator table from LoadAcceleratorsW, in resource order,
// for TranslateAcceleratorW. Null for a handle that names no table.
const std::vector<ACCEL> *AcceleratorEntries(HACCEL table);

// An icon from LoadIconW, decoded: colour as 0x00RRGGBB and coverage 0..255 per
// pixel (0 is transparent), rows top to bottom.
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::vector<std::uint8_t> alpha;
};
// Null for a handle that names no icon.
const IconImage *FindIconImage(HICON icon);

} // namespace platform
