#pragma once

#include <netinet/in.h>

#include <chrono>
#include <memory>
#include <optional>

#include "mac_text.h"
#include "neighbour_message.h"

namespace veldaro::linux_net {

// What the kernel's neighbour table says about one IPv4 address.
struct NeighbourState {
  // kUnrelated when the table holds no entry for the address.
  NeighbourVerdict verdict = NeighbourVerdict::kUnrelated;
  std::optional<MacAddress> adapter_address;  // set exactly when kUsable
};

// Folds the entries of one address (an address may have one per interface):
// a usable one wins, then one still resolving, then a failed one.
void MergeNeighbourState(NeighbourState& into, const NeighbourMessage& message, const in_addr& address);

// Reads the whole IPv4 neighbour table once (an RTM_GETNEIGH dump) and says
// what it holds for `address`. kUnrelated also when netlink cannot be read.
NeighbourState ReadNeighbourState(const in_addr& address);

// Notifications of neighbour-table changes, received from the moment of
// subscribing. One thread at a time.
class NeighbourWatch {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Event {
    kDecided,   // `state` is kUsable or kFailed for the address
    kTimedOut,  // nothing decisive arrived before the deadline
    kMissed,    // notifications were lost: the table must be read again
  };
  struct Result {
    Event event = Event::kTimedOut;
    NeighbourState state;
  };
  virtual ~NeighbourWatch() = default;
  // Waits until a notification about `address` decides it, or `deadline`.
  virtual Result Wait(const in_addr& address, Clock::time_point deadline) = 0;
};

// Subscribes to RTNLGRP_NEIGH over netlink; null when the kernel refuses.
std::unique_ptr<NeighbourWatch> WatchNeighbourTable();

}  // namespace veldaro::linux_net
