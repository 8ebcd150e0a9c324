// Fuzz target: DecompressImageIndirect on arbitrary bytes, read in pieces whose size
// and the output scale come from the input's first bytes.
#include <imgdecmp.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gdi/surface.h"
#include "device/device.h"

namespace {

struct Reader {
  const std::uint8_t *data;
  std::size_t size;
  std::size_t at = 0;
};

DWORD CALLBACK Read(LPSTR buffer, DWORD max, LPARAM lParam) {
  auto *r = reinterpret_cast<Reader *>(lParam);
  const std::size_t n = std::min<std::size_t>(max, r->size - r->at);
  if (n > 0) {
    std::memcpy(buffer, r->data + r->at, n);
  }
  r->at += n;
  return static_cast<DWORD>(n);
}

void CALLBACK Progress(IImageRender *, BOOL, LPARAM) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  static const bool started = [] {
    platform::StartDevice(platform::DeviceConfig{});
    return true;
  }();
  (void)started;
  // Byte 0: the piece size and the override; byte 1: a width limit.
  const DWORD pieces[] = {1, 3, 16, 100, 1024, 4096, 65536, 7};
  std::vector<BYTE> buffer(pieces[data[0] % 8]);
  Reader reader{data + 2, size - 2};
  HBITMAP bitmap = nullptr;
  DecompressImageInfo info{};
  info.dwSize = 60;
  info.pbBuffer = buffer.data();
  info.dwBufferMax = static_cast<DWORD>(buffer.size());
  info.phBM = &bitmap;
  info.iBitDepth = 32;
  info.lParam = reinterpret_cast<LPARAM>(&reader);
  info.iScale = 100;
  info.iMaxWidth = (data[1] & 0x80) != 0 ? 64 : 10000;
  info.iMaxHeight = 10000;
  info.pfnGetData = Read;
  info.pfnImageProgress = Progress;
  info.crTransparentOverride = data[0] & 0x80 ? RGB(255, 0, 255) : CLR_INVALID;
  const HRESULT result = DecompressImageIndirect(&info);
  if (SUCCEEDED(result)) {
    const auto surface = platform::BitmapSurface(bitmap);
    if (!surface || surface->width <= 0 || surface->height <= 0 ||
        surface->pixels.size() != static_cast<std::size_t>(surface->width) * surface->height) {
      __builtin_trap(); // a success always delivers a whole bitmap
    }
    DeleteObject(bitmap);
  } else if (bitmap != nullptr) {
    __builtin_trap(); // a failure never delivers one
  }
  return 0;
}
