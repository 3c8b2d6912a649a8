#include "interface_addresses.h"

#include <net/if.h>

#include <algorithm>

namespace veldaro::linux_net {
namespace {

bool IsUsableIPv4(const ifaddrs& entry) {
  return entry.ifa_addr != nullptr && entry.ifa_addr->sa_family == AF_INET &&
         (entry.ifa_flags & IFF_UP) && !(entry.ifa_flags & IFF_LOOPBACK);
}

in_addr AddressOf(const sockaddr* address) {
  return reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
}

}  // namespace

InterfaceList ReadInterfaceList() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return nullptr;
  return InterfaceList(list);
}

std::vector<in_addr> BroadcastAddresses(const ifaddrs* list) {
  std::vector<in_addr> addresses;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (!IsUsableIPv4(*entry) || !(entry->ifa_flags & IFF_BROADCAST)) continue;
    // With IFF_BROADCAST set, glibc keeps the broadcast address here.
    const sockaddr* broadcast = entry->ifa_broadaddr;
    if (broadcast == nullptr || broadcast->sa_family != AF_INET) continue;
    const in_addr address = AddressOf(broadcast);
    const bool seen = std::any_of(addresses.begin(), addresses.end(), [&](const in_addr& known) {
      return known.s_addr == address.s_addr;
    });
    if (!seen) addresses.push_back(address);
  }
  return addresses;
}

std::optional<in_addr> FirstOwnAddress(const ifaddrs* list) {
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (IsUsableIPv4(*entry)) return AddressOf(entry->ifa_addr);
  }
  return std::nullopt;
}

}  // namespace veldaro::linux_net
