#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

namespace veldaro::bench {

// The options every benchmark program takes: --runs N and --label TEXT (what
// the table says about where it ran, e.g. "offscreen" or "xcb (Xvfb+openbox)").
struct BenchOptions {
  int runs = 0;
  std::string label;
};

inline BenchOptions ParseBenchOptions(int argc, char** argv, int default_runs,
                                      const char* default_label) {
  BenchOptions options{default_runs, default_label};
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0) options.runs = std::max(1, std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--label") == 0) options.label = argv[++i];
  }
  return options;
}

}  // namespace veldaro::bench
