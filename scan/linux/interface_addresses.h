#pragma once

#include <ifaddrs.h>
#include <netinet/in.h>

#include <memory>
#include <optional>
#include <vector>

namespace veldaro::linux_net {

// This computer's interface list as getifaddrs reports it, freed with its owner.
struct IfaddrsDeleter {
  void operator()(ifaddrs* list) const { freeifaddrs(list); }
};
using InterfaceList = std::unique_ptr<ifaddrs, IfaddrsDeleter>;

// The list now, or null when the system cannot give it.
InterfaceList ReadInterfaceList();

// The broadcast address of every IPv4 interface that is up, can broadcast and
// is not loopback, in list order, each address once.
std::vector<in_addr> BroadcastAddresses(const ifaddrs* list);

// The first IPv4 address of an interface that is up and not loopback.
std::optional<in_addr> FirstOwnAddress(const ifaddrs* list);

}  // namespace veldaro::linux_net
