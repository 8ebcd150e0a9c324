// Closing from outside: SIGTERM, SIGINT and SIGHUP close the game as its user would.
#pragma once

namespace platform {

// Installs the handlers, once per process. A handler only writes a byte to a pipe,
// which the message loop looks at in its idle work: a signal that came is the
// user's close, taken as input on the GUI thread (and recorded as one), and a
// signal that arrives during the close (the money being stored) cannot cut it short.
void CatchCloseSignals();

// Gives the three signals back their default action, once nothing is left to
// store: whatever still waits (a message box at the end) is then ended by one.
void ReleaseCloseSignals();

} // namespace platform
