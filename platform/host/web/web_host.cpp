// The browser's front end: the page (page/app.js) queues its events in JavaScript;
// the host puts them on the device's timeline when the program waits, and sleeps
// through ASYNCIFY.
#include "host/web/web_host.h"

#include <emscripten.h>

#include <algorithm>

#include "device/device.h"
#include "user/compositor.h"

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

// The next queued event as its kind (0: none) with two numbers in out[0], out[1].
EM_JS(int, bj_next_event, (int *out), {
  var queue = Module.bjEvents;
  if (!queue || queue.length == 0)
    return 0;
  var e = queue.shift();
  HEAP32[out >> 2] = e[1];
  HEAP32[(out >> 2) + 1] = e[2];
  return e[0];
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

// The event kinds app.js queues, with their numbers.
enum PageEvent { kPenDown = 1, kPenMove = 2, kPenUp = 3, kKeyDown = 4, kKeyUp = 5, kWheel = 6 };

// The longest the host sleeps before it looks at the page again; the page's events,
// its turns and its hiding wake it sooner.
constexpr std::uint64_t kLongestSleepMs = 1000;

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
    int values[2] = {0, 0};
    while (const int kind = bj_next_event(values)) {
      if (kind == kPenUp) {
        return;
      }
    }
    bj_wait(static_cast<double>(kLongestSleepMs));
  }
}

void WebHost::Replay(ScriptReader *script) { replay_ = std::make_unique<RecordedActions>(script); }

void WebHost::TakeEvents() {
  if (bj_page_visible() == 0) {
    if (!closeSent_) {
      // A hidden page may be discarded without a word: close the program as the
      // device's shell would, so that it stores what it keeps.
      closeSent_ = true;
      timeline_.AddNow(UserAction{UserActionKind::Close, {}, 0});
    }
    return;
  }
  const Device &device = CurrentDevice();
  const int landscape = bj_page_landscape();
  // A turn waiting on the timeline has not reached the screen yet.
  if (!replay_ && !timeline_.HasPending() && landscape >= 0 &&
      device.ScreenWidth() != device.ScreenHeight() &&
      (landscape == 1) != (device.ScreenWidth() > device.ScreenHeight())) {
    timeline_.AddNow(UserAction{UserActionKind::Rotate, {}, 0});
  }
  int values[2] = {0, 0};
  while (const int kind = bj_next_event(values)) {
    const POINT point{values[0], values[1]};
    UserAction action;
    switch (kind) {
    case kPenDown:
    case kPenMove:
    case kPenUp:
      // A pen lifted just off the left edge is one the page took away for a gesture
      // of the browser's: what it pressed lets go without acting.
      if ((kind != kPenUp || point.x != -1) && (point.x < 0 || point.x >= device.ScreenWidth())) {
        continue;
      }
      if (point.y < 0 || point.y >= device.ScreenHeight()) {
        continue;
      }
      action.kind = kind == kPenDown   ? UserActionKind::PenDown
                    : kind == kPenMove ? UserActionKind::PenMove
                                       : UserActionKind::PenUp;
      action.point = point;
      break;
    case kKeyDown:
    case kKeyUp:
      action.kind = kind == kKeyDown ? UserActionKind::KeyDown : UserActionKind::KeyUp;
      action.key = static_cast<UINT>(values[0]);
      break;
    case kWheel:
      action.kind = UserActionKind::Wheel;
      action.wheel = values[0];
      break;
    default:
      continue;
    }
    // A replay's pen and keys are the recording's.
    if (!replay_) {
      timeline_.AddNow(action);
    }
  }
}

void WebHost::WaitForEvents(std::uint64_t deadlineMs) {
  PresentIfChanged(*this);
  for (;;) {
    TakeEvents();
    if (replay_) {
      replay_->FeedInto(&timeline_);
    }
    std::uint64_t sleepMs = 0;
    if (timeline_.Step(deadlineMs, &sleepMs)) {
      return;
    }
    bj_wait(static_cast<double>(std::min(sleepMs, kLongestSleepMs)));
  }
}
void WebHost::Present(const Surface &screen) {
  // The screen is 0x00RRGGBB; a canvas takes R, G, B, A bytes. A plain loop over
  // the pixels: the page's program is built for size, without inlining, where
  // iterators would cost a call for every pixel.
  const std::size_t count = screen.pixels.size();
  rgba_.resize(count);
  const std::uint32_t *from = screen.pixels.data();
  std::uint32_t *to = rgba_.data();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = from[i];
    to[i] = 0xFF000000U | ((p & 0xFFU) << 16) | (p & 0xFF00U) | ((p >> 16) & 0xFFU);
  }
  bj_show_frame(to, screen.width, screen.height);
}

} // namespace platform
