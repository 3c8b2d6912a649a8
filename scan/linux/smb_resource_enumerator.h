#pragma once

#include <memory>

#include "resource_enumerator.h"

namespace veldaro::linux_net {

// The SMB network neighbourhood through Samba's libsmbclient: the root holds
// one network entry, below it the workgroups and domains, below each its
// servers, below each server its shares. Every library call is serialised
// process-wide and go through the process's one libsmbclient context, so
// overlapping walks take turns; every failure is a level that cannot be opened
// or read, never an exception. Holds nothing itself.
class SmbResourceEnumerator final : public ResourceEnumerator {
 public:
  std::unique_ptr<ResourceLevel> OpenLevel(const ResourceEntry* parent) override;
};

}  // namespace veldaro::linux_net
