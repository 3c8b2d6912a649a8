#pragma once

#include <string>
#include <string_view>

#include "resource_enumerator.h"

namespace veldaro::linux_net {

// The top of the SMB neighbourhood as the walk sees it: one network entry
// whose children are the workgroups and domains of smb://.
ResourceEntry SmbNetworkEntry();

// Turns one directory entry of libsmbclient (its smbc_type, its UTF-8 name and
// comment) into an entry of the walk: workgroups and servers are containers
// with an smb:// location below which their children are listed; a server's
// remote name is `\\NAME`, in code page 936; shares and everything else are
// connectable leaves. An entry without a name has no remote name.
ResourceEntry ResourceEntryFromSmbDirent(unsigned smbc_type, std::string_view name_utf8,
                                         std::string_view comment_utf8);

// smb://NAME with every byte but unreserved ASCII percent-encoded, so that a
// name holding '/', '@', '?' or '%' cannot change what the URL points at.
std::string SmbUrlForName(std::string_view name_utf8);

}  // namespace veldaro::linux_net
