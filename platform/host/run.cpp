// The host program: parses the options, starts the device, loads the embedded
// resources, and runs the program's WinMain under the desktop or headless host.
#include "host/run.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "device/device.h"
#include "host/close_signals.h"
#include "host/headless.h"
#include "host/leak_check.h"
#include "aygshell/shell.h"
#include "instance/instance.h"
#include "host/options.h"
#include "host/sdl_host.h"
#include "host/trace.h"
#include "kernel/module.h"

namespace platform {
namespace {

int Fail(int code, const std::string &message) {
  std::fprintf(stderr, "blackjack: %s\n", message.c_str());
  return code;
}

// Joins the single-instance service of the profile; a refusal only costs the
// check that another copy runs, so the program goes on.
void StartInstanceService(const HostOptions &options) {
  std::string message;
  if (instance::StartService(options.device.profileDir, &message) == instance::Role::Alone &&
      !message.empty()) {
    std::fprintf(stderr, "blackjack: no single-instance check: %s\n", message.c_str());
  }
}

// Runs the program on a started device; the caller stops the device.
int RunOnDevice(const HostOptions &options, HINSTANCE instance) {
  if (options.headless) {
    // The script is checked whole before anything runs, then read again as it runs.
    std::unique_ptr<std::istream> in = std::make_unique<std::istringstream>();
    if (!options.script.empty()) {
      auto file = std::make_unique<std::ifstream>(options.script, std::ios::binary);
      std::string error;
      if (!*file) {
        return Fail(2, "cannot read the script " + options.script);
      }
      if (!CheckScript(*file, &error)) {
        return Fail(2, options.script + ": " + error);
      }
      file->clear();
      file->seekg(0);
      in = std::move(file);
    }
    StartInstanceService(options);
    ScriptReader script(std::move(in));
    const HeadlessRun run = RunHeadless(script, WinMain, instance);
    if (!run.error.empty()) {
      Fail(run.exitCode, (options.script.empty() ? "" : options.script + ": ") + run.error);
    }
    return run.exitCode;
  }
  std::string error;
  auto host = SdlHost::Open(options.zoom, &error);
  if (!host) {
    return Fail(1, error);
  }
  StartInstanceService(options);
  SetCurrentHost(host.get());
  char16_t commandLine[1] = {0};
  const int code = WinMain(instance, nullptr, commandLine, SW_SHOWNORMAL);
  SetCurrentHost(nullptr);
  CheckLeaksBeforeSystemTeardown();
  return code;
}

} // namespace

int HostMain(const std::vector<std::string> &args) {
  HostOptions options;
  std::string error;
  if (!ParseHostOptions(args, &options, &error)) {
    return Fail(2, error);
  }
  if (options.help) {
    std::fputs(HostUsage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("blackjack %s\n", BLACKJACK_VERSION);
    return 0;
  }
  CatchCloseSignals();
  StartDevice(options.device);
  shell::InstallShell();
  const HINSTANCE instance = LoadModuleInPlace(EmbeddedResources(), &error);
  if (instance == nullptr) {
    StopDevice();
    return Fail(1, "the program's resources are damaged: " + error);
  }
  if (!options.trace.empty() && !OpenTrace(options.trace)) {
    StopDevice();
    return Fail(1, "cannot write the trace " + options.trace);
  }
  const int code = RunOnDevice(options, instance);
  CloseTrace();
  StopDevice();
  return code;
}

} // namespace platform
