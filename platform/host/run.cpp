// The host program: parses the options, starts the device, loads the embedded
// resources, and runs the program's WinMain under the desktop or headless host.
#include "host/run.h"

#include <windows.h>

#include <cstdio>
#include <ctime>
#include <sstream>

#include "device/device.h"
#include "host/close_signals.h"
#include "host/headless.h"
#include "host/leak_check.h"
#include "aygshell/shell.h"
#include "instance/instance.h"
#include "host/options.h"
#include "host/recording.h"
#include "host/replay.h"
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

// A recorded game runs on a virtual clock, so that its replay can keep to it: from
// the time given, or from the local time now.
void UseRecordingClock(DeviceConfig *device) {
  if (device->virtualClock) {
    return;
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  device->virtualClock = true;
  device->clockStart.wHour = static_cast<WORD>(local.tm_hour);
  device->clockStart.wMinute = static_cast<WORD>(local.tm_min);
  device->clockStart.wSecond = static_cast<WORD>(local.tm_sec);
  device->clockStart.wMilliseconds = 0;
}

// What a replay of the game about to start needs: the device, its clock, and the
// settings the game will find.
RecordingHeader HeaderNow(const HostOptions &options) {
  const Device &device = CurrentDevice();
  RecordingHeader header;
  header.version = BLACKJACK_VERSION;
  header.width = device.ScreenWidth();
  header.height = device.ScreenHeight();
  header.dpi = device.Dpi();
  header.os = options.device.os;
  header.clock = options.device.clockStart;
  header.hive = registry::HiveText();
  return header;
}

// Runs the program on a started device; the caller stops the device. A script, or
// a replay's, stands in for the user headless; in the window a replay's does.
int RunOnDevice(const HostOptions &options, HINSTANCE instance, std::unique_ptr<std::istream> in) {
  const std::string &scriptName = options.replay.empty() ? options.script : options.replay;
  ScriptReader script(std::move(in));
  if (options.headless) {
    StartInstanceService(options);
    const HeadlessRun run = RunHeadless(script, WinMain, instance);
    if (!run.error.empty()) {
      Fail(run.exitCode, (scriptName.empty() ? "" : scriptName + ": ") + run.error);
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
  std::unique_ptr<Recorder> recorder; // writes the input the program takes while it lives
  if (!options.replay.empty()) {
    host->Replay(&script);
  } else if (!options.record.empty()) {
    recorder = Recorder::Create(options.record, HeaderNow(options), &error);
    if (!recorder) {
      return Fail(1, error);
    }
  }
  SetCurrentHost(host.get());
  char16_t commandLine[1] = {0};
  int code = WinMain(instance, nullptr, commandLine, SW_SHOWNORMAL);
  SetCurrentHost(nullptr);
  const std::string unstored = StoreFailureLine();
  if (!unstored.empty()) {
    // The line is written once the box is closed, saying whether it was shown; a
    // close signal ends the box, and writes the line as it stands.
    code = code != 0 ? code : 1;
    const std::string line = "blackjack: " + unstored;
    EndOnCloseSignals(line + "\n", code);
    const std::string notShown = host->ShowError(unstored);
    std::fprintf(stderr, "%s%s\n", line.c_str(),
                 notShown.empty() ? "" : (" (no message box: " + notShown + ")").c_str());
    EndOnCloseSignals({}, code);
  }
  if (recorder && !recorder->Error().empty()) {
    Fail(1, recorder->Error() + "; the recording ends there");
    code = code != 0 ? code : 1;
  }
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
  // The script is checked whole before anything runs, then read again as it runs.
  // Before the close signals are caught: a pipe that never ends is ended by them.
  std::unique_ptr<std::istream> script = std::make_unique<std::istringstream>();
  RecordingHeader recorded;
  if (!options.replay.empty()) {
    std::string replay;
    if (!ReadRecordingFile(options.replay, BLACKJACK_VERSION, &recorded, &replay, &error)) {
      return Fail(2, options.replay + ": " + error);
    }
    UseRecordedDevice(recorded, &options.device);
    script = std::make_unique<std::istringstream>(std::move(replay));
  } else if (options.headless && !options.script.empty()) {
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
  if (!options.record.empty()) {
    UseRecordingClock(&options.device);
  }
  CatchCloseSignals();
  StartDevice(options.device);
  if (!options.replay.empty() && !registry::ReplaceHive(recorded.hive, &error)) {
    StopDevice();
    return Fail(2, options.replay + ": the recorded settings are damaged: " + error);
  }
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
