// The netlink neighbour parser on any bytes: never a crash or a read out of
// bounds, and a usable entry always has an adapter address.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "neighbour_message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veldaro::linux_net;
  const NeighbourBatch batch = ParseNeighbourMessages(std::span<const std::uint8_t>(data, size));
  in_addr wanted{};
  inet_pton(AF_INET, "10.231.0.21", &wanted);
  for (const NeighbourMessage& message : batch.messages) {
    const in_addr address = message.destination.value_or(wanted);
    if (JudgeNeighbour(message, address) == NeighbourVerdict::kUsable &&
        !AdapterAddressOf(message)) {
      std::abort();
    }
  }
  return 0;
}
