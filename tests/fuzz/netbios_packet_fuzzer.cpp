// The NetBIOS answer parsers on any bytes: never a crash or a read out of
// bounds, and nothing accepted that does not answer our own query.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "netbios_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veldaro::linux_net;
  // The first two bytes are the transaction id we pretend to wait for.
  if (size < 2) return 0;
  const std::uint16_t transaction_id = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
  const std::span<const std::uint8_t> packet(data + 2, size - 2);
  const auto packet_id = [&] { return static_cast<std::uint16_t>(packet[0] << 8 | packet[1]); };

  static const NetBiosName name = *MakeNetBiosName("PC1");
  if (ParseNameQueryResponse(packet, transaction_id, name) && packet_id() != transaction_id) {
    std::abort();
  }
  if (const auto names = ParseNodeStatusResponse(packet, transaction_id)) {
    if (packet_id() != transaction_id) std::abort();
    for (const NodeStatusName& entry : *names) {
      if (entry.name.size() > 15) std::abort();
    }
  }
  return 0;
}
