// The host interface: what the message loop needs from the program around the
// device (a desktop window or a script), and the host in use.
#pragma once

#include <cstdint>
#include <limits>

#include "gdi/surface.h"

namespace platform {

inline constexpr std::uint64_t kNoDeadline = std::numeric_limits<std::uint64_t>::max();

class Host {
public:
  virtual ~Host() = default;

  // Called by GetMessageW when no message is ready. Returns when input has been
  // queued, a message posted, or the device clock has reached `deadlineMs` (the
  // next timer; kNoDeadline when none runs), whichever comes first; it may
  // return early, and the loop then asks again. A host presents the screen here
  // when it changed (PresentIfChanged).
  virtual void WaitForEvents(std::uint64_t deadlineMs) = 0;

  // Shows a frame of the device screen.
  virtual void Present(const Surface &screen) = 0;
};

// The host the message loop waits on; null in tests that drive the queue
// themselves, where the loop moves the virtual clock to the next timer instead.
Host *CurrentHost();
// Installs a host (not owned); pass null to remove it.
void SetCurrentHost(Host *host);

// Answers the requests of other starts on the same profile that are waiting on
// the single-instance service, without blocking. Returns true when one of them
// brought a window of this process to the front.
bool ServeInstanceRequests();

// Composes the windows into the screen and presents it when anything changed
// (user/compositor.cpp)
// since the last frame; returns true when a frame was presented.
bool PresentIfChanged(Host &host);

} // namespace platform
