#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "host_rows.h"
#include "network_queries.h"

namespace veldaro {

// One whole scan: empties the list, enumerates the neighbourhood and adds a row
// per server with its name, IPv4 address and adapter address.
void ScanHosts(NetworkQueries& queries, HostRows& rows, ScanId scan);

// Starts scans on detached threads. The queries and the list are shared with
// every scan started, so they live as long as the last scan.
class ScanLauncher {
 public:
  // Starts `work` on a new detached thread; false when no thread can be made.
  using ThreadStarter = std::function<bool(std::function<void()> work)>;

  ScanLauncher(std::shared_ptr<NetworkQueries> queries, std::shared_ptr<HostRows> rows,
               ThreadStarter start_thread = StartDetachedThread);

  // Starts ScanHosts on a thread of its own and returns at once. When no thread
  // can be made nothing happens and nothing is reported.
  void LaunchScan();

  static bool StartDetachedThread(std::function<void()> work);

 private:
  std::shared_ptr<NetworkQueries> queries_;
  std::shared_ptr<HostRows> rows_;
  ThreadStarter start_thread_;
  std::atomic<ScanId> next_scan_{1};
};

}  // namespace veldaro
