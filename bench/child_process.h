// Child programs of the benchmarks: started with arguments and environment through
// bench_launch (beside this program), timed from the fork to the first piece of
// output that holds one of the markers, and their own peak memory as bench_launch
// reads it from the kernel when they end.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct ChildRun {
  double toMarkerMs = -1; // from the start to the first output holding a marker
  long peakKb = 0;
  int status = -1; // as wait4 gives it
  std::string output;
};

inline std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The number after `key` (a whole word at the start of a line) in `output`, or -1.
inline long long LaunchFigure(const std::string &output, const std::string &key) {
  for (std::size_t at = output.find(key + " "); at != std::string::npos;
       at = output.find(key + " ", at + 1)) {
    if (at == 0 || output[at - 1] == '\n') {
      return std::atoll(output.c_str() + at + key.size() + 1);
    }
  }
  return -1;
}

inline ChildRun RunChild(const std::string &path, const std::vector<std::string> &args,
                         const std::vector<std::pair<std::string, std::string>> &env,
                         const std::vector<std::string> &markers) {
  // The launcher lies beside this program (its own path, even for /proc/self/exe).
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) {
    return {};
  }
  std::string launcher(self, static_cast<std::size_t>(length));
  launcher = launcher.substr(0, launcher.rfind('/') + 1) + "bench_launch";
  const std::string program =
      path == "/proc/self/exe" ? std::string(self, static_cast<std::size_t>(length)) : path;
  int fds[2];
  if (pipe(fds) != 0) {
    return {};
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    for (const auto &[name, value] : env) {
      setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<char *> argv{const_cast<char *>(launcher.c_str()),
                             const_cast<char *>(program.c_str())};
    for (const std::string &a : args) {
      argv.push_back(const_cast<char *>(a.c_str()));
    }
    argv.push_back(nullptr);
    execv(launcher.c_str(), argv.data());
    std::_Exit(127);
  }
  close(fds[1]);
  ChildRun run;
  std::int64_t markerNs = -1;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
    run.output.append(buffer, static_cast<std::size_t>(n));
    for (const std::string &marker : markers) {
      if (markerNs < 0 && run.output.find(marker) != std::string::npos) {
        markerNs = NowNs();
      }
    }
  }
  close(fds[0]);
  int launcherStatus = -1;
  waitpid(pid, &launcherStatus, 0);
  // The child's start is the launcher's fork, so its own exec is not counted.
  const long long launchNs = LaunchFigure(run.output, "launch_ns");
  if (markerNs >= 0 && launchNs > 0) {
    run.toMarkerMs = static_cast<double>(markerNs - launchNs) / 1e6;
  }
  run.peakKb = static_cast<long>(LaunchFigure(run.output, "peak_kb"));
  const auto statusAt = run.output.rfind(" status ");
  if (WIFEXITED(launcherStatus) && WEXITSTATUS(launcherStatus) == 0 &&
      statusAt != std::string::npos) {
    run.status = std::atoi(run.output.c_str() + statusAt + 8);
  }
  return run;
}

} // namespace bench
