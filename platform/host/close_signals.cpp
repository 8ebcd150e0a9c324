// Closing from outside: a self-pipe between the signal handlers and the front ends' wait.
#include "host/close_signals.h"

#include <windows.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "host/timeline.h"

namespace platform {
namespace {

int pipeEnds[2] = {-1, -1};

// Async-signal-safe: one write, errno kept for the code the signal interrupted. A
// full pipe already holds a request, so a lost byte loses nothing.
void OnCloseSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
  errno = saved;
}

} // namespace

void CatchCloseSignals() {
  if (pipeEnds[0] >= 0 || pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC) != 0) {
    return;
  }
  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  // Restarted calls: a write of the hive interrupted by a signal goes on, not fails.
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    sigaction(signal, &action, nullptr);
  }
}

bool TakeCloseSignal() {
  if (pipeEnds[0] < 0) {
    return false;
  }
  char bytes[16];
  bool signalled = false;
  while (read(pipeEnds[0], bytes, sizeof(bytes)) > 0) {
    signalled = true;
  }
  return signalled;
}

bool HandleCloseSignals() {
  if (!TakeCloseSignal()) {
    return false;
  }
  ApplyUserAction(UserAction{UserActionKind::Close, {}, 0});
  return true;
}

void ReleaseCloseSignals() {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    std::signal(signal, SIG_DFL);
  }
}

} // namespace platform
