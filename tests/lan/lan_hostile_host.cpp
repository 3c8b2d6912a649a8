// The misbehaving hosts of the hostile simulated LAN, one program with a mode
// per misbehaviour. lan-up starts it inside a host's namespace; it runs until
// it is ended by its PID.
//
//   lan_hostile_host netbios-junk POISON_IPV4
//       Listens on UDP 137 and answers every NetBIOS name query it hears with
//       a burst of junk sent straight back to the asker, before any honest
//       host can answer: malformed, truncated and oversized packets, and
//       answers for the wrong name or the wrong transaction that point at
//       POISON_IPV4. Never a well-formed answer to the question asked.
//       Samba's own name queries (nmbd's, and libsmbclient's for a workgroup's
//       browsers and a server's <20> name) take any answer that carries their
//       transaction id, wrong name or cut short, and give up a broadcast query
//       at the first datagram they cannot parse, so the full junk would wreck
//       the browse lists this LAN is built on. It goes only to what Veldaro's
//       resolver asks: a computer's <00> name, from an ephemeral port; every
//       other query gets well-formed answers for other transactions only.
//   lan_hostile_host stall-tcp PORT...
//       Accepts TCP connections on each PORT (139 and 445: a server whose
//       share listing stalls) and never sends a byte nor closes them.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Owns one file descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "lan_hostile_host: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

// --- NetBIOS junk -----------------------------------------------------------

constexpr std::uint16_t kNameServicePort = 137;
// Room for the largest datagram anybody could send us.
constexpr std::size_t kReceiveBufferLength = 65535;
// Far above any real answer (a few dozen bytes) and above the LAN's MTU, so it
// travels fragmented; below the largest UDP payload.
constexpr std::size_t kOversizedLength = 9000;
constexpr std::size_t kHeaderLength = 12;
constexpr std::size_t kEncodedNameLength = 34;  // length byte, 32 letters, root label

using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

// The question a received query asks, as far as the junk needs it.
struct Query {
  std::uint16_t id;
  Bytes encoded_name;  // the 34 bytes of the question name as sent
};

// A name query: request bit clear, opcode 0, one question of type NB with an
// uncompressed 32-letter name. Anything else is not answered.
bool ReadQuery(const std::uint8_t* data, std::size_t length, Query& query) {
  if (length < kHeaderLength + kEncodedNameLength + 4) return false;
  const std::uint16_t flags = static_cast<std::uint16_t>(data[2] << 8 | data[3]);
  if ((flags & 0x8000) != 0 || ((flags >> 11) & 0x0F) != 0) return false;
  if (data[4] != 0 || data[5] != 1) return false;
  const std::uint8_t* name = data + kHeaderLength;
  if (name[0] != 32 || name[33] != 0) return false;
  if (data[kHeaderLength + kEncodedNameLength] != 0 || data[kHeaderLength + kEncodedNameLength + 1] != 0x20) {
    return false;
  }
  query.id = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
  query.encoded_name.assign(name, name + kEncodedNameLength);
  return true;
}

// A positive name query response as nmbd sends it, with the parts given.
Bytes Answer(std::uint16_t id, std::uint16_t flags, const Bytes& encoded_name, std::uint16_t type,
             std::uint16_t data_length_field, const in_addr& address) {
  Bytes out;
  PutU16(out, id);     // NAME_TRN_ID
  PutU16(out, flags);  // response, opcode, AA, RD, RA, rcode
  PutU16(out, 0);      // QDCOUNT
  PutU16(out, 1);      // ANCOUNT
  PutU16(out, 0);      // NSCOUNT
  PutU16(out, 0);      // ARCOUNT
  out.insert(out.end(), encoded_name.begin(), encoded_name.end());  // RR_NAME
  PutU16(out, type);    // RR_TYPE
  PutU16(out, 0x0001);  // RR_CLASS: IN
  PutU16(out, 0);       // TTL, high half
  PutU16(out, 300);     // TTL, low half
  PutU16(out, data_length_field);  // RDLENGTH
  PutU16(out, 0x0000);             // NB_FLAGS: unique name, B node
  const auto* a = reinterpret_cast<const std::uint8_t*>(&address.s_addr);
  out.insert(out.end(), a, a + 4);  // NB_ADDRESS
  return out;
}

constexpr std::uint16_t kPositiveAnswerFlags = 0x8500;  // R, opcode 0, AA, RD
constexpr std::uint16_t kTypeNb = 0x0020;

constexpr std::uint8_t kWorkstationSuffix = 0x00;

// The 16th name byte: the service the name stands for.
std::uint8_t Suffix(const Query& q) {
  return static_cast<std::uint8_t>((q.encoded_name[31] - 'A') << 4 | (q.encoded_name[32] - 'A'));
}

// Answers to other transactions than the query's, for its name and another.
std::vector<Bytes> OtherTransactionsFor(const Query& q, const in_addr& poison) {
  std::vector<Bytes> junk;
  Bytes other_name = q.encoded_name;
  other_name[32] = other_name[32] == 'A' ? 'B' : 'A';
  for (std::uint16_t delta : {1, 0x8000, 0xFFFF}) {
    const auto id = static_cast<std::uint16_t>(q.id + delta);
    junk.push_back(Answer(id, kPositiveAnswerFlags, q.encoded_name, kTypeNb, 6, poison));
    junk.push_back(Answer(id, kPositiveAnswerFlags, other_name, kTypeNb, 6, poison));
  }
  return junk;
}

// Everything the junk host sends back for one query.
std::vector<Bytes> JunkFor(const Query& q, const in_addr& poison, std::uint32_t& seed) {
  std::vector<Bytes> junk = OtherTransactionsFor(q, poison);
  const Bytes good = Answer(q.id, kPositiveAnswerFlags, q.encoded_name, kTypeNb, 6, poison);

  // Every strict prefix of an answer that would otherwise be taken.
  for (std::size_t n = 0; n < good.size(); ++n) junk.emplace_back(good.begin(), good.begin() + n);

  // The answer for another name: the last letter pair (the suffix) changed.
  Bytes other_name = q.encoded_name;
  other_name[32] = other_name[32] == 'A' ? 'B' : 'A';
  junk.push_back(Answer(q.id, kPositiveAnswerFlags, other_name, kTypeNb, 6, poison));
  // Right transaction and name, but no response bit (another host's query),
  // another opcode (registration), a node-status type, a scope after the name.
  junk.push_back(Answer(q.id, 0x0500, q.encoded_name, kTypeNb, 6, poison));
  junk.push_back(Answer(q.id, 0x8500 | (5 << 11), q.encoded_name, kTypeNb, 6, poison));
  junk.push_back(Answer(q.id, kPositiveAnswerFlags, q.encoded_name, 0x0021, 6, poison));
  {
    Bytes scoped = q.encoded_name;
    scoped.pop_back();  // the root label
    for (const char b : {'\x03', 'E', 'V', 'L', '\0'}) scoped.push_back(static_cast<std::uint8_t>(b));
    junk.push_back(Answer(q.id, kPositiveAnswerFlags, scoped, kTypeNb, 6, poison));
  }
  // RDLENGTH claims more than the datagram holds; then less than one entry.
  junk.push_back(Answer(q.id, kPositiveAnswerFlags, q.encoded_name, kTypeNb, 0xFFFF, poison));
  {
    Bytes short_entry = Answer(q.id, kPositiveAnswerFlags, q.encoded_name, kTypeNb, 4, poison);
    short_entry.resize(short_entry.size() - 2);
    junk.push_back(short_entry);
  }
  // A name whose letters fall outside 'A'..'P'.
  {
    Bytes bad_letters = q.encoded_name;
    bad_letters[1] = 'Z';
    junk.push_back(Answer(q.id, kPositiveAnswerFlags, bad_letters, kTypeNb, 6, poison));
  }
  // Label pointers: one to itself, one forward past the end.
  for (std::uint16_t target : {std::uint16_t{kHeaderLength}, std::uint16_t{0x3FFF}}) {
    Bytes pointer_name = {static_cast<std::uint8_t>(0xC0 | target >> 8), static_cast<std::uint8_t>(target & 0xFF)};
    junk.push_back(Answer(q.id, kPositiveAnswerFlags, pointer_name, kTypeNb, 6, poison));
  }
  // A claimed answer count far above what is there.
  {
    Bytes many = good;
    many[6] = 0xFF;
    many[7] = 0xFF;
    many.resize(good.size() - 3);
    junk.push_back(many);
  }
  // Oversized: the answer followed by kilobytes of trailing bytes, whose
  // header claims thousands of questions that are not there.
  {
    Bytes big = good;
    big[4] = 0x10;  // QDCOUNT 4096
    big.resize(kOversizedLength, 0xC0);
    junk.push_back(big);
  }
  // Noise of random length and content, with the query's id in front.
  for (int i = 0; i < 4; ++i) {
    seed = seed * 1103515245u + 12345u;
    Bytes noise(seed % 600);
    for (std::uint8_t& b : noise) {
      seed = seed * 1103515245u + 12345u;
      b = static_cast<std::uint8_t>(seed >> 16);
    }
    if (noise.size() >= 2) {
      noise[0] = static_cast<std::uint8_t>(q.id >> 8);
      noise[1] = static_cast<std::uint8_t>(q.id & 0xFF);
    }
    junk.push_back(noise);
  }
  return junk;
}

int RunNetbiosJunk(const char* poison_text) {
  in_addr poison{};
  if (inet_pton(AF_INET, poison_text, &poison) != 1) {
    std::fprintf(stderr, "lan_hostile_host: bad address %s\n", poison_text);
    return 2;
  }
  const Fd socket_fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (socket_fd.get() < 0) Die("socket");
  const int on = 1;
  setsockopt(socket_fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  setsockopt(socket_fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(kNameServicePort);
  local.sin_addr.s_addr = htonl(INADDR_ANY);  // broadcasts arrive here too
  if (bind(socket_fd.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) Die("bind 137");

  std::vector<std::uint8_t> buffer(kReceiveBufferLength);
  std::uint32_t seed = 0x5EED;
  unsigned long answered = 0;
  for (;;) {
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    const ssize_t n = recvfrom(socket_fd.get(), buffer.data(), buffer.size(), 0,
                               reinterpret_cast<sockaddr*>(&from), &from_length);
    if (n < 0) {
      if (errno == EINTR) continue;
      Die("recvfrom");
    }
    Query query;
    if (from.sin_addr.s_addr == poison.s_addr || !ReadQuery(buffer.data(), static_cast<std::size_t>(n), query)) {
      continue;
    }
    // Not to a name service's own queries (port 137), nor for any other name
    // than a computer's: other transactions' answers only.
    const bool aimed_at_veldaro =
        ntohs(from.sin_port) != kNameServicePort && Suffix(query) == kWorkstationSuffix;
    const std::vector<Bytes> junk = aimed_at_veldaro ? JunkFor(query, poison, seed) : OtherTransactionsFor(query, poison);
    for (const Bytes& packet : junk) {
      sendto(socket_fd.get(), packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&from),
             sizeof from);
    }
    if (++answered % 100 == 1) {
      std::fprintf(stderr, "lan_hostile_host: junk for %lu queries so far\n", answered);
    }
  }
}

// --- stalling TCP ------------------------------------------------------------

// Connections held open without an answer; far more than one scan opens.
constexpr int kListenBacklog = 64;

int RunStallTcp(int port_count, char** ports) {
  std::vector<Fd> listeners;
  std::vector<pollfd> polls;
  for (int i = 0; i < port_count; ++i) {
    Fd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.get() < 0) Die("socket");
    const int on = 1;
    setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(std::atoi(ports[i])));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(listener.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
      Die(std::string("bind ") + ports[i]);
    }
    if (listen(listener.get(), kListenBacklog) != 0) Die("listen");
    polls.push_back({listener.get(), POLLIN, 0});
    listeners.push_back(std::move(listener));
  }
  // Accepted connections are kept, unread and unanswered, until the end.
  std::vector<Fd> held;
  for (;;) {
    if (poll(polls.data(), polls.size(), -1) < 0) {
      if (errno == EINTR) continue;
      Die("poll");
    }
    for (const pollfd& p : polls) {
      if ((p.revents & POLLIN) == 0) continue;
      Fd connection(accept4(p.fd, nullptr, nullptr, SOCK_CLOEXEC));
      if (connection.get() >= 0) held.push_back(std::move(connection));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stderr, nullptr, _IOLBF, 0);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "netbios-junk" && argc == 3) return RunNetbiosJunk(argv[2]);
  if (mode == "stall-tcp" && argc >= 3) return RunStallTcp(argc - 2, argv + 2);
  std::fprintf(stderr, "usage: lan_hostile_host netbios-junk POISON_IPV4 | stall-tcp PORT...\n");
  return 2;
}
