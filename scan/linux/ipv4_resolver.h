#pragma once

#include <netinet/in.h>

#include <optional>
#include <string>

#include "netbios_packet.h"

namespace veldaro::linux_net {

// Dotted IPv4 text of the first address of `cp936_name`, or "". First the system
// resolver (getaddrinfo, AF_INET, name converted to UTF-8 with Cp936ToUtf8), then
// where it finds nothing (EAI_AGAIN and EAI_NONAME alike) a NetBIOS name query broadcast.
// The empty name gives this computer's own first non-loopback IPv4 address.
std::string ResolveIPv4Text(const std::string& cp936_name);

// Where ResolveIPv4Text looks, kept apart so that the order of its sources and
// what each is handed can be checked without a network.
class IPv4NameSources {
 public:
  virtual ~IPv4NameSources() = default;
  // The system resolver (hosts file, DNS, mDNS) asked for a UTF-8 name.
  virtual std::optional<in_addr> LookUpSystemName(const std::string& utf8_name) = 0;
  // A NetBIOS name query on the local networks.
  virtual std::optional<in_addr> QueryNetBiosName(const NetBiosName& name) = 0;
  // This computer's own first address.
  virtual std::optional<in_addr> OwnAddress() = 0;
};

std::string ResolveIPv4Text(const std::string& cp936_name, IPv4NameSources& sources);

}  // namespace veldaro::linux_net
