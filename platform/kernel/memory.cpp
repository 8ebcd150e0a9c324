// IsBadReadPtr: answers for the layer's own memory, and asks the system for the rest.
#include <windows.h>

#include "kernel/memory.h"
#include "kernel/module_state.h"

BOOL WINAPI IsBadReadPtr(const void *lp, UINT_PTR ucb) {
  if (ucb == 0) {
    return FALSE;
  }
  if (lp == nullptr) {
    return TRUE;
  }
  const auto start = reinterpret_cast<std::uintptr_t>(lp);
  if (start + ucb < start) {
    return TRUE; // the range wraps around the address space
  }
  // A loaded module's resources, which the game checks a piece at a time as it
  // reads its pictures: known readable, with no call to the kernel.
  if (platform::InsideLoadedModule(start, ucb)) {
    return FALSE;
  }
  return platform::SystemCanRead(start, ucb) ? FALSE : TRUE;
}
