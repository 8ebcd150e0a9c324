// Test hooks of GDI: counts of live objects, PNG dumps of the screen and of bitmaps.
#include "gdi/gdi_state.h"
#include "gdi/png_write.h"
#include "gdi/surface.h"
#include "testing/testing.h"

namespace platform::test {

GdiCounts GdiObjectCounts() {
  GdiCounts counts;
  gdi::VisitLive(
      [&](const gdi::DeviceContext &dc) { ++(dc.memory ? counts.memoryDCs : counts.surfaceDCs); },
      [&](const gdi::Object &o) {
        switch (o.type) {
        case OBJ_BITMAP:
          ++counts.bitmaps;
          break;
        case OBJ_BRUSH:
          ++counts.brushes;
          break;
        case OBJ_FONT:
          ++counts.fonts;
          break;
        default: // no pen is ever made: only the stock ones, which are not counted
          break;
        }
      });
  return counts;
}

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
