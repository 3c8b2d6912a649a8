#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "mac_text.h"

namespace veldaro::linux_net {

// One RTM_NEWNEIGH / RTM_DELNEIGH message of the kernel's neighbour table, as
// read from a netlink buffer. Only the fields the adapter-address lookup needs.
struct NeighbourMessage {
  std::uint16_t type = 0;      // RTM_NEWNEIGH or RTM_DELNEIGH
  std::uint32_t sequence = 0;  // nlmsg_seq: ties a dump answer to its request
  std::uint8_t family = 0;     // ndm_family: AF_INET, AF_INET6, AF_BRIDGE...
  std::int32_t ifindex = 0;
  std::uint16_t state = 0;     // NUD_* bits
  std::uint8_t flags = 0;      // NTF_* bits
  // NDA_DST, only for an AF_INET entry whose destination is exactly 4 bytes.
  std::optional<in_addr> destination;
  // NDA_LLADDR as it stands (any length; empty when absent).
  std::vector<std::uint8_t> link_layer_address;
};

// Everything one buffer read from a netlink socket says.
struct NeighbourBatch {
  std::vector<NeighbourMessage> messages;
  bool done = false;       // NLMSG_DONE seen: a dump is complete
  int error = 0;           // positive errno of an NLMSG_ERROR (or a failed dump's DONE)
  bool acknowledged = false;  // NLMSG_ERROR with error 0
  bool malformed = false;  // a header or payload did not fit; the rest was not read
};

// Reads every netlink message of `bytes`. Bounds-checked: a message or
// attribute that does not fit its buffer ends the reading with `malformed`
// set, and never reads past the end. Messages other than the neighbour ones
// and the control messages are skipped.
NeighbourBatch ParseNeighbourMessages(std::span<const std::uint8_t> bytes);

// What one neighbour message says about one IPv4 address.
enum class NeighbourVerdict {
  kUnrelated,  // another address, another family, a proxy entry
  kUsable,     // a resolved entry with an adapter address
  kFailed,     // resolution failed, or resolved to no adapter address
  kPending,    // still resolving (incomplete, or no state yet)
  kRemoved,    // the entry was deleted; says nothing about a resolution under way
};

NeighbourVerdict JudgeNeighbour(const NeighbourMessage& message, const in_addr& address);

// The adapter address of a usable entry: six bytes, neither all zero nor a
// group (broadcast/multicast) address, which no adapter owns.
std::optional<MacAddress> AdapterAddressOf(const NeighbourMessage& message);

// Whether six bytes can be a network adapter's own address.
bool IsAdapterAddress(const MacAddress& mac);

}  // namespace veldaro::linux_net
