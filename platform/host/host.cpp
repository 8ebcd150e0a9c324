// The host in use.
#include "host/host.h"

namespace platform {
namespace {
Host *current = nullptr;
} // namespace

Host *CurrentHost() { return current; }

void SetCurrentHost(Host *host) { current = host; }

} // namespace platform
