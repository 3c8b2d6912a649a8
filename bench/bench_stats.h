#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace veldaro::bench {

// Order statistics of a sample. Benchmarks report medians (robust against a
// neighbour's compile job stealing the CPU for one run) and tails (what a user
// feels), never means.
struct Summary {
  std::size_t count = 0;
  double median = 0;
  double p90 = 0;
  double p99 = 0;
  double max = 0;
};

// The value at fraction `q` of the sorted sample, nearest rank.
inline double Quantile(const std::vector<double>& sorted, double q) {
  if (sorted.empty()) return 0;
  const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(sorted.size())));
  return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

inline Summary Summarise(std::vector<double> sample) {
  Summary s;
  if (sample.empty()) return s;
  std::sort(sample.begin(), sample.end());
  s.count = sample.size();
  const std::size_t mid = sample.size() / 2;
  s.median = sample.size() % 2 == 1 ? sample[mid] : (sample[mid - 1] + sample[mid]) / 2;
  s.p90 = Quantile(sample, 0.90);
  s.p99 = Quantile(sample, 0.99);
  s.max = sample.back();
  return s;
}

// "1.07×", or "-" when there is nothing to compare with.
inline std::string Ratio(double value, double reference) {
  if (reference <= 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f×", value / reference);
  return text;
}

// "met" / "MISSED" against an upper bound.
inline const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

}  // namespace veldaro::bench
