// Scrolling for dialogs whose controls reach below their bottom, as a portrait
// layout does on a landscape screen: the pen drags the content, keys bring the
// focused control into view, and a thin bar shows where the view is.
#include <algorithm>

#include "user/control_draw.h"
#include "user/dialog.h"
#include "user/window.h"

namespace platform {
namespace {

constexpr COLORREF kIndicator = RGB(128, 128, 128);

int ClientHeight(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  return static_cast<int>(client.bottom);
}

// Moves every control by the change of scroll position and repaints the dialog.
void ScrollTo(HWND dialog, DialogInfo &info, int y) {
  const int target = std::clamp(y, 0, info.scrollRange);
  const int delta = target - info.scrollY;
  if (delta == 0) {
    return;
  }
  info.scrollY = target;
  const Window *self = FindWindowObject(dialog);
  for (Window *child : ChildrenOf(dialog)) {
    const RECT r = child->rect;
    MoveWindow(child->handle, r.left - self->rect.left, r.top - self->rect.top - delta,
               r.right - r.left, r.bottom - r.top, TRUE);
  }
  InvalidateRect(dialog, nullptr, TRUE);
}

} // namespace

void UpdateScrollRange(HWND dialog) {
  DialogInfo *info = FindDialog(dialog);
  const Window *self = FindWindowObject(dialog);
  if (info == nullptr || self == nullptr) {
    return;
  }
  LONG bottom = 0;
  for (const Window *child : ChildrenOf(dialog)) {
    if (child->visible) {
      bottom = std::max(bottom, child->rect.bottom - self->rect.top + info->scrollY);
    }
  }
  const int content = static_cast<int>(bottom) + ControlPainter::Scale(4);
  const int range = std::max(0, content - ClientHeight(dialog));
  if (range != info->scrollRange) {
    info->scrollRange = range;
    InvalidateRect(dialog, nullptr, TRUE); // the indicator comes or goes
  }
  ScrollTo(dialog, *info, info->scrollY);
}

void ScrollIntoView(HWND dialog, HWND control) {
  DialogInfo *info = FindDialog(dialog);
  const Window *self = FindWindowObject(dialog);
  const Window *w = FindWindowObject(control);
  if (info == nullptr || self == nullptr || w == nullptr || info->scrollRange == 0) {
    return;
  }
  const int margin = ControlPainter::Scale(4);
  const int top = static_cast<int>(w->rect.top - self->rect.top);
  const int bottom = static_cast<int>(w->rect.bottom - self->rect.top);
  if (top < margin) {
    ScrollTo(dialog, *info, info->scrollY + top - margin);
  } else if (bottom > ClientHeight(dialog) - margin) {
    ScrollTo(dialog, *info, info->scrollY + bottom - ClientHeight(dialog) + margin);
  }
}

void DialogPen(HWND dialog, UINT msg, LPARAM lParam) {
  DialogInfo *info = FindDialog(dialog);
  if (info == nullptr || info->scrollRange == 0) {
    return;
  }
  const int y = static_cast<short>(HIWORD(lParam));
  switch (msg) {
  case WM_LBUTTONDOWN:
    info->dragging = true;
    info->dragFromY = y;
    info->dragFromScroll = info->scrollY;
    SetCapture(dialog);
    break;
  case WM_MOUSEMOVE:
  case WM_LBUTTONUP:
    if (info->dragging) {
      // The content follows the pen: dragging up shows what lies below.
      ScrollTo(dialog, *info, info->dragFromScroll + info->dragFromY - y);
      if (msg == WM_LBUTTONUP) {
        info->dragging = false;
        ReleaseCapture();
      }
    }
    break;
  default:
    break;
  }
}

bool ScrollByKey(HWND dialog, WPARAM key) {
  DialogInfo *info = FindDialog(dialog);
  if (info == nullptr || info->scrollRange == 0 || (key != VK_UP && key != VK_DOWN)) {
    return false;
  }
  const int line = static_cast<int>(info->baseUnits.cy);
  ScrollTo(dialog, *info, info->scrollY + (key == VK_UP ? -line : line));
  return true;
}

void PaintScrollIndicator(HWND dialog, HDC dc) {
  const DialogInfo *info = FindDialog(dialog);
  if (info == nullptr || info->scrollRange == 0) {
    return;
  }
  RECT client{};
  GetClientRect(dialog, &client);
  const int height = static_cast<int>(client.bottom);
  const int content = height + info->scrollRange;
  const int thumb = std::max(ControlPainter::Scale(12), height * height / content);
  const int top = (height - thumb) * info->scrollY / info->scrollRange;
  const int width = ControlPainter::Scale(3);
  ControlPainter(dc).Fill(RECT{client.right - width - ControlPainter::Line(), top,
                               client.right - ControlPainter::Line(), top + thumb},
                          kIndicator);
}

} // namespace platform
