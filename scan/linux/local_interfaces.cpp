#include "local_interfaces.h"

#include <netpacket/packet.h>
#include <net/if.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "interface_addresses.h"
#include "neighbour_message.h"

namespace veldaro::linux_net {
namespace {

// An address label ("eth0:1") names the interface before the colon.
std::string_view InterfaceNameOf(const char* label) {
  std::string_view name = label != nullptr ? label : "";
  return name.substr(0, name.find(':'));
}

std::optional<MacAddress> HardwareAddressOf(const sockaddr* address) {
  sockaddr_ll link{};
  std::memcpy(&link, address, sizeof link);
  if (link.sll_halen != std::tuple_size_v<MacAddress>) return std::nullopt;
  MacAddress mac{};
  std::copy_n(link.sll_addr, mac.size(), mac.begin());
  if (!IsAdapterAddress(mac)) return std::nullopt;
  return mac;
}

in_addr IPv4Of(const sockaddr* address) {
  sockaddr_in ipv4{};
  std::memcpy(&ipv4, address, sizeof ipv4);
  return ipv4.sin_addr;
}

}  // namespace

std::vector<LocalAddress> CollectLocalAddresses(const ifaddrs* list) {
  std::vector<LocalAddress> locals;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    LocalAddress local;
    local.interface_name = std::string(InterfaceNameOf(entry->ifa_name));
    local.address = IPv4Of(entry->ifa_addr);
    if (entry->ifa_netmask != nullptr && entry->ifa_netmask->sa_family == AF_INET) {
      local.netmask = IPv4Of(entry->ifa_netmask);
    } else {
      local.netmask.s_addr = INADDR_BROADCAST;  // no mask: the address alone
    }
    local.flags = entry->ifa_flags;
    locals.push_back(std::move(local));
  }
  // The hardware addresses come as separate AF_PACKET entries of the same
  // interface, anywhere in the list.
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET) continue;
    const std::string_view name = InterfaceNameOf(entry->ifa_name);
    const auto mac = HardwareAddressOf(entry->ifa_addr);
    for (auto& local : locals) {
      if (local.interface_name == name && !local.hardware_address) local.hardware_address = mac;
    }
  }
  return locals;
}

std::vector<LocalAddress> ReadLocalAddresses() {
  const InterfaceList list = ReadInterfaceList();
  return CollectLocalAddresses(list.get());
}

const LocalAddress* FindOwnAddress(const in_addr& address, std::span<const LocalAddress> locals) {
  const auto found = std::find_if(locals.begin(), locals.end(), [&](const LocalAddress& local) {
    return local.address.s_addr == address.s_addr;
  });
  return found != locals.end() ? &*found : nullptr;
}

bool IsOnConnectedSubnet(const in_addr& address, std::span<const LocalAddress> locals) {
  const std::uint32_t host = ntohl(address.s_addr);
  return std::any_of(locals.begin(), locals.end(), [&](const LocalAddress& local) {
    if ((local.flags & IFF_UP) == 0 || (local.flags & IFF_LOOPBACK) != 0) return false;
    const std::uint32_t mask = ntohl(local.netmask.s_addr);
    // A zero mask would make the whole internet "directly connected".
    if (mask == 0) return false;
    if ((host & mask) != (ntohl(local.address.s_addr) & mask)) return false;
    // On /31 and /32 links every address is a host (RFC 3021); on larger
    // subnets the all-zeros and all-ones host parts are no one's.
    if (std::popcount(mask) >= 31) return true;
    const std::uint32_t host_part = host & ~mask;
    return host_part != 0 && host_part != ~mask;
  });
}

}  // namespace veldaro::linux_net
