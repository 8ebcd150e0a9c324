// Windows of the other instance running on the same profile, through the
// single-instance service.
#include "user/window.h"

namespace platform {

// The single-instance service (platform/host/instance.h) is not part of the
// layer yet: until it is, no other instance is ever found.
HWND RemoteFindWindow(LPCWSTR, LPCWSTR) { return nullptr; }

bool RemoteSetForegroundWindow(HWND) { return false; }

} // namespace platform
