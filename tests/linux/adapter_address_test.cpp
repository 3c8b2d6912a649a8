#include "adapter_address.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace veldaro::linux_net {
namespace {

in_addr Address(const char* dotted) {
  in_addr address{};
  EXPECT_EQ(inet_pton(AF_INET, dotted, &address), 1) << dotted;
  return address;
}

std::string Dotted(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

const MacAddress kOwnMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
const MacAddress kHostMac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};

const NeighbourState kNoEntry{};
const NeighbourState kUsable{NeighbourVerdict::kUsable, kHostMac};
const NeighbourState kPending{NeighbourVerdict::kPending, std::nullopt};
const NeighbourState kFailed{NeighbourVerdict::kFailed, std::nullopt};

using Event = NeighbourWatch::Event;
const NeighbourWatch::Result kNotifiedUsable{Event::kDecided, kUsable};
const NeighbourWatch::Result kNotifiedFailed{Event::kDecided, kFailed};
const NeighbourWatch::Result kTimedOut{Event::kTimedOut, {}};
const NeighbourWatch::Result kMissed{Event::kMissed, {}};

// Answers from scripted queues and writes down every question, in order.
class FakeSources final : public AdapterAddressSources {
 public:
  std::vector<LocalAddress> locals;
  std::deque<NeighbourState> table;  // one per read; empty: no entry
  bool can_watch = true;
  std::deque<NeighbourWatch::Result> notifications;  // one per wait; empty: timed out
  bool can_send = true;
  std::vector<std::string> calls;

  std::vector<LocalAddress> ReadLocalAddresses() override {
    calls.push_back("interfaces");
    return locals;
  }
  NeighbourState ReadNeighbourState(const in_addr& address) override {
    calls.push_back("read " + Dotted(address));
    return Next(table, kNoEntry);
  }
  std::unique_ptr<NeighbourWatch> WatchNeighbourTable() override {
    calls.push_back("watch");
    return can_watch ? std::make_unique<Watch>(*this) : nullptr;
  }
  bool SendDiscardDatagram(const in_addr& address) override {
    calls.push_back("send " + Dotted(address));
    return can_send;
  }

 private:
  class Watch final : public NeighbourWatch {
   public:
    explicit Watch(FakeSources& owner) : owner_(owner) {}
    Result Wait(const in_addr& address, Clock::time_point deadline) override {
      owner_.calls.push_back("wait " + Dotted(address));
      // The lookup bounds its wait: the deadline lies ahead, and not far.
      const auto ahead = deadline - Clock::now();
      EXPECT_GT(ahead, std::chrono::seconds(3));
      EXPECT_LT(ahead, std::chrono::seconds(5));
      return Next(owner_.notifications, kTimedOut);
    }

   private:
    FakeSources& owner_;
  };

  template <typename T>
  static T Next(std::deque<T>& queue, const T& otherwise) {
    if (queue.empty()) return otherwise;
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};

std::vector<LocalAddress> TypicalLocals() {
  LocalAddress loopback;
  loopback.interface_name = "lo";
  loopback.address = Address("127.0.0.1");
  loopback.netmask = Address("255.0.0.0");
  loopback.flags = IFF_UP | IFF_LOOPBACK;
  LocalAddress ethernet;
  ethernet.interface_name = "eth0";
  ethernet.address = Address("192.168.1.10");
  ethernet.netmask = Address("255.255.255.0");
  ethernet.flags = IFF_UP | IFF_BROADCAST | IFF_RUNNING;
  ethernet.hardware_address = kOwnMac;
  return {loopback, ethernet};
}

TEST(FindAdapterAddressTest, TakesEachStepOnlyWhenTheOneBeforeFoundNothing) {
  const char* host = "192.168.1.23";
  const std::vector<std::string> resolve = {"interfaces", "read 192.168.1.23", "watch",
                                            "read 192.168.1.23", "send 192.168.1.23",
                                            "wait 192.168.1.23"};
  auto then = [&resolve](std::vector<std::string> more) {
    std::vector<std::string> calls = resolve;
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
  };
  struct Case {
    std::string name;
    const char* address;
    std::deque<NeighbourState> table;
    bool can_watch;
    bool can_send;
    std::deque<NeighbourWatch::Result> notifications;
    std::optional<MacAddress> expected;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {"own address", "192.168.1.10", {}, true, true, {}, kOwnMac, {"interfaces"}},
      {"own loopback address: no adapter", "127.0.0.1", {}, true, true, {}, std::nullopt,
       {"interfaces"}},
      {"off the subnet: nothing asked, nothing sent", "192.168.2.23", {}, true, true, {},
       std::nullopt, {"interfaces"}},
      {"broadcast address of the subnet", "192.168.1.255", {}, true, true, {}, std::nullopt,
       {"interfaces"}},
      {"in the table", host, {kUsable}, true, true, {}, kHostMac,
       {"interfaces", "read 192.168.1.23"}},
      {"resolved between the first look and subscribing", host, {kPending, kUsable}, true, true,
       {}, kHostMac, {"interfaces", "read 192.168.1.23", "watch", "read 192.168.1.23"}},
      {"resolved by the datagram", host, {}, true, true, {kNotifiedUsable}, kHostMac, resolve},
      {"resolution failed", host, {}, true, true, {kNotifiedFailed}, std::nullopt, resolve},
      {"failed before, resolved now", host, {kFailed, kFailed}, true, true, {kNotifiedUsable},
       kHostMac, resolve},
      {"no notification, but the table has it", host, {kNoEntry, kNoEntry, kUsable}, true, true,
       {kTimedOut}, kHostMac, then({"read 192.168.1.23"})},
      {"no answer in time", host, {kNoEntry, kNoEntry, kPending}, true, true, {kTimedOut},
       std::nullopt, then({"read 192.168.1.23"})},
      {"notifications lost, the table has it", host, {kNoEntry, kNoEntry, kUsable}, true, true,
       {kMissed}, kHostMac, then({"read 192.168.1.23"})},
      {"notifications lost, the table says failed", host, {kNoEntry, kNoEntry, kFailed}, true,
       true, {kMissed}, std::nullopt, then({"read 192.168.1.23"})},
      {"notifications lost, still resolving, then resolved", host,
       {kNoEntry, kNoEntry, kPending}, true, true, {kMissed, kNotifiedUsable}, kHostMac,
       then({"read 192.168.1.23", "wait 192.168.1.23"})},
      {"cannot subscribe: nothing sent", host, {}, false, true, {}, std::nullopt,
       {"interfaces", "read 192.168.1.23", "watch"}},
      {"cannot send: nothing awaited", host, {}, true, false, {}, std::nullopt,
       {"interfaces", "read 192.168.1.23", "watch", "read 192.168.1.23", "send 192.168.1.23"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSources sources;
    sources.locals = TypicalLocals();
    sources.table = c.table;
    sources.can_watch = c.can_watch;
    sources.can_send = c.can_send;
    sources.notifications = c.notifications;
    EXPECT_EQ(FindAdapterAddress(Address(c.address), sources), c.expected);
    EXPECT_EQ(sources.calls, c.calls);
  }
}

}  // namespace
}  // namespace veldaro::linux_net
