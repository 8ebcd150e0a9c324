// The user's input at a front end, handed to the program in the order and at the
// device time it happened, on a device clock kept in step with real time.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>

#include "device/input.h"

namespace platform {

// Steps a device on a virtual clock as real time passes, so that each event comes
// in at the device time it was stamped with and every timer due before it fires
// first, at its own time. That is the order the headless host gives a script, so a
// game recorded in the window replays exactly: a timer that fired late on a busy
// machine fires at its due time all the same, and never after an event it
// preceded. On a device with a real clock events simply come in as they arrive.
class Timeline {
public:
  using RealClock = std::function<std::int64_t()>; // milliseconds, steady

  explicit Timeline(RealClock realMs = SteadyMs);

  // The device time it is in real terms: where the device clock is heading.
  std::uint64_t Now();
  // Input that happens at device time `atMs` (never before the last).
  void Add(const InputEvent &event, std::uint64_t atMs);
  // Input that happens now.
  void AddNow(const InputEvent &event) { Add(event, Now()); }

  // One step, taken in a front end's wait with the loop's next timer: either the
  // clock moves to that timer or to the next event, which is queued, and the
  // program has work (true); or neither is due yet in real terms and the clock
  // moves to now (false, and *sleepMs says how long nothing can happen).
  bool Step(std::uint64_t deadlineMs, std::uint64_t *sleepMs);

  bool HasPending() const { return !pending_.empty(); }

  static std::int64_t SteadyMs();

private:
  static constexpr std::uint64_t kNoEvent = ~std::uint64_t{0};

  struct Pending {
    InputEvent event;
    std::uint64_t atMs;
  };

  void MoveClockTo(std::uint64_t atMs);

  RealClock realMs_;
  std::int64_t lastRealMs_;
  std::uint64_t realNow_; // device time matching the real clock at lastRealMs_
  std::deque<Pending> pending_;
};

} // namespace platform
