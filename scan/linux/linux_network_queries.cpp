#include <memory>

#include "adapter_address.h"
#include "enumerate_servers.h"
#include "ipv4_resolver.h"
#include "ipv4_text.h"
#include "mac_text.h"
#include "platform_network_queries.h"
#include "reverse_name_gate.h"
#include "smb_resource_enumerator.h"

namespace veldaro {
namespace {

// Linux stands in for the Windows network stack with the SMB browse service
// (libsmbclient), the system resolver backed by the NetBIOS name service, and
// the kernel's neighbour table.
class LinuxNetworkQueries final : public NetworkQueries {
 public:
  std::vector<std::string> EnumerateServers() override {
    // A provider per walk: nothing is carried from one scan to the next.
    linux_net::SmbResourceEnumerator enumerator;
    return veldaro::EnumerateServers(enumerator);
  }

  std::string ResolveIPv4Text(const std::string& name) override {
    return linux_net::ResolveIPv4Text(name);
  }

  std::string LookUpMacText(const std::string& ipv4_text) override {
    const std::optional<in_addr> address = linux_net::ParseHostIPv4Text(ipv4_text);
    if (!address) return {};
    // Only an address with a name of its own gets its adapter address.
    if (!linux_net::HasReverseName(*address)) return {};
    const std::optional<MacAddress> mac = linux_net::FindAdapterAddress(*address);
    return mac ? FormatMacText(*mac) : std::string();
  }
};

}  // namespace

std::shared_ptr<NetworkQueries> MakePlatformNetworkQueries() {
  return std::make_shared<LinuxNetworkQueries>();
}

}  // namespace veldaro
