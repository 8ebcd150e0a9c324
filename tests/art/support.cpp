// The layer's resource and image calls wrapped for the art tests.
#include "support.h"

#include <imgdecmp.h>

#include <algorithm>
#include <cstring>

namespace art_test {

std::span<const std::byte> ResourceBytes(HINSTANCE module, LPCWSTR name, LPCWSTR type) {
  HRSRC info = FindResourceW(module, name, type);
  const auto *data = info == nullptr
                         ? nullptr
                         : static_cast<const std::byte *>(LockResource(LoadResource(module, info)));
  return data == nullptr ? std::span<const std::byte>{}
                         : std::span<const std::byte>{data, SizeofResource(module, info)};
}

WORD Reader::Word() {
  if (!ok_ || at_ + 2 > bytes_.size()) {
    ok_ = false;
    return 0;
  }
  const auto v = static_cast<WORD>(std::to_integer<unsigned>(bytes_[at_]) |
                                   (std::to_integer<unsigned>(bytes_[at_ + 1]) << 8));
  at_ += 2;
  return v;
}

std::u16string Reader::String() {
  std::u16string s;
  for (WORD c = Word(); ok_ && c != 0; c = Word()) {
    s.push_back(static_cast<char16_t>(c));
  }
  return s;
}

void Reader::Skip(std::size_t n) {
  ok_ = ok_ && at_ + n <= bytes_.size();
  at_ = ok_ ? at_ + n : at_;
}

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
