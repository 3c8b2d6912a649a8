// The whole app on the simulated LAN: its list, once the first scan is done,
// holds exactly the expected rows in walk order.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "lan_environment.h"

namespace veldaro::lan {
namespace {

std::string RunProbe() {
  const char* probe = std::getenv("VELDARO_LAN_APP_PROBE");
  if (probe == nullptr) return "";
  const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") + probe + "'";  // its complaints go to the test's log
  const std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  if (!pipe) return output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, n);
  return output;
}

TEST(AppLanTest, FillsItsListWithEveryServersNameAddressAndMacInWalkOrder) {
  ASSERT_NE(std::getenv("VELDARO_LAN_APP_PROBE"), nullptr) << "the ctest entry names the probe";
  const std::vector<LanHost> hosts = ReadLanHosts();
  std::vector<std::string> expected;
  for (const ListedServer& server : RunSmbtree()) {
    const LanHost& host = HostNamed(hosts, server.name);
    expected.push_back(host.name + "\t" + (host.dead ? "" : host.ipv4) + "\t" + (host.dead ? "" : host.mac));
  }
  ASSERT_FALSE(expected.empty());

  std::vector<std::string> rows;
  std::istringstream in(RunProbe());
  for (std::string line; std::getline(in, line);) rows.push_back(line);
  EXPECT_THAT(rows, ::testing::ElementsAreArray(expected));
}

}  // namespace
}  // namespace veldaro::lan
