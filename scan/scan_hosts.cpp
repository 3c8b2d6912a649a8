#include "scan_hosts.h"

#include <system_error>
#include <thread>
#include <utility>

#include "split_text.h"

namespace veldaro {
namespace {

constexpr std::string_view kNameSeparator = "\\";
// `\\NAME` splits into "", "", "NAME": the computer name is the third piece.
constexpr std::size_t kComputerNamePiece = 2;
constexpr std::int32_t kIpv4Column = 1;
constexpr std::int32_t kMacColumn = 2;

}  // namespace

void ScanHosts(NetworkQueries& queries, HostRows& rows, ScanId scan) {
  rows.ClearRows();
  const std::vector<std::string> server_names = queries.EnumerateServers();
  for (const std::string& server_name : server_names) {
    const std::vector<std::string> pieces = SplitText(server_name, kNameSeparator);
    // Without a computer name there is nothing to look up: the resolver would
    // take the empty name for this computer and show its address instead.
    if (pieces.size() <= kComputerNamePiece || pieces[kComputerNamePiece].empty()) continue;
    const std::string& computer_name = pieces[kComputerNamePiece];

    const std::string ipv4_text = queries.ResolveIPv4Text(computer_name);
    const std::string mac_text = queries.LookUpMacText(ipv4_text);
    const std::int32_t row = rows.AddRow(scan, computer_name);
    rows.SetCell(scan, row, kIpv4Column, ipv4_text);
    rows.SetCell(scan, row, kMacColumn, mac_text);
  }
}

ScanLauncher::ScanLauncher(std::shared_ptr<NetworkQueries> queries, std::shared_ptr<HostRows> rows,
                           ThreadStarter start_thread)
    : queries_(std::move(queries)), rows_(std::move(rows)), start_thread_(std::move(start_thread)) {}

void ScanLauncher::LaunchScan() {
  const ScanId scan = next_scan_.fetch_add(1, std::memory_order_relaxed);
  // The scan holds its own references: nothing waits for it, and it may still
  // run when whoever launched it is gone.
  start_thread_([queries = queries_, rows = rows_, scan] { ScanHosts(*queries, *rows, scan); });
}

bool ScanLauncher::StartDetachedThread(std::function<void()> work) {
  try {
    std::thread(std::move(work)).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace veldaro
