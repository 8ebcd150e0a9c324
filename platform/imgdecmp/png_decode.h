// The PNG decoder of the layer: every standard PNG read through a pull reader, with limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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

// The eight bytes every PNG file starts with.
inline constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct PngImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb; // 0xAARRGGBB, rows top to bottom
  bool opaque = false;             // every pixel's alpha is 255: no alpha channel, no tRNS
  bool alphaDropped = false;       // `argb` holds 0x00RRGGBB: DropOpaqueAlpha has run
};

// An opaque image's pixels as 0x00RRGGBB, what a bitmap holds whatever lies under
// it: done once, on the core that decoded it, rather than when the bitmap is made.
void DropOpaqueAlpha(PngImage *image);

// Fills `buffer` with up to `capacity` bytes of the file and returns how many;
// 0 means the data has ended. More than `capacity` is a fault of the reader.
using PngPull = std::function<std::size_t(std::uint8_t *buffer, std::size_t capacity)>;
// Told how many of the image's rows (counting every pass of an interlaced image)
// have been decoded, and out of how many.
using PngProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

enum class PngStatus { Ok, Corrupt, OverLimit };

// What a run of decodes can share rather than make afresh for each image: the
// inflater and the buffer of filtered rows, whose pages cost most the first time
// they are written. One run at a time uses it.
class PngScratch {
public:
  PngScratch();
  ~PngScratch();
  PngScratch(PngScratch &&) noexcept;
  PngScratch &operator=(PngScratch &&) noexcept;

  struct Parts;
  Parts &Get() { return *parts_; }

private:
  std::unique_ptr<Parts> parts_;
};

// A file as a reader gave it, and why the reading stopped.
struct PulledFile {
  enum class End { Ended, ReaderFault, OverLimit };
  std::vector<std::uint8_t> bytes;
  End end = End::Ended;
};

// Asks the reader for `capacity` bytes at a time until it reports the end, fails
// (reports more than `capacity`, or throws) or has given more than `maxBytes`, so
// that a caller sees its data consumed to the end.
PulledFile PullFile(const PngPull &pull, std::size_t capacity, std::size_t maxBytes);

// Decodes a pulled file. An image that needs bytes past the end fails as the
// reading did: truncated data, a faulty reader, or input over the limit. On failure
// *error holds one line.
PngStatus DecodePulled(const PulledFile &file, const PngLimits &limits, PngImage *image,
                       std::string *error, const PngProgress &progress = {},
                       PngScratch *scratch = nullptr);

// Decodes a PNG held in memory.
PngStatus DecodePngBytes(const std::uint8_t *data, std::size_t size, const PngLimits &limits,
                         PngImage *image, std::string *error, PngScratch *scratch = nullptr);

} // namespace platform
