// Blits between DCs: BitBlt with its raster operations, StretchBlt, and the
// colour-keyed TransparentImage, all clipped to both surfaces.
#include <algorithm>
#include <cstring>
#include <vector>

#include "gdi/gdi_state.h"

namespace platform::gdi {
namespace {

using I = std::int64_t;

// The largest stretched destination extent: keeps the sampling arithmetic in range.
constexpr LONG kMaxStretchExtent = 1 << 28;

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

// Row operations of the raster operations that read the source. Written as plain
// loops over the row so that the compiler vectorises them.
using RowOp = void (*)(std::uint32_t *d, const std::uint32_t *s, int n);

void CopyRow(std::uint32_t *d, const std::uint32_t *s, int n) {
  std::memmove(d, s, static_cast<std::size_t>(n) * sizeof *d);
}
void OrRow(std::uint32_t *d, const std::uint32_t *s, int n) {
  for (int i = 0; i < n; ++i) {
    d[i] |= s[i];
  }
}
void AndRow(std::uint32_t *d, const std::uint32_t *s, int n) {
  for (int i = 0; i < n; ++i) {
    d[i] &= s[i];
  }
}
void XorRow(std::uint32_t *d, const std::uint32_t *s, int n) {
  for (int i = 0; i < n; ++i) {
    d[i] ^= s[i];
  }
}
void NotCopyRow(std::uint32_t *d, const std::uint32_t *s, int n) {
  for (int i = 0; i < n; ++i) {
    d[i] = ~s[i] & 0x00FFFFFFu;
  }
}

struct SourceRop {
  DWORD rop;
  RowOp op;
};
constexpr SourceRop kSourceRops[] = {
    {SRCCOPY, CopyRow},  {SRCPAINT, OrRow},        {SRCAND, AndRow},
    {SRCINVERT, XorRow}, {NOTSRCCOPY, NotCopyRow},
};

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
// rows are wide enough and apart from their sources.
template <class V>
__attribute__((always_inline)) inline void KeyedRowsOf(const View &dst, const View &src,
                                                       const Block &b, std::uint32_t key) {
  constexpr int N = sizeof(V) / sizeof(std::uint32_t);
  for (int row = 0; row < b.h; ++row) {
    std::uint32_t *d = dst.surface->Row(b.dy + row) + b.dx;
    const std::uint32_t *s = src.surface->Row(b.sy + row) + b.sx;
    if (b.w >= N && (d + b.w <= s || s + b.w <= d)) {
      KeyedRowOf<V>(d, s, b.w, key);
    } else {
      for (int i = 0; i < b.w; ++i) {
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

void CopyBlock(const View &dst, const View &src, const Block &b, RowOp op) {
  const bool sameSurface = dst.surface == src.surface;
  if (op == CopyRow && !sameSurface) {
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
  // written, and give the other operations a copy of the source row.
  const bool upward = sameSurface && b.dy > b.sy;
  std::vector<std::uint32_t> row;
  const bool buffered = sameSurface && op != CopyRow;
  for (int i = 0; i < b.h; ++i) {
    const int y = upward ? b.h - 1 - i : i;
    const std::uint32_t *s = src.surface->Row(b.sy + y) + b.sx;
    if (buffered) {
      row.assign(s, s + b.w);
      s = row.data();
    }
    op(dst.surface->Row(b.dy + y) + b.dx, s, b.w);
  }
}

// A nearest-neighbour stretch from a source rectangle to a destination rectangle
// (DC coordinates), clipped on both sides; with a key, key-coloured source pixels
// are skipped. Each destination pixel samples the source at its centre.
void StretchBlock(const View &dst, I dx, I dy, I dw, I dh, const View &src, I sx, I sy, I sw, I sh,
                  bool keyed, std::uint32_t key) {
  dx += dst.originX;
  dy += dst.originY;
  sx += src.originX;
  sy += src.originY;
  const I x0 = std::max<I>(dx, dst.clip.left);
  const I x1 = std::min<I>(dx + dw, dst.clip.right);
  const I y0 = std::max<I>(dy, dst.clip.top);
  const I y1 = std::min<I>(dy + dh, dst.clip.bottom);
  if (x0 >= x1 || y0 >= y1) {
    return;
  }
  // The source column of each visible destination column; -1 outside the source.
  thread_local std::vector<int> columns;
  columns.resize(static_cast<std::size_t>(x1 - x0));
  for (I x = x0; x < x1; ++x) {
    const I u = sx + ((x - dx) * 2 + 1) * sw / (dw * 2);
    columns[static_cast<std::size_t>(x - x0)] =
        u >= src.clip.left && u < src.clip.right ? static_cast<int>(u) : -1;
  }
  for (I y = y0; y < y1; ++y) {
    const I v = sy + ((y - dy) * 2 + 1) * sh / (dh * 2);
    if (v < src.clip.top || v >= src.clip.bottom) {
      continue;
    }
    const std::uint32_t *s = src.surface->Row(static_cast<int>(v));
    std::uint32_t *d = dst.surface->Row(static_cast<int>(y)) + x0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (columns[i] >= 0 && !(keyed && s[columns[i]] == key)) {
        d[i] = s[columns[i]];
      }
    }
  }
}

// Raster operations that do not read the source: a fill or an inversion.
bool PatternBlit(HDC hdc, const View &dst, int x, int y, int w, int h, DWORD rop) {
  if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) {
    return PatBlt(hdc, x, y, w, h, rop) != FALSE;
  }
  if (rop != DSTINVERT && rop != PATINVERT) {
    return false;
  }
  WritePendingFill(*dst.surface); // an inversion reads what it draws on
  std::uint32_t mask = 0x00FFFFFF;
  if (rop == PATINVERT) {
    COLORREF color = 0;
    bool hollow = false;
    BrushColor(FindDC(hdc)->brush, &color, &hollow);
    mask = hollow ? 0 : PixelOf(color);
  }
  Block b;
  if (ClipBlock(dst, x, y, dst, x, y, w, h, &b)) {
    for (int row = 0; row < b.h; ++row) {
      std::uint32_t *d = dst.surface->Row(b.dy + row) + b.dx;
      for (int i = 0; i < b.w; ++i) {
        d[i] ^= mask;
      }
    }
  }
  return true;
}

} // namespace
} // namespace platform::gdi

using platform::gdi::View;

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  View dst;
  if (!platform::gdi::DestinationViewUnfilled(hdc, &dst)) {
    return FALSE;
  }
  const auto *entry =
      std::find_if(std::begin(platform::gdi::kSourceRops), std::end(platform::gdi::kSourceRops),
                   [rop](const auto &r) { return r.rop == rop; });
  if (entry == std::end(platform::gdi::kSourceRops)) {
    if (!platform::gdi::PatternBlit(hdc, dst, x, y, cx, cy, rop)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    return TRUE;
  }
  // A source DC without a real bitmap has nothing to give: nothing is drawn.
  View src;
  if (!platform::gdi::SourceView(hdcSrc, &src)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  platform::gdi::Block block;
  if (platform::gdi::ClipBlock(dst, x, y, src, x1, y1, cx, cy, &block)) {
    // A plain copy covers its block whole; every other operation reads what it draws on.
    const RECT covered = entry->op == platform::gdi::CopyRow
                             ? RECT{block.dx, block.dy, block.dx + block.w, block.dy + block.h}
                             : RECT{};
    platform::gdi::WritePendingFillAround(*dst.surface, covered);
    // A whole off-screen frame onto a whole window is owed until the frame is
    // deleted, when its pixels become the window's: no copy at all.
    const bool whole = entry->op == platform::gdi::CopyRow && block.dx == 0 && block.dy == 0 &&
                       block.sx == 0 && block.sy == 0 && block.w == dst.surface->width &&
                       block.h == dst.surface->height;
    if (!whole || !platform::gdi::OweWholeCopy(hdc, hdcSrc)) {
      platform::gdi::CopyBlock(dst, src, block, entry->op);
    }
  }
  return TRUE;
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc,
                       int xSrc, int ySrc, int wSrc, int hSrc, DWORD rop) {
  if (wDest == wSrc && hDest == hSrc) {
    return BitBlt(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, rop);
  }
  View dst;
  View src;
  if (rop != SRCCOPY || wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0 ||
      wDest > platform::gdi::kMaxStretchExtent || hDest > platform::gdi::kMaxStretchExtent) {
    SetLastError(ERROR_INVALID_PARAMETER); // no mirroring, and no other operation
    return FALSE;
  }
  if (!platform::gdi::DestinationView(hdcDest, &dst) || !platform::gdi::SourceView(hdcSrc, &src)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  platform::gdi::StretchBlock(dst, xDest, yDest, wDest, hDest, src, xSrc, ySrc, wSrc, hSrc, false,
                              0);
  return TRUE;
}

BOOL WINAPI TransparentImage(HDC hdcDest, LONG DstX, LONG DstY, LONG DstCx, LONG DstCy, HANDLE hSrc,
                             LONG SrcX, LONG SrcY, LONG SrcCx, LONG SrcCy,
                             COLORREF TransparentColor) {
  View dst;
  View src;
  if (DstCx <= 0 || DstCy <= 0 || SrcCx <= 0 || SrcCy <= 0 ||
      DstCx > platform::gdi::kMaxStretchExtent || DstCy > platform::gdi::kMaxStretchExtent) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!platform::gdi::DestinationView(hdcDest, &dst)) {
    return FALSE;
  }
  // The source is a DC or a bitmap; a DC without a real bitmap draws nothing.
  const bool fromDC = platform::gdi::FindDC(static_cast<HDC>(hSrc)) != nullptr;
  if (fromDC ? !platform::gdi::SourceView(static_cast<HDC>(hSrc), &src)
             : !platform::gdi::BitmapView(static_cast<HBITMAP>(hSrc), &src)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // Only the exact colour is transparent.
  const std::uint32_t key = platform::gdi::PixelOf(TransparentColor & 0x00FFFFFF);
  if (DstCx != SrcCx || DstCy != SrcCy) {
    platform::gdi::StretchBlock(dst, DstX, DstY, DstCx, DstCy, src, SrcX, SrcY, SrcCx, SrcCy, true,
                                key);
    return TRUE;
  }
  platform::gdi::Block b;
  if (platform::gdi::ClipBlock(dst, DstX, DstY, src, SrcX, SrcY, DstCx, DstCy, &b)) {
    platform::gdi::KeyedBlock(dst, src, b, key);
  }
  return TRUE;
}
