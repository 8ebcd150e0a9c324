// The host interface: what the message loop needs from the front end around the
// device (a desktop window, a page, a script), and the host in use. A front end
// is input and output alone: it queues the user's input (user/input.h) and shows
// the frames the loop gives it.
#pragma once

#include <cstdint>
#include <limits>

namespace platform {

inline constexpr std::uint64_t kNoDeadline = std::numeric_limits<std::uint64_t>::max();

// A frame of the device screen: width x height pixels, 0x00RRGGBB, rows top to
// bottom with no padding. The pixels are the layer's: they stay as they are until
// the loop presents the next frame.
struct Frame {
  const std::uint32_t *pixels = nullptr;
  int width = 0;
  int height = 0;
};

class Host {
public:
  virtual ~Host() = default;

  // Shows a frame of the device screen. GetMessageW calls it before it waits,
  // when the screen changed since the last frame.
  virtual void Present(const Frame &frame) = 0;

  // Called by GetMessageW when no message is ready. Returns when input has been
  // queued, or the device clock has reached `deadlineMs` (the next timer;
  // kNoDeadline when none runs), whichever comes first. It may return early, and
  // the loop then does its idle work and asks again: a front end that sleeps
  // returns after each sleep, so that the idle work runs between them.
  virtual void WaitForEvents(std::uint64_t deadlineMs) = 0;
};

// The host used when no front end is attached (tests that drive the queue
// themselves): it shows nothing and moves the clock on to the next timer. With
// no timer running nothing could ever arrive, so it stops the program with a
// message instead of hanging.
class NullHost : public Host {
public:
  void Present(const Frame &) override {}
  void WaitForEvents(std::uint64_t deadlineMs) override;
};

// The host the message loop waits on: the attached front end, else a NullHost.
Host &CurrentHost();
// Attaches a front end (not owned); null detaches it.
void SetCurrentHost(Host *host);

} // namespace platform
