// FindWindowW and SetForegroundWindow across two processes on one profile.
#include <windows.h>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "device/events.h"
#include "instance/instance.h"
#include "testing/testing.h"

namespace {

// Whether a start elsewhere asked for a window of this process.
struct FrontWatch : platform::DeviceListener {
  bool requested = false;
  void FrontRequested() override { requested = true; }
};

// The first process: serves the profile with two windows, the second one in
// front, until its first window is brought forward or five seconds pass. Its
// exit code says what happened: 0 brought forward, 3 not, others a setup fault.
[[noreturn]] void RunFirst(const std::string &profile, int readyFd) {
  platform::StartDevice({.profileDir = profile});
  if (platform::instance::StartService(profile) != platform::instance::Role::First) {
    std::_Exit(10);
  }
  const HWND wanted = platform::test::CreatePlainWindow(u"Wanted");
  platform::test::CreatePlainWindow(u"Other");
  if (write(readyFd, "r", 1) != 1) {
    std::_Exit(11);
  }
  FrontWatch watch;
  platform::AddDeviceListener(&watch);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < end) {
    pollfd fd{platform::instance::ServiceFd(), POLLIN, 0};
    poll(&fd, 1, 50);
    platform::RunIdleHooks(); // the message loop's idle work answers the start
    if (watch.requested && GetForegroundWindow() == wanted) {
      std::_Exit(0);
    }
  }
  std::_Exit(3);
}

TEST(RemoteWindows, ASecondStartFindsTheFirstsWindowAndBringsItForward) {
  platform::test::TempProfile profile;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t first = fork();
  if (first == 0) {
    close(ready[0]);
    RunFirst(profile.Dir(), ready[1]);
  }
  close(ready[1]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the first process did not start";
  close(ready[0]);

  platform::test::HeadlessDevice device(profile.Config());
  ASSERT_EQ(platform::instance::StartService(profile.Dir()), platform::instance::Role::Second);
  // Nothing local matches, so the question goes to the first process.
  EXPECT_EQ(FindWindowW(u"PlatformTestWindow", u"Missing"), nullptr);
  const HWND found = FindWindowW(u"platformtestwindow", u"Wanted");
  ASSERT_NE(found, nullptr);
  EXPECT_FALSE(IsWindow(found)) << "a proxy, not a window of this process";
  const HWND withBit = reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(found) | 1);
  EXPECT_TRUE(SetForegroundWindow(withBit));
  int status = 0;
  ASSERT_EQ(waitpid(first, &status, 0), first);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the first process's window did not come forward";
}

} // namespace
