// IsBadReadPtr: asks the kernel whether a range can be read, without touching it.
#include <windows.h>

#ifdef __EMSCRIPTEN__
#include <emscripten/heap.h>
#endif
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

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
#ifdef __EMSCRIPTEN__
  // WebAssembly memory is one linear block: every address inside it can be read.
  return start + ucb > emscripten_get_heap_size() ? TRUE : FALSE;
#endif
  // process_vm_readv on our own process reports EFAULT for an unreadable page
  // instead of raising a signal. One byte per page is enough.
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  std::array<char, 1> sink{};
  for (std::uintptr_t at = start; at < start + ucb; at = (at / page + 1) * page) {
    iovec local{sink.data(), 1};
    iovec remote{reinterpret_cast<void *>(at), 1};
    if (process_vm_readv(getpid(), &local, 1, &remote, 1, 0) != 1) {
      return TRUE;
    }
  }
  return FALSE;
}
