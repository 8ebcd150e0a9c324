// The host interface: what the message loop needs from the program around the
// device (a desktop window, a script), and the host in use.
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
  // return early, and the loop then asks again. A front end presents the screen
  // here when it changed.
  virtual void WaitForEvents(std::uint64_t deadlineMs) = 0;

  // Shows a frame of the device screen.
  virtual void Present(const Surface &screen) = 0;
};

// The host used when no front end is attached (tests that drive the queue
// themselves): it shows nothing and moves the clock on to the next timer. With
// no timer running nothing could ever arrive, so it stops the program with a
// message instead of hanging.
class NullHost : public Host {
public:
  void WaitForEvents(std::uint64_t deadlineMs) override;
  void Present(const Surface &) override {}
};

// The host the message loop waits on: the attached front end, else a NullHost.
Host &CurrentHost();
// Attaches a front end (not owned); null detaches it.
void SetCurrentHost(Host *host);

} // namespace platform
