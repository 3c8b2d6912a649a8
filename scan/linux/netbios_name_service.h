#pragma once

#include <netinet/in.h>

#include <optional>
#include <vector>

#include "netbios_packet.h"

// The NetBIOS name service over the network: the queries a Windows computer
// sends when no other resolver knows a name or an address. Each call owns its
// socket and returns within its bound, so any number may run at once.
namespace veldaro::linux_net {

// Broadcasts a name query for `name` on every IPv4 interface that can
// broadcast; the first address of the first positive answer, or nothing once
// every try has gone unanswered.
std::optional<in_addr> QueryNameByBroadcast(const NetBiosName& name);

// Asks the computer at `address` for its NetBIOS name table; nothing when it
// does not answer, refuses, or answers with something unreadable.
std::optional<std::vector<NodeStatusName>> QueryNodeStatus(const in_addr& address);

}  // namespace veldaro::linux_net
