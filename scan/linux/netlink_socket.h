#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

struct mnl_socket;

namespace veldaro::linux_net {

// A NETLINK_ROUTE socket of libmnl, closed when this goes away. Used by one
// thread at a time; every lookup opens its own.
class NetlinkSocket {
 public:
  // Opens and binds a socket; `groups` is the RTMGRP_* bit mask of the
  // notifications to receive (0 for a request/answer socket). Nothing on failure.
  static std::optional<NetlinkSocket> Open(unsigned groups);

  // The port id the kernel gave this socket: answers carry it.
  std::uint32_t PortId() const;

  // Sends one whole request; false when the kernel did not take it all.
  bool Send(std::span<const std::uint8_t> message) const;

  enum class ReceiveStatus {
    kReceived,  // `bytes` holds one datagram
    kTimedOut,  // nothing arrived before the deadline
    kOverrun,   // the kernel dropped notifications (ENOBUFS): state must be re-read
    kFailed,    // the socket is unusable
  };
  struct Received {
    ReceiveStatus status = ReceiveStatus::kFailed;
    std::span<const std::uint8_t> bytes;  // valid until the next Receive
  };
  // Waits for one datagram until `deadline`.
  Received Receive(std::chrono::steady_clock::time_point deadline);

 private:
  struct Closer {
    void operator()(mnl_socket* socket) const;
  };
  explicit NetlinkSocket(mnl_socket* socket);

  std::unique_ptr<mnl_socket, Closer> socket_;
  std::unique_ptr<std::uint8_t[]> buffer_;
};

}  // namespace veldaro::linux_net
