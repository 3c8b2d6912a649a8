#include "smb_server_address.h"

#include <arpa/inet.h>

#include <optional>
#include <string_view>

#include "ipv4_text.h"

namespace veldaro::linux_net {
namespace {

// A server's remote name is two backslashes before the computer's name.
constexpr std::string_view kRemoteNamePrefix = "\\\\";

// The computer name of a server entry, or nothing for any other entry.
std::optional<std::string> ServerComputerName(const ResourceEntry& entry) {
  if (entry.display_type != DisplayType::kServer || !entry.remote_name) return std::nullopt;
  const std::string_view remote_name = *entry.remote_name;
  if (remote_name.substr(0, kRemoteNamePrefix.size()) != kRemoteNamePrefix) return std::nullopt;
  std::string name(remote_name.substr(kRemoteNamePrefix.size()));
  // The empty name stands for this computer to the resolver, not for the server.
  if (name.empty()) return std::nullopt;
  return name;
}

}  // namespace

std::string SmbLevelUrl(const ResourceEntry& entry, const ServerNameResolver& resolve) {
  // Only a server the walk can open at all is worth resolving.
  if (entry.location.empty()) return entry.location;
  const std::optional<std::string> name = ServerComputerName(entry);
  if (!name) return entry.location;
  // Written out again from the parsed address, so that whatever the resolver
  // gives can only ever make a plain host address of the URL.
  const std::optional<in_addr> address = ParseHostIPv4Text(resolve(*name));
  if (!address) return entry.location;
  char dotted[INET_ADDRSTRLEN] = {};
  if (inet_ntop(AF_INET, &*address, dotted, sizeof dotted) == nullptr) return entry.location;
  return std::string("smb://") + dotted;
}

}  // namespace veldaro::linux_net
