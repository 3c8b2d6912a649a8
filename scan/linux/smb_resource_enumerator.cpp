#include "smb_resource_enumerator.h"

#include <libsmbclient.h>

#include <cstddef>
#include <mutex>
#include <string>

#include "ipv4_resolver.h"
#include "smb_context.h"
#include "smb_dirent_entry.h"

namespace veldaro::linux_net {
namespace {

// Entries handed over per batch: libsmbclient fetches a whole listing when the
// level is opened, so this only bounds how long one read holds the library lock.
constexpr std::size_t kEntriesPerBatch = 64;

// The root level: the one network entry, then the end.
class SmbRootLevel final : public ResourceLevel {
 public:
  ReadResult ReadBatch(std::vector<ResourceEntry>& batch) override {
    if (done_) return ReadResult::kNoMoreItems;
    done_ = true;
    batch.push_back(SmbNetworkEntry());
    return ReadResult::kBatch;
  }

 private:
  bool done_ = false;
};

// An open smb:// directory: a browse list or a server's shares.
class SmbDirectoryLevel final : public ResourceLevel {
 public:
  SmbDirectoryLevel(SmbContext& context, SMBCFILE* directory) : context_(context), directory_(directory) {}

  ~SmbDirectoryLevel() override {
    const std::lock_guard<std::mutex> lock(SmbLibraryMutex());
    smbc_getFunctionClosedir(context_.get())(context_.get(), directory_);
  }

  SmbDirectoryLevel(const SmbDirectoryLevel&) = delete;
  SmbDirectoryLevel& operator=(const SmbDirectoryLevel&) = delete;

  ReadResult ReadBatch(std::vector<ResourceEntry>& batch) override {
    const std::lock_guard<std::mutex> lock(SmbLibraryMutex());
    const smbc_readdir_fn readdir = smbc_getFunctionReaddir(context_.get());
    while (batch.size() < kEntriesPerBatch) {
      // NULL is the end of the listing. errno may still hold a stale value
      // then, so it cannot tell an end from an error; the listing was fetched
      // whole when the level was opened, which is where the errors surface.
      const smbc_dirent* dirent = readdir(context_.get(), directory_);
      if (dirent == nullptr) break;
      batch.push_back(ResourceEntryFromSmbDirent(dirent->smbc_type, dirent->name,
                                                 dirent->comment != nullptr ? dirent->comment : ""));
    }
    return batch.empty() ? ReadResult::kNoMoreItems : ReadResult::kBatch;
  }

 private:
  SmbContext& context_;  // the process's one context, never freed
  SMBCFILE* directory_;
};

}  // namespace

SmbResourceEnumerator::SmbResourceEnumerator()
    : resolve_([](const std::string& cp936_name) { return ResolveIPv4Text(cp936_name); }) {}

std::unique_ptr<ResourceLevel> SmbResourceEnumerator::OpenLevel(const ResourceEntry* parent) {
  if (parent == nullptr) return std::make_unique<SmbRootLevel>();
  if (parent->location.empty()) return nullptr;

  // Resolved before the library lock is taken: it is network work of our own,
  // which other walks need not wait for.
  const std::string url = SmbLevelUrl(*parent, resolve_);

  const std::lock_guard<std::mutex> lock(SmbLibraryMutex());
  SmbContext* context = SmbContext::Shared();
  if (context == nullptr) return nullptr;
  SMBCFILE* directory = smbc_getFunctionOpendir(context->get())(context->get(), url.c_str());
  if (directory == nullptr) return nullptr;
  return std::make_unique<SmbDirectoryLevel>(*context, directory);
}

}  // namespace veldaro::linux_net
