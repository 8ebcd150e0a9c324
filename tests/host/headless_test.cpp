// The headless host running a small program from a script: each command, the
// virtual clock, the end of the script, errors and the trace.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/headless.h"
#include "testing/testing.h"
#include "host/trace.h"

namespace {

using platform::ScriptCommand;

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD tick;
};

// What the program under test saw, and how it behaves.
struct Program {
  std::vector<Received> seen;
  bool ignoreClose = false;
  UINT timerMs = 0;  // started at creation when not 0
  int killAfter = 0; // kills the timer after this many ticks
  int ticks = 0;
};

Program &State() {
  static Program program;
  return program;
}

std::vector<Received> SeenOf(UINT message) {
  std::vector<Received> out;
  std::copy_if(State().seen.begin(), State().seen.end(), std::back_inserter(out),
               [&](const Received &r) { return r.message == message; });
  return out;
}

LRESULT CALLBACK ProgramProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Program &p = State();
  p.seen.push_back(Received{message, wParam, lParam, GetTickCount()});
  switch (message) {
  case WM_PAINT: {
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwnd, &ps);
    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, red);
    DeleteObject(red);
    EndPaint(hwnd, &ps);
    return 0;
  }
  case WM_LBUTTONUP:
    PlaySoundW(u"FLIP", nullptr, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
    return 0;
  case WM_TIMER:
    if (++p.ticks == p.killAfter) {
      KillTimer(hwnd, wParam);
    }
    return 0;
  case WM_CLOSE:
    if (!p.ignoreClose) {
      DestroyWindow(hwnd);
    }
    return 0;
  case WM_DESTROY:
    PostQuitMessage(7);
    return 0;
  default:
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

int WINAPI ProgramMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ProgramProc;
  wc.lpszClassName = u"ScriptedProgram";
  RegisterClassW(&wc);
  const HWND hwnd =
      CreateWindowExW(0, u"ScriptedProgram", u"Scripted", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (State().timerMs != 0) {
    SetTimer(hwnd, 1025, State().timerMs, nullptr);
  }
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

class Headless : public ::testing::Test {
protected:
  Headless() { State() = Program{}; }

  platform::HeadlessRun Run(const std::string &script) {
    platform::ScriptReader reader(std::make_unique<std::istringstream>(script));
    return platform::RunHeadless(reader, ProgramMain, nullptr);
  }

  platform::test::HeadlessDevice device_;
};

TEST_F(Headless, TapsKeysRotateAndCloseReachTheProgram) {
  const auto run =
      Run("tap 10 40\ndown 100 300\nup 239 319\nkey ctrl+q\nrotate\nclose\ntap 1 100\n");
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_TRUE(run.error.empty()) << run.error;
  const auto downs = SeenOf(WM_LBUTTONDOWN);
  const auto ups = SeenOf(WM_LBUTTONUP);
  ASSERT_EQ(downs.size(), 2u);
  ASSERT_EQ(ups.size(), 2u) << "the program ended at the close";
  EXPECT_EQ(downs[0].lParam, MAKELPARAM(10, 14)); // client coordinates
  EXPECT_EQ(ups[0].lParam, MAKELPARAM(10, 14));
  EXPECT_EQ(downs[1].lParam, MAKELPARAM(100, 274));
  EXPECT_EQ(ups[1].lParam, MAKELPARAM(239, 293));
  const auto keys = SeenOf(WM_KEYDOWN);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>(VK_CONTROL));
  EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>('Q'));
  EXPECT_EQ(SeenOf(WM_CHAR).size(), 1u);
  EXPECT_EQ(SeenOf(WM_SETTINGCHANGE).size(), 1u);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 320);
  EXPECT_EQ(SeenOf(WM_CLOSE).size(), 1u);
}

TEST_F(Headless, TheEndOfTheScriptClosesTheProgram) {
  const auto run = Run("");
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_EQ(SeenOf(WM_CLOSE).size(), 1u);
  EXPECT_GE(run.frames, 1);
}

TEST_F(Headless, OnlyWaitRunsTheVirtualClockThroughEachTimer) {
  State().timerMs = 300;
  const auto run = Run("tap 5 50\nwait 1000\ntap 5 50\n");
  EXPECT_EQ(run.exitCode, 7);
  std::vector<DWORD> at;
  for (const Received &r : State().seen) {
    if (r.message == WM_TIMER || r.message == WM_LBUTTONUP) {
      at.push_back(r.tick);
    }
  }
  // The second tap comes when the wait is over, not at the last timer.
  EXPECT_EQ(at, (std::vector<DWORD>{0, 300, 600, 900, 1000}));
}

TEST_F(Headless, AProgramThatWillNotEndIsStoppedWithAnError) {
  State().ignoreClose = true;
  State().timerMs = 1000;
  const auto run = Run("tap 5 50\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.error, "the program did not end after WM_CLOSE at the end of the script");
  // Its timers kept running for the grace period after the close.
  EXPECT_GE(SeenOf(WM_TIMER).size(), 60u);
}

TEST_F(Headless, RuntimeErrorsNameTheLine) {
  struct Case {
    const char *script;
    int exitCode;
    const char *error;
  };
  const Case cases[] = {
      {"tap 1 50\ntap 240 10\ntap 1 50\n", 2, "line 2: (240, 10) is outside the 240x320 screen"},
      {"rotate\ndown 10 300\n", 2, "line 2: (10, 300) is outside the 320x240 screen"},
      {"screenshot /nonexistent-folder/x.png\n", 1, "line 1: cannot write"},
  };
  for (const Case &c : cases) {
    platform::test::HeadlessDevice fresh;
    State() = Program{};
    const auto run = Run(c.script);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.script;
    EXPECT_EQ(run.error.rfind(c.error, 0), 0u) << run.error;
    EXPECT_LE(SeenOf(WM_LBUTTONUP).size(), 1u) << "nothing runs after the error";
    EXPECT_EQ(SeenOf(WM_CLOSE).size(), 1u) << "the program is closed";
  }
}

TEST_F(Headless, ABadScriptIsRefusedBeforeTheProgramStarts) {
  const auto bad = platform::test::RunScript(ProgramMain, "tap 1 50\nfly 2\n");
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.error.rfind("line 2: unknown command 'fly'", 0), 0u) << bad.error;
  EXPECT_TRUE(State().seen.empty());
}

std::string TempPath(const char *name) {
  return ::testing::TempDir() + "/" + std::to_string(::getpid()) + "_" + name;
}

std::vector<std::string> ReadLines(const std::string &path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

TEST_F(Headless, TheTraceHasALinePerSoundAndPerTimerSetOrKilled) {
  const std::string path = TempPath("trace.txt");
  ASSERT_TRUE(platform::OpenTrace(path));
  State().timerMs = 300;
  State().killAfter = 2;
  Run("wait 250\ntap 5 50\nwait 1000\ntap 5 60\n");
  platform::CloseTrace();
  EXPECT_EQ(ReadLines(path), (std::vector<std::string>{
                                 "0 timer set 1025 300",
                                 "250 sound FLIP SND_RESOURCE|SND_ASYNC|SND_NODEFAULT",
                                 "600 timer kill 1025",
                                 "1250 sound FLIP SND_RESOURCE|SND_ASYNC|SND_NODEFAULT",
                             }));
  std::remove(path.c_str());
}

} // namespace
