// What the image library tells about its last call, for diagnostics.
#pragma once

#include <string>

namespace platform {

// Why the last DecompressImageIndirect failed, in one line; empty after a success.
std::string LastImageDecodeError();

} // namespace platform
