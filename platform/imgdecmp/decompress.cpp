// DecompressImageIndirect: a PNG pulled through the caller's callback becomes a
// 32-bit bitmap at the image's own size.
#include <imgdecmp.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "device/device.h"
#include "gdi/gdi_state.h"
#include "imgdecmp/ahead.h"
#include "imgdecmp/decompress.h"
#include "imgdecmp/png_decode.h"

namespace platform {
namespace {

// A picture within the decoder's limits always fits in a bitmap.
static_assert(PngLimits{}.maxWidth <= gdi::kMaxBitmapSide &&
              PngLimits{}.maxHeight <= gdi::kMaxBitmapSide &&
              PngLimits{}.maxPixels <= static_cast<std::uint64_t>(gdi::kMaxBitmapPixels));

std::string &LastError() {
  static std::string error;
  return error;
}

// Shared by the pictures a program decodes as it starts, and let go when it first
// waits for input.
std::optional<PngScratch> &Scratch() {
  static std::optional<PngScratch> scratch;
  return scratch;
}

const bool registered = [] {
  RegisterIdleHook([] { Scratch().reset(); });
  RegisterResetHook([] { Scratch().reset(); });
  return true;
}();

HRESULT Refuse(HRESULT result, const std::string &why) {
  LastError() = why;
  SetLastError(result == E_INVALIDARG ? ERROR_INVALID_PARAMETER : ERROR_INVALID_DATA);
  return result;
}

// Composites each pixel over the background, in place: the decoded pixels become
// the bitmap's, with no second buffer.
Surface Render(PngImage image, std::uint32_t background) {
  const std::uint32_t bgR = (background >> 16) & 0xFF;
  const std::uint32_t bgG = (background >> 8) & 0xFF;
  const std::uint32_t bgB = background & 0xFF;
  const auto blend = [](std::uint32_t c, std::uint32_t bg, std::uint32_t a) {
    return (c * a + bg * (255 - a) + 127) / 255;
  };
  const auto composite = [&](std::uint32_t p) {
    const std::uint32_t a = p >> 24;
    return a == 255 ? (p & 0xFFFFFF)
                    : (blend((p >> 16) & 0xFF, bgR, a) << 16) |
                          (blend((p >> 8) & 0xFF, bgG, a) << 8) | blend(p & 0xFF, bgB, a);
  };
  if (!image.alphaDropped) {
    std::transform(image.argb.begin(), image.argb.end(), image.argb.begin(), composite);
  }
  Surface out;
  out.width = image.width;
  out.height = image.height;
  out.pixels = std::move(image.argb);
  return out;
}

} // namespace

std::string LastImageDecodeError() { return LastError(); }

} // namespace platform

HRESULT WINAPI DecompressImageIndirect(DecompressImageInfo *pParams) {
  using platform::Refuse;
  platform::LastError().clear();
  if (pParams == nullptr || pParams->dwSize < IMGDECMP_MIN_INFO_SIZE) {
    return Refuse(E_INVALIDARG, "the record is missing or its size is below 60");
  }
  const DecompressImageInfo &info = *pParams;
  if (info.phBM == nullptr || info.pfnGetData == nullptr || info.pbBuffer == nullptr ||
      info.dwBufferMax == 0) {
    return Refuse(E_INVALIDARG, "the record lacks its bitmap slot, reader or buffer");
  }
  // The device's callers ask for pictures at their own size; nothing is scaled.
  if (info.iScale != 100) {
    return Refuse(E_INVALIDARG, "the scale is not 100 percent");
  }
  if (info.hdc != nullptr && GetObjectType(info.hdc) == 0) {
    return Refuse(E_INVALIDARG, "the reference DC is not valid");
  }
  if (info.ppImageRender != nullptr) {
    *info.ppImageRender = nullptr;
  }
  const platform::PngPull pull = [&info](std::uint8_t *buffer, std::size_t capacity) {
    // Each piece goes through the caller's own buffer, as the callback expects.
    const DWORD got = info.pfnGetData(reinterpret_cast<LPSTR>(info.pbBuffer),
                                      static_cast<DWORD>(capacity), info.lParam);
    if (got <= capacity) {
      std::memcpy(buffer, info.pbBuffer, got);
    }
    return static_cast<std::size_t>(got);
  };
  const platform::PngProgress progress = [&info](std::uint64_t, std::uint64_t) {
    if (info.pfnImageProgress != nullptr) {
      info.pfnImageProgress(nullptr, FALSE, info.lParam);
    }
  };
  const platform::PngLimits limits;
  const platform::PulledFile file =
      platform::PullFile(pull, info.dwBufferMax, limits.maxInputBytes);
  platform::PngImage image;
  std::string error;
  // A picture of the program's own module may have been decoded while it started.
  if (auto ahead = file.end == platform::PulledFile::End::Ended
                       ? platform::TakeDecodedAhead(file.bytes)
                       : std::nullopt) {
    image = std::move(*ahead);
    progress(image.height, image.height);
  } else if (const platform::PngStatus status = platform::DecodePulled(
                 file, limits, &image, &error, progress,
                 &(platform::Scratch() ? *platform::Scratch() : platform::Scratch().emplace()));
             status != platform::PngStatus::Ok) {
    return Refuse(status == platform::PngStatus::OverLimit ? E_OUTOFMEMORY : E_FAIL, error);
  }
  // Within the decoder's limits a picture always makes a bitmap; one over the
  // caller's maxima is refused, not shrunk.
  if ((info.iMaxWidth > 0 && image.width > info.iMaxWidth) ||
      (info.iMaxHeight > 0 && image.height > info.iMaxHeight)) {
    return Refuse(E_OUTOFMEMORY, "the image is larger than the maxima");
  }
  // Transparent pixels lie over the override colour, or black without one.
  const std::uint32_t background =
      info.crTransparentOverride == CLR_INVALID
          ? 0
          : platform::gdi::PixelOf(info.crTransparentOverride & 0x00FFFFFF);
  *info.phBM =
      platform::gdi::CreateBitmapFromSurface(platform::Render(std::move(image), background));
  if (info.pfnImageProgress != nullptr) {
    info.pfnImageProgress(nullptr, TRUE, info.lParam);
  }
  return S_OK;
}
