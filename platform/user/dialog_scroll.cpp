// Scrolling for dialogs whose controls reach below their bottom, as a portrait
// layout does on a landscape screen: the pen drags the content or the scroll bar's
// thumb, a tap on the bar's track pages, the wheel and the keys scroll by lines.
#include <algorithm>

#include "user/control_draw.h"
#include "user/dialog.h"
#include "user/window.h"

namespace platform {
namespace {

constexpr COLORREF kTrack = RGB(224, 224, 224);
constexpr COLORREF kThumb = RGB(128, 128, 128);
constexpr int kBarLogicalWidth = 6;
// The pen finds the bar a little wider than it is drawn.
constexpr int kBarReachLogical = 12;
constexpr int kLinesPerNotch = 3;

int ClientHeight(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  return static_cast<int>(client.bottom);
}

// The bar's track and thumb in client coordinates.
struct Bar {
  RECT track;
  int thumbTop;
  int thumbHeight;
};

Bar BarOf(HWND dialog, const DialogInfo &info) {
  RECT client{};
  GetClientRect(dialog, &client);
  const int height = static_cast<int>(client.bottom);
  const int content = height + info.scrollRange;
  const int thumb =
      std::min(height, std::max(ControlPainter::Scale(12), height * height / content));
  const int top = info.scrollRange > 0 ? (height - thumb) * info.scrollY / info.scrollRange : 0;
  return Bar{RECT{client.right - ControlPainter::Scale(kBarLogicalWidth), 0, client.right, height},
             top, thumb};
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

// How far down a control shows anything, from its top: a static's text may end well
// above its rectangle, and an empty part of a rectangle is nothing to scroll to.
LONG ShownHeight(const Window &control) {
  const LONG height = control.rect.bottom - control.rect.top;
  return control.className == kStaticClassName ? std::min(height, StaticShownHeight(control.handle))
                                               : height;
}

void StartDrag(HWND dialog, DialogInfo &info, DialogInfo::Drag drag, int y) {
  info.drag = drag;
  info.dragFromY = y;
  info.dragFromScroll = info.scrollY;
  SetCapture(dialog);
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
      bottom =
          std::max(bottom, child->rect.top + ShownHeight(*child) - self->rect.top + info->scrollY);
    }
  }
  const int content = static_cast<int>(bottom) + ControlPainter::Scale(4);
  const int range = std::max(0, content - ClientHeight(dialog));
  if (range != info->scrollRange) {
    info->scrollRange = range;
    InvalidateRect(dialog, nullptr, TRUE); // the bar comes or goes
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
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  const Bar bar = BarOf(dialog, *info);
  switch (msg) {
  case WM_LBUTTONDOWN:
    if (x < bar.track.right - ControlPainter::Scale(kBarReachLogical)) {
      StartDrag(dialog, *info, DialogInfo::Drag::Content, y);
    } else if (y >= bar.thumbTop && y < bar.thumbTop + bar.thumbHeight) {
      StartDrag(dialog, *info, DialogInfo::Drag::Thumb, y);
    } else {
      // A tap on the track above or below the thumb turns a page, keeping a line.
      const int page = std::max(1, ClientHeight(dialog) - static_cast<int>(info->baseUnits.cy));
      ScrollTo(dialog, *info, info->scrollY + (y < bar.thumbTop ? -page : page));
    }
    break;
  case WM_MOUSEMOVE:
  case WM_LBUTTONUP:
    if (info->drag == DialogInfo::Drag::Content) {
      // The content follows the pen: dragging up shows what lies below.
      ScrollTo(dialog, *info, info->dragFromScroll + info->dragFromY - y);
    } else if (info->drag == DialogInfo::Drag::Thumb) {
      // The thumb follows the pen along the track.
      const int travel = bar.track.bottom - bar.thumbHeight;
      if (travel > 0) {
        ScrollTo(dialog, *info,
                 info->dragFromScroll + (y - info->dragFromY) * info->scrollRange / travel);
      }
    }
    if (msg == WM_LBUTTONUP && info->drag != DialogInfo::Drag::None) {
      info->drag = DialogInfo::Drag::None;
      ReleaseCapture();
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

void ScrollByWheel(HWND dialog, int delta) {
  DialogInfo *info = FindDialog(dialog);
  if (info == nullptr || info->scrollRange == 0) {
    return;
  }
  // Turned away from the user, the wheel shows what lies above. Part notches of a
  // fine wheel add up until they make a pixel.
  info->wheelRest += delta * kLinesPerNotch * static_cast<int>(info->baseUnits.cy);
  const int pixels = info->wheelRest / WHEEL_DELTA;
  info->wheelRest -= pixels * WHEEL_DELTA;
  ScrollTo(dialog, *info, info->scrollY - pixels);
}

void PaintScrollIndicator(HWND dialog, HDC dc) {
  const DialogInfo *info = FindDialog(dialog);
  if (info == nullptr || info->scrollRange == 0) {
    return;
  }
  const Bar bar = BarOf(dialog, *info);
  ControlPainter painter(dc);
  painter.Fill(bar.track, kTrack);
  painter.Fill(RECT{bar.track.left + ControlPainter::Line(), bar.thumbTop,
                    bar.track.right - ControlPainter::Line(), bar.thumbTop + bar.thumbHeight},
               kThumb);
}

} // namespace platform
