#include "netbios_packet.h"

namespace veldaro::linux_net {
namespace {

// Header flag bits (RFC 1002 4.2.1.1): R | OPCODE(4) | AA TC RD RA 0 0 B | RCODE(4).
constexpr std::uint16_t kFlagResponse = 0x8000;
constexpr std::uint16_t kFlagRecursionDesired = 0x0100;
constexpr std::uint16_t kFlagBroadcast = 0x0010;
constexpr int kOpcodeShift = 11;
constexpr std::uint16_t kOpcodeMask = 0x0F;
constexpr std::uint16_t kOpcodeQuery = 0;
constexpr std::uint16_t kRcodeMask = 0x000F;

constexpr std::uint16_t kTypeNb = 0x0020;      // general name service resource
constexpr std::uint16_t kTypeNbstat = 0x0021;  // node status resource
constexpr std::uint16_t kClassIn = 0x0001;     // the Internet class

constexpr std::size_t kHeaderLength = 12;
// First-level encoding turns each name byte into two letters 'A'..'P'.
constexpr std::uint8_t kEncodedNameLength = 2 * kNetBiosNameLength;
constexpr std::size_t kMaxNetBiosNameBytes = kNetBiosNameLength - 1;
// A domain name, labels and their length bytes together, is at most 255 bytes.
constexpr std::size_t kMaxDomainNameLength = 255;
constexpr std::uint8_t kLabelPointerBits = 0xC0;
constexpr std::size_t kNbEntryLength = 6;         // NB_FLAGS(2) + NB_ADDRESS(4)
constexpr std::size_t kNodeNameEntryLength = 18;  // name(16) + NAME_FLAGS(2)

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

// The question name: one 32-byte label of the first-level encoding, then the
// empty scope (a zero-length label ends the name).
void PutEncodedName(std::vector<std::uint8_t>& out, const NetBiosName& name) {
  out.push_back(kEncodedNameLength);
  for (std::uint8_t byte : name) {
    out.push_back(static_cast<std::uint8_t>('A' + (byte >> 4)));
    out.push_back(static_cast<std::uint8_t>('A' + (byte & 0x0F)));
  }
  out.push_back(0);
}

std::vector<std::uint8_t> BuildQuery(std::uint16_t transaction_id, std::uint16_t flags,
                                     const NetBiosName& name, std::uint16_t question_type) {
  std::vector<std::uint8_t> out;
  out.reserve(kHeaderLength + 2 + kEncodedNameLength + 4);
  PutU16(out, transaction_id);  // NAME_TRN_ID: pairs the answer with this query
  PutU16(out, flags);           // request, opcode query, RD/B as given, rcode 0
  PutU16(out, 1);               // QDCOUNT: one question
  PutU16(out, 0);               // ANCOUNT
  PutU16(out, 0);               // NSCOUNT
  PutU16(out, 0);               // ARCOUNT
  PutEncodedName(out, name);    // QUESTION_NAME
  PutU16(out, question_type);   // QUESTION_TYPE
  PutU16(out, kClassIn);        // QUESTION_CLASS
  return out;
}

// Reads a received datagram; every read is checked against its end.
class PacketReader {
 public:
  explicit PacketReader(std::span<const std::uint8_t> packet) : packet_(packet) {}

  std::size_t offset() const { return offset_; }
  bool Skip(std::size_t count) {
    if (count > packet_.size() - offset_) return false;
    offset_ += count;
    return true;
  }
  std::optional<std::uint8_t> U8() {
    if (offset_ >= packet_.size()) return std::nullopt;
    return packet_[offset_++];
  }
  std::optional<std::uint16_t> U16() {
    if (packet_.size() - offset_ < 2) return std::nullopt;
    const auto value = static_cast<std::uint16_t>(packet_[offset_] << 8 | packet_[offset_ + 1]);
    offset_ += 2;
    return value;
  }
  std::optional<std::span<const std::uint8_t>> Bytes(std::size_t count) {
    if (count > packet_.size() - offset_) return std::nullopt;
    auto bytes = packet_.subspan(offset_, count);
    offset_ += count;
    return bytes;
  }

  // A name in a question or resource record: its first label decoded back to
  // the 16 name bytes, and whether a scope follows. Label pointers are
  // followed only to a point before the labels that hold them, so a hostile
  // pointer can never make this loop; the reader moves past the name as it
  // stands at the current place.
  struct Name {
    NetBiosName bytes;
    bool has_scope;
  };
  std::optional<Name> ReadName() {
    std::size_t position = offset_;
    std::size_t segment_start = offset_;
    std::optional<std::size_t> end;  // where the reader goes on once a pointer was taken
    std::size_t total_length = 0;
    int label_index = 0;
    Name name{};
    for (;;) {
      if (position >= packet_.size()) return std::nullopt;
      const std::uint8_t length = packet_[position];
      if ((length & kLabelPointerBits) == kLabelPointerBits) {
        if (position + 1 >= packet_.size()) return std::nullopt;
        const std::size_t target = static_cast<std::size_t>(length & ~kLabelPointerBits) << 8 |
                                   packet_[position + 1];
        if (target >= segment_start) return std::nullopt;
        if (!end) end = position + 2;
        position = segment_start = target;
        continue;
      }
      if ((length & kLabelPointerBits) != 0) return std::nullopt;  // reserved label types
      total_length += 1 + length;
      if (total_length > kMaxDomainNameLength) return std::nullopt;
      if (position + 1 + length > packet_.size()) return std::nullopt;
      if (length == 0) {
        offset_ = end.value_or(position + 1);
        if (label_index == 0) return std::nullopt;  // no NetBIOS name at all
        return name;
      }
      if (label_index == 0) {
        if (length != kEncodedNameLength) return std::nullopt;
        for (std::size_t i = 0; i < kNetBiosNameLength; ++i) {
          const int high = packet_[position + 1 + 2 * i] - 'A';
          const int low = packet_[position + 2 + 2 * i] - 'A';
          if (high < 0 || high > 0x0F || low < 0 || low > 0x0F) return std::nullopt;
          name.bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
        }
      } else {
        name.has_scope = true;
      }
      ++label_index;
      position += 1 + length;
    }
  }

 private:
  std::span<const std::uint8_t> packet_;
  std::size_t offset_ = 0;
};

// The first answer record of a positive response to query `transaction_id`,
// with the reader left at the start of its RDATA.
struct Answer {
  PacketReader::Name name;
  std::uint16_t type;
  std::span<const std::uint8_t> data;
};

std::optional<Answer> ReadFirstAnswer(std::span<const std::uint8_t> packet,
                                      std::uint16_t transaction_id) {
  PacketReader reader(packet);
  const auto id = reader.U16();
  const auto flags = reader.U16();
  const auto question_count = reader.U16();
  const auto answer_count = reader.U16();
  if (!id || !flags || !question_count || !answer_count || !reader.Skip(4)) return std::nullopt;
  if (*id != transaction_id) return std::nullopt;
  if (!(*flags & kFlagResponse)) return std::nullopt;  // another host's query
  if (((*flags >> kOpcodeShift) & kOpcodeMask) != kOpcodeQuery) return std::nullopt;
  if ((*flags & kRcodeMask) != 0) return std::nullopt;  // a negative answer
  if (*answer_count == 0) return std::nullopt;
  // Answers carry no question, but one that echoes it is still readable.
  for (std::uint16_t i = 0; i < *question_count; ++i) {
    if (!reader.ReadName() || !reader.Skip(4)) return std::nullopt;
  }
  const auto name = reader.ReadName();
  const auto type = reader.U16();
  const auto record_class = reader.U16();
  if (!name || !type || !record_class || !reader.Skip(4)) return std::nullopt;  // TTL
  const auto data_length = reader.U16();
  if (!data_length || *record_class != kClassIn) return std::nullopt;
  const auto data = reader.Bytes(*data_length);
  if (!data) return std::nullopt;
  return Answer{*name, *type, *data};
}

}  // namespace

std::optional<NetBiosName> MakeNetBiosName(std::string_view cp936_name, std::uint8_t suffix) {
  if (cp936_name.empty() || cp936_name.size() > kMaxNetBiosNameBytes) return std::nullopt;
  NetBiosName name;
  name.fill(' ');
  name.back() = suffix;
  bool trail_byte = false;
  for (std::size_t i = 0; i < cp936_name.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(cp936_name[i]);
    const bool lower_letter = byte >= 'a' && byte <= 'z';
    name[i] = (lower_letter && !trail_byte) ? static_cast<std::uint8_t>(byte - 'a' + 'A') : byte;
    trail_byte = !trail_byte && byte >= 0x80;
  }
  return name;
}

std::vector<std::uint8_t> BuildNameQuery(std::uint16_t transaction_id, const NetBiosName& name,
                                         bool broadcast) {
  // Recursion desired as every client sends it; the B flag when broadcast.
  const std::uint16_t flags = kFlagRecursionDesired | (broadcast ? kFlagBroadcast : 0);
  return BuildQuery(transaction_id, flags, name, kTypeNb);
}

std::vector<std::uint8_t> BuildNodeStatusQuery(std::uint16_t transaction_id) {
  NetBiosName wildcard{};  // "*" then fifteen zero bytes
  wildcard[0] = '*';
  return BuildQuery(transaction_id, 0, wildcard, kTypeNbstat);
}

std::optional<std::array<std::uint8_t, 4>> ParseNameQueryResponse(
    std::span<const std::uint8_t> packet, std::uint16_t transaction_id, const NetBiosName& name) {
  const auto answer = ReadFirstAnswer(packet, transaction_id);
  if (!answer || answer->type != kTypeNb) return std::nullopt;
  if (answer->name.bytes != name || answer->name.has_scope) return std::nullopt;
  if (answer->data.size() < kNbEntryLength) return std::nullopt;
  // The first entry: NB_FLAGS (2 bytes), then the address.
  return std::array<std::uint8_t, 4>{answer->data[2], answer->data[3], answer->data[4],
                                     answer->data[5]};
}

std::optional<std::vector<NodeStatusName>> ParseNodeStatusResponse(
    std::span<const std::uint8_t> packet, std::uint16_t transaction_id) {
  const auto answer = ReadFirstAnswer(packet, transaction_id);
  if (!answer || answer->type != kTypeNbstat) return std::nullopt;
  PacketReader data(answer->data);
  const auto count = data.U8();
  if (!count) return std::nullopt;
  std::vector<NodeStatusName> names;
  names.reserve(*count);
  for (std::uint8_t i = 0; i < *count; ++i) {
    const auto entry = data.Bytes(kNodeNameEntryLength);
    if (!entry) return std::nullopt;
    std::string text(entry->begin(), entry->begin() + kMaxNetBiosNameBytes);
    const std::size_t kept = text.find_last_not_of(std::string_view(" \0", 2));
    text.resize(kept == std::string::npos ? 0 : kept + 1);
    names.push_back({std::move(text), (*entry)[kMaxNetBiosNameBytes],
                     static_cast<std::uint16_t>((*entry)[16] << 8 | (*entry)[17])});
  }
  // The statistics that follow the table are not needed and may be cut short.
  return names;
}

}  // namespace veldaro::linux_net
