// Rectangle helpers of the user library (screen or client coordinates alike).
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace platform {

inline bool IsEmptyRect(const RECT &r) { return r.right <= r.left || r.bottom <= r.top; }

inline RECT IntersectRects(const RECT &a, const RECT &b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  return IsEmptyRect(r) ? RECT{} : r;
}

inline RECT UnionRects(const RECT &a, const RECT &b) {
  if (IsEmptyRect(a)) {
    return b;
  }
  if (IsEmptyRect(b)) {
    return a;
  }
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

inline RECT OffsetRectBy(const RECT &r, LONG dx, LONG dy) {
  return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

inline bool RectContains(const RECT &r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

inline bool SameRect(const RECT &a, const RECT &b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The parts of `a` outside `b`: at most four strips.
inline std::vector<RECT> SubtractRect(const RECT &a, const RECT &b) {
  const RECT cut = IntersectRects(a, b);
  if (IsEmptyRect(cut)) {
    return {a};
  }
  std::vector<RECT> parts;
  const RECT strips[] = {{a.left, a.top, a.right, cut.top},
                         {a.left, cut.bottom, a.right, a.bottom},
                         {a.left, cut.top, cut.left, cut.bottom},
                         {cut.right, cut.top, a.right, cut.bottom}};
  for (const RECT &r : strips) {
    if (!IsEmptyRect(r)) {
      parts.push_back(r);
    }
  }
  return parts;
}

} // namespace platform
