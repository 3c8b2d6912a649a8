// Where the SMB provider opens each level: a server at the address its name
// resolves to, everything else at its own location. Pure: the resolver is a
// fake, nothing is sent.

#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "smb_server_address.h"

namespace veldaro::linux_net {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Answers every name with one fixed text and records the names it was asked.
struct FakeResolver {
  std::string answer;
  std::vector<std::string> asked;

  ServerNameResolver AsFunction() {
    return [this](const std::string& cp936_name) {
      asked.push_back(cp936_name);
      return answer;
    };
  }
};

ResourceEntry Entry(DisplayType type, std::optional<std::string> remote_name, std::string location) {
  ResourceEntry entry;
  entry.display_type = type;
  entry.usage = kUsageContainer;
  entry.remote_name = std::move(remote_name);
  entry.location = std::move(location);
  return entry;
}

TEST(SmbServerAddressTest, ServerOpensAtItsResolvedAddressOtherwiseAtItsName) {
  struct Row {
    const char* what;
    std::string answer;
    const char* url;
  };
  const Row rows[] = {
      {"resolved: the address, no name look-ups left to the library", "10.231.0.21", "smb://10.231.0.21"},
      {"not resolved: the name, for the library's own sources", "", "smb://PC1"},
      // Whatever a resolver might hand back never becomes part of the URL.
      {"not an address", "PC1", "smb://PC1"},
      {"an address with more after it", "10.231.0.21/pub", "smb://PC1"},
      {"limited broadcast", "255.255.255.255", "smb://PC1"},
      {"unspecified", "0.0.0.0", "smb://PC1"},
      {"loopback", "127.0.0.1", "smb://PC1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakeResolver resolver{row.answer, {}};
    EXPECT_EQ(SmbLevelUrl(Entry(DisplayType::kServer, "\\\\PC1", "smb://PC1"), resolver.AsFunction()), row.url);
    EXPECT_THAT(resolver.asked, ElementsAre("PC1"));
  }
}

TEST(SmbServerAddressTest, ResolverIsAskedTheComputerNameInCodePage936) {
  // 测试机, with the 0x5C-free bytes the browse list gives; the backslashes of
  // the remote name are not part of the name.
  const std::string kChinese = "\xB2\xE2\xCA\xD4\xBB\xFA";
  FakeResolver resolver{"10.231.0.23", {}};
  EXPECT_EQ(SmbLevelUrl(Entry(DisplayType::kServer, "\\\\" + kChinese, "smb://%E6%B5%8B%E8%AF%95%E6%9C%BA"),
                        resolver.AsFunction()),
            "smb://10.231.0.23");
  EXPECT_THAT(resolver.asked, ElementsAre(kChinese));
}

TEST(SmbServerAddressTest, OtherEntriesOpenAtTheirOwnLocationWithoutAskingTheResolver) {
  struct Row {
    const char* what;
    ResourceEntry entry;
  };
  const Row rows[] = {
      {"the network", Entry(DisplayType::kNetwork, "SMB Network", "smb://")},
      {"a workgroup", Entry(DisplayType::kDomain, "VELDARO", "smb://VELDARO")},
      {"a server without a remote name", Entry(DisplayType::kServer, std::nullopt, "smb://PC1")},
      // The empty name would resolve to this computer, not to the server.
      {"a server whose name is empty", Entry(DisplayType::kServer, "\\\\", "smb://PC1")},
      {"a server name without backslashes", Entry(DisplayType::kServer, "PC1", "smb://PC1")},
      {"a server without a location", Entry(DisplayType::kServer, "\\\\PC1", "")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakeResolver resolver{"10.231.0.21", {}};
    EXPECT_EQ(SmbLevelUrl(row.entry, resolver.AsFunction()), row.entry.location);
    EXPECT_THAT(resolver.asked, IsEmpty());
  }
}

}  // namespace
}  // namespace veldaro::linux_net
