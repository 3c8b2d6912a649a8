#include "neighbour_message.h"

#include <cerrno>
#include <climits>

#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace veldaro::linux_net {
namespace {

// The kernel reports a failure as a negative errno. Any other status (a
// positive value, or INT_MIN, whose negation does not fit) is a foreign
// sender's nonsense: still an error, of no particular kind.
int ErrorNumberOf(int status) {
  return (status < 0 && status != INT_MIN) ? -status : EPROTO;
}

// Netlink buffers are not guaranteed to be aligned for the structures they
// hold (a test feeds plain byte vectors), so every field is copied out.
template <typename T>
T ReadAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

constexpr std::size_t Align4(std::size_t length) { return (length + 3) & ~std::size_t{3}; }

constexpr std::size_t kNetlinkHeaderSize = NLMSG_HDRLEN;
// Attributes start after the neighbour header, padded as the kernel pads it.
constexpr std::size_t kNeighbourAttributesOffset = NLMSG_ALIGN(sizeof(ndmsg));
constexpr std::size_t kAttributeHeaderSize = RTA_LENGTH(0);
constexpr std::size_t kIPv4AddressSize = 4;

// Reads one RTM_NEWNEIGH/RTM_DELNEIGH payload; false when it does not fit.
bool ParseNeighbourPayload(std::span<const std::uint8_t> payload, NeighbourMessage& out) {
  if (payload.size() < sizeof(ndmsg)) return false;
  const auto header = ReadAt<ndmsg>(payload, 0);
  out.family = header.ndm_family;
  out.ifindex = header.ndm_ifindex;
  out.state = header.ndm_state;
  out.flags = header.ndm_flags;

  std::size_t offset = std::min(kNeighbourAttributesOffset, payload.size());
  while (payload.size() - offset >= kAttributeHeaderSize) {
    const auto attribute = ReadAt<rtattr>(payload, offset);
    const std::size_t length = attribute.rta_len;
    if (length < kAttributeHeaderSize || length > payload.size() - offset) return false;
    const auto value = payload.subspan(offset + kAttributeHeaderSize, length - kAttributeHeaderSize);
    switch (attribute.rta_type & NLA_TYPE_MASK) {
      case NDA_DST:
        if (out.family == AF_INET && value.size() == kIPv4AddressSize) {
          in_addr destination{};
          std::memcpy(&destination.s_addr, value.data(), kIPv4AddressSize);
          out.destination = destination;
        }
        break;
      case NDA_LLADDR:
        out.link_layer_address.assign(value.begin(), value.end());
        break;
      default:
        break;
    }
    // The last attribute may lack its padding.
    offset += std::min(Align4(length), payload.size() - offset);
  }
  return true;
}

}  // namespace

NeighbourBatch ParseNeighbourMessages(std::span<const std::uint8_t> bytes) {
  NeighbourBatch batch;
  std::size_t offset = 0;
  while (offset < bytes.size()) {
    const std::size_t remaining = bytes.size() - offset;
    if (remaining < kNetlinkHeaderSize) {
      batch.malformed = true;
      break;
    }
    const auto header = ReadAt<nlmsghdr>(bytes, offset);
    if (header.nlmsg_len < kNetlinkHeaderSize || header.nlmsg_len > remaining) {
      batch.malformed = true;
      break;
    }
    const auto payload =
        bytes.subspan(offset + kNetlinkHeaderSize, header.nlmsg_len - kNetlinkHeaderSize);

    if (header.nlmsg_type == NLMSG_DONE) {
      // A dump that failed half-way reports its error in the DONE payload.
      if (payload.size() >= sizeof(int)) {
        const int status = ReadAt<int>(payload, 0);
        if (status < 0) batch.error = ErrorNumberOf(status);
      }
      batch.done = true;
      break;
    }
    if (header.nlmsg_type == NLMSG_ERROR) {
      if (payload.size() < sizeof(int)) {
        batch.malformed = true;
        break;
      }
      const int status = ReadAt<int>(payload, 0);
      if (status == 0) {
        batch.acknowledged = true;
      } else {
        batch.error = ErrorNumberOf(status);
      }
    } else if (header.nlmsg_type == RTM_NEWNEIGH || header.nlmsg_type == RTM_DELNEIGH) {
      NeighbourMessage message;
      message.type = header.nlmsg_type;
      message.sequence = header.nlmsg_seq;
      if (!ParseNeighbourPayload(payload, message)) {
        batch.malformed = true;
        break;
      }
      batch.messages.push_back(std::move(message));
    }
    offset += std::min<std::size_t>(NLMSG_ALIGN(header.nlmsg_len), remaining);
  }
  return batch;
}

bool IsAdapterAddress(const MacAddress& mac) {
  constexpr std::uint8_t kGroupBit = 0x01;  // set in broadcast and multicast addresses
  const bool all_zero = std::all_of(mac.begin(), mac.end(), [](std::uint8_t b) { return b == 0; });
  return !all_zero && (mac[0] & kGroupBit) == 0;
}

std::optional<MacAddress> AdapterAddressOf(const NeighbourMessage& message) {
  if (message.link_layer_address.size() != std::tuple_size_v<MacAddress>) return std::nullopt;
  MacAddress mac{};
  std::copy(message.link_layer_address.begin(), message.link_layer_address.end(), mac.begin());
  if (!IsAdapterAddress(mac)) return std::nullopt;
  return mac;
}

NeighbourVerdict JudgeNeighbour(const NeighbourMessage& message, const in_addr& address) {
  if (message.family != AF_INET || !message.destination ||
      message.destination->s_addr != address.s_addr || (message.flags & NTF_PROXY) != 0) {
    return NeighbourVerdict::kUnrelated;
  }
  if (message.type == RTM_DELNEIGH) return NeighbourVerdict::kRemoved;

  constexpr std::uint16_t kResolvedStates =
      NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT | NUD_NOARP;
  if ((message.state & kResolvedStates) != 0) {
    // Resolved, but to something that is no adapter's address (a broadcast
    // entry, a tunnel's empty address): waiting will not change that.
    return AdapterAddressOf(message) ? NeighbourVerdict::kUsable : NeighbourVerdict::kFailed;
  }
  if ((message.state & NUD_FAILED) != 0) return NeighbourVerdict::kFailed;
  return NeighbourVerdict::kPending;
}

}  // namespace veldaro::linux_net
