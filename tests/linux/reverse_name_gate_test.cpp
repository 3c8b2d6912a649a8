#include "reverse_name_gate.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace veldaro::linux_net {
namespace {

// Answers as told and records which addresses it was asked about.
class FakeReverseNameSources final : public ReverseNameSources {
 public:
  bool system_has_name = false;
  std::optional<std::vector<NodeStatusName>> node_status;

  std::vector<in_addr_t> system_asked;
  std::vector<in_addr_t> node_status_asked;

  bool SystemHasName(const in_addr& address) override {
    system_asked.push_back(address.s_addr);
    return system_has_name;
  }
  std::optional<std::vector<NodeStatusName>> QueryNodeStatus(const in_addr& address) override {
    node_status_asked.push_back(address.s_addr);
    return node_status;
  }
};

TEST(HasReverseNameTest, PassesOnASystemNameOrAnyNetBiosName) {
  using Names = std::vector<NodeStatusName>;
  struct Case {
    const char* label;
    bool system_has_name;
    std::optional<Names> node_status;
    bool expected;
    bool expect_node_status_asked;
  };
  const Case cases[] = {
      {"system name: no NetBIOS query", true, Names{{"PC1", 0x00, 0x0400}}, true, false},
      {"only a NetBIOS name", false, Names{{"PC1", 0x00, 0x0400}}, true, true},
      {"only a group name still counts", false, Names{{"WORKGROUP", 0x00, 0x8400}}, true, true},
      {"an empty name table", false, Names{}, false, true},
      {"no answer", false, std::nullopt, false, true},
  };
  in_addr address{};
  inet_pton(AF_INET, "10.231.250.1", &address);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeReverseNameSources sources;
    sources.system_has_name = c.system_has_name;
    sources.node_status = c.node_status;
    EXPECT_EQ(HasReverseName(address, sources), c.expected);
    EXPECT_EQ(sources.system_asked, std::vector<in_addr_t>{address.s_addr});
    EXPECT_EQ(sources.node_status_asked,
              c.expect_node_status_asked ? std::vector<in_addr_t>{address.s_addr}
                                         : std::vector<in_addr_t>{});
  }
}

}  // namespace
}  // namespace veldaro::linux_net
