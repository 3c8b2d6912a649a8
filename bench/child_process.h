#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veldaro::bench {

// What a finished child process left behind.
struct ChildOutcome {
  bool started = false;
  bool exited = false;  // ended by exit(), not by a signal
  int exit_code = -1;
  std::string output;            // its whole standard output
  std::int64_t spawned_ns = 0;   // monotonic stamp taken just before the spawn
  std::int64_t reaped_ns = 0;    // monotonic stamp taken as soon as it was reaped
};

// The variable through which a child learns `spawned_ns`, so that it can
// measure its own start-up from the moment its parent asked for it.
inline constexpr char kSpawnStampVariable[] = "VELDARO_BENCH_SPAWN_NS";

// Runs `argv` with this process's environment plus `extra_environment`
// ("NAME=value" entries, which win) and `kSpawnStampVariable`, collects its
// standard output (its standard error goes where ours goes unless
// `quiet_errors`) and waits for it to end.
ChildOutcome RunChild(const std::vector<std::string>& argv,
                      const std::vector<std::string>& extra_environment = {},
                      bool quiet_errors = false);

// The value of NAME=value in `output` (a line or a space-separated field), or
// `fallback` when absent.
double FieldValue(const std::string& output, const std::string& name, double fallback = -1);

}  // namespace veldaro::bench
