// Closing from outside: a self-pipe from the signal handlers to the message loop's idle work.
#include "host/close_signals.h"

#include <windows.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>

#include "device/device.h"
#include "user/input.h"

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

// Closes the program as its user would when a signal came since the last look.
void CloseOnSignal() {
  char bytes[16];
  bool signalled = false;
  while (read(pipeEnds[0], bytes, sizeof(bytes)) > 0) {
    signalled = true;
  }
  if (signalled) {
    QueueInput(InputEvent{InputKind::Close});
  }
}

// The line and the exit code of a signal that ends the process once nothing is
// left to store.
struct LastWords {
  std::array<char, 8192> text{};
  std::size_t length = 0;
  int exitCode = 1;
};
LastWords lastWords;

// Async-signal-safe: one write, then the end.
void OnEndingSignal(int) {
  [[maybe_unused]] const ssize_t written =
      write(STDERR_FILENO, lastWords.text.data(), lastWords.length);
  _exit(lastWords.exitCode);
}

} // namespace

void CatchCloseSignals() {
  if (pipeEnds[0] >= 0 || pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC) != 0) {
    return;
  }
  RegisterIdleHook(CloseOnSignal);
  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  // Restarted calls: a write of the hive interrupted by a signal goes on, not fails.
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    sigaction(signal, &action, nullptr);
  }
}

void EndOnCloseSignals(const std::string &lastLine, int exitCode) {
  // What the handler writes is set before the handler is: it never reads a line
  // being changed.
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    std::signal(signal, SIG_DFL);
  }
  lastWords.length = std::min(lastLine.size(), lastWords.text.size());
  std::copy_n(lastLine.begin(), lastWords.length, lastWords.text.begin());
  if (lastWords.length < lastLine.size()) {
    lastWords.text[lastWords.length - 1] = '\n'; // cut short, still a line
  }
  lastWords.exitCode = exitCode;
  struct sigaction action {};
  action.sa_handler = OnEndingSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    sigaction(signal, &action, nullptr);
  }
}

} // namespace platform
