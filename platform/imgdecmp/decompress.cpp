// DecompressImageIndirect: a PNG pulled through the caller's callback becomes a
// 32-bit bitmap, scaled by iScale and shrunk to fit iMaxWidth x iMaxHeight.
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

// The output size: the image at iScale percent, shrunk (keeping its shape) to fit
// the maxima; at least one pixel each way.
void OutputSize(int width, int height, const DecompressImageInfo &info, int *outW, int *outH) {
  std::int64_t w = std::max<std::int64_t>(1, (std::int64_t{width} * info.iScale + 50) / 100);
  std::int64_t h = std::max<std::int64_t>(1, (std::int64_t{height} * info.iScale + 50) / 100);
  if (info.iMaxWidth > 0 && w > info.iMaxWidth) {
    h = std::max<std::int64_t>(1, h * info.iMaxWidth / w);
    w = info.iMaxWidth;
  }
  if (info.iMaxHeight > 0 && h > info.iMaxHeight) {
    w = std::max<std::int64_t>(1, w * info.iMaxHeight / h);
    h = info.iMaxHeight;
  }
  *outW = static_cast<int>(w);
  *outH = static_cast<int>(h);
}

// Composites each pixel over the background and samples it to the output size
// (nearest pixel, centre-sampled). At the image's own size, the usual case, the
// decoded pixels become the bitmap's in place: no sampling and no second buffer.
Surface Render(PngImage image, int outW, int outH, std::uint32_t background) {
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
  Surface out;
  if (outW == image.width && outH == image.height) {
    if (!image.alphaDropped) {
      std::transform(image.argb.begin(), image.argb.end(), image.argb.begin(), composite);
    }
    out.width = outW;
    out.height = outH;
    out.pixels = std::move(image.argb);
    return out;
  }
  out = Surface(outW, outH);
  for (int y = 0; y < outH; ++y) {
    const auto v =
        static_cast<int>((std::int64_t{y} * 2 + 1) * image.height / (std::int64_t{outH} * 2));
    const std::uint32_t *src = image.argb.data() + static_cast<std::size_t>(v) * image.width;
    std::uint32_t *dst = out.Row(y);
    for (int x = 0; x < outW; ++x) {
      const auto u =
          static_cast<int>((std::int64_t{x} * 2 + 1) * image.width / (std::int64_t{outW} * 2));
      dst[x] = image.alphaDropped ? src[u] : composite(src[u]);
    }
  }
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
      info.dwBufferMax == 0 || info.iScale <= 0) {
    return Refuse(E_INVALIDARG, "the record lacks its bitmap slot, reader, buffer or scale");
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
  int width = 0;
  int height = 0;
  platform::OutputSize(image.width, image.height, info, &width, &height);
  if (width > platform::gdi::kMaxBitmapSide || height > platform::gdi::kMaxBitmapSide ||
      std::int64_t{width} * height > platform::gdi::kMaxBitmapPixels) {
    return Refuse(E_OUTOFMEMORY, "the scaled image is larger than a bitmap may be");
  }
  // Transparent pixels lie over the override colour, or black without one.
  const std::uint32_t background =
      info.crTransparentOverride == CLR_INVALID
          ? 0
          : platform::gdi::PixelOf(info.crTransparentOverride & 0x00FFFFFF);
  *info.phBM = platform::gdi::CreateBitmapFromSurface(
      platform::Render(std::move(image), width, height, background));
  if (info.pfnImageProgress != nullptr) {
    info.pfnImageProgress(nullptr, TRUE, info.lParam);
  }
  return S_OK;
}
