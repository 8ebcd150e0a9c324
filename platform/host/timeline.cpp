// The front ends' user actions on the device's clock: applying one, and the stepping.
#include "host/timeline.h"

#include <algorithm>
#include <chrono>

#include "device/device.h"
#include "host/script.h"
#include "user/compositor.h"
#include "user/input.h"
#include "user/window.h"

namespace platform {

void ApplyUserAction(const UserAction &action) {
  switch (action.kind) {
  case UserActionKind::PenDown:
    QueueInput(InputEvent{InputKind::PenDown, action.point, 0});
    break;
  case UserActionKind::PenMove:
    QueueInput(InputEvent{InputKind::PenMove, action.point, 0});
    break;
  case UserActionKind::PenUp:
    QueueInput(InputEvent{InputKind::PenUp, action.point, 0});
    break;
  case UserActionKind::KeyDown:
    QueueInput(InputEvent{InputKind::KeyDown, {}, action.key});
    break;
  case UserActionKind::KeyUp:
    QueueInput(InputEvent{InputKind::KeyUp, {}, action.key});
    break;
  case UserActionKind::Wheel:
    QueueInput(InputEvent{InputKind::Wheel, {}, 0, action.wheel});
    break;
  case UserActionKind::Rotate:
    TurnScreen();
    MarkScreenChanged();
    break;
  case UserActionKind::Close:
    if (const HWND app = ForegroundApplicationWindow()) {
      PostMessageW(app, WM_CLOSE, 0, 0);
    } else {
      PostQuitMessage(0); // no window to close: nothing else could end the program
    }
    break;
  }
}

std::vector<UserAction> UserActionsOf(const ScriptCommand &command) {
  const auto pen = [&](UserActionKind kind) { return UserAction{kind, command.point, 0}; };
  const auto key = [](UserActionKind kind, UINT vk) { return UserAction{kind, {}, vk}; };
  switch (command.verb) {
  case ScriptVerb::Tap:
    return {pen(UserActionKind::PenDown), pen(UserActionKind::PenUp)};
  case ScriptVerb::Down:
    return {pen(UserActionKind::PenDown)};
  case ScriptVerb::Move:
    return {pen(UserActionKind::PenMove)};
  case ScriptVerb::Up:
    return {pen(UserActionKind::PenUp)};
  case ScriptVerb::Wheel:
    return {UserAction{UserActionKind::Wheel, {}, 0, command.wheel}};
  case ScriptVerb::KeyDown:
    return {key(UserActionKind::KeyDown, command.key)};
  case ScriptVerb::KeyUp:
    return {key(UserActionKind::KeyUp, command.key)};
  case ScriptVerb::Key: {
    std::vector<UserAction> press;
    for (const InputEvent &e : KeyPressEvents(command.key, command.modifiers)) {
      press.push_back(key(
          e.kind == InputKind::KeyDown ? UserActionKind::KeyDown : UserActionKind::KeyUp, e.key));
    }
    return press;
  }
  case ScriptVerb::Rotate:
    return {UserAction{UserActionKind::Rotate, {}, 0}};
  case ScriptVerb::Close:
    return {UserAction{UserActionKind::Close, {}, 0}};
  case ScriptVerb::Wait:
  case ScriptVerb::Screenshot:
    break;
  }
  return {};
}

std::int64_t Timeline::SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Timeline::Timeline(RealClock realMs)
    : realMs_(std::move(realMs)), lastRealMs_(realMs_()), realNow_(CurrentDevice().NowMs()) {}

std::uint64_t Timeline::Now() {
  const std::int64_t real = realMs_();
  if (real > lastRealMs_) {
    realNow_ += static_cast<std::uint64_t>(real - lastRealMs_);
  }
  lastRealMs_ = real;
  // A real device clock is its own master.
  const Device &device = CurrentDevice();
  if (!device.Config().virtualClock) {
    realNow_ = device.NowMs();
  }
  return std::max(realNow_, device.NowMs());
}

void Timeline::Add(const UserAction &action, std::uint64_t atMs) {
  if (!pending_.empty()) {
    atMs = std::max(atMs, pending_.back().atMs);
  }
  pending_.push_back(Pending{action, atMs});
}

void Timeline::MoveClockTo(std::uint64_t atMs) {
  Device &device = CurrentDevice();
  const std::uint64_t clock = device.NowMs();
  if (atMs > clock) {
    device.AdvanceMs(atMs - clock);
  }
}

bool Timeline::Step(std::uint64_t deadlineMs, std::uint64_t *sleepMs) {
  const std::uint64_t now = Now();
  const std::uint64_t nextAction = pending_.empty() ? kNoAction : pending_.front().atMs;
  // A timer due at the same time as an action fires first, as in a script's wait.
  if (deadlineMs <= now && deadlineMs <= nextAction) {
    MoveClockTo(deadlineMs);
    return true;
  }
  if (nextAction <= now) {
    const Pending next = pending_.front();
    pending_.pop_front();
    MoveClockTo(next.atMs);
    ApplyUserAction(next.action);
    if (listener_) {
      listener_(next.action, next.atMs);
    }
    return true;
  }
  MoveClockTo(now);
  *sleepMs = std::min(deadlineMs, nextAction) - now;
  return false;
}

} // namespace platform
