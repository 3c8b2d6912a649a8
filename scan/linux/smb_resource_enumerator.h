#pragma once

#include <memory>

#include "resource_enumerator.h"

namespace veldaro::linux_net {

class SmbContext;

// The SMB network neighbourhood through Samba's libsmbclient: the root holds
// one network entry, below it the workgroups and domains, below each its
// servers, below each server its shares. Every library call is serialised
// process-wide, so overlapping walks take turns; every failure is a level that
// cannot be opened or read, never an exception.
class SmbResourceEnumerator final : public ResourceEnumerator {
 public:
  SmbResourceEnumerator();
  ~SmbResourceEnumerator() override;

  std::unique_ptr<ResourceLevel> OpenLevel(const ResourceEntry* parent) override;

 private:
  // Made on first use and kept: it caches the connections to the browsers.
  // Shared with the levels opened on it, which may outlive this object.
  std::shared_ptr<SmbContext> context_;
};

}  // namespace veldaro::linux_net
