// The browser's front end: the page (page/app.js) queues its events in JavaScript;
// the host puts them on the device's timeline when the program waits, and sleeps
// through ASYNCIFY.
#include "host/web/web_host.h"

#include <emscripten.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "aygshell/keys.h"
#include "device/device.h"

namespace platform {
namespace {

// Sleeps `ms` milliseconds or until the page calls Module.bjWake() (an event).
EM_JS(void, bj_wait, (double ms), {
  Asyncify.handleSleep(function(wakeUp) {
    var done = false;
    var timer = 0;
    var finish = function() {
      if (done)
        return;
      done = true;
      clearTimeout(timer);
      Module.bjWake = null;
      wakeUp();
    };
    timer = setTimeout(finish, ms);
    Module.bjWake = finish;
  });
});

// Takes the next event the page queued: its name into `name` (`size` bytes with
// the terminator) and its two numbers into values[0] and values[1]; 0 when there
// is none.
EM_JS(int, bj_next_event, (char *name, int size, int *values), {
  var queue = Module.bjEvents;
  if (!queue || queue.length == 0)
    return 0;
  var e = queue.shift();
  stringToUTF8(String(e[0]), name, size);
  HEAP32[values >> 2] = e[1];
  HEAP32[(values >> 2) + 1] = e[2];
  return 1;
});

EM_JS(int, bj_page_visible, (), { return document.visibilityState == 'visible' ? 1 : 0; });

// 1 when the page is wider than high, 0 when higher, -1 when it has no say.
EM_JS(int, bj_page_landscape, (), {
  if (!Module.bjFollowOrientation)
    return -1;
  return window.innerWidth > window.innerHeight ? 1 : 0;
});

EM_JS(void, bj_show_frame, (const std::uint32_t *rgba, int width, int height), {
  Module.bjShowFrame(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
});

// The shell's key highlight for the page to draw over the frame, in device pixels;
// an empty rectangle when none is shown.
EM_JS(void, bj_show_highlight, (int left, int top, int right, int bottom),
      { Module.bjShowHighlight(left, top, right, bottom); });

// The longest the host sleeps before it looks at the page again; the page's events,
// its turns and its hiding wake it sooner.
constexpr std::uint64_t kLongestSleepMs = 1000;

// An event as the page (page/app.js) queues it: a name and two numbers, a pen's
// device pixel, a key's virtual-key code, or the wheel's turn.
struct PageEvent {
  char name[16] = {};
  int values[2] = {0, 0};
};

bool NextPageEvent(PageEvent *event) {
  return bj_next_event(event->name, sizeof(event->name), event->values) != 0;
}

// The page's event as the user's input, or none for one that is not (a pen off the
// screen, a name the page should not have used). A pen that the page took away for
// a gesture of the browser's ("pencancel") is lifted just off the screen's left
// edge: what it pressed lets go without acting.
std::optional<InputEvent> PageInput(const PageEvent &event) {
  static constexpr struct {
    const char *name;
    InputKind kind;
  } kNames[] = {
      {"pendown", InputKind::PenDown}, {"penmove", InputKind::PenMove}, {"penup", InputKind::PenUp},
      {"keydown", InputKind::KeyDown}, {"keyup", InputKind::KeyUp},     {"wheel", InputKind::Wheel},
  };
  const auto [a, b] = event.values;
  const Device &device = CurrentDevice();
  if (std::strcmp(event.name, "pencancel") == 0) {
    return InputEvent{InputKind::PenUp, POINT{-1, std::clamp(b, 0, device.ScreenHeight() - 1)}};
  }
  const auto *named = std::find_if(std::begin(kNames), std::end(kNames), [&](const auto &n) {
    return std::strcmp(n.name, event.name) == 0;
  });
  if (named == std::end(kNames)) {
    return std::nullopt;
  }
  switch (named->kind) {
  case InputKind::KeyDown:
  case InputKind::KeyUp:
    return InputEvent{named->kind, {}, static_cast<UINT>(a)};
  case InputKind::Wheel:
    return InputEvent{named->kind, {}, 0, a};
  default:
    break;
  }
  if (a < 0 || a >= device.ScreenWidth() || b < 0 || b >= device.ScreenHeight()) {
    return std::nullopt;
  }
  return InputEvent{named->kind, POINT{a, b}};
}

} // namespace

void WebHost::WaitUntilVisible() {
  while (bj_page_visible() == 0) {
    bj_wait(static_cast<double>(kLongestSleepMs));
  }
}

void WebHost::WaitForRestart() {
  bool hidden = false;
  for (;;) {
    hidden = hidden || bj_page_visible() == 0;
    if (hidden && bj_page_visible() != 0) {
      return;
    }
    PageEvent event;
    while (NextPageEvent(&event)) {
      if (std::strcmp(event.name, "penup") == 0) {
        return;
      }
    }
    bj_wait(static_cast<double>(kLongestSleepMs));
  }
}

void WebHost::Replay(ScriptReader *script) { replay_ = std::make_unique<RecordedInput>(script); }

void WebHost::TakeEvents() {
  if (bj_page_visible() == 0) {
    if (!closeSent_) {
      // A hidden page may be discarded without a word: close the program as the
      // device's shell would, so that it stores what it keeps.
      closeSent_ = true;
      timeline_.AddNow(InputEvent{InputKind::Close});
    }
    return;
  }
  const Device &device = CurrentDevice();
  const int landscape = bj_page_landscape();
  // A turn waiting on the timeline has not reached the screen yet.
  if (!replay_ && !timeline_.HasPending() && landscape >= 0 &&
      device.ScreenWidth() != device.ScreenHeight() &&
      (landscape == 1) != (device.ScreenWidth() > device.ScreenHeight())) {
    timeline_.AddNow(InputEvent{InputKind::Turn});
  }
  PageEvent event;
  while (NextPageEvent(&event)) {
    // A replay's pen and keys are the recording's.
    if (const std::optional<InputEvent> input = PageInput(event); input && !replay_) {
      timeline_.AddNow(*input);
    }
  }
}

// Takes in the page's events, then steps the timeline; sleeps once when nothing is
// due, and steps again.
void WebHost::WaitForEvents(std::uint64_t deadlineMs) {
  for (bool slept = false;; slept = true) {
    TakeEvents();
    if (replay_) {
      replay_->FeedInto(&timeline_);
    }
    std::uint64_t sleepMs = 0;
    const bool stepped = timeline_.Step(deadlineMs, &sleepMs);
    ShowHighlight();
    if (stepped || slept) {
      return;
    }
    bj_wait(static_cast<double>(std::min(sleepMs, kLongestSleepMs)));
  }
}

// The highlight moves only with the input the timeline hands on, or with the
// picture (a turn); the page hears of it when it changed.
void WebHost::ShowHighlight() {
  RECT spot{};
  if (!shell::KeyHighlight(&spot)) {
    spot = RECT{};
  }
  if (spot.left != shownHighlight_.left || spot.top != shownHighlight_.top ||
      spot.right != shownHighlight_.right || spot.bottom != shownHighlight_.bottom) {
    shownHighlight_ = spot;
    bj_show_highlight(spot.left, spot.top, spot.right, spot.bottom);
  }
}

void WebHost::Present(const Frame &frame) {
  // The screen is 0x00RRGGBB; a canvas takes R, G, B, A bytes. A plain loop over
  // the pixels: the page's program is built for size, without inlining, where
  // iterators would cost a call for every pixel.
  const auto count = static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
  rgba_.resize(count);
  const std::uint32_t *from = frame.pixels;
  std::uint32_t *to = rgba_.data();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = from[i];
    to[i] = 0xFF000000U | ((p & 0xFFU) << 16) | (p & 0xFF00U) | ((p >> 16) & 0xFFU);
  }
  bj_show_frame(to, frame.width, frame.height);
  ShowHighlight();
}

} // namespace platform
