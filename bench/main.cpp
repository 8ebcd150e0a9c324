// The benchmark program's main: every benchmark run and reported, and the exit code
// says whether each one measured something. A benchmark that stops with an error
// (SkipWithError, with its reason) is counted as a failure, so a run where one
// cannot measure never passes for a good one.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The console report, also keeping the names of the benchmarks that failed.
class FailureCountingReporter : public benchmark::ConsoleReporter {
public:
  explicit FailureCountingReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.error_occurred) {
        failed_.push_back(run.benchmark_name() + ": " + run.error_message);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  const std::vector<std::string> &Failed() const { return failed_; }

private:
  std::vector<std::string> failed_;
};

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 2;
  }
  FailureCountingReporter reporter(isatty(STDOUT_FILENO) != 0
                                       ? benchmark::ConsoleReporter::OO_ColorTabular
                                       : benchmark::ConsoleReporter::OO_Tabular);
  const std::size_t ran = benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (ran == 0) {
    return 1; // the library has said that nothing matched
  }
  if (!reporter.Failed().empty()) {
    std::fprintf(stderr, "%zu benchmark(s) could not run:\n", reporter.Failed().size());
    for (const std::string &line : reporter.Failed()) {
      std::fprintf(stderr, "  %s\n", line.c_str());
    }
    return 1;
  }
  return 0;
}
