// Closing benchmark: the time from the close request (stamped by the program
// on its UI thread just before it closes its window, with 20 scans mid-way)
// to the moment this process has reaped it. Every run must end with code 0.
//
//   closing_bench [--runs N] [--label TEXT]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_options.h"
#include "bench_stats.h"
#include "child_process.h"
#include "monotonic_clock.h"

namespace {

constexpr double kCloseTargetMs = 50;
constexpr int kDefaultRuns = 30;

}  // namespace

int main(int argc, char** argv) {
  using namespace veldaro::bench;
  const BenchOptions options = ParseBenchOptions(argc, argv, kDefaultRuns, "offscreen");
  std::vector<std::string> environment;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) environment.push_back("QT_QPA_PLATFORM=offscreen");

  std::vector<double> close_ms;
  int bad_exit = 0;
  int no_stamp = 0;
  for (int run = 0; run < options.runs; ++run) {
    const ChildOutcome outcome = RunChild({CLOSING_APP_PROGRAM}, environment, true);
    const double requested_ns = FieldValue(outcome.output, "close_request_ns");
    if (!outcome.exited || outcome.exit_code != 0) ++bad_exit;
    if (requested_ns <= 0) {
      ++no_stamp;
      continue;
    }
    close_ms.push_back((static_cast<double>(outcome.reaped_ns) - requested_ns) / 1e6);
  }

  const Summary s = Summarise(close_ms);
  std::printf("\n### 4. Closing with 20 scans mid-operation — %s\n\n", options.label.c_str());
  std::printf("| runs | exit code ≠ 0 | median (ms) | p90 (ms) | max (ms) | target | |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  std::printf("| %zu | %d | %.2f | %.2f | %.2f | ≤ %.0f ms | %s |\n", s.count, bad_exit, s.median, s.p90,
              s.max, kCloseTargetMs, Verdict(s.count > 0 && s.max <= kCloseTargetMs && bad_exit == 0));
  if (no_stamp > 0) std::printf("\n%d runs never reached 20 busy scans\n", no_stamp);
  return 0;
}
