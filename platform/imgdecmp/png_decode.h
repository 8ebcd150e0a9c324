// The PNG decoder of the layer: every standard PNG read through a pull reader, with limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// What one image may need. The game's largest picture is 780 x 90 and its largest
// file a few tens of kilobytes; these leave room and still refuse absurd input.
struct PngLimits {
  std::uint32_t maxWidth = 4096;
  std::uint32_t maxHeight = 4096;
  std::uint64_t maxPixels = std::uint64_t{8} << 20;
  std::size_t maxInputBytes = 16u << 20; // all the bytes pulled for one image
};

struct PngImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb; // 0xAARRGGBB, rows top to bottom
};

// Fills `buffer` with up to `capacity` bytes of the file and returns how many;
// 0 means the data has ended. More than `capacity` is a fault of the reader.
using PngPull = std::function<std::size_t(std::uint8_t *buffer, std::size_t capacity)>;
// Told how many of the image's rows (counting every pass of an interlaced image)
// have been decoded, and out of how many.
using PngProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

enum class PngStatus { Ok, Corrupt, OverLimit };

// Decodes a whole PNG pulled `capacity` bytes at a time. After the image is read
// the reader is asked for more until it reports the end (up to the input limit),
// so a caller sees its data consumed to the end. On failure *error holds one line.
PngStatus DecodePng(const PngPull &pull, std::size_t capacity, const PngLimits &limits,
                    PngImage *image, std::string *error, const PngProgress &progress = {});

// Decodes a PNG held in memory.
PngStatus DecodePngBytes(const std::uint8_t *data, std::size_t size, const PngLimits &limits,
                         PngImage *image, std::string *error);

} // namespace platform
