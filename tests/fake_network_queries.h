#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "network_queries.h"

namespace veldaro::fakes {

// Answers from tables and records every question, from any thread.
class FakeNetworkQueries final : public NetworkQueries {
 public:
  FakeNetworkQueries(std::vector<std::string> servers, std::map<std::string, std::string> addresses,
                     std::map<std::string, std::string> macs)
      : servers_(std::move(servers)), addresses_(std::move(addresses)), macs_(std::move(macs)) {}

  std::vector<std::string> EnumerateServers() override {
    std::lock_guard lock(mutex_);
    calls_.push_back("EnumerateServers()");
    return servers_;
  }
  std::string ResolveIPv4Text(const std::string& name) override {
    std::lock_guard lock(mutex_);
    calls_.push_back("ResolveIPv4Text(" + name + ")");
    const auto found = addresses_.find(name);
    return found == addresses_.end() ? "" : found->second;
  }
  std::string LookUpMacText(const std::string& ipv4_text) override {
    std::lock_guard lock(mutex_);
    calls_.push_back("LookUpMacText(" + ipv4_text + ")");
    const auto found = macs_.find(ipv4_text);
    return found == macs_.end() ? "" : found->second;
  }

  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  const std::vector<std::string> servers_;
  const std::map<std::string, std::string> addresses_;
  const std::map<std::string, std::string> macs_;
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace veldaro::fakes
