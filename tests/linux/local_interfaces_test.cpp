#include "local_interfaces.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>
#include <net/if.h>

#include <deque>
#include <string>
#include <vector>

namespace veldaro::linux_net {
namespace {

in_addr Address(const char* dotted) {
  in_addr address{};
  EXPECT_EQ(inet_pton(AF_INET, dotted, &address), 1) << dotted;
  return address;
}

sockaddr_in IPv4(const char* dotted) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr = Address(dotted);
  return address;
}

// A getifaddrs list built by hand, in the order entries are added. Nodes live
// in a deque so their addresses stay put while the list is linked.
class IfaddrsList {
 public:
  IfaddrsList& AddIPv4(const char* name, unsigned flags, const char* address, const char* netmask) {
    Node& node = nodes_.emplace_back();
    node.name = name;
    node.ipv4 = IPv4(address);
    node.netmask = IPv4(netmask);
    node.entry.ifa_flags = flags;
    node.entry.ifa_addr = reinterpret_cast<sockaddr*>(&node.ipv4);
    node.entry.ifa_netmask = reinterpret_cast<sockaddr*>(&node.netmask);
    return Link(node);
  }
  IfaddrsList& AddPacket(const char* name, unsigned flags, std::vector<std::uint8_t> hardware) {
    Node& node = nodes_.emplace_back();
    node.name = name;
    node.link.sll_family = AF_PACKET;
    node.link.sll_hatype = ARPHRD_ETHER;
    node.link.sll_halen = static_cast<unsigned char>(hardware.size());
    std::copy(hardware.begin(), hardware.end(), node.link.sll_addr);
    node.entry.ifa_flags = flags;
    node.entry.ifa_addr = reinterpret_cast<sockaddr*>(&node.link);
    return Link(node);
  }
  // An interface with no address at all (getifaddrs gives null ifa_addr).
  IfaddrsList& AddBare(const char* name) {
    Node& node = nodes_.emplace_back();
    node.name = name;
    return Link(node);
  }
  const ifaddrs* head() const { return nodes_.empty() ? nullptr : &nodes_.front().entry; }

 private:
  struct Node {
    ifaddrs entry{};
    std::string name;
    sockaddr_in ipv4{};
    sockaddr_in netmask{};
    sockaddr_ll link{};
  };
  IfaddrsList& Link(Node& node) {
    node.entry.ifa_name = node.name.data();
    if (nodes_.size() > 1) nodes_[nodes_.size() - 2].entry.ifa_next = &node.entry;
    return *this;
  }
  std::deque<Node> nodes_;
};

constexpr unsigned kUp = IFF_UP | IFF_BROADCAST | IFF_RUNNING;
const std::vector<std::uint8_t> kEth0Mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
const std::vector<std::uint8_t> kWlanMac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x60};

TEST(CollectLocalAddressesTest, JoinsEachIPv4AddressWithItsInterfacesHardwareAddress) {
  IfaddrsList list;
  list.AddPacket("lo", IFF_UP | IFF_LOOPBACK, std::vector<std::uint8_t>(6, 0))
      .AddPacket("eth0", kUp, kEth0Mac)
      .AddPacket("tun0", IFF_UP | IFF_POINTOPOINT | IFF_NOARP, {})
      .AddBare("dummy0")
      .AddIPv4("lo", IFF_UP | IFF_LOOPBACK, "127.0.0.1", "255.0.0.0")
      .AddIPv4("eth0", kUp, "192.168.1.10", "255.255.255.0")
      .AddIPv4("eth0:1", kUp, "10.0.0.10", "255.0.0.0")  // an alias label
      .AddIPv4("tun0", IFF_UP | IFF_POINTOPOINT | IFF_NOARP, "10.8.0.2", "255.255.255.255")
      .AddIPv4("wlan0", kUp, "172.16.0.5", "255.255.0.0")
      .AddPacket("wlan0", kUp, kWlanMac);  // after its address: order is not promised

  const std::vector<LocalAddress> locals = CollectLocalAddresses(list.head());
  struct Expected {
    const char* interface;
    const char* address;
    const char* netmask;
    std::optional<MacAddress> mac;
  };
  const std::vector<Expected> expected = {
      {"lo", "127.0.0.1", "255.0.0.0", std::nullopt},  // all-zero: no adapter's
      {"eth0", "192.168.1.10", "255.255.255.0", MacAddress{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}},
      {"eth0", "10.0.0.10", "255.0.0.0", MacAddress{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}},
      {"tun0", "10.8.0.2", "255.255.255.255", std::nullopt},  // no hardware address
      {"wlan0", "172.16.0.5", "255.255.0.0", MacAddress{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x60}},
  };
  ASSERT_EQ(locals.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].address);
    EXPECT_EQ(locals[i].interface_name, expected[i].interface);
    EXPECT_EQ(locals[i].address.s_addr, Address(expected[i].address).s_addr);
    EXPECT_EQ(locals[i].netmask.s_addr, Address(expected[i].netmask).s_addr);
    EXPECT_EQ(locals[i].hardware_address, expected[i].mac);
  }
  EXPECT_TRUE(CollectLocalAddresses(nullptr).empty());
}

LocalAddress Local(const char* address, const char* netmask, unsigned flags = kUp) {
  LocalAddress local;
  local.interface_name = "eth0";
  local.address = Address(address);
  local.netmask = Address(netmask);
  local.flags = flags;
  return local;
}

TEST(IsOnConnectedSubnetTest, OnlyHostsOfAnUpNonLoopbackInterfacesSubnet) {
  const std::vector<LocalAddress> locals = {
      Local("192.168.1.10", "255.255.255.0"),
      Local("10.20.30.40", "255.255.255.254"),        // a /31 link: both addresses are hosts
      Local("172.16.5.1", "255.255.0.0", IFF_BROADCAST),  // down
      Local("127.0.0.1", "255.0.0.0", IFF_UP | IFF_LOOPBACK),
      Local("100.64.0.1", "0.0.0.0"),                 // no mask would make everything local
  };
  struct Case {
    const char* address;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"192.168.1.23", true},
      {"192.168.1.1", true},
      {"192.168.1.254", true},
      {"192.168.1.10", true},  // our own (decided before this is asked)
      {"192.168.1.0", false},  // the network address
      {"192.168.1.255", false},  // the broadcast address
      {"192.168.2.23", false},
      {"10.20.30.41", true},
      {"10.20.30.40", true},
      {"10.20.30.42", false},
      {"172.16.5.2", false},  // on the subnet of a down interface
      {"127.0.0.2", false},
      {"8.8.8.8", false},
      {"0.0.0.0", false},
      {"255.255.255.255", false},
      {"224.0.0.251", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(IsOnConnectedSubnet(Address(c.address), locals), c.expected);
  }
  EXPECT_FALSE(IsOnConnectedSubnet(Address("192.168.1.23"), {}));
}

TEST(FindOwnAddressTest, FindsTheEntryHoldingTheAddress) {
  const std::vector<LocalAddress> locals = {Local("192.168.1.10", "255.255.255.0"),
                                            Local("10.0.0.10", "255.0.0.0")};
  const LocalAddress* own = FindOwnAddress(Address("10.0.0.10"), locals);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own, &locals[1]);
  EXPECT_EQ(FindOwnAddress(Address("10.0.0.11"), locals), nullptr);
  EXPECT_EQ(FindOwnAddress(Address("10.0.0.10"), {}), nullptr);
}

}  // namespace
}  // namespace veldaro::linux_net
