#include "reverse_name_gate.h"

#include <netdb.h>
#include <sys/socket.h>

#include "netbios_name_service.h"

namespace veldaro::linux_net {
namespace {

class SystemReverseNameSources final : public ReverseNameSources {
 public:
  bool SystemHasName(const in_addr& address) override {
    sockaddr_in socket_address{};
    socket_address.sin_family = AF_INET;
    socket_address.sin_addr = address;
    char host[NI_MAXHOST];
    // NI_NAMEREQD: the address written out as digits is no name.
    return getnameinfo(reinterpret_cast<const sockaddr*>(&socket_address), sizeof socket_address,
                       host, sizeof host, nullptr, 0, NI_NAMEREQD) == 0;
  }

  std::optional<std::vector<NodeStatusName>> QueryNodeStatus(const in_addr& address) override {
    return linux_net::QueryNodeStatus(address);
  }
};

}  // namespace

bool HasReverseName(const in_addr& address, ReverseNameSources& sources) {
  if (sources.SystemHasName(address)) return true;
  // Only the fact that the computer owns a name counts, not which.
  const auto names = sources.QueryNodeStatus(address);
  return names && !names->empty();
}

bool HasReverseName(const in_addr& address) {
  SystemReverseNameSources sources;
  return HasReverseName(address, sources);
}

}  // namespace veldaro::linux_net
