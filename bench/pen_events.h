// A pen press or release pushed into SDL's queue, as the desktop host would get it.
#pragma once

#include <SDL.h>

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

} // namespace bench
