// Test hooks of GDI: PNG dumps of the screen and of bitmaps.
#include "gdi/png_write.h"
#include "gdi/surface.h"
#include "host/testing.h"

namespace platform::test {

bool WriteScreenPng(const std::string &path, std::string *error) {
  return WritePng(ScreenSurface(), path, error);
}

bool WriteBitmapPng(HBITMAP bitmap, const std::string &path, std::string *error) {
  const std::shared_ptr<Surface> surface = BitmapSurface(bitmap);
  if (!surface) {
    if (error != nullptr) {
      *error = "not a bitmap";
    }
    return false;
  }
  return WritePng(*surface, path, error);
}

} // namespace platform::test
