// The message queue: retrieval order, timer rules, the end of the loop.
#include <windows.h>

#include <gtest/gtest.h>

#include "testing/testing.h"
#include "user/input.h"
#include "window_fixture.h"

namespace {

using platform::InputEvent;
using platform::InputKind;
using platform::test::AdvanceClock;
using usertest::Log;
using usertest::LogOf;
using usertest::WindowTest;

using MessageOrder = WindowTest;

std::vector<UINT> Kinds(const std::vector<MSG> &messages) {
  std::vector<UINT> kinds;
  for (const MSG &m : messages) {
    kinds.push_back(m.message);
  }
  return kinds;
}

TEST_F(MessageOrder, PostedThenInputThenQuitThenPaintThenTimer) {
  HWND w = Create(); // its first paint is pending since it was created visible
  SetTimer(w, 7, 100, nullptr);
  AdvanceClock(100);
  PostQuitMessage(4);
  platform::QueueInput(InputEvent{InputKind::PenUp, {10, 100}, 0});
  PostMessageW(w, WM_USER + 1, 0, 0);
  MSG peeked{};
  ASSERT_TRUE(PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE)); // leaves it for the drain
  EXPECT_FALSE(PeekMessageW(&peeked, w, 0, 0, PM_REMOVE)) << "a filter is refused, not ignored";
  EXPECT_EQ(Kinds(Drain()), (std::vector<UINT>{WM_USER + 1, WM_LBUTTONUP, WM_QUIT}));
  EXPECT_EQ(Kinds(Drain()), (std::vector<UINT>{WM_PAINT, WM_TIMER}));
}

using Timers = WindowTest;

TEST_F(Timers, OnePendingTimerMessageHoweverLongTheLoopWasBusy) {
  for (const std::uint64_t busyMs : {100u, 101u, 250u, 60000u}) {
    SCOPED_TRACE(busyMs);
    Restart();
    HWND w = Create(0);
    SetTimer(w, 3, 100, nullptr);
    AdvanceClock(busyMs);
    const MSG msg = Next();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL)) << "a second WM_TIMER piled up";
    // The next one is a whole period after the one just taken.
    AdvanceClock(99);
    EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
    AdvanceClock(1);
    EXPECT_EQ(Next().message, static_cast<UINT>(WM_TIMER));
  }
}

TEST_F(Timers, GetMessageWaitsForTheNextTimerOnTheVirtualClock) {
  SetTimer(Create(0), 1, 300, nullptr);
  MSG msg{};
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(GetTickCount(), 300u);
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(GetTickCount(), 600u);
}

} // namespace
