// Blits between DCs: BitBlt's copy and the colour-keyed TransparentImage, both
// clipped to both surfaces and neither stretching.
#include <algorithm>
#include <cstring>

#include "gdi/gdi_state.h"

namespace platform::gdi {
namespace {

using I = std::int64_t;

// A block to copy, in surface coordinates, already inside both clips.
struct Block {
  int dx = 0;
  int dy = 0;
  int sx = 0;
  int sy = 0;
  int w = 0;
  int h = 0;
};

// Clips a w x h copy from DC point (sx, sy) of `src` to DC point (dx, dy) of
// `dst`. False when nothing is left.
bool ClipBlock(const View &dst, I dx, I dy, const View &src, I sx, I sy, I w, I h, Block *block) {
  dx += dst.originX;
  dy += dst.originY;
  sx += src.originX;
  sy += src.originY;
  // Move the top-left corner in until it is inside both clips.
  const I skipX = std::max<I>({0, dst.clip.left - dx, src.clip.left - sx});
  const I skipY = std::max<I>({0, dst.clip.top - dy, src.clip.top - sy});
  dx += skipX;
  sx += skipX;
  w -= skipX;
  dy += skipY;
  sy += skipY;
  h -= skipY;
  w = std::min<I>({w, dst.clip.right - dx, src.clip.right - sx});
  h = std::min<I>({h, dst.clip.bottom - dy, src.clip.bottom - sy});
  if (w <= 0 || h <= 0) {
    return false;
  }
  *block = Block{static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(sx),
                 static_cast<int>(sy), static_cast<int>(w),  static_cast<int>(h)};
  return true;
}

// The key colour copy: every pixel but the key. Written as mask arithmetic, not a
// branch or a select, so that it vectorises even with plain SSE2.
void KeyedRow(std::uint32_t *d, const std::uint32_t *s, int n, std::uint32_t key) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t v = s[i];
    const std::uint32_t keep = 0u - static_cast<std::uint32_t>(v == key); // all ones: keep d
    d[i] = (d[i] & keep) | (v & ~keep);
  }
}

void CopyBlock(const View &dst, const View &src, const Block &b) {
  if (dst.surface != src.surface) {
    // Distinct surfaces never overlap: plain copies, one for the whole block when
    // it is made of whole rows.
    const auto rowBytes = static_cast<std::size_t>(b.w) * sizeof(std::uint32_t);
    if (b.w == dst.surface->width && b.w == src.surface->width) {
      std::memcpy(dst.surface->Row(b.dy), src.surface->Row(b.sy), rowBytes * b.h);
      return;
    }
    for (int y = 0; y < b.h; ++y) {
      std::memcpy(dst.surface->Row(b.dy + y) + b.dx, src.surface->Row(b.sy + y) + b.sx, rowBytes);
    }
    return;
  }
  // Within one surface, copy rows in the order that reads each before it is
  // written; each row moves as a whole.
  const bool upward = b.dy > b.sy;
  for (int i = 0; i < b.h; ++i) {
    const int y = upward ? b.h - 1 - i : i;
    std::memmove(dst.surface->Row(b.dy + y) + b.dx, src.surface->Row(b.sy + y) + b.sx,
                 static_cast<std::size_t>(b.w) * sizeof(std::uint32_t));
  }
}

} // namespace
} // namespace platform::gdi

using platform::gdi::View;

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  View dst;
  if (!platform::gdi::DestinationViewUnfilled(hdc, &dst)) {
    return FALSE;
  }
  if (rop != SRCCOPY) {
    SetLastError(ERROR_INVALID_PARAMETER); // the one operation the device's callers use
    return FALSE;
  }
  // A source DC without a real bitmap has nothing to give: nothing is drawn.
  View src;
  if (!platform::gdi::SourceView(hdcSrc, &src)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  platform::gdi::Block block;
  if (platform::gdi::ClipBlock(dst, x, y, src, x1, y1, cx, cy, &block)) {
    // The copy covers its block whole: a pending fill is needed only around it.
    platform::gdi::WritePendingFillAround(
        *dst.surface, RECT{block.dx, block.dy, block.dx + block.w, block.dy + block.h});
    // A whole off-screen frame onto a whole window is owed until the frame is
    // deleted, when its pixels become the window's: no copy at all.
    const bool whole = block.dx == 0 && block.dy == 0 && block.sx == 0 && block.sy == 0 &&
                       block.w == dst.surface->width && block.h == dst.surface->height;
    if (!whole || !platform::gdi::OweWholeCopy(hdc, hdcSrc)) {
      platform::gdi::CopyBlock(dst, src, block);
    }
  }
  return TRUE;
}

BOOL WINAPI TransparentImage(HDC hdcDest, LONG DstX, LONG DstY, LONG DstCx, LONG DstCy, HANDLE hSrc,
                             LONG SrcX, LONG SrcY, LONG SrcCx, LONG SrcCy,
                             COLORREF TransparentColor) {
  View dst;
  View src;
  // The device's callers copy a rectangle of a DC at its own size: a stretch is
  // refused, and so is a bitmap for a source.
  if (DstCx <= 0 || DstCy <= 0 || DstCx != SrcCx || DstCy != SrcCy) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!platform::gdi::DestinationView(hdcDest, &dst)) {
    return FALSE;
  }
  // A DC without a real bitmap draws nothing.
  if (!platform::gdi::SourceView(static_cast<HDC>(hSrc), &src)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // Only the exact colour is transparent.
  const std::uint32_t key = platform::gdi::PixelOf(TransparentColor & 0x00FFFFFF);
  platform::gdi::Block b;
  if (platform::gdi::ClipBlock(dst, DstX, DstY, src, SrcX, SrcY, DstCx, DstCy, &b)) {
    for (int row = 0; row < b.h; ++row) {
      platform::gdi::KeyedRow(dst.surface->Row(b.dy + row) + b.dx,
                              src.surface->Row(b.sy + row) + b.sx, b.w, key);
    }
  }
  return TRUE;
}
