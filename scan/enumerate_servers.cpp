#include "enumerate_servers.h"

namespace veldaro {

std::vector<std::string> EnumerateServers(ResourceEnumerator& enumerator) {
  std::vector<std::string> list;
  WalkResourceLevel(enumerator, list, nullptr);
  return list;
}

void WalkResourceLevel(ResourceEnumerator& enumerator, std::vector<std::string>& list,
                       const ResourceEntry* parent) {
  const std::unique_ptr<ResourceLevel> level = enumerator.OpenLevel(parent);
  if (!level) return;

  // The batch lives as long as the level: its entries are the parents of the
  // levels opened below it.
  std::vector<ResourceEntry> batch;
  for (;;) {
    batch.clear();
    if (level->ReadBatch(batch) != ResourceLevel::ReadResult::kBatch) return;
    // A provider that keeps answering with nothing would hold the scan forever.
    if (batch.empty()) return;
    for (const ResourceEntry& entry : batch) {
      if (entry.display_type == DisplayType::kServer) list.push_back(entry.remote_name.value_or(""));
      if ((entry.usage & kUsageConnectable) == 0) WalkResourceLevel(enumerator, list, &entry);
    }
  }
}

}  // namespace veldaro
