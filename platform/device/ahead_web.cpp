// Work ahead in a page: it runs on one thread, so there is none, and every call does
// its own work when it is made; its memory is one block the page already holds.
#include "device/ahead.h"

namespace platform {

void RunAhead(std::function<void()>) {}

void FinishWorkAhead() {}

void PrefaultForWriting(void *, std::size_t) {}

} // namespace platform
