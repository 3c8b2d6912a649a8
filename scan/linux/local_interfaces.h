#pragma once

#include <ifaddrs.h>
#include <netinet/in.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "mac_text.h"

namespace veldaro::linux_net {

// One IPv4 address of this computer with what its interface tells about it.
struct LocalAddress {
  std::string interface_name;  // without an alias label (":1")
  in_addr address{};
  in_addr netmask{};
  unsigned flags = 0;  // IFF_* of the interface
  // The interface's hardware address, when it has one an adapter can own
  // (six bytes, not all zero: the loopback interface has none).
  std::optional<MacAddress> hardware_address;
};

// Every IPv4 address of a getifaddrs list, each joined with its interface's
// AF_PACKET hardware address. Pure: reads only the list.
std::vector<LocalAddress> CollectLocalAddresses(const ifaddrs* list);

// This computer's addresses now (empty when the system cannot tell).
std::vector<LocalAddress> ReadLocalAddresses();

// The entry holding `address` as one of this computer's own, or null.
const LocalAddress* FindOwnAddress(const in_addr& address, std::span<const LocalAddress> locals);

// Whether `address` is a host on a subnet directly connected to an interface
// that is up: not loopback, and neither the subnet's network nor its
// broadcast address. Only such an address can be resolved to an adapter
// address; anything else would be sent to a gateway.
bool IsOnConnectedSubnet(const in_addr& address, std::span<const LocalAddress> locals);

}  // namespace veldaro::linux_net
