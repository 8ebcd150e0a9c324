// The program's leak check in the sanitizer builds: the checker's options, which system
// libraries' leaks are theirs, and the check run before the desktop host unloads them.
#include "host/leak_check.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BLACKJACK_LEAK_CHECK 1
#endif
#endif

#ifdef BLACKJACK_LEAK_CHECK
#include <sanitizer/lsan_interface.h>

// Read by the leak checker, so the program run by hand reports as under the tests.
// These libraries keep allocations for the process's life by their own design, and
// the layer never holds their objects: D-Bus (reached by SDL's video start-up) its
// connection buffers, the sound stack ALSA's parsed configuration and the sound
// server client's state, the GL drivers SDL loads their screens. A leak of the
// program's own still fails the run.
extern "C" const char *__lsan_default_suppressions() { // NOLINT(bugprone-reserved-identifier)
  return "leak:libdbus-1.so\n"
         "leak:libasound.so\n"
         "leak:libpulse.so\n"
         "leak:libpulsecommon\n"
         "leak:_dri.so\n";
}

// A close without a leak of the program's own prints nothing, not the table of the
// system libraries' kept allocations.
extern "C" const char *__lsan_default_options() { // NOLINT(bugprone-reserved-identifier)
  return "print_suppressions=0";
}

// The checker's own view of the thread-local blocks of loaded libraries (the GL
// driver's, the sound stack's) is off. To size such a block it guesses an old C
// library's layout from the block's address alone: one block in 256 that malloc
// puts at 16 bytes past a page is read as that layout, and the checker's tracer
// then scans a range made of the words before it and dies of SIGSEGV, failing the
// close. The blocks are still scanned as the heap memory they are, reached from
// the threads' own storage, so no pointer held in them is lost to the check.
extern "C" const char *__asan_default_options() { // NOLINT(bugprone-reserved-identifier)
  return "intercept_tls_get_addr=0";
}
#endif

namespace platform {

void CheckLeaksBeforeSystemTeardown() {
#ifdef BLACKJACK_LEAK_CHECK
  // Closing SDL's video unloads the GL driver, after which the checker can no longer
  // name the library a leak came from, nor tell it from the program's own. The game
  // and its windows are done by now, so this check sees every leak of theirs, and it
  // replaces the one at exit.
  __lsan_do_leak_check();
#endif
}

} // namespace platform
