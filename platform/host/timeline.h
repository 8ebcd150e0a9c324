// What the user does at a front end, handed to the program in the order and at the
// device time it happened, on a device clock kept in step with real time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace platform {

struct ScriptCommand;

enum class UserActionKind { PenDown, PenMove, PenUp, KeyDown, KeyUp, Wheel, Rotate, Close };

struct UserAction {
  UserActionKind kind = UserActionKind::Close;
  POINT point{}; // pen actions: device screen pixels
  UINT key = 0;  // key actions: a virtual-key code
  int wheel = 0; // the wheel: WHEEL_DELTA a notch, positive turned away from the user

  bool operator==(const UserAction &other) const {
    return kind == other.kind && point.x == other.point.x && point.y == other.point.y &&
           key == other.key && wheel == other.wheel;
  }
};

// Gives the program the action: input queued, the screen turned, or the foreground
// application closed as its user would. The same for every front end.
void ApplyUserAction(const UserAction &action);

// What the user did that a script's command stands for, in order: a tap is the pen
// going down and up, a key press its modifiers' and its own down and up. None for a
// command that is not the user's (a wait, a screenshot).
std::vector<UserAction> UserActionsOf(const ScriptCommand &command);

// Steps a device on a virtual clock as real time passes, so that each action comes
// in at the device time it was stamped with and every timer due before it fires
// first, at its own time. That is the order the headless host gives a script, so a
// game recorded in the window replays exactly: a timer that fired late on a busy
// machine fires at its due time all the same, and never after an action it
// preceded. On a device with a real clock actions simply come in as they arrive.
class Timeline {
public:
  using RealClock = std::function<std::int64_t()>; // milliseconds, steady
  // Called for each action as it is applied, with its device time.
  using Listener = std::function<void(const UserAction &, std::uint64_t atMs)>;

  explicit Timeline(RealClock realMs = SteadyMs);

  // The device time it is in real terms: where the device clock is heading.
  std::uint64_t Now();
  // An action that happens at device time `atMs` (never before the last one).
  void Add(const UserAction &action, std::uint64_t atMs);
  // An action that happens now.
  void AddNow(const UserAction &action) { Add(action, Now()); }

  // One step, taken in a front end's wait with the loop's next timer: either the
  // clock moves to that timer or to the next action, which is applied, and the
  // program has work (true); or neither is due yet in real terms and the clock
  // moves to now (false, and *sleepMs says how long nothing can happen).
  bool Step(std::uint64_t deadlineMs, std::uint64_t *sleepMs);

  bool HasPending() const { return !pending_.empty(); }
  void SetListener(Listener listener) { listener_ = std::move(listener); }

  static std::int64_t SteadyMs();

private:
  static constexpr std::uint64_t kNoAction = ~std::uint64_t{0};

  struct Pending {
    UserAction action;
    std::uint64_t atMs;
  };

  void MoveClockTo(std::uint64_t atMs);

  RealClock realMs_;
  std::int64_t lastRealMs_;
  std::uint64_t realNow_; // device time matching the real clock at lastRealMs_
  std::deque<Pending> pending_;
  Listener listener_;
};

} // namespace platform
