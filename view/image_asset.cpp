// ImageAsset: ownership of a decoded bitmap and the memory DC that holds it.
#include "view/image_asset.h"

ImageAsset::~ImageAsset() { Release(); }

void ImageAsset::Release() {
  if (memoryDC != nullptr) {
    if (previousBitmap != nullptr) {
      SelectObject(memoryDC, previousBitmap);
    }
    DeleteDC(memoryDC);
    memoryDC = nullptr;
  }
  if (bitmap != nullptr) {
    DeleteObject(bitmap);
    bitmap = nullptr;
  }
  previousBitmap = nullptr;
}
