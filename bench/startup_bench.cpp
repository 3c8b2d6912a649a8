// Start-up benchmark: Veldaro's real start-up against a bare Qt window of the
// same size, run alternately so that both see the same machine load. Each run
// is a fresh process; first_paint_hook.cpp inside it reports the time from
// the spawn to the end of its first paint, and its resident memory once idle.
//
//   startup_bench [--runs N] [--label TEXT]
// The display is whatever QT_QPA_PLATFORM / DISPLAY say (offscreen when unset).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_options.h"
#include "bench_stats.h"
#include "child_process.h"

namespace veldaro::bench {
namespace {

// The bounds we hold Veldaro to, against the bare window.
constexpr double kPaintRatioTarget = 1.15;
constexpr double kMemoryRatioTarget = 1.2;
constexpr int kDefaultRuns = 15;

struct Sample {
  std::vector<double> paint_ms;
  std::vector<double> rss_mib;
  std::vector<double> anon_mib;
  int failed = 0;
};

bool RunOnce(std::vector<std::string> command, Sample& sample) {
  std::vector<std::string> environment;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) environment.push_back("QT_QPA_PLATFORM=offscreen");
  // Qt's chatter (no XDG_RUNTIME_DIR, raise() unsupported offscreen) is not
  // ours to show; a run that fails shows as a failed run.
  const ChildOutcome outcome = RunChild(command, environment, true);
  const double paint_us = FieldValue(outcome.output, "first_paint_us");
  const double rss_kib = FieldValue(outcome.output, "rss_kib");
  if (!outcome.exited || outcome.exit_code != 0 || paint_us < 0 || rss_kib < 0) {
    ++sample.failed;
    return false;
  }
  sample.paint_ms.push_back(paint_us / 1e3);
  sample.rss_mib.push_back(rss_kib / 1024);
  sample.anon_mib.push_back(FieldValue(outcome.output, "anon_kib") / 1024);
  return true;
}

void PrintRow(const char* name, const Sample& s) {
  const Summary paint = Summarise(s.paint_ms);
  const Summary rss = Summarise(s.rss_mib);
  const Summary anon = Summarise(s.anon_mib);
  std::printf("| %s | %zu | %.1f | %.1f | %.1f | %.1f | %.1f |\n", name, paint.count, paint.median,
              paint.p90, paint.max, rss.median, anon.median);
}

}  // namespace
}  // namespace veldaro::bench

int main(int argc, char** argv) {
  using namespace veldaro::bench;
  const BenchOptions options = ParseBenchOptions(argc, argv, kDefaultRuns, "offscreen");

  // One of each first, not counted: brings the libraries into the page cache.
  const std::vector<std::string> veldaro_command = {VELDARO_STARTUP_PROGRAM};
  const std::vector<std::string> bare_command = {BARE_WINDOW_PROGRAM};
  const std::vector<std::string> text_command = {BARE_WINDOW_PROGRAM, "--with-text"};
  Sample warm_up;
  RunOnce(veldaro_command, warm_up);
  RunOnce(bare_command, warm_up);
  RunOnce(text_command, warm_up);

  Sample veldaro;
  Sample bare;
  Sample text;
  std::vector<double> paired_paint_ratios;
  std::vector<double> paired_memory_ratios;
  for (int run = 0; run < options.runs; ++run) {
    // Alternate which goes first, so neither always follows the other.
    const bool veldaro_first = run % 2 == 0;
    bool ok_veldaro = false;
    bool ok_bare = false;
    if (veldaro_first) ok_veldaro = RunOnce(veldaro_command, veldaro);
    ok_bare = RunOnce(bare_command, bare);
    if (!veldaro_first) ok_veldaro = RunOnce(veldaro_command, veldaro);
    RunOnce(text_command, text);
    if (ok_veldaro && ok_bare) {
      paired_paint_ratios.push_back(veldaro.paint_ms.back() / bare.paint_ms.back());
      paired_memory_ratios.push_back(veldaro.rss_mib.back() / bare.rss_mib.back());
    }
  }

  const double paint_ratio = Summarise(veldaro.paint_ms).median / Summarise(bare.paint_ms).median;
  const double memory_ratio = Summarise(veldaro.rss_mib).median / Summarise(bare.rss_mib).median;
  std::printf("\n### 1. Start-up: spawn to end of first paint, idle memory — %s\n\n", options.label.c_str());
  std::printf("| program | runs | first paint median (ms) | p90 (ms) | max (ms) | RSS median (MiB) | anonymous RSS median (MiB) |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  PrintRow("veldaro", veldaro);
  PrintRow("bare Qt window", bare);
  PrintRow("bare Qt window + one line of text", text);
  std::printf("\n| ratio veldaro / bare | of medians | median of paired runs | target | |\n");
  std::printf("|---|---|---|---|---|\n");
  std::printf("| first paint | %.2f× | %.2f× | ≤ %.2f× | %s |\n", paint_ratio,
              Summarise(paired_paint_ratios).median, kPaintRatioTarget,
              Verdict(paint_ratio <= kPaintRatioTarget));
  std::printf("| resident memory | %.2f× | %.2f× | ≤ %.2f× | %s |\n", memory_ratio,
              Summarise(paired_memory_ratios).median, kMemoryRatioTarget,
              Verdict(memory_ratio <= kMemoryRatioTarget));
  std::printf("| for reference: veldaro / bare window with text | %.2f× (paint) | %.2f× (memory) | | |\n",
              Summarise(veldaro.paint_ms).median / Summarise(text.paint_ms).median,
              Summarise(veldaro.rss_mib).median / Summarise(text.rss_mib).median);
  if (veldaro.failed + bare.failed > 0) {
    std::printf("\nFailed runs (no paint reported): veldaro %d, bare %d\n", veldaro.failed, bare.failed);
  }
  return 0;
}
