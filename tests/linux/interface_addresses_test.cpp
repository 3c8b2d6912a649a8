#include "interface_addresses.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace veldaro::linux_net {
namespace {

// A hand-built getifaddrs list. The entries are linked when the list is read,
// so a copy links its own entries, never the original's.
class FakeInterfaceList {
 public:
  FakeInterfaceList& Add(const char* name, unsigned flags, const char* address,
                         const char* broadcast = nullptr) {
    Entry& entry = entries_.emplace_back();
    entry.name = name;
    entry.flags = flags;
    if (address != nullptr) entry.address = Fill(address);
    if (broadcast != nullptr) entry.broadcast = Fill(broadcast);
    return *this;
  }
  // An interface's IPv6 address, which every function here must pass over.
  FakeInterfaceList& AddIPv6(const char* name, unsigned flags) {
    Entry& entry = entries_.emplace_back();
    entry.name = name;
    entry.flags = flags;
    entry.is_ipv6 = true;
    return *this;
  }
  const ifaddrs* head() const {
    ifaddrs* next = nullptr;
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
      entry->node = ifaddrs{};
      entry->node.ifa_next = next;
      entry->node.ifa_name = entry->name.data();
      entry->node.ifa_flags = entry->flags;
      entry->address6.sin6_family = AF_INET6;
      if (entry->is_ipv6) {
        entry->node.ifa_addr = reinterpret_cast<sockaddr*>(&entry->address6);
      } else if (entry->address) {
        entry->node.ifa_addr = reinterpret_cast<sockaddr*>(&*entry->address);
      }
      if (entry->broadcast) entry->node.ifa_broadaddr = reinterpret_cast<sockaddr*>(&*entry->broadcast);
      next = &entry->node;
    }
    return next;
  }

 private:
  struct Entry {
    std::string name;
    unsigned flags = 0;
    bool is_ipv6 = false;
    std::optional<sockaddr_in> address;
    std::optional<sockaddr_in> broadcast;
    sockaddr_in6 address6{};
    ifaddrs node{};
  };
  static sockaddr_in Fill(const char* text) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    inet_pton(AF_INET, text, &target.sin_addr);
    return target;
  }
  mutable std::deque<Entry> entries_;  // a deque keeps every entry where it is
};

std::vector<std::string> Texts(const std::vector<in_addr>& addresses) {
  std::vector<std::string> texts;
  for (const in_addr& address : addresses) texts.push_back(inet_ntoa(address));
  return texts;
}

constexpr unsigned kUpBroadcast = IFF_UP | IFF_BROADCAST;

TEST(InterfaceAddressesTest, BroadcastsOnEveryUpIPv4InterfaceThatCanBroadcastOnce) {
  FakeInterfaceList list;
  list.Add("lo", IFF_UP | IFF_LOOPBACK, "127.0.0.1")
      .Add("noaddr", kUpBroadcast, nullptr)
      .AddIPv6("eth0", kUpBroadcast)
      .Add("eth0", kUpBroadcast, "10.0.0.5", "10.0.0.255")
      .Add("eth1", IFF_BROADCAST, "10.1.0.5", "10.1.0.255")          // down
      .Add("tun0", IFF_UP | IFF_POINTOPOINT, "10.2.0.5", "10.2.0.1")  // peer, no broadcast
      .Add("eth0:1", kUpBroadcast, "10.0.0.6", "10.0.0.255")         // same subnet again
      .Add("eth2", kUpBroadcast, "192.168.7.3", nullptr)             // no broadcast address
      .Add("eth3", kUpBroadcast, "192.168.8.3", "192.168.8.255");
  EXPECT_EQ(Texts(BroadcastAddresses(list.head())),
            (std::vector<std::string>{"10.0.0.255", "192.168.8.255"}));
  EXPECT_TRUE(BroadcastAddresses(nullptr).empty());
}

TEST(InterfaceAddressesTest, OwnAddressIsTheFirstUpNonLoopbackIPv4Address) {
  struct Case {
    const char* label;
    FakeInterfaceList list;
    std::optional<std::string> expected;
  };
  Case cases[] = {
      {"skips loopback, down interfaces and IPv6",
       FakeInterfaceList()
           .Add("lo", IFF_UP | IFF_LOOPBACK, "127.0.0.1")
           .Add("eth1", IFF_BROADCAST, "10.1.0.5", "10.1.0.255")
           .AddIPv6("eth0", kUpBroadcast)
           .Add("eth0", kUpBroadcast, "10.0.0.5", "10.0.0.255")
           .Add("eth2", kUpBroadcast, "10.3.0.5", "10.3.0.255"),
       "10.0.0.5"},
      {"only loopback", FakeInterfaceList().Add("lo", IFF_UP | IFF_LOOPBACK, "127.0.0.1"),
       std::nullopt},
      {"empty list", FakeInterfaceList(), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto own = FirstOwnAddress(c.list.head());
    EXPECT_EQ(own ? std::optional<std::string>(inet_ntoa(*own)) : std::nullopt, c.expected);
  }
}

}  // namespace
}  // namespace veldaro::linux_net
