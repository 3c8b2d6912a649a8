#include "netbios_name_service.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstring>
#include <cstdint>
#include <random>

#include "interface_addresses.h"
#include "udp_socket.h"

namespace veldaro::linux_net {
namespace {

using Clock = UdpSocket::Clock;

// Windows sends a broadcast name query three times, 750 ms apart. A LAN
// answers within milliseconds, so a try without answer means a lost datagram
// or a name nobody holds; the whole query is over after 2.25 s.
constexpr int kBroadcastQueryTries = 3;
constexpr std::chrono::milliseconds kBroadcastQueryInterval{750};

// The same rhythm for a node-status query to one address: long enough for a
// busy host, three tries against a lost datagram. A host without a name
// service usually refuses at once, which ends the query early.
constexpr int kNodeStatusTries = 3;
constexpr std::chrono::milliseconds kNodeStatusInterval{750};

// A fresh, unpredictable id per query, so that answers to other queries, late
// answers to an earlier one and forged answers are told apart. One generator
// per thread: nothing shared between scans.
std::uint16_t NewTransactionId() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return static_cast<std::uint16_t>(std::uniform_int_distribution<unsigned>{0, 0xFFFF}(generator));
}

sockaddr_in NameServiceAddress(const in_addr& address) {
  sockaddr_in socket_address{};
  socket_address.sin_family = AF_INET;
  socket_address.sin_port = htons(kNetBiosNameServicePort);
  socket_address.sin_addr = address;
  return socket_address;
}

in_addr ToInAddr(const std::array<std::uint8_t, 4>& bytes) {
  in_addr address{};
  std::memcpy(&address.s_addr, bytes.data(), bytes.size());  // already network order
  return address;
}

}  // namespace

std::optional<in_addr> QueryNameByBroadcast(const NetBiosName& name) {
  auto socket = UdpSocket::Open();
  if (!socket || !socket->EnableBroadcast()) return std::nullopt;
  const InterfaceList interfaces = ReadInterfaceList();
  const std::vector<in_addr> targets = BroadcastAddresses(interfaces.get());
  if (targets.empty()) return std::nullopt;

  const std::uint16_t id = NewTransactionId();
  const std::vector<std::uint8_t> query = BuildNameQuery(id, name, /*broadcast=*/true);
  const Clock::time_point start = Clock::now();
  UdpSocket::Datagram datagram;
  for (int attempt = 1; attempt <= kBroadcastQueryTries; ++attempt) {
    // A send that fails on one interface must not keep the others from asking.
    for (const in_addr& target : targets) socket->SendTo(NameServiceAddress(target), query);
    // Deadlines count from the start, so however many datagrams arrive (a
    // flood of junk included) the query ends on time.
    const Clock::time_point deadline = start + attempt * kBroadcastQueryInterval;
    for (;;) {
      const UdpSocket::Status status = socket->Receive(deadline, datagram);
      if (status == UdpSocket::Status::kTimedOut) break;
      if (status == UdpSocket::Status::kFailed) return std::nullopt;
      // The same id is kept for every try: a late answer to the first try
      // still counts, and nmbd's second copy of an answer is simply unused.
      if (const auto address = ParseNameQueryResponse(datagram.bytes, id, name)) {
        return ToInAddr(*address);
      }
    }
  }
  return std::nullopt;
}

std::optional<std::vector<NodeStatusName>> QueryNodeStatus(const in_addr& address) {
  auto socket = UdpSocket::Open();
  // Connected: the kernel drops datagrams from anyone else and reports the
  // host's "port unreachable".
  if (!socket || !socket->Connect(NameServiceAddress(address))) return std::nullopt;

  const std::uint16_t id = NewTransactionId();
  const std::vector<std::uint8_t> query = BuildNodeStatusQuery(id);
  const Clock::time_point start = Clock::now();
  UdpSocket::Datagram datagram;
  for (int attempt = 1; attempt <= kNodeStatusTries; ++attempt) {
    if (!socket->Send(query)) return std::nullopt;
    const Clock::time_point deadline = start + attempt * kNodeStatusInterval;
    for (;;) {
      const UdpSocket::Status status = socket->Receive(deadline, datagram);
      if (status == UdpSocket::Status::kTimedOut) break;
      if (status == UdpSocket::Status::kFailed) return std::nullopt;
      if (auto names = ParseNodeStatusResponse(datagram.bytes, id)) return names;
    }
  }
  return std::nullopt;
}

}  // namespace veldaro::linux_net
