// The front ends' input on the device's clock: the stepping.
#include "host/timeline.h"

#include <algorithm>
#include <chrono>

#include "device/device.h"
#include "user/input.h"

namespace platform {

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

void Timeline::Add(const InputEvent &event, std::uint64_t atMs) {
  if (!pending_.empty()) {
    atMs = std::max(atMs, pending_.back().atMs);
  }
  pending_.push_back(Pending{event, atMs});
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
  const std::uint64_t nextEvent = pending_.empty() ? kNoEvent : pending_.front().atMs;
  // A timer due at the same time as an event fires first, as in a script's wait.
  if (deadlineMs <= now && deadlineMs <= nextEvent) {
    MoveClockTo(deadlineMs);
    return true;
  }
  if (nextEvent <= now) {
    const Pending next = pending_.front();
    pending_.pop_front();
    MoveClockTo(next.atMs);
    QueueInput(next.event);
    return true;
  }
  MoveClockTo(now);
  *sleepMs = std::min(deadlineMs, nextEvent) - now;
  return false;
}

} // namespace platform
