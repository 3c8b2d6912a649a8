#include "netlink_socket.h"

#include <libmnl/libmnl.h>
#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace veldaro::linux_net {
namespace {

// Large enough for any datagram of a neighbour dump: the kernel fills dump
// datagrams up to 32 KiB when the reader offers that much.
constexpr std::size_t kReceiveBufferSize = 32768;

}  // namespace

void NetlinkSocket::Closer::operator()(mnl_socket* socket) const { mnl_socket_close(socket); }

NetlinkSocket::NetlinkSocket(mnl_socket* socket)
    : socket_(socket), buffer_(new std::uint8_t[kReceiveBufferSize]) {}

std::optional<NetlinkSocket> NetlinkSocket::Open(unsigned groups) {
  mnl_socket* raw = mnl_socket_open2(NETLINK_ROUTE, SOCK_CLOEXEC);
  if (raw == nullptr) return std::nullopt;
  NetlinkSocket socket(raw);
  if (mnl_socket_bind(raw, groups, MNL_SOCKET_AUTOPID) < 0) return std::nullopt;
  return socket;
}

std::uint32_t NetlinkSocket::PortId() const { return mnl_socket_get_portid(socket_.get()); }

bool NetlinkSocket::Send(std::span<const std::uint8_t> message) const {
  const ssize_t sent = mnl_socket_sendto(socket_.get(), message.data(), message.size());
  return sent >= 0 && static_cast<std::size_t>(sent) == message.size();
}

NetlinkSocket::Received NetlinkSocket::Receive(std::chrono::steady_clock::time_point deadline) {
  const int fd = mnl_socket_get_fd(socket_.get());
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return {ReceiveStatus::kTimedOut, {}};
    // Round up so a sub-millisecond remainder does not spin with a zero wait.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    pollfd entry{fd, POLLIN, 0};
    const int ready = poll(&entry, 1, static_cast<int>(wait.count()));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return {ReceiveStatus::kFailed, {}};
    }
    if (ready == 0) continue;  // the deadline check above ends the wait

    const ssize_t length = mnl_socket_recvfrom(socket_.get(), buffer_.get(), kReceiveBufferSize);
    if (length < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      if (errno == ENOBUFS) return {ReceiveStatus::kOverrun, {}};
      return {ReceiveStatus::kFailed, {}};
    }
    return {ReceiveStatus::kReceived,
            std::span<const std::uint8_t>(buffer_.get(), static_cast<std::size_t>(length))};
  }
}

}  // namespace veldaro::linux_net
