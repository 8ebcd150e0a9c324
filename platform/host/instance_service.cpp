// The front ends' part of the single-instance service: answering other starts.
#include "host/instance_service.h"

#include <poll.h>

#include "instance/instance.h"
#include "user/window.h"

namespace platform {

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
