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

// Four and eight pixels, for the key colour copy: GCC/Clang vector arithmetic,
// which becomes SSE2 or AVX2 here and plain scalar code where there is no vector
// unit.
using Pixels4 = std::uint32_t __attribute__((vector_size(16)));
using Pixels8 = std::uint32_t __attribute__((vector_size(32)));
// A vector of pixels read and written where a row puts it, at any pixel boundary.
template <class V> struct __attribute__((packed, may_alias)) Unaligned { V v; };

// The key colour copy of a row of at least `N` pixels (the vector's) whose source is not the row
// itself: `N` at a time as mask arithmetic. A row that is not a multiple of `N` ends
// with one more step over its last `N` pixels, overlapping the previous one. That
// step reads its pixels before the row is written, so that no read waits on a write
// it half overlaps, and what it writes again over the overlap is what is already
// there.
template <class V>
__attribute__((always_inline)) inline void KeyedRowOf(std::uint32_t *d, const std::uint32_t *s,
                                                      int n, std::uint32_t key) {
  constexpr int N = sizeof(V) / sizeof(std::uint32_t);
  V keys;
  for (int k = 0; k < N; ++k) {
    keys[k] = key;
  }
  // Where the source is the key, keep the destination (the mask is all ones there).
  const auto *from = reinterpret_cast<const Unaligned<V> *>(s);
  auto *to = reinterpret_cast<Unaligned<V> *>(d);
  const auto *lastFrom = reinterpret_cast<const Unaligned<V> *>(s + n - N);
  auto *last = reinterpret_cast<Unaligned<V> *>(d + n - N);
  auto keep = reinterpret_cast<V>(lastFrom->v == keys);
  const V tail = (last->v & keep) | (lastFrom->v & ~keep);
  for (int i = 0; i + N <= n; i += N, ++from, ++to) {
    keep = reinterpret_cast<V>(from->v == keys);
    to->v = (to->v & keep) | (from->v & ~keep);
  }
  last->v = tail;
}

// The key colour copy of a block: every pixel but the key, `V` at a time where the
// rows are wide enough and apart from their sources. The rows' addresses and the
// block's sizes are held in locals: the vector stores may alias anything, so fields
// read through the views would be loaded again for every row.
template <class V>
__attribute__((always_inline)) inline void KeyedRowsOf(const View &dst, const View &src,
                                                       const Block &b, std::uint32_t key) {
  constexpr int N = sizeof(V) / sizeof(std::uint32_t);
  const int w = b.w;
  const int h = b.h;
  const std::ptrdiff_t dstStride = dst.surface->width;
  const std::ptrdiff_t srcStride = src.surface->width;
  std::uint32_t *d = dst.surface->Row(b.dy) + b.dx;
  const std::uint32_t *s = src.surface->Row(b.sy) + b.sx;
  for (int row = 0; row < h; ++row, d += dstStride, s += srcStride) {
    if (w >= N && (d + w <= s || s + w <= d)) {
      KeyedRowOf<V>(d, s, w, key);
    } else {
      for (int i = 0; i < w; ++i) {
        d[i] = s[i] == key ? d[i] : s[i];
      }
    }
  }
}

#if defined(__x86_64__)
// Eight pixels a step where the processor has AVX2.
__attribute__((target("avx2"))) void KeyedBlockAvx2(const View &dst, const View &src,
                                                    const Block &b, std::uint32_t key) {
  KeyedRowsOf<Pixels8>(dst, src, b, key);
}
const bool kHasAvx2 = __builtin_cpu_supports("avx2") != 0;
#endif

void KeyedBlock(const View &dst, const View &src, const Block &b, std::uint32_t key) {
#if defined(__x86_64__)
  if (kHasAvx2 && b.w >= 8) {
    KeyedBlockAvx2(dst, src, b, key);
    return;
  }
#endif
  KeyedRowsOf<Pixels4>(dst, src, b, key);
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
    platform::gdi::KeyedBlock(dst, src, b, key);
  }
  return TRUE;
}
