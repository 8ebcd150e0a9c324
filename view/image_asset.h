// One decoded picture, held as a bitmap selected into its own memory DC.
#pragma once

#include <windows.h>

#include <cstdint>

class ImageAsset {
public:
  ImageAsset() = default;
  virtual ~ImageAsset();
  ImageAsset(const ImageAsset &) = delete;
  ImageAsset &operator=(const ImageAsset &) = delete;

  std::int32_t Height() const { return height; }
  std::int32_t Width() const { return width; }
  HDC SourceDC() const { return memoryDC; }

  // Restores the displaced bitmap, deletes the context and then the bitmap.
  void Release();

  // Fields, in their declared order.
  std::int32_t height = 0;
  std::int32_t width = 0;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previousBitmap = nullptr;
  std::int32_t maxHeight = 10000;
  std::int32_t maxWidth = 10000;
  std::int32_t scale = 100;
  HDC memoryDC = nullptr;
};
