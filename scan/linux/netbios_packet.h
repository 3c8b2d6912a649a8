#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The NetBIOS name service's datagrams (RFC 1001/1002), built and read as plain
// bytes so that every rule about them can be checked without a network.
namespace veldaro::linux_net {

// The UDP port every NetBIOS name service listens on.
constexpr std::uint16_t kNetBiosNameServicePort = 137;

// A NetBIOS name as it travels before encoding: 15 name bytes padded with
// spaces, then the suffix byte that says which service the name stands for.
constexpr std::size_t kNetBiosNameLength = 16;
using NetBiosName = std::array<std::uint8_t, kNetBiosNameLength>;

// Suffix of the name a computer registers for itself (the workstation service).
constexpr std::uint8_t kWorkstationSuffix = 0x00;

// The NetBIOS name of a computer named `cp936_name`: ASCII letters upper-cased
// (a byte of 0x80 or above begins a two-byte character and its trail byte stays
// as it is), padded with spaces to 15 bytes, then `suffix`. Nothing for the
// empty name and for names longer than 15 bytes, which no computer can own.
std::optional<NetBiosName> MakeNetBiosName(std::string_view cp936_name,
                                           std::uint8_t suffix = kWorkstationSuffix);

// A name query for `name` (question type NB). `broadcast` sets the B flag,
// without which hosts ignore a query sent to a broadcast address.
std::vector<std::uint8_t> BuildNameQuery(std::uint16_t transaction_id, const NetBiosName& name,
                                         bool broadcast);

// A node-status query (question type NBSTAT) for the wildcard name "*", sent to
// one address to ask it for the table of names it holds.
std::vector<std::uint8_t> BuildNodeStatusQuery(std::uint16_t transaction_id);

// The first address of a positive answer to our name query with
// `transaction_id` for `name`; nothing for a negative answer, an answer to
// another query or about another name, and anything malformed.
std::optional<std::array<std::uint8_t, 4>> ParseNameQueryResponse(
    std::span<const std::uint8_t> packet, std::uint16_t transaction_id, const NetBiosName& name);

// One row of a node-status answer's name table.
struct NodeStatusName {
  std::string name;     // up to 15 bytes as sent, trailing spaces removed
  std::uint8_t suffix;  // the 16th byte
  std::uint16_t flags;  // group bit, node type, registration state
  bool operator==(const NodeStatusName&) const = default;
};

// The name table of a positive answer to our node-status query with
// `transaction_id`; nothing for anything else or anything malformed.
std::optional<std::vector<NodeStatusName>> ParseNodeStatusResponse(
    std::span<const std::uint8_t> packet, std::uint16_t transaction_id);

}  // namespace veldaro::linux_net
