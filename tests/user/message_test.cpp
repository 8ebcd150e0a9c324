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
  EXPECT_EQ(Kinds(Drain()), (std::vector<UINT>{WM_USER + 1, WM_LBUTTONUP, WM_QUIT}));
  EXPECT_EQ(Kinds(Drain()), (std::vector<UINT>{WM_PAINT, WM_TIMER}));
}

TEST_F(MessageOrder, PeekFiltersByWindowAndRangeAndNoRemoveLeavesTheMessage) {
  HWND a = Create();
  HWND b = Create();
  ValidateRect(a, nullptr);
  ValidateRect(b, nullptr);
  PostMessageW(a, WM_USER, 0, 0);
  PostMessageW(b, WM_USER + 5, 0, 0);
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, b, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, b, 0, 0, PM_REMOVE)) << "PM_NOREMOVE left it";
  EXPECT_EQ(msg.hwnd, b);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 1, WM_USER + 9, PM_REMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, a);
}

TEST_F(MessageOrder, PostingToAStaleWindowFailsAndDestroyingDropsItsMessages) {
  HWND a = Create();
  HWND b = Create();
  PostMessageW(a, WM_USER, 0, 0);
  PostMessageW(b, WM_USER, 0, 0);
  DestroyWindow(a);
  EXPECT_FALSE(PostMessageW(a, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  const auto rest = Drain();
  ASSERT_FALSE(rest.empty());
  for (const MSG &m : rest) {
    EXPECT_NE(m.hwnd, a);
  }
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

TEST_F(Timers, EarliestDueFirstNotDueNotDeliveredKilledNeverDelivered) {
  HWND w = Create(0);
  SetTimer(w, 1, 300, nullptr);
  SetTimer(w, 2, 100, nullptr);
  SetTimer(w, 3, 300, nullptr);
  AdvanceClock(299);
  EXPECT_EQ(Next().wParam, 2u);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
  KillTimer(w, 3);
  AdvanceClock(1);
  EXPECT_EQ(Next().wParam, 1u);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
  EXPECT_FALSE(KillTimer(w, 3));
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

using Loop = WindowTest;

TEST_F(Loop, WmQuitEndsTheLoopWithItsExitCodeAfterWhatWasPostedBefore) {
  for (const int code : {0, 3, -1, 255}) {
    SCOPED_TRACE(code);
    HWND w = Create();
    ValidateRect(w, nullptr);
    PostQuitMessage(code);
    PostMessageW(w, WM_USER, 0, 0);
    MSG msg{};
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(static_cast<int>(msg.wParam), code);
    DestroyWindow(w);
  }
}

TEST_F(Loop, KeyDownTranslatesToACharacterThatComesNextWhileTheKeyStateHoldsTheModifiers) {
  HWND w = Create();
  ValidateRect(w, nullptr);
  const struct {
    UINT key;
    BYTE modifiers;
    WPARAM ch;
  } cases[] = {{'Q', 0, 'q'}, {'Q', FSHIFT, 'Q'}, {'Q', FCONTROL, 17}, {VK_RETURN, 0, 13}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.key);
    platform::QueueKeyPress(c.key, c.modifiers);
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.wParam != c.key) {
    }
    ASSERT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(GetKeyState(VK_CONTROL) < 0, (c.modifiers & FCONTROL) != 0);
    TranslateMessage(&msg);
    const MSG next = Next();
    EXPECT_EQ(next.message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(next.wParam, c.ch);
    EXPECT_EQ(next.hwnd, w);
    Drain();
    EXPECT_EQ(GetKeyState(VK_CONTROL), 0) << "released with the last message";
  }
}

} // namespace
