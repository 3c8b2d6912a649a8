#include "child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "monotonic_clock.h"

extern char** environ;

namespace veldaro::bench {
namespace {

// Owns a file descriptor.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// Owns the file actions handed to posix_spawn.
class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// Reads a child's output in chunks of this size.
constexpr std::size_t kReadChunk = 4096;

std::string NameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

}  // namespace

ChildOutcome RunChild(const std::vector<std::string>& argv,
                      const std::vector<std::string>& extra_environment, bool quiet_errors) {
  ChildOutcome outcome;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return outcome;
  UniqueFd read_end(ends[0]);
  UniqueFd write_end(ends[1]);

  SpawnActions actions;
  posix_spawn_file_actions_adddup2(actions.get(), write_end.get(), STDOUT_FILENO);
  if (quiet_errors) posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  // The environment: ours, minus what the caller overrides, plus the overrides.
  std::vector<std::string> environment;
  std::vector<std::string> overridden;
  for (const std::string& entry : extra_environment) overridden.push_back(NameOf(entry));
  overridden.push_back(kSpawnStampVariable);
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& name : overridden) replaced = replaced || NameOf(entry) == name;
    if (!replaced) environment.push_back(entry);
  }
  environment.insert(environment.end(), extra_environment.begin(), extra_environment.end());

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // The stamp goes last, as close to the spawn as it can be.
  outcome.spawned_ns = MonotonicNs();
  environment.push_back(std::string(kSpawnStampVariable) + "=" + std::to_string(outcome.spawned_ns));
  std::vector<char*> env;
  for (const std::string& e : environment) env.push_back(const_cast<char*>(e.c_str()));
  env.push_back(nullptr);

  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], actions.get(), nullptr, args.data(), env.data()) != 0) return outcome;
  outcome.started = true;
  write_end.Reset();

  char buffer[kReadChunk];
  for (;;) {
    const ssize_t n = read(read_end.get(), buffer, sizeof buffer);
    if (n > 0) {
      outcome.output.append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.reaped_ns = MonotonicNs();
  outcome.exited = WIFEXITED(status);
  outcome.exit_code = outcome.exited ? WEXITSTATUS(status) : -1;
  return outcome;
}

double FieldValue(const std::string& output, const std::string& name, double fallback) {
  const std::string key = name + "=";
  for (std::size_t at = output.find(key); at != std::string::npos; at = output.find(key, at + 1)) {
    if (at == 0 || output[at - 1] == ' ' || output[at - 1] == '\n') {
      return std::strtod(output.c_str() + at + key.size(), nullptr);
    }
  }
  return fallback;
}

}  // namespace veldaro::bench
