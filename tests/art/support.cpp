// The layer's resource and image calls wrapped for the art tests.
#include "support.h"

#include "gdi/surface.h"
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

Picture DecodePicture(HINSTANCE module, WORD id) {
  HDC screen = GetDC(nullptr);
  ImageAsset asset;
  asset.LoadFromResource(screen, id, u"PNG", module);
  ReleaseDC(nullptr, screen);
  Picture picture;
  if (const auto surface = platform::BitmapSurface(asset.bitmap)) {
    picture.width = surface->width;
    picture.height = surface->height;
    for (const std::uint32_t p : surface->pixels) {
      picture.pixels.push_back({static_cast<int>((p >> 16) & 0xFF),
                                static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)});
    }
  }
  return picture;
}

} // namespace art_test
