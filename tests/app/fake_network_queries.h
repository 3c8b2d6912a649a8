#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "network_queries.h"

namespace veldaro::testing {

// A network that answers from a table and records every question. With
// HoldEnumeration() the next EnumerateServers calls block until Release(), so
// a test can keep a scan in the middle of its work.
class FakeNetworkQueries final : public NetworkQueries {
 public:
  explicit FakeNetworkQueries(std::vector<std::string> servers = {}) : servers_(std::move(servers)) {}

  void SetServers(std::vector<std::string> servers) {
    std::lock_guard lock(mutex_);
    servers_ = std::move(servers);
  }

  void HoldEnumeration() {
    std::lock_guard lock(mutex_);
    held_ = true;
  }

  void Release() {
    {
      std::lock_guard lock(mutex_);
      held_ = false;
    }
    released_.notify_all();
  }

  // Waits until `count` EnumerateServers calls have begun.
  void WaitForEnumerations(int count) {
    std::unique_lock lock(mutex_);
    entered_.wait(lock, [&] { return enumerations_ >= count; });
  }

  int Enumerations() const {
    std::lock_guard lock(mutex_);
    return enumerations_;
  }

  std::vector<std::string> ResolvedNames() const {
    std::lock_guard lock(mutex_);
    return resolved_;
  }

  std::vector<std::string> EnumerateServers() override {
    std::unique_lock lock(mutex_);
    ++enumerations_;
    entered_.notify_all();
    released_.wait(lock, [&] { return !held_; });
    return servers_;
  }

  std::string ResolveIPv4Text(const std::string& name) override {
    std::lock_guard lock(mutex_);
    resolved_.push_back(name);
    return "10.0.0." + std::to_string(resolved_.size());
  }

  std::string LookUpMacText(const std::string&) override { return "00-1A-2B-3C-4D-5E"; }

 private:
  mutable std::mutex mutex_;
  std::condition_variable entered_;
  std::condition_variable released_;
  std::vector<std::string> servers_;
  bool held_ = false;
  int enumerations_ = 0;
  std::vector<std::string> resolved_;
};

}  // namespace veldaro::testing
