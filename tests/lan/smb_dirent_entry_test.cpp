// How libsmbclient's directory entries become entries of the walk. Pure: no
// network, runs anywhere.

#include <libsmbclient.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "smb_dirent_entry.h"

namespace veldaro::linux_net {
namespace {

TEST(SmbDirentEntryTest, EachKindOfEntryGetsItsPlaceInTheWalk) {
  struct Row {
    const char* what;
    unsigned smbc_type;
    const char* name;
    DisplayType display_type;
    std::uint32_t usage;
    std::optional<std::string> remote_name;
    const char* location;
  };
  const Row rows[] = {
      {"workgroup: walked into", SMBC_WORKGROUP, "VELDARO", DisplayType::kDomain, kUsageContainer, "VELDARO",
       "smb://VELDARO"},
      {"server: collected as \\\\NAME and walked into", SMBC_SERVER, "PC1", DisplayType::kServer, kUsageContainer,
       "\\\\PC1", "smb://PC1"},
      {"Chinese server: code page 936 bytes", SMBC_SERVER, "测试机", DisplayType::kServer, kUsageContainer,
       "\\\\\xB2\xE2\xCA\xD4\xBB\xFA", "smb://%E6%B5%8B%E8%AF%95%E6%9C%BA"},
      {"server without a name: no remote name, nothing to open", SMBC_SERVER, "", DisplayType::kServer,
       kUsageContainer, std::nullopt, ""},
      {"file share: a leaf", SMBC_FILE_SHARE, "pub", DisplayType::kShare, kUsageConnectable, "pub", ""},
      {"printer share: a leaf", SMBC_PRINTER_SHARE, "lp", DisplayType::kShare, kUsageConnectable, "lp", ""},
      {"IPC share: a leaf", SMBC_IPC_SHARE, "IPC$", DisplayType::kShare, kUsageConnectable, "IPC$", ""},
      {"directory: never walked into", SMBC_DIR, "docs", DisplayType::kGeneric, kUsageConnectable, "docs", ""},
      {"unknown type: never walked into", 99, "odd", DisplayType::kGeneric, kUsageConnectable, "odd", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const ResourceEntry entry = ResourceEntryFromSmbDirent(row.smbc_type, row.name, "");
    EXPECT_EQ(entry.display_type, row.display_type);
    EXPECT_EQ(entry.usage, row.usage);
    EXPECT_EQ(entry.remote_name, row.remote_name);
    EXPECT_EQ(entry.location, row.location);
  }
}

TEST(SmbDirentEntryTest, HostileNamesStayInsideTheirUrlAndKeepTheirBytes) {
  struct Row {
    const char* what;
    const char* name;
    const char* location;
    const char* remote_name;
  };
  const Row rows[] = {
      // '@' would start credentials, '/' a share, '?' options, '%' an escape.
      {"URL syntax", "A@B/C?D%E", "smb://A%40B%2FC%3FD%25E", "\\\\A@B/C?D%E"},
      {"spaces and a backslash", "MY PC\\X", "smb://MY%20PC%5CX", "\\\\MY PC\\X"},
      // Not UTF-8 at all: each bad byte becomes '?', the rest is kept.
      {"invalid UTF-8", "AB\xFF" "C", "smb://AB%FFC", "\\\\AB?C"},
      // Outside code page 936: GB18030's four-byte form, never a 0x5C byte.
      {"emoji", "PC\xF0\x9F\x98\x80", "smb://PC%F0%9F%98%80", "\\\\PC\x94\x39\xFC\x36"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const ResourceEntry entry = ResourceEntryFromSmbDirent(SMBC_SERVER, row.name, "");
    EXPECT_EQ(entry.location, row.location);
    EXPECT_EQ(entry.remote_name, std::optional<std::string>(row.remote_name));
  }
}

TEST(SmbDirentEntryTest, CommentIsConvertedAndTheRootHoldsOneNetwork) {
  EXPECT_EQ(ResourceEntryFromSmbDirent(SMBC_WORKGROUP, "WG", "测试机").comment, "\xB2\xE2\xCA\xD4\xBB\xFA");
  const ResourceEntry network = SmbNetworkEntry();
  EXPECT_EQ(network.display_type, DisplayType::kNetwork);
  EXPECT_EQ(network.usage & kUsageConnectable, 0u);
  EXPECT_EQ(network.location, "smb://");
}

}  // namespace
}  // namespace veldaro::linux_net
