// Closing from outside: SIGTERM, SIGINT and SIGHUP close the game as its user would.
#pragma once

#include <string>

namespace platform {

// Installs the handlers, once per process. A handler only writes a byte to a pipe:
// the front ends look at it in their wait, so the close runs on the GUI thread as
// the user's would, and a signal that arrives during the close (the money being
// stored) cannot cut it short.
void CatchCloseSignals();

// Whether a signal came since the last call: for a front end that closes the
// program in its own order of events.
bool TakeCloseSignal();

// Called by the front ends in their wait. When a signal came since the last call,
// sends WM_CLOSE to the foreground application window (or ends the loop when
// there is none) and returns true: the program has work.
bool HandleCloseSignals();

// Once nothing is left to store: a signal then ends the process at once with
// `exitCode`, after writing `lastLine` (a whole line, or nothing) to standard
// error, so that whatever still waits (a message box at the end) is ended by one
// without losing the line it stands for.
void EndOnCloseSignals(const std::string &lastLine, int exitCode);

} // namespace platform
