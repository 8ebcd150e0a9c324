// Closing from outside: SIGTERM, SIGINT and SIGHUP close the game as its user would.
#pragma once

#include <string>

namespace platform {

// Installs the handlers, once per process. A handler only writes a byte to a pipe,
// which the message loop looks at in its idle work: a signal that came is the
// user's close, taken as input on the GUI thread (and recorded as one), and a
// signal that arrives during the close (the money being stored) cannot cut it short.
void CatchCloseSignals();

// Once nothing is left to store: a signal then ends the process at once with
// `exitCode`, after writing `lastLine` (a whole line, or nothing) to standard
// error, so that whatever still waits (a message box at the end) is ended by one
// without losing the line it stands for.
void EndOnCloseSignals(const std::string &lastLine, int exitCode);

} // namespace platform
