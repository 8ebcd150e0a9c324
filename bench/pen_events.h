// A pen tap pushed into SDL's queue, as the desktop host would get it, and the
// message loop run as the program runs it until the tap's frame is on the display.
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

inline void CALLBACK WakeUp(HWND, UINT, UINT_PTR, DWORD) {}

// Runs GetMessageW and DispatchMessageW, the host attached, until the host has
// presented a new frame; returns the time spent dispatching (the program's own
// work), or -1 when no frame came within five seconds. A timer of 1 ms on `hwnd`
// ends the wait after the frame, which the loop presents before it waits.
inline std::int64_t RunUntilFrame(const platform::SdlHost &host, HWND hwnd) {
  constexpr UINT_PTR kWakeTimer = 0xB0;
  constexpr std::int64_t kGiveUpNs = 5'000'000'000;
  const int frames = host.FramesPresented();
  const std::int64_t giveUp = NowNs() + kGiveUpNs;
  SetTimer(hwnd, kWakeTimer, 1, WakeUp);
  std::int64_t dispatchNs = 0;
  MSG msg{};
  while (host.FramesPresented() == frames && NowNs() < giveUp &&
         GetMessageW(&msg, nullptr, 0, 0) > 0) {
    const std::int64_t start = NowNs();
    DispatchMessageW(&msg);
    dispatchNs += NowNs() - start;
  }
  KillTimer(hwnd, kWakeTimer);
  return host.FramesPresented() == frames ? -1 : dispatchNs;
}

// Drops whatever the window system queued before the measuring starts.
inline void DrainEvents() {
  SDL_Event drop;
  while (SDL_PollEvent(&drop) != 0) {
  }
}

} // namespace bench
