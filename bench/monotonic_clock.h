#pragma once

#include <time.h>

#include <cstdint>

namespace veldaro::bench {

// Nanoseconds on the machine-wide monotonic clock: comparable between a
// parent and its children, which is how a stamp taken in one process is
// measured against a stamp taken in another.
inline std::int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

inline double NsToMs(std::int64_t ns) { return static_cast<double>(ns) / 1e6; }
inline double NsToUs(std::int64_t ns) { return static_cast<double>(ns) / 1e3; }

}  // namespace veldaro::bench
