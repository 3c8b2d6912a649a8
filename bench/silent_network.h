#pragma once

#include <string>
#include <vector>

#include "network_queries.h"

namespace veldaro::bench {

// A network with nobody on it that answers at once: the scan started with
// the window finds nothing, so the start-up is measured alone, and nothing is
// sent anywhere.
class SilentNetwork final : public NetworkQueries {
 public:
  std::vector<std::string> EnumerateServers() override { return {}; }
  std::string ResolveIPv4Text(const std::string&) override { return {}; }
  std::string LookUpMacText(const std::string&) override { return {}; }
};

}  // namespace veldaro::bench
