// Writing a surface as a PNG file (screenshots and bitmap dumps).
#pragma once

#include <string>

#include "gdi/surface.h"

namespace platform {

// Writes the surface as an 8-bit RGB PNG. The file appears whole or not at all: it
// is written under a temporary name and renamed. False with one line in *error.
bool WritePng(const Surface &surface, const std::string &path, std::string *error);

} // namespace platform
