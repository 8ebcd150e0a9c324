// One pen tap through the desktop host to the frame it brings to the screen: what
// the player waits for between touching the glass and seeing the table change.
#pragma once

#include <windows.h>

#include <SDL.h>

#include <cstdint>

#include "bench/child_process.h"
#include "host/sdl_host.h"

namespace bench {

inline void PushPen(Uint32 type, int x, int y) {
  SDL_Event event{};
  event.type = type;
  event.button.button = SDL_BUTTON_LEFT;
  event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.button.x = x;
  event.button.y = y;
  SDL_PushEvent(&event);
}

struct TapTimes {
  std::int64_t totalNs = -1;  // the press pushed to the last frame handed to the display; -1: none
  std::int64_t programNs = 0; // of which dispatching the messages: the window's own work
};

// Presses and releases the pen at window pixel (x, y) and runs the host as the
// message loop does: each wait takes in one pen event and the messages it makes are
// dispatched; the wait after the release presents the frame its paint made. A
// deadline already past makes that last wait present and return without sleeping.
inline TapTimes TapToFrame(platform::SdlHost &host, int x, int y) {
  const auto dispatchAll = [] {
    const std::int64_t start = NowNs();
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&msg);
    }
    return NowNs() - start;
  };
  TapTimes times;
  const int frames = host.FramesPresented();
  const std::int64_t start = NowNs();
  PushPen(SDL_MOUSEBUTTONDOWN, x, y);
  PushPen(SDL_MOUSEBUTTONUP, x, y);
  host.WaitForEvents(platform::kNoDeadline); // the press
  times.programNs += dispatchAll();
  host.WaitForEvents(platform::kNoDeadline); // the release
  times.programNs += dispatchAll();
  host.WaitForEvents(0); // presents the new frame
  if (host.FramesPresented() > frames) {
    times.totalNs = host.LastPresentNs() - start;
  }
  return times;
}

// Drops whatever the window system queued before the measuring starts.
inline void DrainEvents() {
  SDL_Event drop;
  while (SDL_PollEvent(&drop) != 0) {
  }
}

} // namespace bench
