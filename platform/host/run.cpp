// The host program: parses the options, starts the device, loads the embedded
// resources, and runs the program's WinMain under the desktop or headless host.
#include "host/run.h"

#include <windows.h>

#include <cstdio>
#include <sstream>

#include "device/device.h"
#include "host/close_signals.h"
#include "host/headless.h"
#include "host/leak_check.h"
#include "aygshell/shell.h"
#include "instance/instance.h"
#include "host/options.h"
#include "host/script_source.h"
#include "host/sdl_host.h"
#include "host/trace.h"
#include "kernel/module.h"
#include "registry/registry.h"

namespace platform {
namespace {

int Fail(int code, const std::string &message) {
  std::fprintf(stderr, "blackjack: %s\n", message.c_str());
  return code;
}

// Joins the single-instance service of the profile; a refusal is said in one line.
void StartInstanceService(const HostOptions &options) {
  std::string message;
  instance::StartService(options.device.profileDir, &message);
  if (!message.empty()) {
    std::fprintf(stderr, "blackjack: %s\n", message.c_str());
  }
}

// After the program's end: what it wrote that could not be stored, in one line
// naming the file and the reason; empty when everything is on disk.
std::string StoreFailureLine() {
  const registry::StoreFailure failure = registry::StoreAtExit();
  return failure.Failed() ? "could not store the money and settings in " + registry::HivePath() +
                                ": " + failure.reason
                          : std::string();
}

// Runs the program on a started device; the caller stops the device.
int RunOnDevice(const HostOptions &options, HINSTANCE instance, std::unique_ptr<std::istream> in) {
  if (options.headless) {
    StartInstanceService(options);
    ScriptReader script(std::move(in));
    const HeadlessRun run = RunHeadless(script, WinMain, instance);
    if (!run.error.empty()) {
      Fail(run.exitCode, (options.script.empty() ? "" : options.script + ": ") + run.error);
    }
    const std::string unstored = StoreFailureLine();
    return unstored.empty() ? run.exitCode : Fail(run.exitCode != 0 ? run.exitCode : 1, unstored);
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
  const std::string unstored = StoreFailureLine();
  if (!unstored.empty()) {
    Fail(1, unstored);
    host->ShowError(unstored);
  }
  CheckLeaksBeforeSystemTeardown();
  return unstored.empty() || code != 0 ? code : 1;
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
  // The script is checked whole before anything runs, then read again as it runs.
  // Before the close signals are caught: a pipe that never ends is ended by them.
  std::unique_ptr<std::istream> script = std::make_unique<std::istringstream>();
  if (options.headless && !options.script.empty()) {
    script = OpenScript(options.script, &error);
    if (!script) {
      return Fail(2, error);
    }
    if (!CheckScript(*script, &error)) {
      return Fail(2, options.script + ": " + error);
    }
    script->clear();
    script->seekg(0);
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
  const int code = RunOnDevice(options, instance, std::move(script));
  CloseTrace();
  StopDevice();
  return code;
}

} // namespace platform
