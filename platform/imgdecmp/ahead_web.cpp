// Pictures in a page, which has one thread: none is decoded ahead, and each is
// decoded when the program asks for it.
#include "imgdecmp/ahead.h"

namespace platform {

void DecodeAhead(std::vector<std::span<const std::uint8_t>>) {}

std::optional<PngImage> TakeDecodedAhead(std::span<const std::uint8_t>) { return std::nullopt; }

void ForgetDecodedAhead() {}

} // namespace platform
