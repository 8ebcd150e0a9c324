// The message queue: retrieval order, paint and timer rules, the end of the loop.
#include <windows.h>

#include <gtest/gtest.h>

#include "host/testing.h"
#include "user/input.h"
#include "window_fixture.h"

namespace {

using platform::InputEvent;
using platform::InputKind;
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
  HWND w = Create();
  SetTimer(w, 7, 100, nullptr);
  platform::test::AdvanceClock(100);
  PostQuitMessage(4);
  platform::QueueInput(InputEvent{InputKind::PenUp, {10, 100}, 0});
  PostMessageW(w, WM_USER + 1, 0, 0);
  // The window has its first paint pending since it was created visible.
  EXPECT_EQ(Kinds(Drain()), (std::vector<UINT>{WM_USER + 1, WM_LBUTTONUP, WM_QUIT}));
  EXPECT_EQ(Kinds(Drain()), (std::vector<UINT>{WM_PAINT, WM_TIMER}));
}

TEST_F(MessageOrder, TheFirstMessageForEachMixOfWaitingWork) {
  struct Case {
    const char *name;
    bool posted, input, quit, paint, timer;
    UINT first;
  };
  const Case cases[] = {
      {"posted beats everything", true, true, true, true, true, WM_USER},
      {"input beats quit", false, true, true, true, true, WM_LBUTTONDOWN},
      {"quit beats paint", false, false, true, true, true, WM_QUIT},
      {"paint beats timer", false, false, false, true, true, WM_PAINT},
      {"a due timer alone", false, false, false, false, true, WM_TIMER},
      {"posted beats paint", true, false, false, true, false, WM_USER},
      {"input beats timer", false, true, false, false, true, WM_LBUTTONDOWN},
      {"nothing", false, false, false, false, false, WM_NULL},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    platform::test::HeadlessDevice fresh;
    WNDCLASSW wc{};
    wc.lpfnWndProc = usertest::RecordingProc;
    wc.lpszClassName = u"Recording";
    RegisterClassW(&wc);
    HWND w = Create();
    ValidateRect(w, nullptr);
    if (c.timer) {
      SetTimer(w, 1, 50, nullptr);
      platform::test::AdvanceClock(50);
    }
    if (c.paint) {
      InvalidateRect(w, nullptr, FALSE);
    }
    if (c.quit) {
      PostQuitMessage(0);
    }
    if (c.input) {
      platform::QueueInput(InputEvent{InputKind::PenDown, {20, 60}, 0});
    }
    if (c.posted) {
      PostMessageW(w, WM_USER, 0, 0);
    }
    EXPECT_EQ(Next().message, c.first);
  }
}

TEST_F(MessageOrder, PeekWithoutRemovingLeavesTheMessage) {
  HWND w = Create();
  ValidateRect(w, nullptr);
  PostMessageW(w, WM_USER, 1, 2);
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageOrder, FiltersByWindowAndRange) {
  HWND a = Create();
  HWND b = Create();
  ValidateRect(a, nullptr);
  ValidateRect(b, nullptr);
  PostMessageW(a, WM_USER, 0, 0);
  PostMessageW(b, WM_USER + 5, 0, 0);
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, b);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 1, WM_USER + 9, PM_REMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, a);
}

TEST_F(MessageOrder, PostingToAStaleWindowFailsAndDestroyingDropsItsMessages) {
  HWND a = Create();
  HWND b = Create();
  ValidateRect(a, nullptr);
  ValidateRect(b, nullptr);
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
  for (const std::uint64_t busyMs : {100u, 101u, 250u, 1000u, 60000u}) {
    SCOPED_TRACE(busyMs);
    platform::test::HeadlessDevice fresh;
    HWND w = platform::test::CreatePlainWindow();
    ValidateRect(w, nullptr);
    SetTimer(w, 3, 100, nullptr);
    platform::test::AdvanceClock(busyMs);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "a second WM_TIMER piled up";
    // The next one is a whole period after the one just taken.
    platform::test::AdvanceClock(99);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    platform::test::AdvanceClock(1);
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  }
}

TEST_F(Timers, NotDueNotDeliveredAndKilledNeverDelivered) {
  HWND w = Create();
  ValidateRect(w, nullptr);
  SetTimer(w, 1, 300, nullptr);
  SetTimer(w, 2, 300, nullptr);
  platform::test::AdvanceClock(299);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
  KillTimer(w, 2);
  platform::test::AdvanceClock(1);
  const auto all = Drain();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].wParam, 1u);
  EXPECT_FALSE(KillTimer(w, 2));
}

TEST_F(Timers, TheEarliestDueTimerComesFirst) {
  HWND w = Create();
  ValidateRect(w, nullptr);
  SetTimer(w, 1, 300, nullptr);
  SetTimer(w, 2, 100, nullptr);
  platform::test::AdvanceClock(300);
  EXPECT_EQ(Next().wParam, 2u);
  EXPECT_EQ(Next().wParam, 1u);
}

std::vector<UINT_PTR> &Callbacks() {
  static std::vector<UINT_PTR> ids;
  return ids;
}

TEST_F(Timers, ATimerWithACallbackCallsItInsteadOfTheWindowProcedure) {
  Callbacks().clear();
  HWND w = Create();
  ValidateRect(w, nullptr);
  SetTimer(w, 9, 10, [](HWND, UINT, UINT_PTR id, DWORD) { Callbacks().push_back(id); });
  platform::test::AdvanceClock(10);
  Drain();
  EXPECT_EQ(Callbacks(), (std::vector<UINT_PTR>{9}));
  EXPECT_TRUE(LogOf(WM_TIMER).empty());
}

TEST_F(Timers, GetMessageWaitsForTheNextTimerOnTheVirtualClock) {
  HWND w = Create();
  ValidateRect(w, nullptr);
  SetTimer(w, 1, 300, nullptr);
  MSG msg{};
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(GetTickCount(), 300u);
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(GetTickCount(), 600u);
}

using Paint = WindowTest;

TEST_F(Paint, UpdateWindowPaintsBeforeItReturnsAndLeavesNothingQueued) {
  HWND w = Create();
  Log().clear();
  ASSERT_TRUE(UpdateWindow(w));
  EXPECT_EQ(LogOf(WM_PAINT).size(), 1u);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
  // Nothing to paint: no WM_PAINT at all.
  Log().clear();
  UpdateWindow(w);
  EXPECT_TRUE(LogOf(WM_PAINT).empty());
}

TEST_F(Paint, AValidatedWindowGetsNoFurtherPaint) {
  struct Case {
    const char *name;
    void (*validate)(HWND);
    bool stillPending;
  };
  const Case cases[] = {
      {"ValidateRect of all", [](HWND h) { ValidateRect(h, nullptr); }, false},
      {"ValidateRect of a covering rectangle",
       [](HWND h) {
         const RECT all{-5, -5, 1000, 1000};
         ValidateRect(h, &all);
       },
       false},
      {"DefWindowProcW on WM_PAINT", [](HWND h) { DefWindowProcW(h, WM_PAINT, 0, 0); }, false},
      {"ValidateRect of a part",
       [](HWND h) {
         const RECT part{0, 0, 10, 10};
         ValidateRect(h, &part);
       },
       true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Create();
    InvalidateRect(w, nullptr, TRUE);
    c.validate(w);
    MSG msg{};
    const bool paint = PeekMessageW(&msg, w, WM_PAINT, WM_PAINT, PM_NOREMOVE) != FALSE;
    EXPECT_EQ(paint, c.stillPending);
    DestroyWindow(w);
  }
}

TEST_F(Paint, AnUnvalidatedWindowKeepsGettingPaint) {
  // A procedure that ignores WM_PAINT leaves the region invalid, as on the device.
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; };
  wc.lpszClassName = u"Ignoring";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, u"Ignoring", u"", WS_VISIBLE, 0, 30, 50, 50, nullptr, nullptr,
                           nullptr, nullptr);
  for (int i = 0; i < 3; ++i) {
    const MSG msg = Next();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageW(&msg);
  }
  ValidateRect(w, nullptr);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
}

TEST_F(Paint, AHiddenWindowIsNotPainted) {
  HWND w = Create(0);
  InvalidateRect(w, nullptr, TRUE);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_NULL));
  ShowWindow(w, SW_SHOW);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_PAINT));
}

TEST_F(Paint, WhatAPopUpUncoversIsRepaintedBelow) {
  struct Case {
    const char *name;
    void (*uncover)(HWND popup);
    RECT expected; // the main window's update rectangle, client coordinates
  };
  const Case cases[] = {
      {"destroyed", [](HWND p) { DestroyWindow(p); }, {20, 14, 120, 74}},
      {"hidden", [](HWND p) { ShowWindow(p, SW_HIDE); }, {20, 14, 120, 74}},
      {"moved right by 50", [](HWND p) { MoveWindow(p, 70, 40, 100, 60, TRUE); }, {20, 14, 70, 74}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    platform::test::HeadlessDevice fresh;
    WNDCLASSW wc{};
    wc.lpfnWndProc = usertest::RecordingProc;
    wc.lpszClassName = u"Recording";
    RegisterClassW(&wc);
    HWND main = Create(); // (0, 26, 240, 320)
    const RECT popupRect{20, 40, 120, 100};
    HWND popup = Create(WS_VISIBLE | WS_POPUP, &popupRect, main);
    Drain();
    Log().clear();
    c.uncover(popup);
    RECT update{};
    ASSERT_TRUE(GetUpdateRect(main, &update, FALSE));
    EXPECT_EQ(update.left, c.expected.left);
    EXPECT_EQ(update.top, c.expected.top);
    EXPECT_EQ(update.right, c.expected.right);
    EXPECT_EQ(update.bottom, c.expected.bottom);
    Drain();
    ASSERT_EQ(LogOf(WM_PAINT).size(), 1u);
    EXPECT_EQ(LogOf(WM_PAINT)[0].hwnd, main);
  }
}

TEST_F(Paint, InvalidatingAParentRepaintsItsChildrenUnlessItClipsThem) {
  for (const DWORD clip : {DWORD{0}, static_cast<DWORD>(WS_CLIPCHILDREN)}) {
    SCOPED_TRACE(clip);
    HWND parent = Create(WS_VISIBLE | clip);
    const RECT childRect{10, 10, 50, 50};
    HWND child = Create(WS_VISIBLE | WS_CHILD, &childRect, parent);
    Drain();
    Log().clear();
    InvalidateRect(parent, nullptr, FALSE);
    Drain();
    const auto paints = LogOf(WM_PAINT);
    ASSERT_FALSE(paints.empty());
    EXPECT_EQ(paints[0].hwnd, parent) << "the parent paints before its child";
    EXPECT_EQ(paints.size(), clip == 0 ? 2u : 1u);
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(child));
  }
}

using Loop = WindowTest;

TEST_F(Loop, WmQuitEndsTheLoopWithItsExitCode) {
  for (const int code : {0, 3, -1, 255}) {
    SCOPED_TRACE(code);
    HWND w = Create();
    PostMessageW(w, WM_USER, 0, 0);
    PostMessageW(nullptr, WM_APP, static_cast<WPARAM>(code), 0);
    MSG msg{};
    int loops = 0;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
      if (msg.hwnd == nullptr && msg.message == WM_APP) {
        PostQuitMessage(static_cast<int>(msg.wParam));
      }
      DispatchMessageW(&msg);
      ASSERT_LT(++loops, 100);
    }
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(static_cast<int>(msg.wParam), code);
    DestroyWindow(w);
  }
}

TEST_F(Loop, PostedMessagesAheadOfQuitAreStillDelivered) {
  HWND w = Create();
  ValidateRect(w, nullptr);
  PostQuitMessage(0);
  PostMessageW(w, WM_USER, 0, 0);
  MSG msg{};
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
}

TEST_F(Loop, SendMessageCallsTheProcedureAtOnce) {
  HWND w = Create();
  Log().clear();
  SendMessageW(w, WM_USER + 3, 11, 12);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].wParam, 11u);
  EXPECT_EQ(Next().message, static_cast<UINT>(WM_PAINT)) << "nothing was queued by the send";
}

TEST_F(Loop, KeyDownTranslatesToACharacterThatComesNext) {
  HWND w = Create();
  ValidateRect(w, nullptr);
  struct Case {
    UINT key;
    BYTE modifiers;
    WPARAM ch;
  };
  const Case cases[] = {
      {'Q', 0, 'q'}, {'Q', FSHIFT, 'Q'}, {'Q', FCONTROL, 17}, {VK_RETURN, 0, 13}, {'7', 0, '7'}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.key);
    platform::QueueKeyPress(c.key, c.modifiers);
    std::vector<MSG> chars;
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_KEYDOWN && msg.wParam == c.key) {
        TranslateMessage(&msg);
        MSG next{};
        ASSERT_TRUE(PeekMessageW(&next, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(next.message, static_cast<UINT>(WM_CHAR));
        EXPECT_EQ(next.wParam, c.ch);
        EXPECT_EQ(next.hwnd, w);
      }
    }
  }
}

} // namespace
