#include "neighbour_message.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <climits>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace veldaro::linux_net {
namespace {

using Bytes = std::vector<std::uint8_t>;

in_addr Address(const char* dotted) {
  in_addr address{};
  inet_pton(AF_INET, dotted, &address);
  return address;
}

void AppendU8(Bytes& out, std::uint8_t value) { out.push_back(value); }
// Netlink fields are in host byte order.
void AppendU16(Bytes& out, std::uint16_t value) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}
void AppendU32(Bytes& out, std::uint32_t value) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}
void PadTo4(Bytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}
void SetU32At(Bytes& out, std::size_t offset, std::uint32_t value) {
  std::memcpy(out.data() + offset, &value, sizeof value);
}

// Builds one netlink neighbour message as the kernel lays it out.
struct NeighbourMessageFields {
  std::uint16_t type = RTM_NEWNEIGH;
  std::uint16_t netlink_flags = NLM_F_MULTI;
  std::uint32_t sequence = 1;
  std::uint8_t family = AF_INET;
  std::int32_t ifindex = 2;
  std::uint16_t state = NUD_REACHABLE;
  std::uint8_t flags = 0;
  Bytes destination = {10, 231, 251, 2};
  Bytes lladdr = {0x02, 0x00, 0x5e, 0x10, 0x20, 0x30};
  bool with_destination = true;
  bool with_lladdr = true;
};

void AppendAttribute(Bytes& out, std::uint16_t type, const Bytes& value) {
  AppendU16(out, static_cast<std::uint16_t>(4 + value.size()));  // rta_len: header + value, unpadded
  AppendU16(out, type);                                           // rta_type
  out.insert(out.end(), value.begin(), value.end());              // the value
  PadTo4(out);                                                    // padding to 4 bytes
}

Bytes BuildNeighbourMessage(const NeighbourMessageFields& fields) {
  Bytes out;
  AppendU32(out, 0);                   // nlmsg_len: filled in below
  AppendU16(out, fields.type);           // nlmsg_type: RTM_NEWNEIGH / RTM_DELNEIGH
  AppendU16(out, fields.netlink_flags);  // nlmsg_flags: NLM_F_MULTI in a dump
  AppendU32(out, fields.sequence);       // nlmsg_seq: the request's
  AppendU32(out, 4242);                // nlmsg_pid: the requester's port id
  AppendU8(out, fields.family);          // ndm_family
  AppendU8(out, 0);                    // ndm_pad1
  AppendU16(out, 0);                   // ndm_pad2
  AppendU32(out, static_cast<std::uint32_t>(fields.ifindex));  // ndm_ifindex
  AppendU16(out, fields.state);          // ndm_state: NUD_*
  AppendU8(out, fields.flags);           // ndm_flags: NTF_*
  AppendU8(out, 1);                    // ndm_type: RTN_UNICAST
  if (fields.with_destination) AppendAttribute(out, NDA_DST, fields.destination);
  if (fields.with_lladdr) AppendAttribute(out, NDA_LLADDR, fields.lladdr);
  AppendAttribute(out, NDA_PROBES, {0, 0, 0, 0});  // a field the parser skips
  SetU32At(out, 0, static_cast<std::uint32_t>(out.size()));
  return out;
}

Bytes BuildControlMessage(std::uint16_t type, std::int32_t status) {
  Bytes out;
  AppendU32(out, 0);                 // nlmsg_len: filled in below
  AppendU16(out, type);              // nlmsg_type: NLMSG_DONE / NLMSG_ERROR
  AppendU16(out, NLM_F_MULTI);       // nlmsg_flags
  AppendU32(out, 1);                 // nlmsg_seq
  AppendU32(out, 4242);              // nlmsg_pid
  AppendU32(out, static_cast<std::uint32_t>(status));  // DONE status / nlmsgerr.error
  if (type == NLMSG_ERROR) {
    // nlmsgerr.msg: the header of the request that failed.
    for (int i = 0; i < 4; ++i) AppendU32(out, 0);
  }
  SetU32At(out, 0, static_cast<std::uint32_t>(out.size()));
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// The kernel's whole answer to an RTM_GETNEIGH dump (family AF_INET, sequence
// 1) in a network namespace after datagrams to 10.231.251.2 (answered) and
// 10.231.251.77 (nobody there): a FAILED entry for .77 without lladdr, a
// REACHABLE one for .2 (lladdr 02:00:0a:e7:fb:02 on ifindex 2), the NOARP
// entry of 0.0.0.0 on the loopback interface (lladdr all zero), then NLMSG_DONE.
const Bytes kRealDumpAnswer = {
    0x40, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00,
    0x5d, 0x2f, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x20, 0x00, 0x00, 0x01, 0x08, 0x00, 0x01, 0x00, 0x0a, 0xe7, 0xfb, 0x4d,
    0x08, 0x00, 0x04, 0x00, 0x06, 0x00, 0x00, 0x00, 0x14, 0x00, 0x03, 0x00,
    0xe5, 0x18, 0x00, 0x00, 0x75, 0x01, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x4c, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x02, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x5d, 0x2f, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x01, 0x08, 0x00, 0x01, 0x00,
    0x0a, 0xe7, 0xfb, 0x02, 0x0a, 0x00, 0x02, 0x00, 0x02, 0x00, 0x0a, 0xe7,
    0xfb, 0x02, 0x00, 0x00, 0x08, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00,
    0x14, 0x00, 0x03, 0x00, 0x75, 0x01, 0x00, 0x00, 0x75, 0x01, 0x00, 0x00,
    0x75, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x4c, 0x00, 0x00, 0x00,
    0x1c, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x5d, 0x2f, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x03,
    0x08, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0a, 0x00, 0x02, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x04, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x14, 0x00, 0x03, 0x00, 0xb1, 0x17, 0x00, 0x00,
    0x41, 0x00, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x14, 0x00, 0x00, 0x00, 0x03, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00,
    0x5d, 0x2f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

TEST(ParseNeighbourMessagesTest, ReadsEachFieldOfANeighbourMessage) {
  NeighbourMessageFields fields;
  fields.type = RTM_DELNEIGH;
  fields.sequence = 77;
  fields.ifindex = 9;
  fields.state = NUD_STALE;
  fields.flags = NTF_ROUTER;
  const NeighbourBatch batch = ParseNeighbourMessages(BuildNeighbourMessage(fields));
  EXPECT_FALSE(batch.malformed);
  EXPECT_FALSE(batch.done);
  EXPECT_EQ(batch.error, 0);
  ASSERT_EQ(batch.messages.size(), 1u);
  const NeighbourMessage& message = batch.messages[0];
  EXPECT_EQ(message.type, RTM_DELNEIGH);
  EXPECT_EQ(message.sequence, 77u);
  EXPECT_EQ(message.family, AF_INET);
  EXPECT_EQ(message.ifindex, 9);
  EXPECT_EQ(message.state, NUD_STALE);
  EXPECT_EQ(message.flags, NTF_ROUTER);
  ASSERT_TRUE(message.destination.has_value());
  EXPECT_EQ(message.destination->s_addr, Address("10.231.251.2").s_addr);
  EXPECT_EQ(message.link_layer_address, fields.lladdr);
}

TEST(ParseNeighbourMessagesTest, ReadsARealDumpAnswer) {
  const NeighbourBatch batch = ParseNeighbourMessages(kRealDumpAnswer);
  EXPECT_FALSE(batch.malformed);
  EXPECT_TRUE(batch.done);
  EXPECT_EQ(batch.error, 0);
  ASSERT_EQ(batch.messages.size(), 3u);
  for (const auto& message : batch.messages) {
    EXPECT_EQ(message.type, RTM_NEWNEIGH);
    EXPECT_EQ(message.sequence, 1u);
    EXPECT_EQ(message.family, AF_INET);
  }

  EXPECT_EQ(JudgeNeighbour(batch.messages[0], Address("10.231.251.77")), NeighbourVerdict::kFailed);
  EXPECT_EQ(batch.messages[0].state, NUD_FAILED);
  EXPECT_TRUE(batch.messages[0].link_layer_address.empty());

  EXPECT_EQ(JudgeNeighbour(batch.messages[1], Address("10.231.251.2")), NeighbourVerdict::kUsable);
  EXPECT_EQ(batch.messages[1].ifindex, 2);
  EXPECT_EQ(AdapterAddressOf(batch.messages[1]),
            (MacAddress{0x02, 0x00, 0x0a, 0xe7, 0xfb, 0x02}));
  EXPECT_EQ(JudgeNeighbour(batch.messages[1], Address("10.231.251.77")),
            NeighbourVerdict::kUnrelated);

  // Resolved, but to no adapter: the loopback's all-zero address.
  EXPECT_EQ(batch.messages[2].state, NUD_NOARP);
  EXPECT_EQ(batch.messages[2].link_layer_address, Bytes(6, 0));
  EXPECT_EQ(JudgeNeighbour(batch.messages[2], Address("0.0.0.0")), NeighbourVerdict::kFailed);
}

TEST(ParseNeighbourMessagesTest, ReadsBuffersOfSeveralMessages) {
  NeighbourMessageFields ipv6;
  ipv6.family = AF_INET6;
  // fe80::1 would be read as 254.128.0.0 if its family were not checked.
  ipv6.destination = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  NeighbourMessageFields ipv4;
  ipv4.destination = {192, 168, 1, 23};
  NeighbourMessageFields odd_length_lladdr;  // a 5-byte lladdr leaves padding before NDA_PROBES
  odd_length_lladdr.lladdr = {1, 2, 3, 4, 5};

  struct Case {
    std::string name;
    Bytes bytes;
    std::size_t messages;
    bool done;
    int error;
    bool acknowledged;
  };
  const std::vector<Case> cases = {
      {"two entries then done",
       Concat({BuildNeighbourMessage(ipv6), BuildNeighbourMessage(ipv4),
               BuildControlMessage(NLMSG_DONE, 0)}),
       2, true, 0, false},
      {"padding after an odd-length attribute",
       Concat({BuildNeighbourMessage(odd_length_lladdr), BuildNeighbourMessage(ipv4)}), 2, false,
       0, false},
      {"nothing after done is read",
       Concat({BuildControlMessage(NLMSG_DONE, 0), BuildNeighbourMessage(ipv4)}), 0, true, 0,
       false},
      {"a dump that failed half-way",
       Concat({BuildNeighbourMessage(ipv4), BuildControlMessage(NLMSG_DONE, -EINTR)}), 1, true,
       EINTR, false},
      {"an error answer", BuildControlMessage(NLMSG_ERROR, -EPERM), 0, false, EPERM, false},
      {"an acknowledgement", BuildControlMessage(NLMSG_ERROR, 0), 0, false, 0, true},
      // Statuses no kernel sends: still errors, and INT_MIN has no negation.
      {"an error status of INT_MIN", BuildControlMessage(NLMSG_ERROR, INT_MIN), 0, false, EPROTO,
       false},
      {"a positive error status", BuildControlMessage(NLMSG_ERROR, 5), 0, false, EPROTO, false},
      {"a failed dump with INT_MIN", BuildControlMessage(NLMSG_DONE, INT_MIN), 0, true, EPROTO,
       false},
      {"other message types are skipped",
       Concat({BuildControlMessage(NLMSG_NOOP, 0), BuildNeighbourMessage(ipv4)}), 1, false, 0,
       false},
      {"an empty buffer", {}, 0, false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const NeighbourBatch batch = ParseNeighbourMessages(c.bytes);
    EXPECT_FALSE(batch.malformed);
    EXPECT_EQ(batch.messages.size(), c.messages);
    EXPECT_EQ(batch.done, c.done);
    EXPECT_EQ(batch.error, c.error);
    EXPECT_EQ(batch.acknowledged, c.acknowledged);
  }

  const NeighbourBatch mixed = ParseNeighbourMessages(cases[0].bytes);
  ASSERT_EQ(mixed.messages.size(), 2u);
  EXPECT_EQ(mixed.messages[0].family, AF_INET6);
  EXPECT_FALSE(mixed.messages[0].destination.has_value());
  EXPECT_EQ(mixed.messages[1].destination->s_addr, Address("192.168.1.23").s_addr);
}

TEST(ParseNeighbourMessagesTest, RejectsLengthsThatDoNotFit) {
  const Bytes valid = BuildNeighbourMessage({});
  struct Case {
    std::string name;
    Bytes bytes;
    std::size_t messages_before;  // read before the fault
  };
  Bytes too_long = valid;
  SetU32At(too_long, 0, static_cast<std::uint32_t>(valid.size() + 4));
  Bytes shorter_than_header = valid;
  SetU32At(shorter_than_header, 0, 8);
  Bytes attribute_too_long = valid;
  attribute_too_long[28] = 200;  // rta_len of NDA_DST past the message end
  Bytes attribute_too_short = valid;
  attribute_too_short[28] = 2;  // rta_len below the attribute header itself
  Bytes payload_too_short = valid;
  SetU32At(payload_too_short, 0, 16 + 8);  // cuts the 12-byte ndmsg
  const std::vector<Case> cases = {
      {"nlmsg_len past the buffer", too_long, 0},
      {"nlmsg_len below the header", shorter_than_header, 0},
      {"attribute past the message", attribute_too_long, 0},
      {"attribute shorter than its header", attribute_too_short, 0},
      {"payload shorter than ndmsg", payload_too_short, 0},
      {"a good message then a broken one", Concat({valid, too_long}), 1},
      {"a stray byte after a good message", Concat({valid, Bytes{0}}), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const NeighbourBatch batch = ParseNeighbourMessages(c.bytes);
    EXPECT_TRUE(batch.malformed);
    EXPECT_EQ(batch.messages.size(), c.messages_before);
  }
}

TEST(ParseNeighbourMessagesTest, EveryTruncationIsReadSafely) {
  const Bytes whole = Concat({BuildNeighbourMessage({}), BuildControlMessage(NLMSG_DONE, 0)});
  const std::size_t first_length = BuildNeighbourMessage({}).size();
  for (std::size_t length = 0; length < whole.size(); ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    // A copy of exactly `length` bytes, so a sanitizer sees any read past it.
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    const NeighbourBatch batch = ParseNeighbourMessages(cut);
    EXPECT_FALSE(batch.done);
    EXPECT_EQ(batch.malformed, length != 0 && length != first_length);
    // The first message comes out only when whole, and then with every field.
    ASSERT_EQ(batch.messages.size(), length >= first_length ? 1u : 0u);
    for (const auto& message : batch.messages) {
      EXPECT_TRUE(message.destination.has_value());
      EXPECT_EQ(message.link_layer_address.size(), 6u);
    }
  }
}

TEST(JudgeNeighbourTest, OnlyResolvedEntriesWithAnAdapterAddressAreUsable) {
  const Bytes mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  struct Case {
    std::string name;
    std::uint16_t type;
    std::uint16_t state;
    Bytes lladdr;
    bool with_lladdr;
    NeighbourVerdict expected;
  };
  const std::vector<Case> cases = {
      {"reachable", RTM_NEWNEIGH, NUD_REACHABLE, mac, true, NeighbourVerdict::kUsable},
      {"stale", RTM_NEWNEIGH, NUD_STALE, mac, true, NeighbourVerdict::kUsable},
      {"delay", RTM_NEWNEIGH, NUD_DELAY, mac, true, NeighbourVerdict::kUsable},
      {"probe", RTM_NEWNEIGH, NUD_PROBE, mac, true, NeighbourVerdict::kUsable},
      {"permanent", RTM_NEWNEIGH, NUD_PERMANENT, mac, true, NeighbourVerdict::kUsable},
      {"noarp", RTM_NEWNEIGH, NUD_NOARP, mac, true, NeighbourVerdict::kUsable},
      {"incomplete", RTM_NEWNEIGH, NUD_INCOMPLETE, {}, false, NeighbourVerdict::kPending},
      {"no state yet", RTM_NEWNEIGH, NUD_NONE, {}, false, NeighbourVerdict::kPending},
      {"failed", RTM_NEWNEIGH, NUD_FAILED, {}, false, NeighbourVerdict::kFailed},
      {"failed, old lladdr kept", RTM_NEWNEIGH, NUD_FAILED, mac, true, NeighbourVerdict::kFailed},
      {"reachable without lladdr", RTM_NEWNEIGH, NUD_REACHABLE, {}, false, NeighbourVerdict::kFailed},
      {"5-byte lladdr", RTM_NEWNEIGH, NUD_REACHABLE, {0, 0x1a, 0x2b, 0x3c, 0x4d}, true,
       NeighbourVerdict::kFailed},
      {"20-byte lladdr (InfiniBand)", RTM_NEWNEIGH, NUD_REACHABLE, Bytes(20, 0x42), true,
       NeighbourVerdict::kFailed},
      {"broadcast lladdr", RTM_NEWNEIGH, NUD_NOARP, Bytes(6, 0xff), true, NeighbourVerdict::kFailed},
      {"multicast lladdr", RTM_NEWNEIGH, NUD_NOARP, {0x01, 0x00, 0x5e, 0, 0, 1}, true,
       NeighbourVerdict::kFailed},
      {"all-zero lladdr", RTM_NEWNEIGH, NUD_NOARP, Bytes(6, 0), true, NeighbourVerdict::kFailed},
      {"deleted", RTM_DELNEIGH, NUD_REACHABLE, mac, true, NeighbourVerdict::kRemoved},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NeighbourMessageFields fields;
    fields.type = c.type;
    fields.state = c.state;
    fields.lladdr = c.lladdr;
    fields.with_lladdr = c.with_lladdr;
    const NeighbourBatch batch = ParseNeighbourMessages(BuildNeighbourMessage(fields));
    ASSERT_EQ(batch.messages.size(), 1u);
    EXPECT_EQ(JudgeNeighbour(batch.messages[0], Address("10.231.251.2")), c.expected);
    if (c.expected == NeighbourVerdict::kUsable) {
      EXPECT_EQ(AdapterAddressOf(batch.messages[0]),
                (MacAddress{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}));
    }
  }
}

TEST(JudgeNeighbourTest, EntriesOfOtherAddressesAreUnrelated) {
  NeighbourMessageFields other_address;
  other_address.destination = {10, 231, 251, 3};
  NeighbourMessageFields ipv6;
  ipv6.family = AF_INET6;
  ipv6.destination = {10, 231, 251, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  NeighbourMessageFields short_destination;
  short_destination.destination = {10, 231, 251};
  NeighbourMessageFields no_destination;
  no_destination.with_destination = false;
  NeighbourMessageFields proxy;  // answered for by this computer, not owned by the host
  proxy.flags = NTF_PROXY;
  for (const auto& [name, fields] : std::vector<std::pair<std::string, NeighbourMessageFields>>{
           {"another address", other_address},
           {"IPv6 entry starting with the same bytes", ipv6},
           {"3-byte destination", short_destination},
           {"no destination", no_destination},
           {"proxy entry", proxy}}) {
    SCOPED_TRACE(name);
    const NeighbourBatch batch = ParseNeighbourMessages(BuildNeighbourMessage(fields));
    ASSERT_EQ(batch.messages.size(), 1u);
    EXPECT_EQ(JudgeNeighbour(batch.messages[0], Address("10.231.251.2")),
              NeighbourVerdict::kUnrelated);
  }
}

}  // namespace
}  // namespace veldaro::linux_net
