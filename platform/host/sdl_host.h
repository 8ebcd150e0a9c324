// The desktop host: the device screen in an SDL2 window, the mouse or touch as the pen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/host.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace platform {

class SdlHost : public Host {
public:
  // Opens the window at `zoom` (0: the largest whole zoom that fits the
  // desktop). Null with a one-line reason when there is no display.
  static std::unique_ptr<SdlHost> Open(int zoom, std::string *error);
  ~SdlHost() override;
  SdlHost(const SdlHost &) = delete;
  SdlHost &operator=(const SdlHost &) = delete;

  // Shows `text` in a message box over the window until the player closes it:
  // for what goes wrong as the program ends. A close signal then ends it at once.
  void ShowError(const std::string &text);

  void WaitForEvents(std::uint64_t deadlineMs) override;
  void Present(const Surface &screen) override;

  // Frames shown so far, and when the last one was handed to the display
  // (steady clock, nanoseconds): for measuring the way from input to screen.
  int FramesPresented() const { return frames_; }
  std::int64_t LastPresentNs() const { return lastPresentNs_; }
  // Handles one SDL event as the host does in its wait (public for benchmarks).
  void Handle(const SDL_Event &event);

private:
  SdlHost() = default;
  // Where the device screen lies in the window's drawable area, and its scale.
  void Layout(int *x, int *y, double *scale) const;
  bool ToDevice(int windowX, int windowY, POINT *device) const;
  void Pen(int kind, int windowX, int windowY);
  void ResizeForScreen();
  void RepeatLastFrame();
  void SyncVirtualClock();
  void FollowApplication();

  SDL_Window *window_ = nullptr;
  SDL_Renderer *renderer_ = nullptr;
  SDL_Texture *texture_ = nullptr;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  int zoom_ = 1;
  bool penDown_ = false;
  std::int64_t lastRealMs_ = 0; // for a desktop run on a virtual clock (--clock)
  int frames_ = 0;
  std::int64_t lastPresentNs_ = 0;
  std::u16string shownTitle_; // of the application the desktop window stands for
  const void *shownIcon_ = nullptr;
};

} // namespace platform
