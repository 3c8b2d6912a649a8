// The SMB neighbourhood provider against real Samba hosts of the simulated LAN.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "enumerate_servers.h"
#include "lan_environment.h"
#include "smb_resource_enumerator.h"

namespace veldaro::lan {
namespace {

using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAreArray;

std::vector<std::string> RemoteNames(const std::vector<ListedServer>& servers) {
  std::vector<std::string> names;
  for (const ListedServer& server : servers) names.push_back("\\\\" + server.name);
  return names;
}

// Every place a host of the LAN is listed, from the description alone.
std::vector<std::string> DescribedRemoteNames(const std::vector<LanHost>& hosts) {
  std::vector<std::string> names;
  for (const LanHost& host : hosts) {
    names.push_back("\\\\" + host.name);
    if (!host.also_in.empty()) names.push_back("\\\\" + host.name);
  }
  return names;
}

// Passes every level on to the real provider and prints how long each took
// to open: the walk's time per workgroup and per server.
class LevelTimingEnumerator final : public ResourceEnumerator {
 public:
  std::unique_ptr<ResourceLevel> OpenLevel(const ResourceEntry* parent) override {
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<ResourceLevel> level = real_.OpenLevel(parent);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("[ timing   ]   open %s: %s in %.1f ms\n", parent != nullptr ? parent->location.c_str() : "(root)",
                level ? "ok" : "failed", took.count());
    return level;
  }

 private:
  linux_net::SmbResourceEnumerator real_;
};

std::vector<std::string> TimedWalk(const char* what) {
  linux_net::SmbResourceEnumerator enumerator;
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::string> names = EnumerateServers(enumerator);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("[ timing   ] %s: %zu servers in %.2f s\n", what, names.size(), took.count());
  return names;
}

TEST(SmbNeighbourhoodLanTest, WalkListsTheServersOfEveryWorkgroupAsSmbtreeDoes) {
  const std::vector<LanHost> hosts = ReadLanHosts();
  ASSERT_FALSE(hosts.empty());

  const std::vector<std::string> walked = TimedWalk("walk of the neighbourhood");
  const std::vector<std::string> listed = RemoteNames(RunSmbtree());
  LevelTimingEnumerator timing;
  EXPECT_EQ(EnumerateServers(timing), walked);

  // Same order as Samba's own tool (workgroups, then servers, as the browse
  // masters send them), and every host where the LAN put it: a host listed in
  // two workgroups stands twice, and the dead host is still listed.
  EXPECT_THAT(walked, ElementsAreArray(listed));
  EXPECT_THAT(walked, UnorderedElementsAreArray(DescribedRemoteNames(hosts)));
}

TEST(SmbNeighbourhoodLanTest, ServerInTwoWorkgroupsStandsAtBothPlaces) {
  const std::vector<ListedServer> listed = RunSmbtree();
  const std::vector<std::string> walked = TimedWalk("walk for the server in two places");
  for (const LanHost& host : ReadLanHosts()) {
    if (host.also_in.empty()) continue;
    SCOPED_TRACE(host.name);
    EXPECT_EQ(std::count(walked.begin(), walked.end(), "\\\\" + host.name), 2);
    // Each time within its own workgroup's run of servers, at smbtree's place.
    for (const std::string& workgroup : {host.workgroup, host.also_in}) {
      const auto at = std::find_if(listed.begin(), listed.end(), [&](const ListedServer& s) {
        return s.workgroup == workgroup && s.name == host.name;
      });
      ASSERT_NE(at, listed.end()) << "smbtree does not list it in " << workgroup;
      const auto index = static_cast<std::size_t>(at - listed.begin());
      ASSERT_LT(index, walked.size());
      EXPECT_EQ(walked[index], "\\\\" + host.name);
    }
  }
}

TEST(SmbNeighbourhoodLanTest, ChineseNetbiosNameArrivesAsCodePage936) {
  // 测试机 in code page 936, sent so on the wire by its host. Written out as
  // bytes so that the expectation does not lean on our own conversion.
  const std::string kChineseServer = "\\\\\xB2\xE2\xCA\xD4\xBB\xFA";
  const std::vector<std::string> walked = TimedWalk("walk for the Chinese name");
  EXPECT_EQ(std::count(walked.begin(), walked.end(), kChineseServer), 1);
}

TEST(SmbNeighbourhoodLanTest, OverlappingWalksTakeTurnsAndAgree) {
  // Two scans may walk at once; libsmbclient must be kept from seeing two
  // threads at a time, and neither walk may lose what the other found.
  const std::vector<std::string> alone = TimedWalk("walk alone");
  std::vector<std::string> first;
  std::vector<std::string> second;
  std::thread a([&] { first = TimedWalk("overlapping walk 1"); });
  std::thread b([&] { second = TimedWalk("overlapping walk 2"); });
  a.join();
  b.join();
  EXPECT_EQ(first, alone);
  EXPECT_EQ(second, alone);
}

TEST(SmbNeighbourhoodLanTest, UnknownPlacesFailToOpenAndNeverThrow) {
  linux_net::SmbResourceEnumerator enumerator;
  struct Case {
    const char* what;
    const char* location;
  };
  const Case cases[] = {
      {"a workgroup nobody masters", "smb://NOSUCHGROUP"},
      {"a server nobody answers for", "smb://NOSUCHHOST"},
      {"an address nobody uses", "smb://10.231.0.250"},
      {"not an smb URL", "http://ALPHA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResourceEntry parent;
    parent.display_type = DisplayType::kServer;
    parent.usage = kUsageContainer;
    parent.location = c.location;
    EXPECT_EQ(enumerator.OpenLevel(&parent), nullptr);
  }
}

}  // namespace
}  // namespace veldaro::lan
