#include "ipv4_resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <memory>

#include "code_page_936.h"
#include "interface_addresses.h"
#include "netbios_name_service.h"

namespace veldaro::linux_net {
namespace {

struct AddrinfoDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrinfoList = std::unique_ptr<addrinfo, AddrinfoDeleter>;

class SystemIPv4NameSources final : public IPv4NameSources {
 public:
  std::optional<in_addr> LookUpSystemName(const std::string& utf8_name) override {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    // One socket type, or every address would come once per type.
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* raw = nullptr;
    // Any failure, EAI_AGAIN of a machine without DNS server among them,
    // only means this source knows nothing.
    if (getaddrinfo(utf8_name.c_str(), nullptr, &hints, &raw) != 0) return std::nullopt;
    const AddrinfoList list(raw);
    for (const addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
      if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
        return reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
      }
    }
    return std::nullopt;
  }

  std::optional<in_addr> QueryNetBiosName(const NetBiosName& name) override {
    return QueryNameByBroadcast(name);
  }

  std::optional<in_addr> OwnAddress() override {
    const InterfaceList interfaces = ReadInterfaceList();
    return FirstOwnAddress(interfaces.get());
  }
};

std::string DottedText(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  if (inet_ntop(AF_INET, &address, text, sizeof text) == nullptr) return {};
  return text;
}

std::string DottedTextOrEmpty(const std::optional<in_addr>& address) {
  return address ? DottedText(*address) : std::string();
}

}  // namespace

std::string ResolveIPv4Text(const std::string& cp936_name, IPv4NameSources& sources) {
  // getaddrinfo would turn "" into an error rather than this computer.
  if (cp936_name.empty()) return DottedTextOrEmpty(sources.OwnAddress());
  // A name that is no valid code page 936 text cannot be spelled in UTF-8;
  // its bytes may still be a NetBIOS name.
  if (const auto utf8_name = Cp936ToUtf8(cp936_name)) {
    if (const auto address = sources.LookUpSystemName(*utf8_name)) return DottedText(*address);
  }
  const auto netbios_name = MakeNetBiosName(cp936_name);
  if (!netbios_name) return {};
  return DottedTextOrEmpty(sources.QueryNetBiosName(*netbios_name));
}

std::string ResolveIPv4Text(const std::string& cp936_name) {
  SystemIPv4NameSources sources;
  return ResolveIPv4Text(cp936_name, sources);
}

}  // namespace veldaro::linux_net
