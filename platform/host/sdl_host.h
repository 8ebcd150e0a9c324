// The desktop host: the device screen in an SDL2 window, the mouse or touch as the pen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "device/events.h"
#include "device/host.h"
#include "host/replay.h"
#include "host/script.h"
#include "host/timeline.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct _SDL_GameController;
union SDL_Event;

namespace platform {

class SdlHost : public Host, private DeviceListener {
public:
  // Opens the window at `zoom` (0: the largest whole zoom that fits the
  // desktop). Null with a one-line reason when there is no display.
  static std::unique_ptr<SdlHost> Open(int zoom, std::string *error);
  ~SdlHost() override;
  SdlHost(const SdlHost &) = delete;
  SdlHost &operator=(const SdlHost &) = delete;

  // Shows `text` in a message box over the window until the player closes it:
  // for what goes wrong as the program ends. Returns why the box could not be
  // shown (a desktop without the X core fonts it is drawn in), or "" once it was.
  std::string ShowError(const std::string &text);

  void Present(const Frame &frame) override;
  void WaitForEvents(std::uint64_t deadlineMs) override;

  // Plays a recorded game at its own pace instead of the mouse and keys: the
  // script's inputs come in at the device times its waits give. F9 then turns only
  // the picture, F11 still shows it full screen, and closing the window closes the
  // game. The reader is not owned.
  void Replay(ScriptReader *script) { replay_ = std::make_unique<RecordedInput>(script); }

  // Frames shown so far, and when the last one was handed to the display
  // (steady clock, nanoseconds): for measuring the way from input to screen.
  int FramesPresented() const { return frames_; }
  std::int64_t LastPresentNs() const { return lastPresentNs_; }
  // Handles one SDL event as the host does in its wait (public for tests and
  // benchmarks).
  void Handle(const SDL_Event &event);

private:
  SdlHost();
  // Another start asked for the program: the desktop window comes forward too.
  void FrontRequested() override;
  // The shell's key highlight changed: the frame is shown again with it.
  void KeyHighlightChanged() override;
  void Pad(const SDL_Event &event);
  void PadKey(UINT vk, bool down);
  void DrawHighlight(int x, int y, double scale);
  // Where the device screen lies in the window's drawable area, and its scale.
  void Layout(int *x, int *y, double *scale) const;
  bool ToDevice(int windowX, int windowY, POINT *device) const;
  void Pen(InputKind kind, int windowX, int windowY);
  void ResizeForScreen();
  bool FullScreen() const;
  void ToggleFullScreen();
  void RepeatLastFrame();
  void FollowApplication();
  int ShownWidth() const;
  int ShownHeight() const;

  SDL_Window *window_ = nullptr;
  SDL_Renderer *renderer_ = nullptr;
  SDL_Texture *texture_ = nullptr;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  int shownScreenWidth_ = 0; // the screen's size at the last frame, to follow turns
  int shownScreenHeight_ = 0;
  int zoom_ = 1;
  // Full screen (F11): where the window was and how large, with the picture's size
  // then, to return to; and whether the host covers the display with the window
  // itself because no window manager granted full screen.
  struct WindowPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int shownWidth = 0;
    int shownHeight = 0;
  };
  WindowPlace windowed_;
  bool coveringDisplay_ = false;
  bool penDown_ = false;
  Timeline timeline_;
  std::unique_ptr<RecordedInput> replay_;
  bool pictureTurned_ = false; // F9 during a replay
  int frames_ = 0;
  std::int64_t lastPresentNs_ = 0;
  std::u16string shownTitle_; // of the application the desktop window stands for
  const void *shownIcon_ = nullptr;
  // The gamepads plugged in, by SDL's instance id, with the way each one's left
  // stick presses the pad (0: none).
  struct PadState {
    _SDL_GameController *controller = nullptr;
    UINT stickX = 0;
    UINT stickY = 0;
  };
  std::map<int, PadState> pads_;
};

} // namespace platform
