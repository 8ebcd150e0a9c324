// The browser's front end: the device screen on the page's canvas, pointer
// events as the pen, the page's orientation as the screen's, the page hidden as
// the user closing the program.
#pragma once

#include <cstdint>
#include <vector>

#include "device/host.h"

namespace platform {

class WebHost : public Host {
public:
  WebHost();

  // Waits without blocking the page (the program's stack is put aside while the
  // browser runs), woken by the page's events or at the deadline.
  void WaitForEvents(std::uint64_t deadlineMs) override;
  void Present(const Surface &screen) override;

  // Returns once the page is shown (at once when it is).
  static void WaitUntilVisible();
  // After the program ended: returns once the page has been hidden and shown
  // again, or tapped.
  static void WaitForRestart();

private:
  // Hands the page's pending events to the device; true when the program has
  // something to do now.
  bool TakeEvents();
  void SyncVirtualClock();

  std::vector<std::uint32_t> rgba_;
  std::int64_t lastRealMs_ = 0;
  bool closeSent_ = false;
};

} // namespace platform
