// The host in use.
#include "host/host.h"

#include <poll.h>

#include "host/instance.h"
#include "user/window.h"

namespace platform {
namespace {
Host *current = nullptr;
} // namespace

Host *CurrentHost() { return current; }

void SetCurrentHost(Host *host) { current = host; }

bool ServeInstanceRequests() {
  const int fd = instance::ServiceFd();
  if (fd < 0) {
    return false;
  }
  pollfd waiting{fd, POLLIN, 0};
  // A bounded number per call, so a flood of requests cannot starve the program.
  for (int served = 0; served < 16 && poll(&waiting, 1, 0) > 0 && instance::ServeOne(); ++served) {
  }
  return TakeFrontRequest();
}

} // namespace platform
