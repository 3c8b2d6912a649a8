#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace veldaro::linux_net {

// One IPv4 UDP socket, closed when its owner goes. Non-blocking: reads wait
// through `Receive`, which never waits past the deadline it is given.
class UdpSocket {
 public:
  using Clock = std::chrono::steady_clock;

  // An unbound socket (the first send picks an ephemeral port), or nothing
  // when the system gives none.
  static std::optional<UdpSocket> Open();

  UdpSocket(UdpSocket&& other) noexcept;
  UdpSocket& operator=(UdpSocket&& other) noexcept;
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;
  ~UdpSocket();

  int fd() const { return fd_; }

  // Allows sending to broadcast addresses.
  bool EnableBroadcast();
  // Fixes the peer: sends go there, only its datagrams are received, and an
  // ICMP "port unreachable" from it shows as a failed `Receive`.
  bool Connect(const sockaddr_in& peer);

  bool SendTo(const sockaddr_in& destination, std::span<const std::uint8_t> bytes);
  bool Send(std::span<const std::uint8_t> bytes);

  struct Datagram {
    std::vector<std::uint8_t> bytes;
    sockaddr_in source;
  };
  enum class Status { kReceived, kTimedOut, kFailed };
  // The next datagram, waiting for it until `deadline`; once the deadline has
  // passed, kTimedOut even while datagrams are queued. kFailed means the
  // socket reported an error (a refused connected peer among them).
  Status Receive(Clock::time_point deadline, Datagram& datagram);

 private:
  explicit UdpSocket(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace veldaro::linux_net
