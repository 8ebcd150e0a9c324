// The desktop host's edge: SDL's pen events as the device's, under SDL's dummy
// video driver in place of a display.
#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "host/sdl_host.h"
#include "testing/testing.h"

namespace {

struct Pen {
  Uint32 type; // SDL_MOUSEBUTTONDOWN, SDL_MOUSEMOTION or SDL_MOUSEBUTTONUP
  int x;       // window pixels
  int y;
};

struct Seen {
  UINT message;
  LONG x; // device pixels
  LONG y;
  bool operator==(const Seen &) const = default;
  friend std::ostream &operator<<(std::ostream &out, const Seen &s) {
    return out << "message " << s.message << " at (" << s.x << ", " << s.y << ")";
  }
};

SDL_Event MouseEvent(const Pen &pen) {
  SDL_Event event{};
  event.type = pen.type;
  if (pen.type == SDL_MOUSEMOTION) {
    event.motion.x = pen.x;
    event.motion.y = pen.y;
  } else {
    event.button.button = SDL_BUTTON_LEFT;
    event.button.x = pen.x;
    event.button.y = pen.y;
  }
  return event;
}

// A press off the picture is no tap; once down, the pen follows the mouse to the
// screen's edge, and a release anywhere (over the letter-box, or outside the window
// while the button is held) lifts it there, so no pen stays down in the device.
TEST(DesktopPen, APressOnThePictureIsLiftedWhereverTheButtonIsReleased) {
  platform::test::ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
  platform::test::HeadlessDevice device;
  std::string error;
  auto host = platform::SdlHost::Open(1, &error); // the 240x320 screen, pixel for pixel
  ASSERT_TRUE(host) << error;
  ValidateRect(platform::test::CreatePlainWindow(), nullptr); // only the pen is queued
  struct Case {
    const char *what;
    std::vector<Pen> pens;
    std::vector<Seen> seen;
  };
  const Case cases[] = {
      {"released below and left of the window",
       {{SDL_MOUSEBUTTONDOWN, 10, 100}, {SDL_MOUSEBUTTONUP, -30, 500}},
       {{WM_LBUTTONDOWN, 10, 100}, {WM_LBUTTONUP, 0, 319}}},
      {"dragged off the right edge and released there",
       {{SDL_MOUSEBUTTONDOWN, 10, 100}, {SDL_MOUSEMOTION, 300, 50}, {SDL_MOUSEBUTTONUP, 300, 50}},
       {{WM_LBUTTONDOWN, 10, 100}, {WM_MOUSEMOVE, 239, 50}, {WM_LBUTTONUP, 239, 50}}},
      {"pressed off the picture",
       {{SDL_MOUSEBUTTONDOWN, -5, 100}, {SDL_MOUSEBUTTONUP, 10, 100}},
       {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    for (const Pen &pen : c.pens) {
      host->Handle(MouseEvent(pen));
    }
    std::vector<Seen> seen;
    for (std::size_t i = 0; i < c.pens.size(); ++i) {
      host->WaitForEvents(platform::kNoDeadline); // one event on, or a short sleep
      MSG msg{};
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        seen.push_back(Seen{msg.message, msg.pt.x, msg.pt.y});
      }
    }
    EXPECT_EQ(seen, c.seen);
  }
}

} // namespace
