#include "smb_dirent_entry.h"

#include <libsmbclient.h>

#include "code_page_936.h"

namespace veldaro::linux_net {
namespace {

constexpr std::string_view kSmbRoot = "smb://";
// What the root's one entry is called; never collected, so only for people
// reading a walk in a debugger.
constexpr std::string_view kNetworkName = "SMB Network";

bool IsUnreserved(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
         byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

}  // namespace

ResourceEntry SmbNetworkEntry() {
  ResourceEntry entry;
  entry.display_type = DisplayType::kNetwork;
  entry.usage = kUsageContainer;
  entry.remote_name = std::string(kNetworkName);
  entry.location = std::string(kSmbRoot);
  return entry;
}

std::string SmbUrlForName(std::string_view name_utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url(kSmbRoot);
  for (const char c : name_utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      url += c;
    } else {
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 0x0F];
    }
  }
  return url;
}

ResourceEntry ResourceEntryFromSmbDirent(unsigned smbc_type, std::string_view name_utf8,
                                         std::string_view comment_utf8) {
  ResourceEntry entry;
  entry.comment = Utf8ToCp936(comment_utf8);
  const std::string name = Utf8ToCp936(name_utf8);
  switch (smbc_type) {
    case SMBC_WORKGROUP:
      entry.display_type = DisplayType::kDomain;
      entry.usage = kUsageContainer;
      break;
    case SMBC_SERVER:
      entry.display_type = DisplayType::kServer;
      entry.usage = kUsageContainer;
      break;
    case SMBC_FILE_SHARE:
    case SMBC_PRINTER_SHARE:
    case SMBC_COMMS_SHARE:
    case SMBC_IPC_SHARE:
      entry.display_type = DisplayType::kShare;
      entry.usage = kUsageConnectable;
      break;
    default:
      // Directories, files and links lie inside shares, below anything a
      // walk of the neighbourhood goes into.
      entry.display_type = DisplayType::kGeneric;
      entry.usage = kUsageConnectable;
      break;
  }
  if (!name.empty()) {
    entry.remote_name = entry.display_type == DisplayType::kServer ? "\\\\" + name : name;
  }
  // A container without a name has no location: opening it fails, rather than
  // letting it stand for the root.
  if ((entry.usage & kUsageContainer) != 0 && !name_utf8.empty()) entry.location = SmbUrlForName(name_utf8);
  return entry;
}

}  // namespace veldaro::linux_net
