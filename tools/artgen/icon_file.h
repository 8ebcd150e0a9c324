// The .ico container: several icon images in one file.
#pragma once

#include <cstdint>
#include <vector>

#include "art.h"

namespace artgen {

// An icon file holding the images in the given order, each as a 24-bit bottom-up DIB
// followed by its 1-bit transparency mask.
std::vector<std::uint8_t> EncodeIcon(const std::vector<IconImage> &images);

} // namespace artgen
