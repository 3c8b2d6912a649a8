#include "neighbour_table.h"

#include <libmnl/libmnl.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <array>

#include "netlink_socket.h"

namespace veldaro::linux_net {
namespace {

// The kernel answers a dump from memory at once; the bound only keeps a
// wedged socket from holding up a scan.
constexpr std::chrono::milliseconds kDumpTimeout{1000};
// Each dump uses a socket of its own, so any fixed number identifies its answers.
constexpr std::uint32_t kDumpSequence = 1;

int Rank(NeighbourVerdict verdict) {
  switch (verdict) {
    case NeighbourVerdict::kUsable: return 4;
    case NeighbourVerdict::kPending: return 3;
    case NeighbourVerdict::kFailed: return 2;
    case NeighbourVerdict::kRemoved: return 1;
    case NeighbourVerdict::kUnrelated: return 0;
  }
  return 0;
}

class NetlinkNeighbourWatch final : public NeighbourWatch {
 public:
  explicit NetlinkNeighbourWatch(NetlinkSocket socket) : socket_(std::move(socket)) {}

  Result Wait(const in_addr& address, Clock::time_point deadline) override {
    for (;;) {
      const auto received = socket_.Receive(deadline);
      switch (received.status) {
        case NetlinkSocket::ReceiveStatus::kTimedOut:
          return {Event::kTimedOut, {}};
        case NetlinkSocket::ReceiveStatus::kOverrun:
          return {Event::kMissed, {}};
        case NetlinkSocket::ReceiveStatus::kFailed:
          // Nothing more will come; the caller's last look at the table decides.
          return {Event::kTimedOut, {}};
        case NetlinkSocket::ReceiveStatus::kReceived:
          break;
      }
      // Notifications arrive in the order of the changes: the first one that
      // decides the address is the answer.
      for (const auto& message : ParseNeighbourMessages(received.bytes).messages) {
        const NeighbourVerdict verdict = JudgeNeighbour(message, address);
        if (verdict == NeighbourVerdict::kUsable) {
          return {Event::kDecided, {verdict, AdapterAddressOf(message)}};
        }
        if (verdict == NeighbourVerdict::kFailed) return {Event::kDecided, {verdict, {}}};
      }
    }
  }

 private:
  NetlinkSocket socket_;
};

}  // namespace

void MergeNeighbourState(NeighbourState& into, const NeighbourMessage& message, const in_addr& address) {
  const NeighbourVerdict verdict = JudgeNeighbour(message, address);
  if (Rank(verdict) <= Rank(into.verdict)) return;
  into.verdict = verdict;
  into.adapter_address =
      verdict == NeighbourVerdict::kUsable ? AdapterAddressOf(message) : std::nullopt;
}

NeighbourState ReadNeighbourState(const in_addr& address) {
  NeighbourState state;
  auto socket = NetlinkSocket::Open(0);
  if (!socket) return state;

  std::array<std::uint8_t, MNL_NLMSG_HDRLEN + MNL_ALIGN(sizeof(ndmsg))> request{};
  nlmsghdr* header = mnl_nlmsg_put_header(request.data());
  header->nlmsg_type = RTM_GETNEIGH;
  header->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  header->nlmsg_seq = kDumpSequence;
  auto* neighbour = static_cast<ndmsg*>(mnl_nlmsg_put_extra_header(header, sizeof(ndmsg)));
  neighbour->ndm_family = AF_INET;  // the kernel then dumps only the ARP table
  if (!socket->Send(std::span<const std::uint8_t>(request.data(), header->nlmsg_len))) return state;

  const auto deadline = std::chrono::steady_clock::now() + kDumpTimeout;
  for (;;) {
    const auto received = socket->Receive(deadline);
    const bool cut_short = received.status != NetlinkSocket::ReceiveStatus::kReceived;
    if (cut_short) return state.verdict == NeighbourVerdict::kUsable ? state : NeighbourState{};
    const NeighbourBatch batch = ParseNeighbourMessages(received.bytes);
    for (const auto& message : batch.messages) {
      if (message.sequence == kDumpSequence) MergeNeighbourState(state, message, address);
    }
    // An incomplete or broken answer cannot be trusted to have shown every entry,
    // but a usable entry it did show is still the kernel's word.
    if (batch.error != 0 || batch.malformed) {
      return state.verdict == NeighbourVerdict::kUsable ? state : NeighbourState{};
    }
    if (batch.done) return state;
  }
}

std::unique_ptr<NeighbourWatch> WatchNeighbourTable() {
  auto socket = NetlinkSocket::Open(RTMGRP_NEIGH);
  if (!socket) return nullptr;
  return std::make_unique<NetlinkNeighbourWatch>(std::move(*socket));
}

}  // namespace veldaro::linux_net
