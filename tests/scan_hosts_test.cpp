#include "scan_hosts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "fake_host_rows.h"
#include "fake_network_queries.h"

namespace veldaro {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using veldaro::fakes::FakeHostRows;
using veldaro::fakes::FakeNetworkQueries;
using Cells = std::array<std::string, 3>;

std::vector<Cells> CellsOf(const FakeHostRows& rows) {
  std::vector<Cells> cells;
  for (const FakeHostRows::Row& row : rows.rows()) cells.push_back(row.cells);
  return cells;
}

TEST(ScanHostsTest, AddsOneRowPerServerInListOrder) {
  FakeNetworkQueries queries({"\\\\PC-02", "\\\\PC-01", "\\\\PC-02"},
                             {{"PC-01", "192.168.1.23"}, {"PC-02", "10.0.0.5"}},
                             {{"192.168.1.23", "00-1A-2B-3C-4D-5E"}});
  FakeHostRows rows;
  ScanHosts(queries, rows, 7);

  EXPECT_THAT(CellsOf(rows), ElementsAre(Cells{"PC-02", "10.0.0.5", ""},
                                         Cells{"PC-01", "192.168.1.23", "00-1A-2B-3C-4D-5E"},
                                         Cells{"PC-02", "10.0.0.5", ""}));
  // The list is emptied before the neighbourhood is asked anything, and each
  // name is resolved and looked up before its row is added.
  EXPECT_THAT(rows.operations()[0], "ClearRows()");
  EXPECT_THAT(queries.calls(),
              ElementsAre("EnumerateServers()", "ResolveIPv4Text(PC-02)", "LookUpMacText(10.0.0.5)",
                          "ResolveIPv4Text(PC-01)", "LookUpMacText(192.168.1.23)",
                          "ResolveIPv4Text(PC-02)", "LookUpMacText(10.0.0.5)"));
}

TEST(ScanHostsTest, UnresolvedNameStillGetsItsRow) {
  // What the MAC lookup says for the empty address text is what column 2 shows.
  FakeNetworkQueries queries({"\\\\GHOST"}, {}, {{"", "AA-BB-CC-DD-EE-FF"}});
  FakeHostRows rows;
  ScanHosts(queries, rows, 1);

  EXPECT_THAT(queries.calls(), ElementsAre("EnumerateServers()", "ResolveIPv4Text(GHOST)",
                                           "LookUpMacText()"));
  EXPECT_THAT(CellsOf(rows), ElementsAre(Cells{"GHOST", "", "AA-BB-CC-DD-EE-FF"}));
}

TEST(ScanHostsTest, NamesWithoutComputerNameAddNoRow) {
  // None of these has a computer name in the place of `\\NAME`; looking one up
  // would resolve the empty name to this computer.
  FakeNetworkQueries queries({"", "\\", "PC-01", "\\\\", "\\\\\\X", "\\\\OK"}, {}, {});
  FakeHostRows rows;
  ScanHosts(queries, rows, 1);

  EXPECT_THAT(CellsOf(rows), ElementsAre(Cells{"OK", "", ""}));
  EXPECT_THAT(queries.calls(), ElementsAre("EnumerateServers()", "ResolveIPv4Text(OK)",
                                           "LookUpMacText()"));
}

TEST(ScanHostsTest, EmptyNeighbourhoodEmptiesTheList) {
  FakeNetworkQueries queries({}, {}, {});
  FakeHostRows rows;
  rows.AddRow(99, "OLD");
  ScanHosts(queries, rows, 1);
  EXPECT_THAT(rows.rows(), IsEmpty());
}

TEST(ScanHostsTest, OverlappingScanNeverWritesCellsOnTheOtherScansRows) {
  FakeNetworkQueries first_network({"\\\\FIRST"}, {{"FIRST", "10.0.0.1"}}, {{"10.0.0.1", "11-11-11-11-11-11"}});
  FakeNetworkQueries second_network({"\\\\SECOND"}, {{"SECOND", "10.0.0.2"}},
                                    {{"10.0.0.2", "22-22-22-22-22-22"}});
  FakeHostRows rows;
  // Right after the first scan added its row (index 0), a second scan runs
  // whole: it empties the list and adds its own row at index 0.
  rows.after_add_row = [&](ScanId scan, std::int32_t) {
    if (scan != 1) return;
    rows.after_add_row = nullptr;
    ScanHosts(second_network, rows, 2);
  };
  ScanHosts(first_network, rows, 1);

  EXPECT_THAT(CellsOf(rows), ElementsAre(Cells{"SECOND", "10.0.0.2", "22-22-22-22-22-22"}));
  // The first scan did try its cells on row 0, under its own id.
  EXPECT_THAT(rows.operations(), ::testing::Contains("SetCell(1,0,1,10.0.0.1)"));
}

TEST(LaunchScanTest, RunsTheScanOnAThreadOfItsOwn) {
  auto queries = std::make_shared<FakeNetworkQueries>(std::vector<std::string>{"\\\\A"},
                                                      std::map<std::string, std::string>{},
                                                      std::map<std::string, std::string>{});
  auto rows = std::make_shared<FakeHostRows>();
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::thread::id scan_thread;
  rows->after_add_row = [&](ScanId, std::int32_t) {
    std::lock_guard lock(mutex);
    scan_thread = std::this_thread::get_id();
  };
  ScanLauncher launcher(queries, rows, [&](std::function<void()> work) {
    return ScanLauncher::StartDetachedThread([&, work = std::move(work)] {
      work();
      std::lock_guard lock(mutex);
      finished = true;
      done.notify_all();
    });
  });
  launcher.LaunchScan();

  std::unique_lock lock(mutex);
  done.wait(lock, [&] { return finished; });
  EXPECT_TRUE(scan_thread != std::this_thread::get_id());
  EXPECT_THAT(rows->rows().size(), 1u);
}

TEST(LaunchScanTest, NoThreadMeansNoScanAndNoChange) {
  auto queries = std::make_shared<FakeNetworkQueries>(std::vector<std::string>{"\\\\A"},
                                                      std::map<std::string, std::string>{},
                                                      std::map<std::string, std::string>{});
  auto rows = std::make_shared<FakeHostRows>();
  rows->AddRow(5, "KEPT");
  ScanLauncher launcher(queries, rows, [](std::function<void()>) { return false; });
  launcher.LaunchScan();

  EXPECT_THAT(queries->calls(), IsEmpty());
  EXPECT_THAT(CellsOf(*rows), ElementsAre(Cells{"KEPT", "", ""}));
}

TEST(LaunchScanTest, EachScanHasItsOwnId) {
  auto queries = std::make_shared<FakeNetworkQueries>(std::vector<std::string>{"\\\\A"},
                                                      std::map<std::string, std::string>{},
                                                      std::map<std::string, std::string>{});
  auto rows = std::make_shared<FakeHostRows>();
  // Run each scan on the caller's thread, one after the other.
  ScanLauncher launcher(queries, rows, [](std::function<void()> work) {
    work();
    return true;
  });
  launcher.LaunchScan();
  const ScanId first = rows->rows().at(0).scan;
  launcher.LaunchScan();
  EXPECT_NE(rows->rows().at(0).scan, first);
}

}  // namespace
}  // namespace veldaro
