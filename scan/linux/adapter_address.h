#pragma once

#include <netinet/in.h>

#include <memory>
#include <optional>
#include <vector>

#include "local_interfaces.h"
#include "mac_text.h"
#include "neighbour_table.h"

namespace veldaro::linux_net {

// The hardware address of the adapter that owns `address`, or nothing.
// - One of this computer's own addresses: that interface's hardware address.
// - Otherwise the kernel's neighbour table: a resolved entry with a six-byte
//   link-layer address. With none, the kernel is made to resolve the address
//   by one UDP datagram to its discard port, and the answer is awaited
//   through neighbour notifications, bounded.
// - Addresses not on a directly connected subnet give nothing, and no
//   datagram is sent for them: it would go to the gateway.
// Needs no privileges and no raw socket. Safe from several threads at once.
std::optional<MacAddress> FindAdapterAddress(const in_addr& address);

// Where the lookup gets its facts and how it provokes resolution; the real
// ones read the system, a test's record what they were asked.
class AdapterAddressSources {
 public:
  virtual ~AdapterAddressSources() = default;
  virtual std::vector<LocalAddress> ReadLocalAddresses() = 0;
  virtual NeighbourState ReadNeighbourState(const in_addr& address) = 0;
  virtual std::unique_ptr<NeighbourWatch> WatchNeighbourTable() = 0;
  virtual bool SendDiscardDatagram(const in_addr& address) = 0;
};

std::optional<MacAddress> FindAdapterAddress(const in_addr& address, AdapterAddressSources& sources);

}  // namespace veldaro::linux_net
