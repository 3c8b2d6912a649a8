#include "ipv4_resolver.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace veldaro::linux_net {
namespace {

std::optional<in_addr> Address(const char* text) {
  in_addr address{};
  inet_pton(AF_INET, text, &address);
  return address;
}

// Answers as told and records every question.
class FakeIPv4NameSources final : public IPv4NameSources {
 public:
  std::optional<in_addr> system_answer;
  std::optional<in_addr> netbios_answer;
  std::optional<in_addr> own_answer;

  std::vector<std::string> system_asked;
  std::vector<NetBiosName> netbios_asked;
  int own_asked = 0;

  std::optional<in_addr> LookUpSystemName(const std::string& utf8_name) override {
    system_asked.push_back(utf8_name);
    return system_answer;
  }
  std::optional<in_addr> QueryNetBiosName(const NetBiosName& name) override {
    netbios_asked.push_back(name);
    return netbios_answer;
  }
  std::optional<in_addr> OwnAddress() override {
    ++own_asked;
    return own_answer;
  }
};

NetBiosName Padded(std::string upper_name) {
  NetBiosName name;
  name.fill(' ');
  std::copy(upper_name.begin(), upper_name.end(), name.begin());
  name[15] = 0x00;
  return name;
}

TEST(ResolveIPv4TextTest, AsksTheSystemFirstThenNetBios) {
  struct Case {
    const char* label;
    std::string name;
    std::optional<in_addr> system_answer;
    std::optional<in_addr> netbios_answer;
    std::string expected;
    std::vector<std::string> expected_system_asked;
    std::vector<NetBiosName> expected_netbios_asked;
  };
  const std::string chinese = "\xB2\xE2\xCA\xD4\xBB\xFA";  // 测试机
  const Case cases[] = {
      {"the system knows it: no broadcast", "pc1", Address("192.168.1.20"), Address("10.9.9.9"),
       "192.168.1.20", {"pc1"}, {}},
      {"written without leading zeros", "pc1", Address("10.0.0.5"), std::nullopt, "10.0.0.5",
       {"pc1"}, {}},
      {"NetBIOS name upper-cased", "nbhost1", std::nullopt, Address("10.231.250.1"),
       "10.231.250.1", {"nbhost1"}, {Padded("NBHOST1")}},
      {"chinese: UTF-8 to the system, code page 936 on the wire", chinese, std::nullopt,
       Address("10.231.250.2"), "10.231.250.2", {"测试机"}, {Padded(chinese)}},
      {"nobody knows it", "ghost", std::nullopt, std::nullopt, "", {"ghost"}, {Padded("GHOST")}},
      {"too long for NetBIOS: no broadcast", "averyverylongname", std::nullopt,
       Address("10.9.9.9"), "", {"averyverylongname"}, {}},
      {"no valid code page 936: straight to NetBIOS", "\xFF\xFFpc", Address("10.9.9.8"),
       Address("10.9.9.9"), "10.9.9.9", {}, {Padded("\xFF\xFFPC")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeIPv4NameSources sources;
    sources.system_answer = c.system_answer;
    sources.netbios_answer = c.netbios_answer;
    sources.own_answer = Address("10.0.0.77");
    EXPECT_EQ(ResolveIPv4Text(c.name, sources), c.expected);
    EXPECT_EQ(sources.system_asked, c.expected_system_asked);
    EXPECT_EQ(sources.netbios_asked, c.expected_netbios_asked);
    EXPECT_EQ(sources.own_asked, 0);
  }
}

TEST(ResolveIPv4TextTest, TheEmptyNameIsThisComputer) {
  FakeIPv4NameSources sources;
  sources.system_answer = Address("10.9.9.8");
  sources.netbios_answer = Address("10.9.9.9");
  sources.own_answer = Address("10.231.250.3");
  EXPECT_EQ(ResolveIPv4Text("", sources), "10.231.250.3");
  EXPECT_TRUE(sources.system_asked.empty());
  EXPECT_TRUE(sources.netbios_asked.empty());

  sources.own_answer.reset();  // no network at all
  EXPECT_EQ(ResolveIPv4Text("", sources), "");
}

}  // namespace
}  // namespace veldaro::linux_net
