// The host options of `blackjack [options]`: the emulated device and the host to run.
#pragma once

#include <string>
#include <vector>

#include "device/device.h"

namespace platform {

struct HostOptions {
  DeviceConfig device;
  int zoom = 0; // 0: the largest whole zoom that fits the desktop
  bool headless = false;
  std::string script; // headless: the script file; empty runs no command
  std::string trace;  // empty: no trace
  std::string record; // desktop: the recording to write; empty records nothing
  std::string replay; // the recording to play; the device is then the recording's
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. Returns false with one line in
// *error (without the program name) for an unknown option, a missing or bad value,
// or a stray argument. The profile folder defaults to $XDG_CONFIG_HOME/blackjack
// (or ~/.config/blackjack); a --script implies --headless.
bool ParseHostOptions(const std::vector<std::string> &args, HostOptions *options,
                      std::string *error);

// The text of --help.
std::string HostUsage();

} // namespace platform
