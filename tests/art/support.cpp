// The layer's resource and image calls wrapped for the art tests.
#include "support.h"

#include "view/image_asset.h"

namespace art_test {

std::span<const std::byte> ResourceBytes(HINSTANCE module, LPCWSTR name, LPCWSTR type) {
  HRSRC info = FindResourceW(module, name, type);
  const auto *data = info == nullptr
                         ? nullptr
                         : static_cast<const std::byte *>(LockResource(LoadResource(module, info)));
  return data == nullptr ? std::span<const std::byte>{}
                         : std::span<const std::byte>{data, SizeofResource(module, info)};
}

platform::Surface DecodePicture(HINSTANCE module, WORD id) {
  HDC screen = GetDC(nullptr);
  ImageAsset asset;
  asset.LoadFromResource(screen, id, u"PNG", module);
  ReleaseDC(nullptr, screen);
  const auto surface = platform::BitmapSurface(asset.bitmap);
  return surface != nullptr ? *surface : platform::Surface{};
}

} // namespace art_test
