#include "enumerate_servers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_resource_enumerator.h"

namespace veldaro {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;
using veldaro::fakes::FakeResourceEnumerator;
using veldaro::fakes::Network;
using veldaro::fakes::Server;
using veldaro::fakes::Share;
using veldaro::fakes::Workgroup;
using Level = FakeResourceEnumerator::Level;
using ReadResult = ResourceLevel::ReadResult;

// Every level that was opened was closed exactly once.
void ExpectEveryOpenedLevelClosedOnce(const FakeResourceEnumerator& fake) {
  EXPECT_THAT(fake.closed, UnorderedElementsAreArray(fake.opened));
}

TEST(EnumerateServersTest, WalksDepthFirstInPreOrderAcrossBatches) {
  FakeResourceEnumerator fake;
  fake.AddLevel("", {{{Network("smb://")}}});
  fake.AddLevel("smb://", {{{Workgroup("WG1"), Workgroup("WG2")}}});
  // WG1 delivers its servers in two batches; their order is kept.
  fake.AddLevel("smb://WG1", {{{Server("A"), Server("B")}, {Server("C")}}});
  fake.AddLevel("smb://WG2", {{{Server("D")}}});
  fake.AddLevel("smb://A", {{{Share("A", "docs")}}});
  fake.AddLevel("smb://B", {});
  fake.AddLevel("smb://C", {});
  fake.AddLevel("smb://D", {});

  EXPECT_THAT(EnumerateServers(fake), ElementsAre("\\\\A", "\\\\B", "\\\\C", "\\\\D"));
  // Everything below an entry is walked before the entry's next sibling; every
  // server is asked for its children; connectable shares are not entered.
  EXPECT_THAT(fake.asked, ElementsAre("", "smb://", "smb://WG1", "smb://A", "smb://B",
                                       "smb://C", "smb://WG2", "smb://D"));
  ExpectEveryOpenedLevelClosedOnce(fake);
}

TEST(EnumerateServersTest, KeepsDuplicatesAndNamelessServers) {
  FakeResourceEnumerator fake;
  ResourceEntry nameless = Server("X");
  nameless.remote_name.reset();
  fake.AddLevel("", {{{Workgroup("WG1"), Workgroup("WG2")}}});
  fake.AddLevel("smb://WG1", {{{Server("A"), nameless}}});
  fake.AddLevel("smb://WG2", {{{Server("A")}}});

  EXPECT_THAT(EnumerateServers(fake), ElementsAre("\\\\A", "", "\\\\A"));
}

TEST(EnumerateServersTest, ConnectableServerIsCollectedButNotEntered) {
  FakeResourceEnumerator fake;
  ResourceEntry connectable = Server("A");
  connectable.usage = kUsageConnectable;
  fake.AddLevel("", {{{connectable, Server("B")}}});
  fake.AddLevel("smb://A", {{{Server("HIDDEN")}}});
  fake.AddLevel("smb://B", {{{Server("CHILD")}}});

  EXPECT_THAT(EnumerateServers(fake), ElementsAre("\\\\A", "\\\\B", "\\\\CHILD"));
}

TEST(EnumerateServersTest, FailuresKeepWhatWasFound) {
  struct Case {
    const char* what;
    std::vector<std::string> unopenable;  // levels the fake cannot open
    ReadResult wg1_end;
    std::vector<std::string> servers;
  };
  const std::vector<Case> cases = {
      {"root cannot be opened", {""}, ReadResult::kNoMoreItems, {}},
      {"a workgroup cannot be opened", {"smb://WG1"}, ReadResult::kNoMoreItems, {"\\\\D"}},
      // WG1 fails after its first batch: A, and what lies below A, stay.
      {"error in the middle of a level", {}, ReadResult::kError, {"\\\\A", "\\\\A2", "\\\\D"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeResourceEnumerator fake;
    auto add = [&](const std::string& location, Level level) {
      if (std::find(c.unopenable.begin(), c.unopenable.end(), location) == c.unopenable.end()) {
        fake.AddLevel(location, std::move(level));
      }
    };
    add("", {{{Workgroup("WG1"), Workgroup("WG2")}}});
    add("smb://WG1", {{{Server("A")}}, c.wg1_end});
    add("smb://A", {{{Server("A2")}}});
    add("smb://WG2", {{{Server("D")}}});

    EXPECT_EQ(EnumerateServers(fake), c.servers);
    ExpectEveryOpenedLevelClosedOnce(fake);
  }
}

TEST(EnumerateServersTest, EmptyBatchEndsTheLevel) {
  // A provider that answers "here is a batch" with nothing in it must not keep
  // the walk reading forever.
  FakeResourceEnumerator fake;
  fake.AddLevel("", {{{Server("A")}, {}, {Server("NEVER")}}});
  EXPECT_THAT(EnumerateServers(fake), ElementsAre("\\\\A"));
  ExpectEveryOpenedLevelClosedOnce(fake);
}

TEST(EnumerateServersTest, NothingOpenableGivesEmptyList) {
  FakeResourceEnumerator fake;
  EXPECT_THAT(EnumerateServers(fake), IsEmpty());
  EXPECT_THAT(fake.closed, IsEmpty());
}

}  // namespace
}  // namespace veldaro
