// Many scans at once against the real list: the model, the UI hand-over queue
// and the scan procedure, drained by a running Qt event loop. The network is
// a fake whose answers come after random (seeded, so reproducible) delays and
// name both the host and the scan that asked, so that every cell shown can be
// traced back to the host of its row and to the scan that wrote it.
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host_list.h"
#include "host_list_model.h"
#include "network_queries.h"
#include "scan_hosts.h"
#include "ui_call_queue.h"

namespace veldaro {
namespace {

using namespace std::chrono_literals;

// Change with VELDARO_STRESS_SEED=N to try other interleavings; a failure
// prints the seed it ran with.
constexpr std::uint32_t kDefaultSeed = 20261211;
constexpr int kScans = 100;
// Scans start spread over this time so that most of them begin (and empty the
// list) while others are half-way through theirs.
constexpr int kMaxStartDelayMs = 300;
// Hosts in the neighbourhood; each scan lists a random handful of them.
constexpr int kHosts = 60;
constexpr int kMinServersPerScan = 4;
constexpr int kMaxServersPerScan = 24;
// A query answers after up to this long, as a slow network would.
constexpr int kMaxQueryDelayUs = 400;
// A scan may also be held up between its list operations (pre-empted), which
// is what lets another scan's ClearRows fall between an AddRow and its SetCells.
constexpr int kMaxListDelayUs = 300;
// Far above the few seconds the run takes, also under the thread sanitizer:
// only a hang gets here.
constexpr int kHangBoundMs = 45'000;

std::uint32_t Seed() {
  if (const char* text = std::getenv("VELDARO_STRESS_SEED")) {
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
  }
  return kDefaultSeed;
}

// Host h's name. Some are code page 936 names whose second byte is a
// backslash, which must not split them.
std::string HostName(int host) {
  char number[8];
  std::snprintf(number, sizeof number, "%02d", host);
  return (host % 10 == 3 ? std::string("\x95\x5C") : std::string()) + "HOST-" + number;
}

// Every seventh host does not resolve: its row gets empty cells 1 and 2.
bool Resolves(int host) { return host % 7 != 0; }

// Addresses and MACs carry the scan, so a cell written by the wrong scan
// never matches what its row expects. (Only the empty text of a host that
// does not resolve is the same for every scan.)
std::string Ipv4For(int host, ScanId scan) {
  if (!Resolves(host)) return {};
  return "10." + std::to_string(scan) + "." + std::to_string(host / 200) + "." +
         std::to_string(host % 200 + 1);
}

std::string MacFor(int host, ScanId scan) {
  if (!Resolves(host)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "02-%02X-%02X-00-00-%02X", static_cast<unsigned>(scan & 0xFF),
                static_cast<unsigned>((scan >> 8) & 0xFF), static_cast<unsigned>(host));
  return text;
}

std::string ExpectedCell(int host, ScanId scan, int column) {
  switch (column) {
    case HostListModel::kNameColumn:
      return HostName(host);
    case HostListModel::kIpv4Column:
      return Ipv4For(host, scan);
    default:
      return MacFor(host, scan);
  }
}

// What one scan thread knows about itself; the fake and the list wrapper read
// it to tell whose call they are answering.
struct ScanThreadState {
  ScanId scan = 0;
  std::mt19937 random;
  int last_host = -1;  // the host of the last ResolveIPv4Text
};
thread_local ScanThreadState* t_scan = nullptr;

void RandomPause(int max_us) {
  std::uniform_int_distribution<int> delay(0, max_us);
  std::this_thread::sleep_for(std::chrono::microseconds(delay(t_scan->random)));
}

class StressNetwork final : public NetworkQueries {
 public:
  StressNetwork() {
    for (int host = 0; host < kHosts; ++host) host_by_name_[HostName(host)] = host;
  }

  std::vector<std::string> EnumerateServers() override {
    RandomPause(kMaxQueryDelayUs);
    std::uniform_int_distribution<int> count(kMinServersPerScan, kMaxServersPerScan);
    std::uniform_int_distribution<int> host(0, kHosts - 1);
    std::uniform_int_distribution<int> odd_entry(0, 9);
    // Remote names that hold no computer name: they must add no row.
    static const char* const kNoComputerName[] = {"", "HOST-01", "\\\\", "\\"};
    std::vector<std::string> servers;
    const int n = count(t_scan->random);
    for (int i = 0; i < n; ++i) {
      if (odd_entry(t_scan->random) == 0) {
        servers.emplace_back(kNoComputerName[host(t_scan->random) % 4]);
      } else {
        servers.push_back("\\\\" + HostName(host(t_scan->random)));  // duplicates allowed
        ++rows_expected_;
      }
    }
    return servers;
  }

  std::string ResolveIPv4Text(const std::string& name) override {
    RandomPause(kMaxQueryDelayUs);
    const auto found = host_by_name_.find(name);
    if (found == host_by_name_.end()) {
      ++wrong_questions_;
      return {};
    }
    t_scan->last_host = found->second;
    return Ipv4For(found->second, t_scan->scan);
  }

  std::string LookUpMacText(const std::string& ipv4_text) override {
    RandomPause(kMaxQueryDelayUs);
    const int host = t_scan->last_host;
    if (host < 0 || ipv4_text != Ipv4For(host, t_scan->scan)) ++wrong_questions_;
    return host < 0 ? std::string() : MacFor(host, t_scan->scan);
  }

  // Names with a computer name handed out, so rows the scans will add.
  int RowsExpected() const { return rows_expected_.load(); }
  // Questions the fake was never meant to get (a name it does not know, a MAC
  // asked for another address than the one just resolved).
  int WrongQuestions() const { return wrong_questions_.load(); }

 private:
  std::map<std::string, int> host_by_name_;  // filled before any scan starts
  std::atomic<int> rows_expected_{0};
  std::atomic<int> wrong_questions_{0};
};

// The list as the scans reach it, held up at random before each operation.
class PausingRows final : public HostRows {
 public:
  explicit PausingRows(std::shared_ptr<HostList> list) : list_(std::move(list)) {}

  void ClearRows() override {
    RandomPause(kMaxListDelayUs);
    list_->ClearRows();
  }
  std::int32_t AddRow(ScanId scan, const std::string& text) override {
    RandomPause(kMaxListDelayUs);
    const std::int32_t row = list_->AddRow(scan, text);
    if (row < 0) ++refused_rows_;
    return row;
  }
  void SetCell(ScanId scan, std::int32_t row, std::int32_t column,
               const std::string& text) override {
    RandomPause(kMaxListDelayUs);
    ++set_cells_;
    list_->SetCell(scan, row, column, text);
  }

  int SetCells() const { return set_cells_.load(); }
  int RefusedRows() const { return refused_rows_.load(); }

 private:
  const std::shared_ptr<HostList> list_;
  std::atomic<int> set_cells_{0};
  std::atomic<int> refused_rows_{0};
};

// Watches the model on the UI thread after every change it reports and
// records anything wrong: a row whose cells belong to different hosts, or a
// cell holding what another scan than the row's own would write.
class ListWatcher {
 public:
  explicit ListWatcher(HostListModel& model) : model_(model) {
    for (int host = 0; host < kHosts; ++host) host_by_name_[HostName(host)] = host;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [this] {
      ++resets_;
      if (model_.rowCount() != 0) Fault("rows left after ClearRows");
      added_.clear();
    });
    QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                     [this](const QModelIndex&, int first, int last) {
                       for (int row = first; row <= last; ++row) OnRowAdded(row);
                     });
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [this](const QModelIndex& top_left, const QModelIndex& bottom_right) {
                       for (int row = top_left.row(); row <= bottom_right.row(); ++row) {
                         for (int column = top_left.column(); column <= bottom_right.column(); ++column) {
                           ++cells_written_;
                           CheckCell(row, column, /*may_be_unset=*/false);
                         }
                       }
                     });
  }

  // After the run: every row whole, matching the rows added since the last
  // ClearRows, in that order.
  void CheckFinalList() {
    if (model_.rowCount() != static_cast<int>(added_.size())) Fault("row count differs from rows added");
    for (int row = 0; row < model_.rowCount(); ++row) {
      if (row < static_cast<int>(added_.size()) && model_.RowScan(row) != added_[static_cast<std::size_t>(row)]) {
        Fault("row " + std::to_string(row) + " changed owner");
      }
      for (int column = 0; column < HostListModel::kColumnCount; ++column) {
        CheckCell(row, column, /*may_be_unset=*/false);
      }
    }
  }

  const std::vector<std::string>& Faults() const { return faults_; }
  int Resets() const { return resets_; }
  int RowsAdded() const { return rows_added_; }
  int CellsWritten() const { return cells_written_; }

 private:
  void OnRowAdded(int row) {
    ++rows_added_;
    if (row != static_cast<int>(added_.size())) Fault("row added elsewhere than at the end");
    added_.push_back(model_.RowScan(row));
    if (model_.RowScan(row) == 0) Fault("row " + std::to_string(row) + " has no scan");
    for (int column = 0; column < HostListModel::kColumnCount; ++column) {
      CheckCell(row, column, /*may_be_unset=*/column != HostListModel::kNameColumn);
    }
  }

  void CheckCell(int row, int column, bool may_be_unset) {
    const std::string text = model_.CellText(row, column);
    if (may_be_unset && text.empty()) return;
    const auto host = host_by_name_.find(model_.CellText(row, HostListModel::kNameColumn));
    if (host == host_by_name_.end()) {
      Fault("row " + std::to_string(row) + " has an unknown name");
      return;
    }
    const ScanId owner = model_.RowScan(row);
    if (text != ExpectedCell(host->second, owner, column)) {
      Fault("row " + std::to_string(row) + " of scan " + std::to_string(owner) + " (" +
            HostName(host->second) + "), column " + std::to_string(column) + ": '" + text + "'");
    }
  }

  void Fault(std::string what) {
    // The first few tell the story; a broken run would otherwise flood the log.
    if (faults_.size() < 20) faults_.push_back(std::move(what));
  }

  HostListModel& model_;
  std::map<std::string, int> host_by_name_;
  std::vector<ScanId> added_;  // owner of each row added since the last ClearRows
  std::vector<std::string> faults_;
  int resets_ = 0;
  int rows_added_ = 0;
  int cells_written_ = 0;
};

TEST(OverlappingScansStressTest, EveryRowHoldsOneHostWrittenOnlyByTheScanThatAddedIt) {
  const std::uint32_t seed = Seed();
  SCOPED_TRACE("VELDARO_STRESS_SEED=" + std::to_string(seed));

  HostListModel model;
  ListWatcher watcher(model);
  const auto list = std::make_shared<HostList>(&model, UiCallQueue::Create());
  auto rows = std::make_shared<PausingRows>(list);
  StressNetwork network;

  QEventLoop loop;
  std::atomic<int> finished{0};
  std::atomic<int> running{0};
  std::atomic<int> most_running{0};
  std::vector<std::thread> scans;
  scans.reserve(kScans);
  for (int i = 0; i < kScans; ++i) {
    const ScanId scan = static_cast<ScanId>(i + 1);
    scans.emplace_back([&, scan] {
      ScanThreadState state;
      state.scan = scan;
      state.random.seed(seed ^ static_cast<std::uint32_t>(scan * 2654435761u));
      t_scan = &state;
      std::uniform_int_distribution<int> start(0, kMaxStartDelayMs);
      std::this_thread::sleep_for(std::chrono::milliseconds(start(state.random)));

      const int now = running.fetch_add(1) + 1;
      for (int seen = most_running.load(); now > seen && !most_running.compare_exchange_weak(seen, now);) {
      }
      ScanHosts(network, *rows, scan);
      running.fetch_sub(1);
      t_scan = nullptr;
      if (finished.fetch_add(1) + 1 == kScans) {
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
      }
    });
  }
  QTimer::singleShot(kHangBoundMs, &loop, &QEventLoop::quit);
  loop.exec();

  const bool all_finished = finished.load() == kScans;
  // Whatever happened, no scan may be left waiting on the list.
  if (!all_finished) list->Close();
  for (std::thread& scan : scans) scan.join();
  ASSERT_TRUE(all_finished) << finished.load() << " of " << kScans << " scans finished in the bound";

  watcher.CheckFinalList();
  for (const std::string& fault : watcher.Faults()) ADD_FAILURE() << fault;
  EXPECT_EQ(network.WrongQuestions(), 0);
  EXPECT_EQ(watcher.Resets(), kScans);
  EXPECT_EQ(rows->RefusedRows(), 0);
  EXPECT_EQ(watcher.RowsAdded(), network.RowsExpected());
  EXPECT_EQ(rows->SetCells(), 2 * network.RowsExpected());

  // The run only proves something if the scans really got in each other's
  // way: several at once, and SetCells that found their row gone or taken by
  // another scan (and so changed nothing).
  EXPECT_GE(most_running.load(), 2);
  EXPECT_GT(rows->SetCells() - watcher.CellsWritten(), 0) << "no SetCell ever missed its row";
  std::printf("[   INFO   ] seed %" PRIu32 ": %d rows added, %d of %d SetCells refused, up to %d scans at once\n",
              seed, watcher.RowsAdded(), rows->SetCells() - watcher.CellsWritten(), rows->SetCells(),
              most_running.load());
}

}  // namespace
}  // namespace veldaro
