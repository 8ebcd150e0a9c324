// The whole game: its start to the first painted frame against a bare SDL2 program, and a
// tap on a chip to the frame on screen in the desktop host.
//
// GameStartToFirstFrame runs this program again as the headless game (BJ_BENCH_GAME=
// WIDTHxHEIGHTxDPI: the device started as `blackjack --headless` starts it, the game's
// WinMain, a host that presents the first frame and then closes the game) and as the
// bare SDL2 program of bench_host.cpp (BJ_BENCH_BARE_SDL=1), both on SDL's dummy video
// driver, as a machine without a display runs them. Each child is timed from its start to
// the line it prints after its first frame; its peak resident memory is read when it
// ends. The game child also says where its time went: the resources, the window (from
// WinMain to the GameTable: the running copy looked for, the class, the window and
// its menu bar), the GameTable (decoding the eleven pictures, reading the settings,
// filling the shoe), the first paint, composing and presenting the frame, and a
// second paint of the same table. The font machinery's cold start (its
// configuration, the face) is timed apart by drawing one text before the game
// starts. Every figure is the median of the iterations, so that one run slowed by
// the machine's other work does not move it.
//
// GameTapToFrame plays the game in the desktop host: each iteration pushes a pen press
// and release on a chip (then on Clear, so that every tap changes the table), lets the
// host queue them, dispatches the messages (the game's part: the action and its paint)
// and stops the clock when the host has handed the frame to the display (its part:
// taking the events, composing, presenting).
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
#include <string>
#include <utility>
#include <vector>

#include "aygshell/shell.h"
#include "bench/child_process.h"
#include "bench/pen_events.h"
#include "device/device.h"
#include "host/sdl_host.h"
#include "kernel/module.h"
#include "shell/shell.h"

namespace {

using bench::NowNs;

double Ms(std::int64_t ns) { return static_cast<double>(ns) / 1e6; }

// ---- The headless game as a child: this binary started with BJ_BENCH_GAME set ----

std::int64_t tableStartNs = 0;
std::int64_t tableEndNs = 0;

std::unique_ptr<GameTable> TimedTable(HINSTANCE instance, HWND window) {
  tableStartNs = NowNs();
  auto table = std::make_unique<GameTable>(instance, window);
  tableEndNs = NowNs();
  return table;
}

// When the message loop first has nothing to do: the first paint is done.
std::int64_t firstIdleNs = 0;

// Takes the first frame, reports, and closes the game.
class FirstFrameHost : public platform::Host {
public:
  std::int64_t deviceNs = 0;    // starting the device and the shell's navigation bar
  std::int64_t resourcesNs = 0; // parsing the embedded .res
  std::int64_t fontsNs = 0;     // the font machinery's cold start
  std::int64_t winMainNs = 0;   // when WinMain was called

  void Present(const platform::Frame &) override {
    if (presentEnd_ == 0) {
      presentEnd_ = NowNs();
    }
  }
  void WaitForEvents(std::uint64_t) override {
    if (done_) {
      return;
    }
    done_ = true;
    const std::int64_t paintEnd = firstIdleNs;
    const std::int64_t presentEnd = presentEnd_;
    std::printf("first frame\n");
    const HWND main = FindWindowW(u"BLACKJACK", nullptr);
    InvalidateRect(main, nullptr, FALSE);
    UpdateWindow(main);
    std::printf("device_ms %.3f resources_ms %.3f fonts_ms %.3f window_ms %.3f table_ms %.3f "
                "first_paint_ms %.3f present_ms %.3f second_paint_ms %.3f\n",
                Ms(deviceNs), Ms(resourcesNs), Ms(fontsNs), Ms(tableStartNs - winMainNs),
                Ms(tableEndNs - tableStartNs), Ms(paintEnd - tableEndNs), Ms(presentEnd - paintEnd),
                Ms(NowNs() - presentEnd));
    std::fflush(stdout);
    PostMessageW(main, WM_CLOSE, 0, 0);
  }

private:
  bool done_ = false;
  std::int64_t presentEnd_ = 0;
};

[[noreturn]] void GameChild(const char *screenSize) {
  platform::DeviceConfig config;
  if (std::sscanf(screenSize, "%dx%dx%d", &config.width, &config.height, &config.dpi) != 3) {
    std::_Exit(2);
  }
  FirstFrameHost host;
  const std::int64_t deviceStart = NowNs();
  platform::StartDevice(config);
  platform::shell::InstallShell();
  host.deviceNs = NowNs() - deviceStart;
  const std::int64_t start = NowNs();
  std::string error;
  const HINSTANCE instance = platform::LoadModuleInPlace(platform::EmbeddedResources(), &error);
  host.resourcesNs = NowNs() - start;
  // One text in the table's face before the game starts, so that the font
  // machinery's cold start (configuration, the face) is timed on its own.
  const std::int64_t fontsStart = NowNs();
  const HDC screen = GetDC(nullptr);
  LOGFONTW face{};
  face.lfHeight = 16;
  std::char_traits<WCHAR>::copy(face.lfFaceName, u"Tahoma", 7);
  const HFONT font = CreateFontIndirectW(&face);
  const HGDIOBJ previous = SelectObject(screen, font);
  ExtTextOutW(screen, 0, 0, 0, nullptr, u"$", 1, nullptr);
  SelectObject(screen, previous);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  host.fontsNs = NowNs() - fontsStart;
  MakeGameTable = TimedTable;
  platform::RegisterIdleHook([] { firstIdleNs = firstIdleNs != 0 ? firstIdleNs : NowNs(); });
  platform::SetCurrentHost(&host);
  host.winMainNs = NowNs();
  char16_t commandLine[1] = {0};
  const int code = WinMain(instance, nullptr, commandLine, SW_SHOWNORMAL);
  std::_Exit(code);
}

[[maybe_unused]] const bool gameChild = [] {
  if (const char *screenSize = std::getenv("BJ_BENCH_GAME");
      screenSize != nullptr && *screenSize != 0) {
    GameChild(screenSize);
  }
  return false;
}();

// Runs this benchmark program again with `env` set, timed to its line saying it
// presented its first frame.
bench::ChildRun RunSelf(const std::vector<std::pair<std::string, std::string>> &env) {
  return bench::RunChild("/proc/self/exe", {}, env, {"first frame", "presented"});
}

// One number after `key` in the child's report.
double Figure(const std::string &output, const std::string &key) {
  const auto at = output.find(key + " ");
  return at == std::string::npos ? -1 : std::atof(output.c_str() + at + key.size() + 1);
}

double Median(std::vector<double> values) {
  if (values.empty()) {
    return -1;
  }
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

void GameStartToFirstFrame(benchmark::State &state, const char *screenSize) {
  static constexpr const char *Steps[] = {"device_ms",  "resources_ms",   "fonts_ms",
                                          "window_ms",  "table_ms",       "first_paint_ms",
                                          "present_ms", "second_paint_ms"};
  std::vector<double> gameMs;
  std::vector<double> bareMs;
  std::vector<double> ratios;
  std::vector<std::vector<double>> steps(std::size(Steps));
  long gameKb = 0;
  long bareKb = 0;
  for (auto _ : state) {
    const bench::ChildRun game =
        RunSelf({{"BJ_BENCH_GAME", screenSize}, {"SDL_VIDEODRIVER", "dummy"}});
    const bench::ChildRun bare =
        RunSelf({{"BJ_BENCH_BARE_SDL", "1"}, {"SDL_VIDEODRIVER", "dummy"}});
    if (game.toMarkerMs < 0 || bare.toMarkerMs < 0) {
      state.SkipWithError("a child did not reach its first frame");
      return;
    }
    gameMs.push_back(game.toMarkerMs);
    bareMs.push_back(bare.toMarkerMs);
    ratios.push_back(game.toMarkerMs / bare.toMarkerMs);
    gameKb = std::max(gameKb, game.peakKb);
    bareKb = std::max(bareKb, bare.peakKb);
    for (std::size_t i = 0; i < std::size(Steps); ++i) {
      steps[i].push_back(Figure(game.output, Steps[i]));
    }
  }
  state.counters["game_ms"] = Median(gameMs);
  state.counters["bare_sdl_ms"] = Median(bareMs);
  // The runs alternate, so each ratio sets a game against a bare program started
  // under the same load.
  state.counters["time_ratio"] = Median(ratios);
  state.counters["game_peak_kb"] = static_cast<double>(gameKb);
  state.counters["bare_sdl_peak_kb"] = static_cast<double>(bareKb);
  state.counters["memory_ratio"] = static_cast<double>(gameKb) / static_cast<double>(bareKb);
  for (std::size_t i = 0; i < std::size(Steps); ++i) {
    state.counters[Steps[i]] = Median(steps[i]);
  }
}
BENCHMARK_CAPTURE(GameStartToFirstFrame, qvga, "240x320x96")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(GameStartToFirstFrame, vga, "480x640x192")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// ---- A tap on a chip to the frame on screen, in the desktop host ----

void GameTapToFrame(benchmark::State &state) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("needs a display: run under xvfb-run");
    return;
  }
  platform::DeviceConfig config;
  config.virtualClock = false;
  platform::StartDevice(config);
  platform::shell::InstallShell();
  constexpr int Zoom = 2;
  std::string error;
  auto host = platform::SdlHost::Open(Zoom, &error);
  const HINSTANCE instance = platform::LoadModuleInPlace(platform::EmbeddedResources(), &error);
  if (!host || instance == nullptr || !InitInstance(instance, SW_SHOWNORMAL)) {
    state.SkipWithError(error.c_str());
    platform::StopDevice();
    return;
  }
  platform::SetCurrentHost(host.get());
  const HWND main = FindWindowW(u"BLACKJACK", nullptr);
  bench::RunUntilFrame(*host, main); // the first frame
  bench::DrainEvents();
  // The 5 chip and Clear, in device pixels (the table starts under the 26-pixel bar).
  constexpr POINT Taps[] = {{20, 26 + 250}, {210, 26 + 250}};
  std::int64_t totalNs = 0;
  std::int64_t gameNs = 0;
  int tap = 0;
  for (auto _ : state) {
    const POINT at = Taps[tap++ % 2];
    const std::int64_t start = NowNs();
    bench::PushPen(SDL_MOUSEBUTTONDOWN, at.x * Zoom, at.y * Zoom);
    bench::PushPen(SDL_MOUSEBUTTONUP, at.x * Zoom, at.y * Zoom);
    // The tap, the action, then WM_PAINT and the table's paint, and the frame.
    const std::int64_t dispatchNs = bench::RunUntilFrame(*host, main);
    if (dispatchNs < 0) {
      state.SkipWithError("the tap brought no frame to the screen");
      break;
    }
    gameNs += dispatchNs;
    totalNs += host->LastPresentNs() - start;
  }
  const auto n = static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
  state.counters["tap_to_frame_ms"] = Ms(totalNs) / n;
  state.counters["game_ms"] = Ms(gameNs) / n;
  state.counters["host_ms"] = Ms(totalNs - gameNs) / n;
  state.SetLabel(SDL_GetCurrentVideoDriver());
  SendMessageW(main, WM_CLOSE, 0, 0);
  platform::SetCurrentHost(nullptr);
  host.reset();
  platform::StopDevice();
}
BENCHMARK(GameTapToFrame)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
