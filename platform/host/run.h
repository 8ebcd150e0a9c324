// The host program: options, the device, the program's module, the chosen host.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Runs `blackjack` with the arguments after the program name and returns the
// process exit code: the program's, or 2 for bad options or a bad script, 1 when
// the host cannot run (no display, unreadable files, malformed resources).
int HostMain(const std::vector<std::string> &args);

} // namespace platform
