#include "udp_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace veldaro::linux_net {
namespace {

// Room for the largest UDP payload, so no datagram is cut short and misread.
constexpr std::size_t kMaxDatagramLength = 65535;
// poll takes an int of milliseconds; a far deadline is waited for in slices.
constexpr std::chrono::milliseconds kMaxPollSlice{60'000};

}  // namespace

std::optional<UdpSocket> UdpSocket::Open() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  return UdpSocket(fd);
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

UdpSocket::~UdpSocket() {
  if (fd_ >= 0) ::close(fd_);
}

bool UdpSocket::EnableBroadcast() {
  const int on = 1;
  return ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

bool UdpSocket::Connect(const sockaddr_in& peer) {
  return ::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
}

bool UdpSocket::SendTo(const sockaddr_in& destination, std::span<const std::uint8_t> bytes) {
  const ssize_t sent = ::sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
  return sent == static_cast<ssize_t>(bytes.size());
}

bool UdpSocket::Send(std::span<const std::uint8_t> bytes) {
  const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  return sent == static_cast<ssize_t>(bytes.size());
}

UdpSocket::Status UdpSocket::Receive(Clock::time_point deadline, Datagram& datagram) {
  datagram.bytes.resize(kMaxDatagramLength);
  for (;;) {
    // Checked before every read, so a sender that keeps the queue full cannot
    // hold the caller past its deadline.
    if (Clock::now() >= deadline) return Status::kTimedOut;
    socklen_t source_length = sizeof datagram.source;
    const ssize_t received =
        ::recvfrom(fd_, datagram.bytes.data(), datagram.bytes.size(), 0,
                   reinterpret_cast<sockaddr*>(&datagram.source), &source_length);
    if (received >= 0) {
      datagram.bytes.resize(static_cast<std::size_t>(received));
      return Status::kReceived;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Status::kFailed;
    // Nothing queued: wait for the rest of the time, never longer.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return Status::kTimedOut;
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(std::min(left, kMaxPollSlice).count()));
    if (ready < 0 && errno != EINTR) return Status::kFailed;
  }
}

}  // namespace veldaro::linux_net
