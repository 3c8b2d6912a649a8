#include "adapter_address.h"

#include <chrono>

#include "udp_socket.h"

namespace veldaro::linux_net {
namespace {

// The kernel gives up on an address after 3 ARP probes 1 s apart (the
// default mcast_solicit and retrans_time) and then reports it failed; waiting
// a little longer lets that report, rather than our clock, decide.
constexpr std::chrono::milliseconds kResolutionTimeout{3500};
// The discard service: whatever the host runs there, the datagram asks
// nothing of it; the kernel resolving the address to send it is the point.
constexpr std::uint16_t kDiscardPort = 9;

class SystemSources final : public AdapterAddressSources {
 public:
  std::vector<LocalAddress> ReadLocalAddresses() override { return linux_net::ReadLocalAddresses(); }
  NeighbourState ReadNeighbourState(const in_addr& address) override {
    return linux_net::ReadNeighbourState(address);
  }
  std::unique_ptr<NeighbourWatch> WatchNeighbourTable() override {
    return linux_net::WatchNeighbourTable();
  }
  bool SendDiscardDatagram(const in_addr& address) override {
    auto socket = UdpSocket::Open();
    if (!socket) return false;
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(kDiscardPort);
    destination.sin_addr = address;
    return socket->SendTo(destination, {});
  }
};

std::optional<MacAddress> UsableAddressOf(const NeighbourState& state) {
  return state.verdict == NeighbourVerdict::kUsable ? state.adapter_address : std::nullopt;
}

}  // namespace

std::optional<MacAddress> FindAdapterAddress(const in_addr& address, AdapterAddressSources& sources) {
  const std::vector<LocalAddress> locals = sources.ReadLocalAddresses();
  if (const LocalAddress* own = FindOwnAddress(address, locals)) return own->hardware_address;
  if (!IsOnConnectedSubnet(address, locals)) return std::nullopt;

  if (auto known = UsableAddressOf(sources.ReadNeighbourState(address))) return known;

  // Subscribe before looking again and before sending, so that no change
  // after this look can pass unseen.
  const auto watch = sources.WatchNeighbourTable();
  // Without notifications the answer could not be awaited: send nothing.
  if (!watch) return std::nullopt;
  if (auto known = UsableAddressOf(sources.ReadNeighbourState(address))) return known;
  if (!sources.SendDiscardDatagram(address)) return std::nullopt;

  const auto deadline = NeighbourWatch::Clock::now() + kResolutionTimeout;
  for (;;) {
    const NeighbourWatch::Result result = watch->Wait(address, deadline);
    if (result.event == NeighbourWatch::Event::kDecided) return UsableAddressOf(result.state);
    // Lost notifications, or the time is up: the table itself has the last word.
    const NeighbourState state = sources.ReadNeighbourState(address);
    if (state.verdict == NeighbourVerdict::kUsable) return state.adapter_address;
    if (state.verdict == NeighbourVerdict::kFailed) return std::nullopt;
    if (result.event == NeighbourWatch::Event::kTimedOut) return std::nullopt;
    if (NeighbourWatch::Clock::now() >= deadline) return std::nullopt;
  }
}

std::optional<MacAddress> FindAdapterAddress(const in_addr& address) {
  SystemSources sources;
  return FindAdapterAddress(address, sources);
}

}  // namespace veldaro::linux_net
