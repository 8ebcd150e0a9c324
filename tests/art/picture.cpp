// Decoding a picture resource the way the game does: DecompressImageIndirect fed
// through its read callback, then the bitmap read back pixel by pixel.
#include "picture.h"

#include <imgdecmp.h>

#include <algorithm>
#include <cstring>

#include "resource_bytes.h"

namespace art_test {
namespace {

struct Feed {
  std::span<const std::byte> bytes;
  std::size_t at = 0;
};

DWORD CALLBACK ReadPiece(LPSTR buffer, DWORD max, LPARAM param) {
  auto *feed = reinterpret_cast<Feed *>(param);
  const std::size_t n = std::min<std::size_t>(max, feed->bytes.size() - feed->at);
  std::memcpy(buffer, feed->bytes.data() + feed->at, n);
  feed->at += n;
  return static_cast<DWORD>(n);
}

} // namespace

Picture DecodePicture(HINSTANCE module, WORD id) {
  Feed feed{ResourceBytes(module, MAKEINTRESOURCEW(id), u"PNG")};
  if (feed.bytes.empty()) {
    return {};
  }
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  // The game's own piece size.
  BYTE buffer[1024] = {};
  HBITMAP bitmap = nullptr;
  DecompressImageInfo info{};
  info.dwSize = sizeof info;
  info.pbBuffer = buffer;
  info.dwBufferMax = sizeof buffer;
  info.phBM = &bitmap;
  info.iBitDepth = GetDeviceCaps(screen, BITSPIXEL);
  info.lParam = reinterpret_cast<LPARAM>(&feed);
  info.hdc = memory;
  info.iScale = 100;
  info.iMaxWidth = 10000;
  info.iMaxHeight = 10000;
  info.pfnGetData = ReadPiece;
  info.crTransparentOverride = CLR_INVALID;
  Picture picture;
  BITMAP described{};
  if (DecompressImageIndirect(&info) == S_OK &&
      GetObjectW(bitmap, sizeof described, &described) == sizeof described) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    picture.width = described.bmWidth;
    picture.height = described.bmHeight;
    picture.pixels.reserve(static_cast<std::size_t>(picture.width) *
                           static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const COLORREF c = GetPixel(memory, x, y);
        picture.pixels.push_back({GetRValue(c), GetGValue(c), GetBValue(c)});
      }
    }
    SelectObject(memory, previous);
  }
  if (bitmap != nullptr) {
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

} // namespace art_test
