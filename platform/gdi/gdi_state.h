// The GDI objects of the device (DCs, bitmaps, brushes, fonts, pens), shared by
// the files of gdi/.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "gdi/surface.h"

namespace platform::gdi {

struct FontFace; // a realised font (font.cpp)

// A COLORREF (0x00BBGGRR) as a surface pixel (0x00RRGGBB), and back.
constexpr std::uint32_t PixelOf(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF ColorRefOf(std::uint32_t pixel) { return PixelOf(pixel); }

struct Object {
  DWORD type = 0;     // OBJ_BITMAP, OBJ_BRUSH, OBJ_FONT or OBJ_PEN
  bool stock = false; // stock objects are never deleted
  int selections = 0; // DCs that hold it selected
  // OBJ_BITMAP
  std::shared_ptr<Surface> surface;
  // OBJ_BRUSH and OBJ_PEN: a solid colour, or nothing at all
  bool hollow = false;
  COLORREF color = 0;
  // OBJ_FONT
  LOGFONTW logFont{};
  std::shared_ptr<const FontFace> face;
};

struct DeviceContext {
  bool memory = false; // a memory DC (OBJ_MEMDC) rather than one on a surface
  // A surface DC draws on `surface` with its (0, 0) at `origin`, clipped to `clip`
  // (surface coordinates). A memory DC draws on its selected bitmap.
  std::shared_ptr<Surface> surface;
  POINT origin{};
  RECT clip{};
  HBITMAP bitmap = nullptr; // memory DCs: the selected bitmap (the stock one at first)
  Surface *bitmapSurface = nullptr;
  HBRUSH brush = nullptr;
  HPEN pen = nullptr;
  HFONT font = nullptr;
  int bkMode = OPAQUE;
  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF textColor = RGB(0, 0, 0);
};

// Where a DC draws: a surface, the offset of the DC's (0, 0) on it, and the clip
// rectangle in surface coordinates, already inside the surface.
struct View {
  Surface *surface = nullptr;
  int originX = 0;
  int originY = 0;
  RECT clip{};
};

// A bitmap's pending fill written into every pixel (see Surface::pendingFill).
void WritePendingFill(Surface &surface);
// The same, except inside `covered` (surface coordinates), which the caller is
// about to write whole.
void WritePendingFillAround(Surface &surface, const RECT &covered);

DeviceContext *FindDC(HDC dc);
Object *FindObject(HGDIOBJ object);
Object *FindObject(HGDIOBJ object, DWORD type);

// Owes the copy of `from`'s whole bitmap onto `to`'s whole surface rather than
// making it, when `to` draws on a window's or the screen's surface and `from` holds
// a bitmap of exactly its size (see MakeOwedCopy); false when it makes no such
// promise and the caller copies.
bool OweWholeCopy(HDC to, HDC from);

// The view of a DC as a destination; false for an invalid handle.
bool DestinationView(HDC dc, View *view);
// The same with a bitmap's pending fill left pending, for a call that may cover
// the whole bitmap: it writes the fill itself where it draws nothing.
bool DestinationViewUnfilled(HDC dc, View *view);
// The view of a DC as a source: false as well when the DC holds no real bitmap
// (a memory DC with its stock 1x1 bitmap), since such a DC has nothing to give.
bool SourceView(HDC dc, View *view);

// Makes a bitmap that owns the surface (used by the image decoder).
HBITMAP CreateBitmapFromSurface(Surface surface);
// New solid brushes and pens; stock ones are never deleted or counted.
HGDIOBJ AddSolidObject(DWORD type, COLORREF color);
HGDIOBJ AddStockSolid(DWORD type, COLORREF color);
// A new font object over a realised face.
HFONT AddFont(const LOGFONTW &logFont, std::shared_ptr<const FontFace> face);

// The brush a FillRect argument names: a brush handle, or a system colour index
// + 1 as Win32 allows. Sets *hollow for a null brush. False when it names nothing.
bool BrushColor(HBRUSH brush, COLORREF *color, bool *hollow);

// Fills a rectangle given in the view's DC coordinates, clipped.
void FillView(const View &view, RECT rect, std::uint32_t pixel);

// Calls `onDC` for every live DC and `onObject` for every live object that is
// not stock: what the test library counts to prove a paint leaks nothing.
void VisitLive(const std::function<void(const DeviceContext &)> &onDC,
               const std::function<void(const Object &)> &onObject);

// The largest bitmap side, and pixel count, that the layer creates.
inline constexpr int kMaxBitmapSide = 16384;
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{64} << 20;

} // namespace platform::gdi
