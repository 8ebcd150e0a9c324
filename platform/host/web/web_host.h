// The browser's front end: the device screen on the page's canvas, pointer
// events as the pen, the page's orientation as the screen's, the page hidden as
// the user closing the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "device/host.h"
#include "host/replay.h"
#include "host/timeline.h"

namespace platform {

class WebHost : public Host {
public:
  // Waits without blocking the page (the program's stack is put aside while the
  // browser runs), woken by the page's events or at the deadline.
  void Present(const Frame &frame) override;
  void WaitForEvents(std::uint64_t deadlineMs) override;

  // Plays a recorded game at its own pace instead of the page's pen and keys, on
  // the recording's screen, which then no longer follows the page's orientation.
  // The reader is not owned.
  void Replay(ScriptReader *script);

  // Returns once the page is shown (at once when it is).
  static void WaitUntilVisible();
  // After the program ended: returns once the page has been hidden and shown
  // again, or tapped.
  static void WaitForRestart();

private:
  // Puts the page's pending events on the timeline, as the user's input.
  void TakeEvents();
  // Tells the page where the key highlight is when that changed.
  void ShowHighlight();

  std::vector<std::uint32_t> rgba_;
  Timeline timeline_;
  std::unique_ptr<RecordedInput> replay_;
  bool closeSent_ = false;
  RECT shownHighlight_{};
};

} // namespace platform
