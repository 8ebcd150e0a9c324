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
#include "host/recording.h"
#include "host/timeline.h"
#include "testing/testing.h"
#include "host/trace.h"

namespace {

using platform::ScriptCommand;

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD tick;
  bool operator==(const Received &) const = default;
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

// One field of every message of a kind the program saw.
template <typename T> std::vector<T> FieldOf(UINT message, T Received::*field) {
  std::vector<T> out;
  for (const Received &r : SeenOf(message)) {
    out.push_back(r.*field);
  }
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

// Runs the script through the program on the current device.
platform::HeadlessRun Play(const std::string &script) {
  platform::ScriptReader reader(std::make_unique<std::istringstream>(script));
  return platform::RunHeadless(reader, ProgramMain, nullptr);
}

class Headless : public ::testing::Test {
protected:
  Headless() { State() = Program{}; }

  platform::test::HeadlessDevice device_;
};

TEST_F(Headless, TapsKeysRotateAndCloseReachTheProgram) {
  const auto run =
      Play("tap 10 40\ndown 100 300\nup 239 319\nkey ctrl+q\nrotate\nclose\ntap 1 100\n");
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_TRUE(run.error.empty()) << run.error;
  // In client coordinates; the tap after the close never comes, the program having ended.
  EXPECT_EQ(FieldOf(WM_LBUTTONDOWN, &Received::lParam),
            (std::vector<LPARAM>{MAKELPARAM(10, 14), MAKELPARAM(100, 274)}));
  EXPECT_EQ(FieldOf(WM_LBUTTONUP, &Received::lParam),
            (std::vector<LPARAM>{MAKELPARAM(10, 14), MAKELPARAM(239, 293)}));
  EXPECT_EQ(FieldOf(WM_KEYDOWN, &Received::wParam), (std::vector<WPARAM>{VK_CONTROL, 'Q'}));
  EXPECT_EQ(SeenOf(WM_SETTINGCHANGE).size(), 1u);
  EXPECT_EQ(SeenOf(WM_CLOSE).size(), 1u);
}

// The end of the script closes the program.
TEST_F(Headless, OnlyWaitRunsTheVirtualClockThroughEachTimer) {
  State().timerMs = 300;
  const auto run = Play("tap 5 50\nwait 1000\ntap 5 50\n");
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_EQ(SeenOf(WM_CLOSE).size(), 1u);
  EXPECT_GE(run.frames, 1);
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
  const auto run = Play("tap 5 50\n");
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
    const auto run = Play(c.script);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.script;
    EXPECT_EQ(run.error.rfind(c.error, 0), 0u) << run.error;
    EXPECT_LE(SeenOf(WM_LBUTTONUP).size(), 1u) << "nothing runs after the error";
    EXPECT_EQ(SeenOf(WM_CLOSE).size(), 1u) << "the program is closed";
  }
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(Headless, TheTraceHasALinePerSoundAndPerTimerSetOrKilled) {
  const std::string path = ::testing::TempDir() + "/" + std::to_string(::getpid()) + "_trace.txt";
  ASSERT_TRUE(platform::OpenTrace(path));
  State().timerMs = 300;
  State().killAfter = 2;
  Play("wait 250\ntap 5 50\nwait 1000\ntap 5 60\n");
  platform::CloseTrace();
  EXPECT_EQ(ReadFile(path), "0 timer set 1025 300\n"
                            "250 sound FLIP SND_RESOURCE|SND_ASYNC|SND_NODEFAULT\n"
                            "600 timer kill 1025\n"
                            "1250 sound FLIP SND_RESOURCE|SND_ASYNC|SND_NODEFAULT\n");
  std::remove(path.c_str());
}

// A desktop front end in miniature: the user's input comes in through a Timeline
// whose real clock is the test's, which sleeps by moving it.
class LiveHost : public platform::Host {
public:
  LiveHost(platform::Timeline &timeline, std::int64_t &realMs)
      : timeline_(timeline), realMs_(realMs) {}
  void WaitForEvents(std::uint64_t deadlineMs) override {
    std::uint64_t sleepMs = 0;
    while (!timeline_.Step(deadlineMs, &sleepMs)) {
      ASSERT_TRUE(timeline_.HasPending() || deadlineMs != platform::kNoDeadline);
      realMs_ += static_cast<std::int64_t>(std::min<std::uint64_t>(sleepMs, 50));
    }
  }
  void Present(const platform::Frame &) override {}

private:
  platform::Timeline &timeline_;
  std::int64_t &realMs_;
};

// The machine is busy when the game starts: real time is a second on before the
// program first waits. Each timer still fires at its own device time, before the
// actions that came after it, and the recording replays headless to exactly the
// same messages at the same times.
TEST(Recordings, AGameRecordedOnABusyMachineReplaysTheSameMessagesAtTheSameTimes) {
  using platform::InputEvent;
  using platform::InputKind;
  auto live = std::make_unique<platform::test::HeadlessDevice>();
  State() = Program{};
  State().timerMs = 300;
  std::int64_t realMs = 0;
  platform::Timeline timeline([&] { return realMs; });
  const std::string path = ::testing::TempDir() + "recording.txt";
  const platform::RecordingHeader header{.version = "test", .width = 240, .height = 320, .dpi = 96};
  std::string error;
  auto recorder = platform::Recorder::Create(path, header, &error);
  ASSERT_TRUE(recorder) << error;
  const std::pair<InputEvent, std::uint64_t> events[] = {
      {{InputKind::PenDown, {20, 60}}, 450},
      {{InputKind::PenMove, {24, 61}}, 450},
      {{InputKind::PenUp, {24, 61}}, 460},
      {{InputKind::KeyDown, {}, VK_CONTROL}, 700},
      {{InputKind::KeyUp, {}, VK_CONTROL}, 720},
      {{InputKind::Turn}, 900},
      {{InputKind::Close}, 1400},
  };
  for (const auto &[event, at] : events) {
    timeline.Add(event, at);
  }
  realMs = 1000;
  LiveHost host(timeline, realMs);
  platform::SetCurrentHost(&host);
  EXPECT_EQ(ProgramMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL), 7);
  platform::SetCurrentHost(nullptr);
  recorder.reset();
  live.reset();
  // WM_CREATE's record and WM_ERASEBKGND's DC are the run's own.
  const auto messages = [] {
    std::vector<Received> seen = State().seen;
    for (Received &r : seen) {
      r.lParam = r.message == WM_CREATE ? 0 : r.lParam;
      r.wParam = r.message == WM_ERASEBKGND ? 0 : r.wParam;
    }
    return seen;
  };
  const std::vector<Received> played = messages();
  EXPECT_EQ(FieldOf(WM_TIMER, &Received::tick), (std::vector<DWORD>{300, 600, 900, 1200}));
  EXPECT_EQ(SeenOf(WM_MOUSEMOVE).size(), 1u);

  const std::string text = ReadFile(path);
  std::remove(path.c_str());
  platform::RecordingHeader read;
  std::string script;
  ASSERT_TRUE(platform::ReadRecording(text, "test", &read, &script, &error)) << error;
  platform::test::HeadlessDevice fresh;
  State() = Program{};
  State().timerMs = 300;
  const auto replay = Play(script);
  EXPECT_EQ(replay.exitCode, 7) << replay.error;
  EXPECT_TRUE(messages() == played) << text;
}

// A recording is refused, in one line naming what is wrong, unless it is this
// program's, of this version and whole; a last line without its break is where
// the recording was cut, and the rest replays.
TEST(Recordings, DamagedAndForeignOnesAreRefusedAndACutOneReplaysUpToItsEnd) {
  const std::string head = "# BlackJack recording: replay it with `blackjack --replay FILE`\n";
  const std::string fields =
      "#: version 1.0.0\n#: screen 240x320\n#: dpi 96\n#: os ce4\n#: clock 12:00:17\n";
  struct Case {
    std::string text;
    const char *error;    // a part of the error, or null for a recording that reads
    std::size_t commands; // in a recording that reads
  };
  const Case cases[] = {
      {"tap 10 10\n", "not a recording of this program", 0},
      {head + "#: version 0.9.0\n#: screen 240x320\n#: dpi 96\n#: os ce4\n#: clock 12:00:17\n",
       "recorded by blackjack 0.9.0", 0},
      {head + "#: version 1.0.0\n#: screen 240x320\n#: dpi 96\n#: os ce4\n", "has no clock", 0},
      {head + fields + "#: dpi 9000\n", "line 7: bad dpi '9000'", 0},
      {head + fields + "#: colour blue\n", "line 7: unknown header field 'colour'", 0},
      {head + fields + "#: os ce9\n", "line 7: bad os 'ce9'", 0},
      {head + fields + "wait 20\ntap 5\n", "line 8: expected: tap X Y", 0},
      {head + fields + "wait 20\ndown 1 2\nup 1 2\n", nullptr, 3},
      {head + fields + "wait 20\ndown 1 2\nup 1", nullptr, 2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    platform::RecordingHeader header;
    std::string script;
    std::string error;
    const bool read = platform::ReadRecording(c.text, "1.0.0", &header, &script, &error);
    if (c.error != nullptr) {
      EXPECT_FALSE(read);
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      EXPECT_EQ(error.find('\n'), std::string::npos);
      continue;
    }
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(header.os.name, "ce4");
    EXPECT_EQ(header.clock.wSecond, 17);
    std::vector<ScriptCommand> commands;
    ASSERT_TRUE(platform::ParseScript(script, &commands, &error));
    ASSERT_EQ(commands.size(), c.commands) << "a cut line is left out";
    EXPECT_EQ(commands[1].line, 8) << "the lines keep their numbers";
  }
}

} // namespace
