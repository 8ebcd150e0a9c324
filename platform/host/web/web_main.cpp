// The entry point of the page: the host options come from the page's address
// (app.js turns ?screen=vga&dpi=192 into --screen vga --dpi 192); the game runs
// while the page is shown and is closed, its money stored, while it is hidden; a
// game that the player closed starts again at the next tap. A recording in the
// address (?replay=) is played instead, and again at the next tap.
#include <windows.h>

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "aygshell/shell.h"
#include "device/device.h"
#include "host/options.h"
#include "host/replay.h"
#include "host/web/web_host.h"
#include "kernel/module.h"
#include "registry/registry.h"

namespace {

int Fail(const std::string &message) {
  std::fprintf(stderr, "blackjack: %s\n", message.c_str());
  return 1;
}

// The recording the page took from its address, already uncompressed.
EM_JS(char *, bj_page_recording, (), {
  var text = Module.bjRecording || "";
  var size = lengthBytesUTF8(text) + 1;
  var copy = _malloc(size);
  stringToUTF8(text, copy, size);
  return copy;
});

std::string PageRecording() {
  char *text = bj_page_recording();
  std::string copy(text);
  std::free(text);
  return copy;
}

} // namespace

int main(int argc, char **argv) {
  using namespace platform;
  HostOptions options;
  std::string error;
  if (!ParseHostOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    return Fail(error);
  }
  if (options.headless || !options.trace.empty()) {
    return Fail("the page runs the game on its screen; a script or a trace needs the desktop "
                "program");
  }
  // A replay's --replay names where its recording came from; the page hands over
  // the text itself.
  const bool replay = !options.replay.empty();
  RecordingHeader recorded;
  std::string recording;
  if (replay) {
    if (!ReadRecording(PageRecording(), BLACKJACK_VERSION, &recorded, &recording, &error)) {
      return Fail("the recording in the " + options.replay + ": " + error);
    }
    UseRecordedDevice(recorded, &options.device);
  }
  for (;;) {
    WebHost::WaitUntilVisible();
    StartDevice(options.device);
    if (replay && !registry::ReplaceHive(recorded.hive, &error)) {
      StopDevice();
      return Fail("the recording's settings are damaged: " + error);
    }
    shell::InstallShell();
    const HINSTANCE instance = LoadModuleInPlace(EmbeddedResources(), &error);
    if (instance == nullptr) {
      StopDevice();
      return Fail("the program's resources are damaged: " + error);
    }
    WebHost host;
    ScriptReader script(recording);
    if (replay) {
      host.Replay(&script);
    }
    SetCurrentHost(&host);
    char16_t commandLine[1] = {0};
    WinMain(instance, nullptr, commandLine, SW_SHOWNORMAL);
    SetCurrentHost(nullptr);
    if (const registry::StoreFailure failure = registry::StoreAtExit(); failure.Failed()) {
      Fail("could not store the money and settings in " + registry::HivePath() + ": " +
           failure.reason);
    }
    // The next start keeps the screen as it was turned; a replay starts over.
    if (!replay) {
      options.device.width = CurrentDevice().ScreenWidth();
      options.device.height = CurrentDevice().ScreenHeight();
    }
    StopDevice();
    WebHost::WaitForRestart();
  }
}
