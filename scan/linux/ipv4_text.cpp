#include "ipv4_text.h"

#include <arpa/inet.h>

#include <cstdint>
#include <string>

namespace veldaro::linux_net {
namespace {

// "255.255.255.255" is the longest dotted text.
constexpr std::size_t kMaxIPv4TextLength = 15;

}  // namespace

std::optional<in_addr> ParseHostIPv4Text(std::string_view text) {
  if (text.empty() || text.size() > kMaxIPv4TextLength) return std::nullopt;
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  // inet_pton takes exactly four decimal parts, each 0 to 255, and nothing else.
  const std::string terminated(text);
  in_addr address{};
  if (inet_pton(AF_INET, terminated.c_str(), &address) != 1) return std::nullopt;
  const std::uint32_t host_order = ntohl(address.s_addr);
  const std::uint8_t first = host_order >> 24;
  if (first == 0 || first == 127 || first >= 224) return std::nullopt;  // this-network, loopback, multicast and up
  return address;
}

}  // namespace veldaro::linux_net
