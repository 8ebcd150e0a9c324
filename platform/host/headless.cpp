// The headless host: runs script commands when the program waits for input.
#include "host/headless.h"

#include "device/device.h"
#include "gdi/png_write.h"
#include "user/input.h"

namespace platform {
namespace {

// How long timers may keep running after the final WM_CLOSE before the host
// gives up on the program ending by itself.
constexpr std::uint64_t kCloseGraceMs = 60000;

std::string LineText(int line) { return "line " + std::to_string(line) + ": "; }

} // namespace

HeadlessHost::HeadlessHost(ScriptReader &script) : script_(script) {}

void HeadlessHost::Present(const Frame &frame) {
  ++frames_;
  shown_ = frame;
}

void HeadlessHost::Fail(int code, std::string message) {
  if (error_.empty()) {
    error_ = std::move(message);
    errorCode_ = code;
  }
  scriptDone_ = true; // nothing more runs; the program is closed
  waitUntil_.reset();
}

bool HeadlessHost::PointOnScreen(const ScriptCommand &command) {
  const Device &device = CurrentDevice();
  if (command.point.x < device.ScreenWidth() && command.point.y < device.ScreenHeight()) {
    return true;
  }
  Fail(2, LineText(command.line) + "(" + std::to_string(command.point.x) + ", " +
              std::to_string(command.point.y) + ") is outside the " +
              std::to_string(device.ScreenWidth()) + "x" + std::to_string(device.ScreenHeight()) +
              " screen");
  return false;
}

bool HeadlessHost::Run(const ScriptCommand &command) {
  switch (command.verb) {
  case ScriptVerb::Wait:
    waitUntil_ = CurrentDevice().NowMs() + command.ms;
    return false;
  case ScriptVerb::Screenshot: {
    std::string why;
    if (!WritePng(shown_.pixels, shown_.width, shown_.height, command.path, &why)) {
      Fail(1, LineText(command.line) + "cannot write " + command.path + ": " + why);
    }
    return false;
  }
  case ScriptVerb::Tap:
  case ScriptVerb::Down:
  case ScriptVerb::Move:
  case ScriptVerb::Up:
    if (!PointOnScreen(command)) {
      return false;
    }
    break;
  default:
    break;
  }
  // Everything else is the user's, all of it handed over before the program runs.
  for (const InputEvent &event : InputEventsOf(command)) {
    QueueInput(event);
  }
  return true;
}

void HeadlessHost::WaitForEvents(std::uint64_t deadlineMs) {
  Device &device = CurrentDevice();
  for (;;) {
    const std::uint64_t now = device.NowMs();
    if (waitUntil_) {
      // Inside a wait the clock runs to each timer in turn, then to the wait's end.
      if (deadlineMs <= *waitUntil_) {
        device.AdvanceMs(deadlineMs > now ? deadlineMs - now : 0);
        return;
      }
      device.AdvanceMs(*waitUntil_ > now ? *waitUntil_ - now : 0);
      waitUntil_.reset();
    }
    if (!scriptDone_) {
      ScriptCommand command;
      if (script_.Next(&command)) {
        if (Run(command)) {
          return;
        }
        continue;
      }
      scriptDone_ = true;
      if (!script_.Error().empty()) {
        Fail(2, script_.Error());
      }
    }
    if (!closeSent_) {
      closeSent_ = true;
      closedAtMs_ = now;
      QueueInput(InputEvent{InputKind::Close});
      return;
    }
    if (deadlineMs != kNoDeadline && deadlineMs - closedAtMs_ <= kCloseGraceMs) {
      device.AdvanceMs(deadlineMs > now ? deadlineMs - now : 0);
      return;
    }
    Fail(1, "the program did not end after WM_CLOSE at the end of the script");
    PostQuitMessage(1);
    return;
  }
}

HeadlessRun RunHeadless(ScriptReader &script, WinMainFunction program, HINSTANCE instance) {
  HeadlessHost host(script);
  SetCurrentHost(&host);
  char16_t commandLine[1] = {0};
  const int code = program(instance, nullptr, commandLine, SW_SHOWNORMAL);
  SetCurrentHost(nullptr);
  HeadlessRun run;
  run.exitCode = host.Error().empty() ? code : host.ErrorExitCode();
  run.error = host.Error();
  run.frames = host.FramesPresented();
  return run;
}

} // namespace platform
