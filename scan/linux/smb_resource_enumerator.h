#pragma once

#include <memory>
#include <utility>

#include "resource_enumerator.h"
#include "smb_server_address.h"

namespace veldaro::linux_net {

// The SMB network neighbourhood through Samba's libsmbclient: the root holds
// one network entry, below it the workgroups and domains, below each its
// servers, below each server its shares. Every library call is serialised
// process-wide and go through the process's one libsmbclient context, so
// overlapping walks take turns; every failure is a level that cannot be opened
// or read, never an exception. A server's shares are listed at the address
// its name resolves to (see SmbLevelUrl). Holds nothing but how it resolves.
class SmbResourceEnumerator final : public ResourceEnumerator {
 public:
  // Resolves servers as the scan does: ResolveIPv4Text.
  SmbResourceEnumerator();
  explicit SmbResourceEnumerator(ServerNameResolver resolve) : resolve_(std::move(resolve)) {}

  std::unique_ptr<ResourceLevel> OpenLevel(const ResourceEntry* parent) override;

 private:
  ServerNameResolver resolve_;
};

}  // namespace veldaro::linux_net
