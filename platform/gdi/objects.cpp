// GDI objects and device contexts: creation, selection, deletion, descriptions,
// stock objects, the screen surface and the device capabilities.
#include <algorithm>
#include <array>
#include <cstring>

#include "common/handle_table.h"
#include "gdi/gdi_state.h"
#include "device/device.h"

namespace platform {
namespace gdi {
namespace {

// Stock objects, by GetStockObject index; index 16 is unused by Win32 and holds
// the 1x1 bitmap that every memory DC starts with.
constexpr int kStockBitmap = 16;
constexpr int kStockCount = 17;

struct GdiState {
  HandleTable<DeviceContext> dcs{0x10000000};
  HandleTable<Object> objects{0x18000000};
  std::array<HGDIOBJ, kStockCount> stock{};
  const Surface *stockBitmapSurface = nullptr; // what a memory DC starts with
  bool stockMade = false;
  // The pixels of the last bitmap deleted, for the next one made: a program that
  // paints through an off-screen bitmap makes and deletes one of the same size
  // every paint, and fresh memory costs far more to write than memory in use.
  std::vector<std::uint32_t> spare;
  // The copy owed (OweWholeCopy): from a bitmap's surface onto another surface.
  std::shared_ptr<Surface> owedTo;
  std::shared_ptr<Surface> owedFrom;
};

GdiState &State() {
  static GdiState state;
  return state;
}

std::shared_ptr<Surface> &ScreenSlot() {
  static auto screen = std::make_shared<Surface>();
  return screen;
}

const bool registered = [] {
  RegisterResetHook([] {
    State() = GdiState{};
    *ScreenSlot() = Surface{}; // sized again for the next device
  });
  return true;
}();

HGDIOBJ AddObject(Object object) {
  return State().objects.Add<HGDIOBJ>(std::make_unique<Object>(std::move(object)));
}

Object SolidObject(DWORD type, COLORREF color, bool hollow) {
  Object o;
  o.type = type;
  o.color = color;
  o.hollow = hollow;
  return o;
}

// The font every DC starts with: the system face at 9 points, as on the device.
LOGFONTW SystemLogFont() {
  LOGFONTW lf{};
  lf.lfHeight = -ScaleToDpi(12);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::copy(std::begin(kSystemFace), std::end(kSystemFace), lf.lfFaceName);
  return lf;
}

void MakeStockObjects() {
  GdiState &state = State();
  if (state.stockMade) {
    return;
  }
  state.stockMade = true;
  struct Solid {
    int index;
    DWORD type;
    COLORREF color;
    bool hollow;
  };
  static constexpr Solid solids[] = {
      {WHITE_BRUSH, OBJ_BRUSH, RGB(255, 255, 255), false},
      {LTGRAY_BRUSH, OBJ_BRUSH, RGB(192, 192, 192), false},
      {GRAY_BRUSH, OBJ_BRUSH, RGB(128, 128, 128), false},
      {DKGRAY_BRUSH, OBJ_BRUSH, RGB(64, 64, 64), false},
      {BLACK_BRUSH, OBJ_BRUSH, RGB(0, 0, 0), false},
      {NULL_BRUSH, OBJ_BRUSH, 0, true},
      {WHITE_PEN, OBJ_PEN, RGB(255, 255, 255), false},
      {BLACK_PEN, OBJ_PEN, RGB(0, 0, 0), false},
      {NULL_PEN, OBJ_PEN, 0, true},
  };
  for (const Solid &s : solids) {
    Object o = SolidObject(s.type, s.color, s.hollow);
    o.stock = true;
    state.stock[static_cast<std::size_t>(s.index)] = AddObject(std::move(o));
  }
  Object font;
  font.type = OBJ_FONT;
  font.stock = true;
  font.logFont = SystemLogFont();
  state.stock[SYSTEM_FONT] = AddObject(std::move(font));
  Object bitmap;
  bitmap.type = OBJ_BITMAP;
  bitmap.stock = true;
  bitmap.surface = std::make_shared<Surface>(1, 1);
  state.stockBitmapSurface = bitmap.surface.get();
  state.stock[kStockBitmap] = AddObject(std::move(bitmap));
}

HGDIOBJ Stock(int index) {
  MakeStockObjects();
  return State().stock[static_cast<std::size_t>(index)];
}

void Select(HGDIOBJ object) {
  if (Object *o = FindObject(object)) {
    ++o->selections;
  }
}

void Deselect(HGDIOBJ object) {
  if (Object *o = FindObject(object)) {
    --o->selections;
  }
}

HDC AddDC(DeviceContext dc) {
  dc.brush = static_cast<HBRUSH>(Stock(WHITE_BRUSH));
  dc.pen = static_cast<HPEN>(Stock(BLACK_PEN));
  dc.font = static_cast<HFONT>(Stock(SYSTEM_FONT));
  if (dc.memory) {
    dc.bitmap = static_cast<HBITMAP>(Stock(kStockBitmap));
    dc.bitmapSurface = FindObject(dc.bitmap)->surface.get();
    Select(dc.bitmap);
  }
  Select(dc.brush);
  Select(dc.pen);
  Select(dc.font);
  return State().dcs.Add<HDC>(std::make_unique<DeviceContext>(std::move(dc)));
}

bool RemoveDC(HDC handle, bool memory) {
  DeviceContext *dc = FindDC(handle);
  if (dc == nullptr || dc->memory != memory) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  // The objects it held stay alive and become free to delete.
  Deselect(dc->bitmap);
  Deselect(dc->brush);
  Deselect(dc->pen);
  Deselect(dc->font);
  State().dcs.Remove(handle);
  return true;
}

RECT Intersect(const RECT &a, const RECT &b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.right < r.left) {
    r.right = r.left;
  }
  if (r.bottom < r.top) {
    r.bottom = r.top;
  }
  return r;
}

RECT Bounds(const Surface &s) { return RECT{0, 0, s.width, s.height}; }

} // namespace

DeviceContext *FindDC(HDC dc) { return State().dcs.Find(dc); }

Object *FindObject(HGDIOBJ object) { return State().objects.Find(object); }

Object *FindObject(HGDIOBJ object, DWORD type) {
  Object *o = FindObject(object);
  return o != nullptr && o->type == type ? o : nullptr;
}

namespace {

View ViewOf(const DeviceContext &dc) {
  if (dc.memory) {
    return View{dc.bitmapSurface, 0, 0, Bounds(*dc.bitmapSurface)};
  }
  return View{dc.surface.get(), dc.origin.x, dc.origin.y, Intersect(dc.clip, Bounds(*dc.surface))};
}

// Fills rows [top, bottom) from column `left` to `right` with the pending colour.
void FillPart(Surface &s, LONG left, LONG top, LONG right, LONG bottom) {
  for (LONG y = top; y < bottom && left < right; ++y) {
    std::fill_n(s.Row(static_cast<int>(y)) + left, right - left, *s.pendingFill);
  }
}

} // namespace

void WritePendingFill(Surface &surface) { WritePendingFillAround(surface, RECT{}); }

void WritePendingFillAround(Surface &surface, const RECT &covered) {
  if (!surface.pendingFill) {
    return;
  }
  const RECT in = Intersect(covered, Bounds(surface));
  if (in.left >= in.right || in.top >= in.bottom) {
    FillPart(surface, 0, 0, surface.width, surface.height);
  } else {
    FillPart(surface, 0, 0, surface.width, in.top);
    FillPart(surface, 0, in.top, in.left, in.bottom);
    FillPart(surface, in.right, in.top, surface.width, in.bottom);
    FillPart(surface, 0, in.bottom, surface.width, surface.height);
  }
  surface.pendingFill.reset();
}

bool DestinationViewUnfilled(HDC handle, View *view) {
  MakeOwedCopy();
  const DeviceContext *dc = FindDC(handle);
  if (dc == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  *view = ViewOf(*dc);
  return true;
}

bool DestinationView(HDC handle, View *view) {
  if (!DestinationViewUnfilled(handle, view)) {
    return false;
  }
  WritePendingFill(*view->surface);
  return true;
}

bool SourceView(HDC handle, View *view) {
  MakeOwedCopy();
  const DeviceContext *dc = FindDC(handle);
  if (dc == nullptr || (dc->memory && dc->bitmapSurface == State().stockBitmapSurface)) {
    return false;
  }
  *view = ViewOf(*dc);
  WritePendingFill(*view->surface);
  return true;
}

bool OweWholeCopy(HDC to, HDC from) {
  MakeOwedCopy();
  const DeviceContext *target = FindDC(to);
  const DeviceContext *source = FindDC(from);
  // Never onto the screen: its pixels are the frame last handed to the host, which
  // may still read them, so they must stay where they are.
  if (target == nullptr || source == nullptr || target->memory || !source->memory ||
      source->bitmap == nullptr || target->surface == nullptr || target->surface == ScreenSlot()) {
    return false;
  }
  const Object *bitmap = FindObject(source->bitmap, OBJ_BITMAP);
  if (bitmap == nullptr || bitmap->stock || bitmap->surface == target->surface ||
      bitmap->surface->width != target->surface->width ||
      bitmap->surface->height != target->surface->height || bitmap->surface->pendingFill) {
    return false;
  }
  State().owedTo = target->surface;
  State().owedFrom = bitmap->surface;
  return true;
}

namespace {

// Makes the owed copy take no time: the deleted bitmap's pixels become the target's,
// and the target's old ones are the spare. False when there is none to settle so.
bool HandOverOwedCopy(Object &bitmap) {
  GdiState &state = State();
  if (state.owedFrom != bitmap.surface || bitmap.surface.use_count() != 2) {
    return false; // someone else holds the bitmap's pixels too
  }
  state.owedTo->pixels.swap(bitmap.surface->pixels);
  state.owedTo.reset();
  state.owedFrom.reset();
  return true;
}

// A new black bitmap's surface: the spare pixels when they are large enough (left
// unwritten until they are seen), else new ones.
Surface BlackSurface(int width, int height) {
  const auto count = static_cast<std::size_t>(width) * height;
  std::vector<std::uint32_t> &spare = State().spare;
  if (count == 0 || spare.capacity() < count) {
    return Surface(width, height);
  }
  Surface surface;
  surface.width = width;
  surface.height = height;
  surface.pixels = std::move(spare);
  spare = {};
  surface.pixels.resize(count);
  surface.pendingFill = 0;
  return surface;
}

// Keeps a deleted bitmap's pixels for the next bitmap, when nothing else holds
// them and they are no larger than the screen.
void KeepSpare(Object &bitmap) {
  const Device &device = CurrentDevice();
  const auto screen = static_cast<std::size_t>(device.ScreenWidth()) * device.ScreenHeight();
  if (bitmap.surface.use_count() == 1 && bitmap.surface->pixels.capacity() <= screen &&
      bitmap.surface->pixels.capacity() > State().spare.capacity()) {
    State().spare = std::move(bitmap.surface->pixels);
  }
}

} // namespace

HBITMAP CreateBitmapFromSurface(Surface surface) {
  Object o;
  o.type = OBJ_BITMAP;
  o.surface = std::make_shared<Surface>(std::move(surface));
  return static_cast<HBITMAP>(AddObject(std::move(o)));
}

HGDIOBJ AddSolidObject(DWORD type, COLORREF color) {
  return AddObject(SolidObject(type, color, false));
}

HGDIOBJ AddStockSolid(DWORD type, COLORREF color) {
  Object o = SolidObject(type, color, false);
  o.stock = true;
  return AddObject(std::move(o));
}

HFONT AddFont(const LOGFONTW &logFont, std::shared_ptr<const FontFace> face) {
  Object o;
  o.type = OBJ_FONT;
  o.logFont = logFont;
  o.face = std::move(face);
  return static_cast<HFONT>(AddObject(std::move(o)));
}

} // namespace gdi

Surface &ScreenSurface() { return *SharedScreenSurface(); }

std::shared_ptr<Surface> SharedScreenSurface() {
  MakeOwedCopy();
  std::shared_ptr<Surface> &screen = gdi::ScreenSlot();
  const Device &device = CurrentDevice();
  if (screen->width != device.ScreenWidth() || screen->height != device.ScreenHeight()) {
    // Resized in place, so DCs already made on the screen follow it.
    *screen = Surface(device.ScreenWidth(), device.ScreenHeight());
  }
  return screen;
}

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, RECT clip) {
  if (!surface) {
    return nullptr;
  }
  gdi::DeviceContext dc;
  dc.surface = std::move(surface);
  dc.origin = origin;
  dc.clip = clip;
  return gdi::AddDC(std::move(dc));
}

void DeleteSurfaceDC(HDC dc) { gdi::RemoveDC(dc, false); }

namespace gdi {
void VisitLive(const std::function<void(const DeviceContext &)> &onDC,
               const std::function<void(const Object &)> &onObject) {
  State().dcs.ForEach([&](std::uintptr_t, const DeviceContext &dc) { onDC(dc); });
  State().objects.ForEach([&](std::uintptr_t, const Object &o) {
    if (!o.stock) {
      onObject(o);
    }
  });
}
} // namespace gdi

void MakeOwedCopy() {
  gdi::GdiState &state = gdi::State();
  if (!state.owedTo) {
    return;
  }
  std::copy(state.owedFrom->pixels.begin(), state.owedFrom->pixels.end(),
            state.owedTo->pixels.begin());
  state.owedTo.reset();
  state.owedFrom.reset();
}

std::shared_ptr<Surface> BitmapSurface(HBITMAP bitmap) {
  MakeOwedCopy();
  const gdi::Object *o = gdi::FindObject(bitmap, OBJ_BITMAP);
  if (o == nullptr) {
    return nullptr;
  }
  gdi::WritePendingFill(*o->surface);
  return o->surface;
}

} // namespace platform

using platform::gdi::DeviceContext;
using platform::gdi::FindDC;
using platform::gdi::FindObject;
using platform::gdi::Object;

HDC WINAPI CreateCompatibleDC(HDC hdc) {
  if (hdc != nullptr && FindDC(hdc) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  DeviceContext dc;
  dc.memory = true;
  return platform::gdi::AddDC(std::move(dc));
}

BOOL WINAPI DeleteDC(HDC hdc) {
  // Only memory DCs are deleted; the others go back with ReleaseDC or EndPaint.
  return platform::gdi::RemoveDC(hdc, true) ? TRUE : FALSE;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  if (hdc != nullptr && FindDC(hdc) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (cx < 0 || cy < 0 || cx > platform::gdi::kMaxBitmapSide ||
      cy > platform::gdi::kMaxBitmapSide ||
      std::int64_t{cx} * cy > platform::gdi::kMaxBitmapPixels) {
    SetLastError(cx < 0 || cy < 0 ? ERROR_INVALID_PARAMETER : ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // Every bitmap is 32 bits deep, whatever the DC holds; a new one is black.
  return platform::gdi::CreateBitmapFromSurface(platform::gdi::BlackSurface(cx, cy));
}

HGDIOBJ WINAPI GetStockObject(int i) {
  static constexpr int kValid[] = {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH,
                                   BLACK_BRUSH, NULL_BRUSH,   WHITE_PEN,  BLACK_PEN,
                                   NULL_PEN,    SYSTEM_FONT};
  if (std::find(std::begin(kValid), std::end(kValid), i) == std::end(kValid)) {
    return nullptr;
  }
  return platform::gdi::Stock(i);
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  DeviceContext *dc = FindDC(hdc);
  Object *object = FindObject(h);
  if (dc == nullptr || object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ *slot = nullptr;
  switch (object->type) {
  case OBJ_BITMAP:
    // A bitmap goes only into a memory DC, and into one DC at a time.
    if (!dc->memory || (object->selections > 0 && dc->bitmap != h && !object->stock)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    slot = reinterpret_cast<HGDIOBJ *>(&dc->bitmap);
    dc->bitmapSurface = object->surface.get();
    break;
  case OBJ_BRUSH:
    slot = reinterpret_cast<HGDIOBJ *>(&dc->brush);
    break;
  case OBJ_PEN:
    slot = reinterpret_cast<HGDIOBJ *>(&dc->pen);
    break;
  default:
    slot = reinterpret_cast<HGDIOBJ *>(&dc->font);
    break;
  }
  HGDIOBJ previous = *slot;
  if (previous != h) {
    platform::gdi::Deselect(previous);
    platform::gdi::Select(h);
    *slot = h;
  }
  return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  Object *object = FindObject(ho);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (object->stock) {
    return TRUE; // deleting a stock object is allowed and does nothing
  }
  if (object->selections > 0) {
    // Still selected into a DC: it stays, and the call fails.
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (object->type == OBJ_BITMAP) {
    if (!platform::gdi::HandOverOwedCopy(*object)) {
      platform::MakeOwedCopy();
    }
    platform::gdi::KeepSpare(*object);
  }
  platform::gdi::State().objects.Remove(ho);
  return TRUE;
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
  if (const DeviceContext *dc = FindDC(static_cast<HDC>(h))) {
    return dc->memory ? OBJ_MEMDC : OBJ_DC;
  }
  const Object *object = FindObject(h);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return object->type;
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
  const DeviceContext *dc = FindDC(hdc);
  if (dc == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  switch (type) {
  case OBJ_BITMAP:
    return dc->bitmap;
  case OBJ_BRUSH:
    return dc->brush;
  case OBJ_PEN:
    return dc->pen;
  case OBJ_FONT:
    return dc->font;
  default:
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
}

int WINAPI GetObjectW(HGDIOBJ h, int c, LPVOID pv) {
  const Object *object = FindObject(h);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  // Each kind describes itself in its own record; a null buffer asks for its size.
  const auto give = [&](const auto &record) {
    constexpr int size = static_cast<int>(sizeof record);
    if (pv == nullptr) {
      return size;
    }
    if (c < size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(pv, &record, sizeof record);
    return size;
  };
  switch (object->type) {
  case OBJ_BITMAP: {
    BITMAP bm{};
    bm.bmWidth = object->surface->width;
    bm.bmHeight = object->surface->height;
    bm.bmWidthBytes = object->surface->width * 4;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = 32;
    return give(bm);
  }
  case OBJ_FONT:
    return give(object->logFont);
  case OBJ_BRUSH: {
    LOGBRUSH lb{};
    lb.lbStyle = object->hollow ? BS_NULL : BS_SOLID;
    lb.lbColor = object->color;
    return give(lb);
  }
  default: {
    LOGPEN lp{};
    lp.lopnStyle = object->hollow ? PS_NULL : PS_SOLID;
    lp.lopnWidth = POINT{1, 0};
    lp.lopnColor = object->color;
    return give(lp);
  }
  }
}

int WINAPI GetDeviceCaps(HDC hdc, int nIndex) {
  if (FindDC(hdc) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  // Every DC, memory or not, is compatible with the screen of the device.
  const platform::Device &device = platform::CurrentDevice();
  switch (nIndex) {
  case LOGPIXELSX:
  case LOGPIXELSY:
    return device.Dpi();
  case BITSPIXEL:
    return 32;
  case PLANES:
    return 1;
  case HORZRES:
    return device.ScreenWidth();
  case VERTRES:
    return device.ScreenHeight();
  default:
    return 0;
  }
}
