// Writing a surface as a PNG file (screenshots and bitmap dumps).
#pragma once

#include <cstdint>
#include <string>

#include "gdi/surface.h"

namespace platform {

// Writes width x height pixels (0x00RRGGBB, rows without padding) as an 8-bit RGB
// PNG. The file appears whole or not at all: it is written under a temporary name
// and renamed. False with one line in *error.
bool WritePng(const std::uint32_t *pixels, int width, int height, const std::string &path,
              std::string *error);
inline bool WritePng(const Surface &surface, const std::string &path, std::string *error) {
  return WritePng(surface.pixels.data(), surface.width, surface.height, path, error);
}

} // namespace platform
