// Closing from outside, in WebAssembly: no signal reaches a page or a test under
// node (the page's visibility closes the game instead), so there is nothing to catch.
#include "host/close_signals.h"

namespace platform {

void CatchCloseSignals() {}

bool TakeCloseSignal() { return false; }

bool HandleCloseSignals() { return false; }

} // namespace platform
