// The whole Linux back-end, as the app's start-up makes it, against the hosts
// of the simulated LAN.

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "code_page_936.h"
#include "lan_environment.h"
#include "platform_network_queries.h"
#include "split_text.h"

namespace veldaro::lan {
namespace {

// Measures one query and prints how long it took.
template <typename Query>
std::string Timed(const std::string& what, Query query) {
  const auto start = std::chrono::steady_clock::now();
  std::string result = query();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  // The terminal reading this speaks UTF-8; our texts are code page 936.
  std::printf("[ timing   ] %s -> \"%s\": %.1f ms\n", linux_net::Cp936ToUtf8(what).value_or(what).c_str(),
              result.c_str(), took.count());
  return result;
}

class NetworkQueriesLanTest : public ::testing::Test {
 protected:
  std::shared_ptr<NetworkQueries> queries_ = MakePlatformNetworkQueries();
  std::vector<LanHost> hosts_ = ReadLanHosts();
};

TEST_F(NetworkQueriesLanTest, ResolvesHostsFileAndNetbiosOnlyNames) {
  ASSERT_FALSE(hosts_.empty());
  bool saw_hosts_file = false;
  bool saw_netbios_only = false;
  for (const LanHost& host : hosts_) {
    if (host.dead) continue;
    SCOPED_TRACE(host.name);
    saw_hosts_file = saw_hosts_file || host.in_hosts_file;
    saw_netbios_only = saw_netbios_only || !host.in_hosts_file;
    EXPECT_EQ(Timed("ResolveIPv4Text " + host.name, [&] { return queries_->ResolveIPv4Text(host.name); }),
              host.ipv4);
  }
  // The LAN is meant to hold both kinds; without them this test proves little.
  EXPECT_TRUE(saw_hosts_file);
  EXPECT_TRUE(saw_netbios_only);
}

TEST_F(NetworkQueriesLanTest, NamesNobodyAnswersForResolveToNothing) {
  for (const LanHost& host : hosts_) {
    if (!host.dead || host.in_hosts_file) continue;
    SCOPED_TRACE(host.name);
    EXPECT_EQ(Timed("ResolveIPv4Text dead " + host.name, [&] { return queries_->ResolveIPv4Text(host.name); }),
              "");
  }
  EXPECT_EQ(Timed("ResolveIPv4Text unknown", [&] { return queries_->ResolveIPv4Text("NOSUCHHOST"); }), "");
}

TEST_F(NetworkQueriesLanTest, LooksUpEachLiveHostsMacAndNothingForSilentAddresses) {
  for (const LanHost& host : hosts_) {
    SCOPED_TRACE(host.name);
    EXPECT_EQ(Timed("LookUpMacText " + host.ipv4, [&] { return queries_->LookUpMacText(host.ipv4); }),
              host.dead ? "" : host.mac);
  }
  // On the LAN's subnet, but nobody uses it.
  EXPECT_EQ(Timed("LookUpMacText unused", [&] { return queries_->LookUpMacText("10.231.0.250"); }), "");
}

TEST_F(NetworkQueriesLanTest, ScanOfTheLanGivesEveryServerItsAddressAndMac) {
  // What a scan does per server name: split off the computer name, resolve
  // it, look up the MAC. The dead host keeps its row with both cells empty.
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::string> servers = queries_->EnumerateServers();
  const std::chrono::duration<double> walk = std::chrono::steady_clock::now() - start;
  std::printf("[ timing   ] EnumerateServers: %zu servers in %.2f s\n", servers.size(), walk.count());
  ASSERT_FALSE(servers.empty());
  for (const std::string& server : servers) {
    const std::vector<std::string> pieces = SplitText(server, "\\");
    ASSERT_GE(pieces.size(), 3u) << server;
    const std::string name = pieces[2];
    SCOPED_TRACE(name);
    const LanHost& host = HostNamed(hosts_, name);
    const std::string ipv4 = queries_->ResolveIPv4Text(name);
    const std::string mac = queries_->LookUpMacText(ipv4);
    EXPECT_EQ(ipv4, host.dead ? "" : host.ipv4);
    EXPECT_EQ(mac, host.dead ? "" : host.mac);
  }
}

}  // namespace
}  // namespace veldaro::lan
