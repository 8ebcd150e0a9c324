// The host program: parses the options, starts the device, loads the embedded
// resources, and runs the program's WinMain under the desktop or headless host.
#include "host/run.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/device.h"
#include "host/headless.h"
#include "host/instance.h"
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

bool ReadFile(const std::string &path, std::string *text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  *text = content.str();
  return !in.bad();
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
    std::vector<ScriptCommand> commands;
    if (!options.script.empty()) {
      std::string text;
      std::string error;
      if (!ReadFile(options.script, &text)) {
        return Fail(2, "cannot read the script " + options.script);
      }
      if (!ParseScript(text, &commands, &error)) {
        return Fail(2, options.script + ": " + error);
      }
    }
    StartInstanceService(options);
    const HeadlessRun run = RunHeadless(commands, WinMain, instance);
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
  StartDevice(options.device);
  const HINSTANCE instance = LoadModuleFromRes(EmbeddedResources(), &error);
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
