#include "ipv4_text.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veldaro::linux_net {
namespace {

TEST(ParseHostIPv4TextTest, TakesOnlyDottedAddressesOfHosts) {
  struct Case {
    std::string text;
    const char* expected;  // dotted form of the result, or null for none
  };
  const std::vector<Case> cases = {
      {"10.0.0.5", "10.0.0.5"},
      {"192.168.1.23", "192.168.1.23"},
      {"223.255.255.254", "223.255.255.254"},
      // No address at all: a lenient parser would make 0.0.0.0 or 255.255.255.255 of these.
      {"", nullptr},
      {"PC-01", nullptr},
      {"10.0.0", nullptr},
      {"10.0.0.5.6", nullptr},
      {"10.0.0.256", nullptr},
      {"0x0A.0.0.5", nullptr},
      {"10.0.0.5 ", nullptr},
      {std::string("10.0.0.5\0junk", 13), nullptr},
      // Addresses no adapter on the LAN answers for.
      {"0.0.0.0", nullptr},
      {"255.255.255.255", nullptr},
      {"127.0.1.1", nullptr},
      {"224.0.0.1", nullptr},
      {"240.0.0.1", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text: " + c.text);
    const std::optional<in_addr> address = ParseHostIPv4Text(c.text);
    if (c.expected == nullptr) {
      EXPECT_FALSE(address.has_value());
      continue;
    }
    ASSERT_TRUE(address.has_value());
    char dotted[INET_ADDRSTRLEN];
    ASSERT_NE(inet_ntop(AF_INET, &*address, dotted, sizeof dotted), nullptr);
    EXPECT_STREQ(dotted, c.expected);
  }
}

}  // namespace
}  // namespace veldaro::linux_net
