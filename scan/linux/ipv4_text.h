#pragma once

#include <netinet/in.h>

#include <optional>
#include <string_view>

namespace veldaro::linux_net {

// The address that a dotted IPv4 text ("10.0.0.5") names, when it is one a
// computer on the LAN can hold. Anything else gives nothing, so no lookup is
// made for it: text that is no address (the empty text included, which a
// lenient parser turns into 0.0.0.0 or 255.255.255.255), the unspecified and
// limited-broadcast addresses, loopback and multicast.
std::optional<in_addr> ParseHostIPv4Text(std::string_view text);

}  // namespace veldaro::linux_net
