#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "resource_enumerator.h"

namespace veldaro::fakes {

// A neighbourhood tree held in memory. Each level is addressed by the location
// of its parent ("" for the root) and answers with its batches, then with its
// end result. Records every open and close.
class FakeResourceEnumerator final : public ResourceEnumerator {
 public:
  struct Level {
    std::vector<std::vector<ResourceEntry>> batches;
    ResourceLevel::ReadResult end = ResourceLevel::ReadResult::kNoMoreItems;
  };

  void AddLevel(const std::string& parent_location, Level level) {
    levels_[parent_location] = std::move(level);
  }

  std::unique_ptr<ResourceLevel> OpenLevel(const ResourceEntry* parent) override {
    const std::string location = parent ? parent->location : "";
    asked.push_back(location);
    const auto found = levels_.find(location);
    if (found == levels_.end()) return nullptr;
    opened.push_back(location);
    return std::make_unique<OpenFakeLevel>(found->second, location, closed);
  }

  std::vector<std::string> asked;   // locations asked for, in order, failed opens too
  std::vector<std::string> opened;  // locations opened, in order
  std::vector<std::string> closed;  // locations, in order of closing

 private:
  class OpenFakeLevel final : public ResourceLevel {
   public:
    OpenFakeLevel(const Level& level, std::string location, std::vector<std::string>& closed)
        : level_(level), location_(std::move(location)), closed_(closed) {}
    ~OpenFakeLevel() override { closed_.push_back(location_); }

    ReadResult ReadBatch(std::vector<ResourceEntry>& batch) override {
      if (next_ == level_.batches.size()) return level_.end;
      batch = level_.batches[next_++];
      return ReadResult::kBatch;
    }

   private:
    const Level& level_;
    std::string location_;
    std::vector<std::string>& closed_;
    std::size_t next_ = 0;
  };

  std::map<std::string, Level> levels_;
};

inline ResourceEntry Network(const std::string& location) {
  return {DisplayType::kNetwork, kUsageContainer, std::nullopt, "", location};
}
inline ResourceEntry Workgroup(const std::string& name) {
  return {DisplayType::kDomain, kUsageContainer, name, "", "smb://" + name};
}
inline ResourceEntry Server(const std::string& name) {
  return {DisplayType::kServer, kUsageContainer, "\\\\" + name, "", "smb://" + name};
}
inline ResourceEntry Share(const std::string& server, const std::string& share) {
  return {DisplayType::kShare, kUsageConnectable, "\\\\" + server + "\\" + share, "",
          "smb://" + server + "/" + share};
}

}  // namespace veldaro::fakes
