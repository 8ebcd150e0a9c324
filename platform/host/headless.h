// The headless host: a virtual screen and clock, input taken from a script.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "device/host.h"
#include "host/script.h"

namespace platform {

using WinMainFunction = int(WINAPI *)(HINSTANCE, HINSTANCE, LPWSTR, int);

// Whenever the program's message loop has nothing to do, the host runs script
// commands until one gives it something (input, a turned screen, a due timer
// inside a wait). After the last command it closes the program, as its user
// would. A screenshot writes the frame last presented.
class HeadlessHost : public Host {
public:
  explicit HeadlessHost(ScriptReader &script);

  void Present(const Frame &frame) override;
  void WaitForEvents(std::uint64_t deadlineMs) override;

  // Empty while the script runs cleanly; else one line, and the exit code the
  // process should end with (2 for a bad script, 1 for a failure).
  const std::string &Error() const { return error_; }
  int ErrorExitCode() const { return errorCode_; }
  int FramesPresented() const { return frames_; }

private:
  // Runs one command; true when the program now has something to do.
  bool Run(const ScriptCommand &command);
  bool PointOnScreen(const ScriptCommand &command);
  void Fail(int code, std::string message);

  ScriptReader &script_;
  bool scriptDone_ = false;
  std::optional<std::uint64_t> waitUntil_;
  bool closeSent_ = false;
  std::uint64_t closedAtMs_ = 0;
  std::string error_;
  int errorCode_ = 0;
  int frames_ = 0;
  Frame shown_;
};

struct HeadlessRun {
  int exitCode = 0;
  std::string error; // empty, or one line saying what went wrong
  int frames = 0;
};

// Runs a program's WinMain on the current device under the headless host with
// the script's commands, and returns the exit code the process should end with.
HeadlessRun RunHeadless(ScriptReader &script, WinMainFunction program, HINSTANCE instance);

} // namespace platform
