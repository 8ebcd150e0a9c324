// Pictures decoded ahead: the PNG files among a program's resources, decoded on the
// layer's worker while the program starts, for DecompressImageIndirect to hand over
// when the program asks for the same bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "imgdecmp/png_decode.h"

namespace platform {

// Queues these PNG files for decoding ahead, in this order, in place of any queued
// before. The bytes must stay as they are until the device stops: the module's
// own, loaded in place. Nothing happens in a page, which has one thread.
void DecodeAhead(std::vector<std::span<const std::uint8_t>> files);

// The image decoded ahead from exactly these bytes, handed over once. Nothing when
// no queued file has these bytes, when it failed, or when it is not finished: the
// caller then decodes it at once, which is sooner than waiting for a worker that
// a busy machine may not be running, and the worker leaves it out.
std::optional<PngImage> TakeDecodedAhead(std::span<const std::uint8_t> bytes);

// Drops the images nobody took and the files not yet started. Run when the program
// first waits for input: what it has not asked for by then it is not going to ask
// for soon. When the device stops, the same also waits until the worker has let go
// of the files' bytes.
void ForgetDecodedAhead();

} // namespace platform
