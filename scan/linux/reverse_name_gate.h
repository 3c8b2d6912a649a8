#pragma once

#include <netinet/in.h>

#include <optional>
#include <vector>

#include "netbios_packet.h"

namespace veldaro::linux_net {

// True when the address has a name: getnameinfo with NI_NAMEREQD, else a NetBIOS
// node-status query sent unicast to address:137 with any name in a valid answer.
bool HasReverseName(const in_addr& address);

// Where HasReverseName looks, kept apart so that its order can be checked
// without a network.
class ReverseNameSources {
 public:
  virtual ~ReverseNameSources() = default;
  // Whether the system resolver (hosts file, DNS) has a name for the address.
  virtual bool SystemHasName(const in_addr& address) = 0;
  // The NetBIOS name table the computer at the address reports.
  virtual std::optional<std::vector<NodeStatusName>> QueryNodeStatus(const in_addr& address) = 0;
};

bool HasReverseName(const in_addr& address, ReverseNameSources& sources);

}  // namespace veldaro::linux_net
