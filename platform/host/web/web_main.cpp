// The entry point of the page: the host options come from the page's address
// (app.js turns ?screen=vga&dpi=192 into --screen vga --dpi 192); the game runs
// while the page is shown and is closed, its money stored, while it is hidden; a
// game that the player closed starts again at the next tap.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "aygshell/shell.h"
#include "device/device.h"
#include "host/options.h"
#include "host/web/web_host.h"
#include "kernel/module.h"
#include "registry/registry.h"

namespace {

int Fail(const std::string &message) {
  std::fprintf(stderr, "blackjack: %s\n", message.c_str());
  return 1;
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
  for (;;) {
    WebHost::WaitUntilVisible();
    StartDevice(options.device);
    shell::InstallShell();
    const HINSTANCE instance = LoadModuleInPlace(EmbeddedResources(), &error);
    if (instance == nullptr) {
      StopDevice();
      return Fail("the program's resources are damaged: " + error);
    }
    WebHost host;
    SetCurrentHost(&host);
    char16_t commandLine[1] = {0};
    WinMain(instance, nullptr, commandLine, SW_SHOWNORMAL);
    SetCurrentHost(nullptr);
    if (const registry::StoreFailure failure = registry::StoreAtExit(); failure.Failed()) {
      Fail("could not store the money and settings in " + registry::HivePath() + ": " +
           failure.reason);
    }
    // The next start keeps the screen as it was turned.
    options.device.width = CurrentDevice().ScreenWidth();
    options.device.height = CurrentDevice().ScreenHeight();
    StopDevice();
    WebHost::WaitForRestart();
  }
}
