#pragma once

#include <functional>
#include <string>

#include "resource_enumerator.h"

namespace veldaro::linux_net {

// Gives the dotted IPv4 text of a computer name (code page 936), or "" when
// the name does not resolve.
using ServerNameResolver = std::function<std::string(const std::string& cp936_name)>;

// The URL at which the walk opens the children of `entry`.
//
// For a server that is its address, smb://10.231.0.21, when `resolve` finds
// one: handed smb://NAME, libsmbclient cannot tell a server from a workgroup
// and first broadcasts for NAME<1D> and NAME<1B> (a master browser of a
// workgroup so named), waiting out both unanswered queries, about half a
// second per server, before it looks NAME<20> up. Handed an address it goes
// straight to the server and lists its shares. Where the name does not
// resolve, the entry's own smb://NAME, so the library's other sources (WINS,
// lmhosts) still get their turn. Every other entry opens at its own location,
// and `resolve` is not asked.
std::string SmbLevelUrl(const ResourceEntry& entry, const ServerNameResolver& resolve);

}  // namespace veldaro::linux_net
