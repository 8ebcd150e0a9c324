// Child programs of the benchmarks: started with arguments and environment, timed
// to the first piece of output that holds one of the markers, and their peak
// memory read from the kernel when they end.
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

inline ChildRun RunChild(const std::string &path, const std::vector<std::string> &args,
                         const std::vector<std::pair<std::string, std::string>> &env,
                         const std::vector<std::string> &markers) {
  int fds[2];
  if (pipe(fds) != 0) {
    return {};
  }
  const std::int64_t start = NowNs();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    for (const auto &[name, value] : env) {
      setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<char *> argv{const_cast<char *>(path.c_str())};
    for (const std::string &a : args) {
      argv.push_back(const_cast<char *>(a.c_str()));
    }
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    std::_Exit(127);
  }
  close(fds[1]);
  ChildRun run;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
    run.output.append(buffer, static_cast<std::size_t>(n));
    for (const std::string &marker : markers) {
      if (run.toMarkerMs < 0 && run.output.find(marker) != std::string::npos) {
        run.toMarkerMs = static_cast<double>(NowNs() - start) / 1e6;
      }
    }
  }
  close(fds[0]);
  rusage usage{};
  wait4(pid, &run.status, 0, &usage);
  run.peakKb = usage.ru_maxrss;
  return run;
}

} // namespace bench
