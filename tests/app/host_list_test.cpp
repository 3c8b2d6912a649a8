#include "host_list.h"

#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "fake_network_queries.h"
#include "scan_hosts.h"

namespace veldaro {
namespace {

using testing::FakeNetworkQueries;

// Starts scans on threads the test can join, instead of detached ones.
class JoinableThreads {
 public:
  ScanLauncher::ThreadStarter Starter() {
    return [this](std::function<void()> work) {
      threads_.emplace_back(std::move(work));
      return true;
    };
  }
  void JoinAll() {
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
  }
  ~JoinableThreads() { JoinAll(); }

 private:
  std::vector<std::thread> threads_;
};

std::vector<std::string> RowCells(const HostListModel& model, int row) {
  return {model.CellText(row, 0), model.CellText(row, 1), model.CellText(row, 2)};
}

TEST(HostListTest, ScansFillTheListOnTheUiThreadRowByRow) {
  HostListModel model;
  const auto rows = std::make_shared<HostList>(&model, UiCallQueue::Create());
  const auto network = std::make_shared<FakeNetworkQueries>(
      std::vector<std::string>{"\\\\PC-01", "\\\\PC-02", "", "\\\\\xBC\xC6\xCB\xE3"});
  JoinableThreads threads;
  ScanLauncher launcher(network, rows, threads.Starter());

  // Rows that an earlier scan left are cleared first.
  model.AddRow(99, "stale");
  launcher.LaunchScan();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !model.CellText(2, 2).empty(); }, 30'000));
  threads.JoinAll();

  ASSERT_EQ(model.rowCount(), 3);
  EXPECT_EQ(RowCells(model, 0), (std::vector<std::string>{"PC-01", "10.0.0.1", "00-1A-2B-3C-4D-5E"}));
  EXPECT_EQ(RowCells(model, 1), (std::vector<std::string>{"PC-02", "10.0.0.2", "00-1A-2B-3C-4D-5E"}));
  EXPECT_EQ(RowCells(model, 2),
            (std::vector<std::string>{"\xBC\xC6\xCB\xE3", "10.0.0.3", "00-1A-2B-3C-4D-5E"}));
}

TEST(HostListTest, AScanNeverSetsACellOnARowAnotherScanAdded) {
  HostListModel model;
  const auto rows = std::make_shared<HostList>(&model, UiCallQueue::Create());
  constexpr ScanId kFirst = 1;
  constexpr ScanId kSecond = 2;

  std::atomic<bool> done{false};
  std::thread scans([&] {
    // The first scan adds row 0; the second clears the list and adds its own
    // row 0 before the first gets to set its cells.
    const std::int32_t first_row = rows->AddRow(kFirst, "FIRST");
    rows->ClearRows();
    const std::int32_t second_row = rows->AddRow(kSecond, "SECOND");
    EXPECT_EQ(first_row, 0);
    EXPECT_EQ(second_row, 0);
    rows->SetCell(kFirst, first_row, 1, "10.0.0.1");
    rows->SetCell(kSecond, second_row, 2, "00-00-00-00-00-02");
    done = true;
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 30'000));
  scans.join();

  ASSERT_EQ(model.rowCount(), 1);
  EXPECT_EQ(RowCells(model, 0), (std::vector<std::string>{"SECOND", "", "00-00-00-00-00-02"}));
}

TEST(HostListTest, ClosingReleasesAScanWaitingOnTheListAndLeavesTheListAlone) {
  HostListModel model;
  // Nobody drains this queue: every call from a scan waits until Close().
  std::atomic<int> queued{0};
  const auto queue = UiCallQueue::Create([&] { ++queued; });
  const auto rows = std::make_shared<HostList>(&model, queue);
  const auto network = std::make_shared<FakeNetworkQueries>(std::vector<std::string>{"\\\\PC-01"});
  network->HoldEnumeration();
  JoinableThreads threads;
  ScanLauncher launcher(network, rows, threads.Starter());

  launcher.LaunchScan();
  ASSERT_TRUE(QTest::qWaitFor([&] { return queued.load() == 1; }, 30'000));  // in ClearRows

  rows->Close();
  // The scan goes on past its ClearRows, finds PC-01 and is refused at once
  // for the row and its cells.
  network->Release();
  threads.JoinAll();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(queued.load(), 1);
  EXPECT_EQ(network->ResolvedNames(), std::vector<std::string>{"PC-01"});
  EXPECT_EQ(rows->AddRow(5, "late"), -1);
}

}  // namespace
}  // namespace veldaro
