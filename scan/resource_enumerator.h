#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veldaro {

// What kind of thing an entry of the network neighbourhood is.
enum class DisplayType : std::uint32_t {
  kGeneric = 0,
  kDomain = 1,  // a workgroup or domain
  kServer = 2,
  kShare = 3,
  kFile = 4,
  kGroup = 5,
  kNetwork = 6,  // a whole network provider
};

// Usage bits of an entry.
inline constexpr std::uint32_t kUsageConnectable = 0x1;  // can be connected to: a leaf
inline constexpr std::uint32_t kUsageContainer = 0x2;    // holds further entries

// One entry of a level of the neighbourhood tree.
struct ResourceEntry {
  DisplayType display_type = DisplayType::kGeneric;
  std::uint32_t usage = 0;
  // Code page 936 text; absent when the provider reports no remote name.
  std::optional<std::string> remote_name;
  std::string comment;
  // The provider's own address of the entry (e.g. an smb:// URL), which it
  // needs to open the entry's children. Not shown to anybody.
  std::string location;
};

// An open level of the tree. Destroying it closes it.
class ResourceLevel {
 public:
  enum class ReadResult {
    kBatch,        // `batch` holds the next entries (possibly none)
    kNoMoreItems,  // the normal end of the level
    kError,        // the level cannot be read further
  };

  virtual ~ResourceLevel() = default;
  virtual ReadResult ReadBatch(std::vector<ResourceEntry>& batch) = 0;
};

// Opens levels of the network neighbourhood.
class ResourceEnumerator {
 public:
  virtual ~ResourceEnumerator() = default;

  // The children of `parent`, or of the root of the network when `parent` is
  // null. Null when the level cannot be opened. `parent` stays valid while the
  // returned level is open.
  virtual std::unique_ptr<ResourceLevel> OpenLevel(const ResourceEntry* parent) = 0;
};

}  // namespace veldaro
