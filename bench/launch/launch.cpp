// Starts one child of a benchmark from a process of its own, small and fresh, and
// reports when it started it and the child's peak memory. Linux keeps the peak
// resident size a process had before an exec in what it reports after, so a child
// forked straight from the large benchmark program would report that program's
// peak; forked from here, it reports its own.
//
// Usage: bench_launch PROGRAM [ARGUMENT...], with the child's environment. Writes
// "launch_ns N" (the monotonic clock as the child is forked) before the child's own
// output, and "peak_kb N status S" (as wait4 gives them) after it.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

// Written straight to the descriptor, so nothing waits in a buffer the fork would copy.
void Say(const char *text, int length) {
  if (length > 0 && write(STDOUT_FILENO, text, static_cast<size_t>(length)) < 0) {
    _exit(126);
  }
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_launch PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  char line[96];
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  Say(line, std::snprintf(line, sizeof line, "launch_ns %lld\n",
                          static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec));
  const pid_t pid = fork();
  if (pid == 0) {
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status = -1;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
    return 1;
  }
  Say(line, std::snprintf(line, sizeof line, "peak_kb %ld status %d\n", usage.ru_maxrss, status));
  return 0;
}
