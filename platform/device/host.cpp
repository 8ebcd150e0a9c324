// The host in use, and the null host that stands in when no front end is attached.
#include "device/host.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "device/device.h"

namespace platform {
namespace {
Host *attached = nullptr;
} // namespace

void NullHost::WaitForEvents(std::uint64_t deadlineMs) {
  if (deadlineMs == kNoDeadline) {
    std::fprintf(stderr, "GetMessageW: the queue is empty, no timer runs and no host can "
                         "deliver input: the loop would wait forever\n");
    std::abort();
  }
  Device &device = CurrentDevice();
  const std::uint64_t now = device.NowMs();
  if (deadlineMs <= now) {
    return;
  }
  if (device.Config().virtualClock) {
    device.AdvanceMs(deadlineMs - now);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(deadlineMs - now));
  }
}

Host &CurrentHost() {
  static NullHost null;
  return attached != nullptr ? *attached : null;
}

void SetCurrentHost(Host *host) { attached = host; }

} // namespace platform
