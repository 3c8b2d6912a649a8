// A server's own level on the simulated LAN: the walk opens it at the address
// the server's name resolves to, and it must still hold the server's shares,
// as the level opened by name does.

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "lan_environment.h"
#include "smb_resource_enumerator.h"

namespace veldaro::lan {
namespace {

using ::testing::Contains;

// The share every host with smbd serves (lan-up's smb.conf).
constexpr const char kShareName[] = "pub";

// Whether each host of describe.tsv runs smbd: the third column of lan-up's
// hosts.tsv, which lists the hosts in the same order.
std::vector<bool> HostsRunningSmbd() {
  const char* describe = std::getenv("VELDARO_LAN_DESCRIBE");
  std::string path = describe != nullptr ? describe : "";
  path = path.substr(0, path.rfind('/') + 1) + "hosts.tsv";
  std::ifstream in(path);
  std::vector<bool> smbd;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string ns, dir, runs;
    std::getline(fields, ns, '\t');
    std::getline(fields, dir, '\t');
    std::getline(fields, runs, '\t');
    smbd.push_back(runs == "yes");
  }
  return smbd;
}

ResourceEntry ServerEntry(const LanHost& host, const std::string& location) {
  ResourceEntry entry;
  entry.display_type = DisplayType::kServer;
  entry.usage = kUsageContainer;
  entry.remote_name = "\\\\" + host.name;
  entry.location = location;
  return entry;
}

// The names of the shares in a server's level; nothing when it cannot be opened.
std::optional<std::vector<std::string>> ShareNames(ResourceEnumerator& enumerator, const ResourceEntry& server) {
  const std::unique_ptr<ResourceLevel> level = enumerator.OpenLevel(&server);
  if (!level) return std::nullopt;
  std::vector<std::string> names;
  std::vector<ResourceEntry> batch;
  while (level->ReadBatch(batch) == ResourceLevel::ReadResult::kBatch) {
    for (const ResourceEntry& entry : batch) {
      EXPECT_EQ(entry.display_type, DisplayType::kShare) << entry.remote_name.value_or("(no name)");
      EXPECT_EQ(entry.usage, kUsageConnectable) << "a share is a leaf of the walk";
      names.push_back(entry.remote_name.value_or(""));
    }
    batch.clear();
  }
  return names;
}

TEST(SmbServerLevelLanTest, ServerLevelOpenedAtItsAddressListsItsShares) {
  const std::vector<LanHost> hosts = ReadLanHosts();
  const std::vector<bool> smbd = HostsRunningSmbd();
  ASSERT_EQ(smbd.size(), hosts.size()) << "hosts.tsv and describe.tsv disagree";

  // The walk's own way: the name resolved as the scan resolves it.
  linux_net::SmbResourceEnumerator by_address;
  // The library's way, for comparison: no address, so smb://NAME is opened.
  linux_net::SmbResourceEnumerator by_name([](const std::string&) { return std::string(); });
  // Proof that the level is opened at the address: with a location that
  // names no server at all, only the resolved address can reach the shares.
  linux_net::SmbResourceEnumerator address_only(
      [&hosts](const std::string& name) { return HostNamed(hosts, name).ipv4; });

  for (std::size_t i = 0; i < hosts.size(); ++i) {
    const LanHost& host = hosts[i];
    SCOPED_TRACE(host.name);
    const ResourceEntry server = ServerEntry(host, "smb://" + host.name);
    const auto at_address = ShareNames(by_address, server);
    if (host.dead || !smbd[i]) {
      // Nobody serves SMB there: a level that cannot be opened.
      EXPECT_FALSE(at_address.has_value());
      continue;
    }
    ASSERT_TRUE(at_address.has_value()) << "the level at the server's address did not open";
    EXPECT_THAT(*at_address, Contains(kShareName));
    if (host.in_hosts_file) {
      // The name-only way reaches a hosts-file name too: the same shares.
      const auto at_name = ShareNames(by_name, server);
      ASSERT_TRUE(at_name.has_value());
      EXPECT_EQ(*at_name, *at_address);
    }
    const auto only_address = ShareNames(address_only, ServerEntry(host, "smb://NOSUCHNAME"));
    ASSERT_TRUE(only_address.has_value()) << "the level was not opened at the resolved address";
    EXPECT_EQ(*only_address, *at_address);
  }
}

}  // namespace
}  // namespace veldaro::lan
