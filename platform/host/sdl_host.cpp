// The desktop host on SDL2: zoomed, letter-boxed presentation, pen, keys, F9, F11.
#include "host/sdl_host.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "aygshell/keys.h"
#include "device/device.h"
#include "host/close_signals.h"
#include "kernel/module.h"
#include "user/window.h"

namespace platform {
namespace {

// The longest the host sleeps in one go, so that the loop's idle work (a start
// waiting on the single-instance service, a close signal) is done promptly while
// the program idles.
constexpr std::uint32_t kLongestSleepMs = 100;

struct KeyMapping {
  SDL_Keycode sdl;
  UINT vk;
};

constexpr KeyMapping kKeys[] = {
    {SDLK_RETURN, VK_RETURN}, {SDLK_KP_ENTER, VK_RETURN}, {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},   {SDLK_TAB, VK_TAB},         {SDLK_BACKSPACE, VK_BACK},
    {SDLK_LEFT, VK_LEFT},     {SDLK_RIGHT, VK_RIGHT},     {SDLK_UP, VK_UP},
    {SDLK_DOWN, VK_DOWN},     {SDLK_LCTRL, VK_CONTROL},   {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LSHIFT, VK_SHIFT},  {SDLK_RSHIFT, VK_SHIFT},    {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},     {SDLK_F1, VK_F1},           {SDLK_F2, VK_F1 + 1},
    {SDLK_F3, VK_F1 + 2},     {SDLK_F4, VK_F1 + 3},       {SDLK_F5, VK_F1 + 4},
    {SDLK_F6, VK_F1 + 5},     {SDLK_F7, VK_F1 + 6},       {SDLK_F8, VK_F1 + 7},
    {SDLK_F10, VK_F10},       {SDLK_F12, VK_F12},
};

struct ButtonMapping {
  SDL_GameControllerButton sdl;
  UINT vk;
};

constexpr ButtonMapping kButtons[] = {
    {SDL_CONTROLLER_BUTTON_A, VK_GAMEPAD_A},
    {SDL_CONTROLLER_BUTTON_B, VK_GAMEPAD_B},
    {SDL_CONTROLLER_BUTTON_X, VK_GAMEPAD_X},
    {SDL_CONTROLLER_BUTTON_Y, VK_GAMEPAD_Y},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, VK_GAMEPAD_LEFT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, VK_GAMEPAD_RIGHT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_DPAD_UP, VK_GAMEPAD_DPAD_UP},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, VK_GAMEPAD_DPAD_DOWN},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, VK_GAMEPAD_DPAD_LEFT},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, VK_GAMEPAD_DPAD_RIGHT},
    {SDL_CONTROLLER_BUTTON_START, VK_GAMEPAD_MENU},
    {SDL_CONTROLLER_BUTTON_BACK, VK_GAMEPAD_VIEW},
};

// The left stick stands for the pad: pushed past the first mark it presses the
// pad's way, back within the second it lets go, so a stick resting near the mark
// does not chatter.
constexpr int kStickPressed = 16000;
constexpr int kStickReleased = 8000;

// The highlight's frame: two device pixels wide, in a yellow that stands out on the
// green table and the blue bar alike.
constexpr int kHighlightLine = 2;
constexpr SDL_Color kHighlightColour{255, 214, 0, 255};

// The virtual key of an SDL key, or 0 for one the device has no use for.
UINT VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) {
    return static_cast<UINT>('A' + (key - SDLK_a));
  }
  if (key >= SDLK_0 && key <= SDLK_9) {
    return static_cast<UINT>('0' + (key - SDLK_0));
  }
  for (const KeyMapping &k : kKeys) {
    if (k.sdl == key) {
      return k.vk;
    }
  }
  return 0;
}

// Where windows may go on the display that `window` is on (the first display before
// there is a window), less the frame the window manager puts around `window`.
SDL_Rect UsableRoom(SDL_Window *window) {
  const int display = window != nullptr ? std::max(0, SDL_GetWindowDisplayIndex(window)) : 0;
  SDL_Rect room{0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(display, &room) != 0) {
    const Device &device = CurrentDevice();
    room = SDL_Rect{0, 0, device.ScreenWidth(), device.ScreenHeight()};
  }
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;
  if (window != nullptr && SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0) {
    room = SDL_Rect{room.x + left, room.y + top, room.w - left - right, room.h - top - bottom};
  }
  return room;
}

// The largest whole zoom at which a picture of width x height fits `room`; at least 1.
int FittingZoom(const SDL_Rect &room, int width, int height) {
  return std::max(1, std::min(room.w / width, room.h / height));
}

// The size the window system itself gives `window` (SDL's own record can believe a
// request that nobody carried out); false where only SDL's record can be had.
bool SizeOnScreen(SDL_Window *window, int *width, int *height) {
#ifdef SDL_VIDEO_DRIVER_X11
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  XWindowAttributes attributes{};
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11 &&
      XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) != 0) {
    *width = attributes.width;
    *height = attributes.height;
    return true;
  }
#else
  static_cast<void>(window);
  static_cast<void>(width);
  static_cast<void>(height);
#endif
  return false;
}

} // namespace

std::unique_ptr<SdlHost> SdlHost::Open(int zoom, std::string *error) {
  // Touch is handled as touch: SDL must not also turn it into mouse events. The
  // close signals are the host's (close_signals.h): SDL must not turn SIGINT and
  // SIGTERM into a quit event of its own.
  SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  const char *noDisplay =
      "no display available; run `blackjack --headless --script FILE` to play without one";
  // Without a display to name, SDL would probe every back end (some of them print
  // complaints of their own) and settle on one that shows nothing.
  if (SDL_getenv("DISPLAY") == nullptr && SDL_getenv("WAYLAND_DISPLAY") == nullptr &&
      SDL_getenv("SDL_VIDEODRIVER") == nullptr) {
    *error = noDisplay;
    return nullptr;
  }
  // A gamepad is welcome but not needed: without its subsystem the keys still play.
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    *error = std::string("no display available (") + SDL_GetError() +
             "); run `blackjack --headless --script FILE` to play without one";
    return nullptr;
  }
  // Without a display SDL falls back to drivers that show nothing; a window nobody
  // can see is no desktop, unless such a driver was asked for by name.
  const std::string driver = SDL_GetCurrentVideoDriver();
  if ((driver == "offscreen" || driver == "dummy") && SDL_getenv("SDL_VIDEODRIVER") == nullptr) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    *error = noDisplay;
    return nullptr;
  }
  std::unique_ptr<SdlHost> host(new SdlHost);
  const Device &device = CurrentDevice();
  host->zoom_ = zoom > 0
                    ? zoom
                    : FittingZoom(UsableRoom(nullptr), device.ScreenWidth(), device.ScreenHeight());
  host->window_ =
      SDL_CreateWindow("BlackJack device", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                       device.ScreenWidth() * host->zoom_, device.ScreenHeight() * host->zoom_,
                       SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
  if (host->window_ != nullptr) {
    host->renderer_ =
        SDL_CreateRenderer(host->window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (host->renderer_ == nullptr) {
      host->renderer_ = SDL_CreateRenderer(host->window_, -1, SDL_RENDERER_SOFTWARE);
    }
  }
  if (host->renderer_ == nullptr) {
    *error = std::string("cannot open a window (") + SDL_GetError() +
             "); run `blackjack --headless --script FILE` to play without one";
    return nullptr;
  }
  return host;
}

SdlHost::SdlHost() { AddDeviceListener(this); }

SdlHost::~SdlHost() {
  RemoveDeviceListener(this);
  if (texture_ != nullptr) {
    SDL_DestroyTexture(texture_);
  }
  if (renderer_ != nullptr) {
    SDL_DestroyRenderer(renderer_);
  }
  if (window_ != nullptr) {
    SDL_DestroyWindow(window_);
  }
  for (const auto &[id, pad] : pads_) {
    SDL_GameControllerClose(pad.controller);
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

std::string SdlHost::ShowError(const std::string &text) {
  // The box does not wrap: the text is broken between words into short lines.
  constexpr std::size_t kLineLength = 48;
  std::string wrapped;
  std::size_t lineStart = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    if (at > lineStart && end - lineStart > kLineLength) {
      wrapped.back() = '\n';
      lineStart = wrapped.size();
    }
    wrapped.append(text, at, end - at + 1);
    at = end + 1;
  }
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "BlackJack", wrapped.c_str(), window_) != 0) {
    return SDL_GetError();
  }
  return {};
}

void SdlHost::Layout(int *x, int *y, double *scale) const {
  int outW = 0;
  int outH = 0;
  SDL_GetRendererOutputSize(renderer_, &outW, &outH);
  const int w = ShownWidth();
  const int h = ShownHeight();
  // A whole-number zoom when the window has room for one, else a smaller fit.
  const int whole = std::min(outW / w, outH / h);
  *scale =
      whole >= 1 ? whole : std::min(static_cast<double>(outW) / w, static_cast<double>(outH) / h);
  *x = (outW - static_cast<int>(w * *scale)) / 2;
  *y = (outH - static_cast<int>(h * *scale)) / 2;
}

void SdlHost::FrontRequested() { SDL_RaiseWindow(window_); }

// The device pixel under a window position, the nearest on the screen's edge for
// one off the picture (on the letter-box, or outside the window while the button
// is held); false for such a one.
bool SdlHost::ToDevice(int windowX, int windowY, POINT *device) const {
  // Mouse positions are in window units, which may differ from drawable pixels.
  int winW = 0;
  int winH = 0;
  int outW = 0;
  int outH = 0;
  SDL_GetWindowSize(window_, &winW, &winH);
  SDL_GetRendererOutputSize(renderer_, &outW, &outH);
  const double px = winW > 0 ? static_cast<double>(windowX) * outW / winW : windowX;
  const double py = winH > 0 ? static_cast<double>(windowY) * outH / winH : windowY;
  int x = 0;
  int y = 0;
  double scale = 1;
  Layout(&x, &y, &scale);
  const double dx = std::floor((px - x) / scale);
  const double dy = std::floor((py - y) / scale);
  const Device &d = CurrentDevice();
  const double right = d.ScreenWidth() - 1;
  const double bottom = d.ScreenHeight() - 1;
  *device = POINT{static_cast<LONG>(std::clamp(dx, 0.0, right)),
                  static_cast<LONG>(std::clamp(dy, 0.0, bottom))};
  return dx >= 0 && dy >= 0 && dx <= right && dy <= bottom;
}

// The pen goes down only on the picture; once down it follows the mouse or the
// finger anywhere, kept to the screen's edge, and a release anywhere lifts it, so
// the device never keeps a pen down that the user lifted.
void SdlHost::Pen(InputKind kind, int windowX, int windowY) {
  if (replay_ != nullptr) {
    return; // a replay's pen is the recording's
  }
  POINT point{};
  const bool onPicture = ToDevice(windowX, windowY, &point);
  if (kind == InputKind::PenDown ? !onPicture : !penDown_) {
    return;
  }
  penDown_ = kind != InputKind::PenUp;
  timeline_.AddNow(InputEvent{kind, point});
}

// The picture's size in device pixels: the screen's, turned when F9 turned it.
int SdlHost::ShownWidth() const {
  const Device &device = CurrentDevice();
  return pictureTurned_ ? device.ScreenHeight() : device.ScreenWidth();
}

int SdlHost::ShownHeight() const {
  const Device &device = CurrentDevice();
  return pictureTurned_ ? device.ScreenWidth() : device.ScreenHeight();
}

void SdlHost::ResizeForScreen() {
  if (FullScreen()) {
    return;
  }
  // The zoom stays while the turned screen fits the display; else the largest that
  // fits, and the window moves as far as it must to lie wholly on the display.
  const SDL_Rect room = UsableRoom(window_);
  if (ShownWidth() * zoom_ > room.w || ShownHeight() * zoom_ > room.h) {
    zoom_ = FittingZoom(room, ShownWidth(), ShownHeight());
  }
  const int width = ShownWidth() * zoom_;
  const int height = ShownHeight() * zoom_;
  SDL_SetWindowSize(window_, width, height);
  int x = 0;
  int y = 0;
  SDL_GetWindowPosition(window_, &x, &y);
  x = std::max(room.x, std::min(x, room.x + room.w - width));
  y = std::max(room.y, std::min(y, room.y + room.h - height));
  SDL_SetWindowPosition(window_, x, y);
}

bool SdlHost::FullScreen() const {
  return coveringDisplay_ || (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
}

// Full screen is asked of the window manager. Where none grants it (a display with
// no window manager), SDL still takes the window for the whole display and would
// lay the picture out for a window the program does not have: the request is then
// taken back and the host moves and sizes the window over the display itself.
// Either way F11 again returns the window to where and how large it was.
void SdlHost::ToggleFullScreen() {
  if (FullScreen()) {
    if (!coveringDisplay_) {
      SDL_SetWindowFullscreen(window_, 0);
    }
    coveringDisplay_ = false;
    if (ShownWidth() == windowed_.shownWidth && ShownHeight() == windowed_.shownHeight) {
      SDL_SetWindowSize(window_, windowed_.width, windowed_.height);
      SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
    } else {
      ResizeForScreen(); // turned while full screen: the turned window, as F9 makes it
    }
    RepeatLastFrame();
    return;
  }
  SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
  SDL_GetWindowSize(window_, &windowed_.width, &windowed_.height);
  windowed_.shownWidth = ShownWidth();
  windowed_.shownHeight = ShownHeight();
  SDL_Rect display{};
  if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &display) != 0) {
    display = SDL_Rect{0, 0, windowed_.width, windowed_.height};
  }
  int widthBefore = 0;
  int heightBefore = 0;
  int width = 0;
  int height = 0;
  const bool known = SizeOnScreen(window_, &widthBefore, &heightBefore);
  SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  const bool unchanged = known && SizeOnScreen(window_, &width, &height) && width == widthBefore &&
                         height == heightBefore;
  if (unchanged && (width != display.w || height != display.h)) {
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowPosition(window_, display.x, display.y);
    SDL_SetWindowSize(window_, display.w, display.h);
    coveringDisplay_ = true;
  }
  RepeatLastFrame();
}

void SdlHost::Handle(const SDL_Event &event) {
  switch (event.type) {
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP:
    if (event.button.button == SDL_BUTTON_LEFT && event.button.which != SDL_TOUCH_MOUSEID) {
      Pen(event.type == SDL_MOUSEBUTTONDOWN ? InputKind::PenDown : InputKind::PenUp, event.button.x,
          event.button.y);
    }
    break;
  case SDL_MOUSEMOTION:
    if (event.motion.which != SDL_TOUCH_MOUSEID) {
      Pen(InputKind::PenMove, event.motion.x, event.motion.y);
    }
    break;
  case SDL_MOUSEWHEEL:
    if (event.wheel.which != SDL_TOUCH_MOUSEID) {
      // Notches (fractions of one from a fine wheel), positive turned away from the user.
      const float notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.preciseY
                                                                            : event.wheel.preciseY;
      const auto delta = static_cast<int>(std::lround(notches * WHEEL_DELTA));
      if (delta != 0 && replay_ == nullptr) {
        timeline_.AddNow(InputEvent{InputKind::Wheel, {}, 0, delta});
      }
    }
    break;
  case SDL_FINGERDOWN:
  case SDL_FINGERUP:
  case SDL_FINGERMOTION: {
    int winW = 0;
    int winH = 0;
    SDL_GetWindowSize(window_, &winW, &winH);
    const InputKind kind = event.type == SDL_FINGERDOWN ? InputKind::PenDown
                           : event.type == SDL_FINGERUP ? InputKind::PenUp
                                                        : InputKind::PenMove;
    Pen(kind, static_cast<int>(event.tfinger.x * static_cast<float>(winW)),
        static_cast<int>(event.tfinger.y * static_cast<float>(winH)));
    break;
  }
  case SDL_KEYDOWN:
  case SDL_KEYUP: {
    const SDL_Keycode key = event.key.keysym.sym;
    const bool down = event.type == SDL_KEYDOWN;
    if (key == SDLK_F9 || key == SDLK_F11) {
      if (down && event.key.repeat == 0) {
        if (key == SDLK_F9 && replay_ != nullptr) {
          // Turning the device would take the replay off its course: the picture turns.
          pictureTurned_ = !pictureTurned_;
          ResizeForScreen();
          RepeatLastFrame();
        } else if (key == SDLK_F9) {
          timeline_.AddNow(InputEvent{InputKind::Turn});
        } else {
          ToggleFullScreen();
        }
      }
      break;
    }
    if (const UINT vk = VirtualKey(key); vk != 0 && replay_ == nullptr) {
      timeline_.AddNow(InputEvent{down ? InputKind::KeyDown : InputKind::KeyUp, {}, vk});
    }
    break;
  }
  case SDL_CONTROLLERDEVICEADDED:
  case SDL_CONTROLLERDEVICEREMOVED:
  case SDL_CONTROLLERBUTTONDOWN:
  case SDL_CONTROLLERBUTTONUP:
  case SDL_CONTROLLERAXISMOTION:
    Pad(event);
    break;
  case SDL_QUIT:
    // Closing the desktop window is the user closing the application.
    timeline_.AddNow(InputEvent{InputKind::Close});
    break;
  case SDL_WINDOWEVENT:
    if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
        event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
      RepeatLastFrame();
    }
    break;
  default:
    break;
  }
}

// Gamepads come and go while the game runs; each button reaches the device as the
// key Windows gives it (VK_GAMEPAD_…), and the left stick as the pad's arrows.
void SdlHost::Pad(const SDL_Event &event) {
  switch (event.type) {
  case SDL_CONTROLLERDEVICEADDED:
    if (SDL_GameController *controller = SDL_GameControllerOpen(event.cdevice.which)) {
      const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
      if (pads_.count(id) != 0) {
        SDL_GameControllerClose(controller); // already open: SDL counts the opens
      } else {
        pads_[id] = PadState{controller};
      }
    }
    return;
  case SDL_CONTROLLERDEVICEREMOVED:
    if (const auto it = pads_.find(event.cdevice.which); it != pads_.end()) {
      SDL_GameControllerClose(it->second.controller);
      pads_.erase(it);
    }
    return;
  case SDL_CONTROLLERBUTTONDOWN:
  case SDL_CONTROLLERBUTTONUP:
    for (const ButtonMapping &b : kButtons) {
      if (b.sdl == event.cbutton.button) {
        PadKey(b.vk, event.type == SDL_CONTROLLERBUTTONDOWN);
      }
    }
    return;
  case SDL_CONTROLLERAXISMOTION: {
    const auto it = pads_.find(event.caxis.which);
    const bool across = event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX;
    if (it == pads_.end() || (!across && event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY)) {
      return;
    }
    UINT &pushed = across ? it->second.stickX : it->second.stickY;
    const int value = event.caxis.value;
    const UINT way = across ? (value < 0 ? VK_GAMEPAD_DPAD_LEFT : VK_GAMEPAD_DPAD_RIGHT)
                            : (value < 0 ? VK_GAMEPAD_DPAD_UP : VK_GAMEPAD_DPAD_DOWN);
    if (pushed != 0 && (std::abs(value) < kStickReleased || way != pushed)) {
      PadKey(std::exchange(pushed, 0U), false);
    }
    if (pushed == 0 && std::abs(value) >= kStickPressed) {
      pushed = way;
      PadKey(way, true);
    }
    return;
  }
  default:
    return;
  }
}

void SdlHost::PadKey(UINT vk, bool down) {
  if (replay_ == nullptr) {
    timeline_.AddNow(InputEvent{down ? InputKind::KeyDown : InputKind::KeyUp, {}, vk});
  }
}

void SdlHost::KeyHighlightChanged() { RepeatLastFrame(); }

// Takes in what SDL has, then steps the timeline; sleeps once, no longer than
// kLongestSleepMs, when nothing is due, and steps again.
void SdlHost::WaitForEvents(std::uint64_t deadlineMs) {
  for (bool slept = false;; slept = true) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
      Handle(event);
    }
    if (replay_) {
      replay_->FeedInto(&timeline_);
    }
    std::uint64_t sleepMs = 0;
    if (timeline_.Step(deadlineMs, &sleepMs) || slept) {
      return;
    }
    const auto wait = static_cast<int>(std::min<std::uint64_t>(sleepMs, kLongestSleepMs));
    if (SDL_WaitEventTimeout(&event, wait) != 0) {
      Handle(event);
    }
  }
}

void SdlHost::Present(const Frame &frame) {
  if (texture_ == nullptr || textureWidth_ != frame.width || textureHeight_ != frame.height) {
    if (texture_ != nullptr) {
      SDL_DestroyTexture(texture_);
    }
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 frame.width, frame.height);
    textureWidth_ = frame.width;
    textureHeight_ = frame.height;
  }
  if (texture_ == nullptr) {
    return;
  }
  // A turned screen turns the desktop window with it.
  if (frame.width != shownScreenWidth_ || frame.height != shownScreenHeight_) {
    if (shownScreenWidth_ != 0) {
      ResizeForScreen();
    }
    shownScreenWidth_ = frame.width;
    shownScreenHeight_ = frame.height;
  }
  SDL_UpdateTexture(texture_, nullptr, frame.pixels,
                    frame.width * static_cast<int>(sizeof(std::uint32_t)));
  FollowApplication();
  // The window appears with its first frame, so a second start that only hands
  // over to the running one never shows an empty window.
  if (frames_ == 0) {
    SDL_ShowWindow(window_);
  }
  RepeatLastFrame();
}

// The desktop window stands for the application in front, as its entry in a task
// bar would: its title, and the icon of its window class.
void SdlHost::FollowApplication() {
  const Window *app = FindWindowObject(ForegroundApplicationWindow());
  if (app == nullptr) {
    return;
  }
  if (app->title != shownTitle_) {
    shownTitle_ = app->title;
    char *title =
        SDL_iconv_string("UTF-8", "UTF-16LE", reinterpret_cast<const char *>(app->title.c_str()),
                         (app->title.size() + 1) * sizeof(char16_t));
    if (title != nullptr) {
      SDL_SetWindowTitle(window_, title);
      SDL_free(title);
    }
  }
  const IconImage *icon = FindIconImage(app->classIcon);
  if (icon == nullptr || icon == shownIcon_) {
    return;
  }
  shownIcon_ = icon;
  std::vector<std::uint32_t> argb(icon->pixels.size());
  for (std::size_t i = 0; i < argb.size(); ++i) {
    argb[i] = icon->pixels[i] | static_cast<std::uint32_t>(icon->alpha[i]) << 24;
  }
  SDL_Surface *surface = SDL_CreateRGBSurfaceWithFormatFrom(
      argb.data(), icon->width, icon->height, 32, icon->width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (surface != nullptr) {
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
  }
}

// The shell's key highlight, over the picture and never in it.
void SdlHost::DrawHighlight(int x, int y, double scale) {
  RECT spot{};
  if (!shell::KeyHighlight(&spot)) {
    return;
  }
  SDL_SetRenderDrawColor(renderer_, kHighlightColour.r, kHighlightColour.g, kHighlightColour.b,
                         kHighlightColour.a);
  const int line = std::max(1, static_cast<int>(kHighlightLine * scale));
  const int left = x + static_cast<int>(spot.left * scale);
  const int top = y + static_cast<int>(spot.top * scale);
  const int width = static_cast<int>((spot.right - spot.left) * scale);
  const int height = static_cast<int>((spot.bottom - spot.top) * scale);
  const SDL_Rect sides[] = {{left, top, width, line},
                            {left, top + height - line, width, line},
                            {left, top, line, height},
                            {left + width - line, top, line, height}};
  SDL_RenderFillRects(renderer_, sides, static_cast<int>(std::size(sides)));
}

void SdlHost::RepeatLastFrame() {
  if (texture_ == nullptr) {
    return;
  }
  int x = 0;
  int y = 0;
  double scale = 1;
  Layout(&x, &y, &scale);
  const int w = static_cast<int>(textureWidth_ * scale);
  const int h = static_cast<int>(textureHeight_ * scale);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (pictureTurned_) {
    // Turned a quarter about its centre, the picture fills the turned window.
    const int shownW = static_cast<int>(ShownWidth() * scale);
    const int shownH = static_cast<int>(ShownHeight() * scale);
    const SDL_Rect target{x + (shownW - w) / 2, y + (shownH - h) / 2, w, h};
    SDL_RenderCopyEx(renderer_, texture_, nullptr, &target, 90.0, nullptr, SDL_FLIP_NONE);
  } else {
    const SDL_Rect target{x, y, w, h};
    SDL_RenderCopy(renderer_, texture_, nullptr, &target);
    DrawHighlight(x, y, scale);
  }
  SDL_RenderPresent(renderer_);
  ++frames_;
  lastPresentNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count();
}

} // namespace platform
