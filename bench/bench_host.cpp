// The hosts: from a tap to the frame on screen in the desktop host, and memory over a
// long game. The bare SDL2 program below is the yardstick of the game's start
// (bench_shell.cpp).
//
// TapToFrame pushes a pen press and release into SDL's queue and runs the message
// loop as the program does: the desktop host takes them in, a window repaints on
// pen-up, and the clock stops when the loop has handed the next frame to the
// display. The
// window's own paint is timed apart, so `host_ms` is what the host adds beyond it;
// `refreshes` puts that against the display's refresh interval.
//
// PeakMemoryOverLongPlay runs the headless program on a script of 1,000 taps and
// on one of 100,000, and puts the two peaks side by side.
#include <windows.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/child_process.h"
#include "bench/pen_events.h"
#include "device/device.h"
#include "host/sdl_host.h"
#include "user/window.h"

namespace {

using bench::NowNs;

// Without a display the benchmarks use SDL's dummy video driver.
void ChooseVideoDriver() {
  const char *display = std::getenv("DISPLAY");
  const char *wayland = std::getenv("WAYLAND_DISPLAY");
  if ((display == nullptr || *display == 0) && (wayland == nullptr || *wayland == 0)) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
  }
}

// ---- The bare SDL2 program: this binary started with BJ_BENCH_BARE_SDL=1; it opens a
// window, presents one frame and prints "presented" ----

[[noreturn]] void BareSdlFrame() {
  ChooseVideoDriver();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::printf("failed %s\n", SDL_GetError());
    std::_Exit(1);
  }
  SDL_Window *window =
      SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 240, 320, 0);
  SDL_Renderer *renderer = window != nullptr ? SDL_CreateRenderer(window, -1, 0) : nullptr;
  if (renderer == nullptr) {
    std::printf("failed %s\n", SDL_GetError());
    std::_Exit(1);
  }
  SDL_SetRenderDrawColor(renderer, 0, 96, 0, 255);
  SDL_RenderClear(renderer);
  SDL_RenderPresent(renderer);
  std::printf("presented\n");
  std::fflush(stdout);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  std::_Exit(0);
}

[[maybe_unused]] const bool bareSdlChild = [] {
  if (const char *flag = std::getenv("BJ_BENCH_BARE_SDL"); flag != nullptr && *flag == '1') {
    BareSdlFrame();
  }
  return false;
}();

std::string SelfPath() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

std::string BlackjackPath() {
  const std::string self = SelfPath();
  return self.substr(0, self.rfind('/')) + "/../platform/host/blackjack";
}

// ---- Memory over a long game ----

// A script of `taps` taps spread over the whole screen, a short wait after each,
// so that the program paints, plays its sounds and runs its timers throughout.
std::string WriteTapScript(int taps) {
  const std::string path =
      "/tmp/bench_host_taps_" + std::to_string(getpid()) + "_" + std::to_string(taps) + ".txt";
  std::FILE *file = std::fopen(path.c_str(), "w");
  if (file == nullptr) {
    return "";
  }
  for (int i = 0; i < taps; ++i) {
    std::fprintf(file, "tap %d %d\nwait 40\n", (i * 37) % 240, 26 + (i * 53) % 294);
  }
  std::fclose(file);
  return path;
}

// The headless program's peak memory after 1,000 and after 100,000 taps: a
// program that keeps no record of what it did stays flat.
void PeakMemoryOverLongPlay(benchmark::State &state) {
  const std::string blackjack = BlackjackPath();
  if (access(blackjack.c_str(), X_OK) != 0) {
    state.SkipWithError("build the blackjack target first");
    return;
  }
  const std::string profile = "/tmp/bench_host_profile_" + std::to_string(getpid());
  const std::string shortScript = WriteTapScript(1000);
  const std::string longScript = WriteTapScript(100000);
  long shortKb = 0;
  long longKb = 0;
  for (auto _ : state) {
    const bench::ChildRun shortRun = bench::RunChild(
        blackjack, {"--script", shortScript, "--profile", profile, "--mute"}, {}, {});
    const bench::ChildRun longRun = bench::RunChild(
        blackjack, {"--script", longScript, "--profile", profile, "--mute"}, {}, {});
    if (shortRun.status != 0 || longRun.status != 0) {
      state.SkipWithError("a scripted run failed");
      break;
    }
    shortKb = std::max(shortKb, shortRun.peakKb);
    longKb = std::max(longKb, longRun.peakKb);
  }
  std::remove(shortScript.c_str());
  std::remove(longScript.c_str());
  state.counters["peak_1000_taps_kb"] = static_cast<double>(shortKb);
  state.counters["peak_100000_taps_kb"] = static_cast<double>(longKb);
  state.counters["growth_kb"] = static_cast<double>(longKb - shortKb);
}
BENCHMARK(PeakMemoryOverLongPlay)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// ---- From a tap to the frame on screen ----

std::int64_t paintNs = 0;

LRESULT CALLBACK TapWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_LBUTTONUP:
    InvalidateRect(hwnd, nullptr, FALSE);
    return 0;
  case WM_PAINT: {
    const std::int64_t start = NowNs();
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwnd, &ps);
    static int shade = 0;
    shade = (shade + 37) & 0xFF;
    const HBRUSH brush = CreateSolidBrush(RGB(0, shade, 0));
    FillRect(dc, &ps.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    paintNs += NowNs() - start;
    return 0;
  }
  default:
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

void TapToFrame(benchmark::State &state) {
  ChooseVideoDriver();
  platform::DeviceConfig config;
  config.virtualClock = false;
  platform::StartDevice(config);
  std::string error;
  auto host = platform::SdlHost::Open(2, &error);
  if (!host) {
    state.SkipWithError(error.c_str());
    platform::StopDevice();
    return;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = TapWindowProc;
  wc.lpszClassName = u"TapBench";
  RegisterClassW(&wc);
  const HWND hwnd =
      CreateWindowExW(0, u"TapBench", u"Tap", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  UpdateWindow(hwnd);
  platform::SetCurrentHost(host.get());
  bench::RunUntilFrame(*host, hwnd); // the window's first frame
  bench::DrainEvents();
  std::int64_t totalNs = 0;
  paintNs = 0;
  for (auto _ : state) {
    const std::int64_t start = NowNs();
    bench::PushPen(SDL_MOUSEBUTTONDOWN, 240, 400);
    bench::PushPen(SDL_MOUSEBUTTONUP, 240, 400);
    // WM_LBUTTONDOWN, WM_LBUTTONUP, WM_PAINT, the frame
    if (bench::RunUntilFrame(*host, hwnd) < 0) {
      state.SkipWithError("the tap brought no frame to the screen");
      break;
    }
    totalNs += host->LastPresentNs() - start;
  }
  platform::SetCurrentHost(nullptr);
  SDL_DisplayMode mode{};
  const int refreshHz =
      SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0 ? mode.refresh_rate : 60;
  const auto n = static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
  const double totalMs = static_cast<double>(totalNs) / 1e6 / n;
  const double gameMs = static_cast<double>(paintNs) / 1e6 / n;
  state.counters["tap_to_frame_ms"] = totalMs;
  state.counters["paint_ms"] = gameMs;
  state.counters["host_ms"] = totalMs - gameMs;
  state.counters["refresh_ms"] = 1000.0 / refreshHz;
  state.counters["refreshes"] = (totalMs - gameMs) * refreshHz / 1000.0;
  state.SetLabel(SDL_GetCurrentVideoDriver());
  host.reset();
  platform::StopDevice();
}
BENCHMARK(TapToFrame)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
