// Veldaro's real start-up over a network whose queries stall, for the closing
// benchmark. Once 20 scans are in the middle of their work (half of them stuck
// in a query that never answers, half answering every 1 ms and so waiting on
// the list in turn), the UI thread prints a stamp and closes the window as the
// user's Esc or close button would. The benchmark measures from that stamp to
// the moment it reaps the process.
//
//   close_request_ns=123456789   (monotonic clock, on standard output)
#include <QApplication>
#include <QMetaObject>
#include <QPushButton>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "main_window.h"
#include "monotonic_clock.h"
#include "network_queries.h"
#include "run_veldaro.h"

namespace veldaro::bench {
namespace {

constexpr int kBusyScans = 20;
// Enough names that no scan can finish before the window is closed.
constexpr int kNamesPerScan = 1000;
// A scan is in the middle of its work once it has asked for this many names.
constexpr int kNamesBeforeBusy = 3;
// A slow but answering network: these scans keep making list calls.
constexpr auto kSlowAnswer = std::chrono::milliseconds(1);

void OnUiThread(std::function<void()> work) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

MainWindow* TheWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<MainWindow*>(widget)) return window;
  }
  return nullptr;
}

class StallingNetwork final : public NetworkQueries {
 public:
  std::vector<std::string> EnumerateServers() override {
    ordinal_ = started_.fetch_add(1);
    asked_ = 0;
    if (ordinal_ == 0) {
      // The first scan starts the others, as clicks on Refresh would.
      OnUiThread([] {
        if (MainWindow* window = TheWindow()) {
          for (int i = 1; i < kBusyScans; ++i) window->RefreshButton()->click();
        }
      });
    }
    std::vector<std::string> names;
    for (int i = 0; i < kNamesPerScan; ++i) names.push_back("\\\\PC-" + std::to_string(i));
    return names;
  }

  std::string ResolveIPv4Text(const std::string&) override {
    if (++asked_ == kNamesBeforeBusy && busy_.fetch_add(1) + 1 == kBusyScans) {
      OnUiThread([] {
        MainWindow* window = TheWindow();
        if (window == nullptr) return;
        std::printf("close_request_ns=%lld\n", static_cast<long long>(MonotonicNs()));
        std::fflush(stdout);
        window->close();
      });
    }
    if (asked_ > kNamesBeforeBusy && ordinal_ % 2 == 1) {
      std::unique_lock lock(never_mutex_);
      never_.wait(lock, [] { return false; });
    }
    std::this_thread::sleep_for(kSlowAnswer);
    return "10.0.0.1";
  }

  std::string LookUpMacText(const std::string&) override {
    std::this_thread::sleep_for(kSlowAnswer);
    return "00-1A-2B-3C-4D-5E";
  }

 private:
  std::atomic<int> started_{0};
  std::atomic<int> busy_{0};
  std::mutex never_mutex_;
  std::condition_variable never_;
  static thread_local int ordinal_;
  static thread_local int asked_;
};

thread_local int StallingNetwork::ordinal_ = 0;
thread_local int StallingNetwork::asked_ = 0;

}  // namespace
}  // namespace veldaro::bench

int main(int argc, char** argv) {
  return veldaro::RunVeldaro(argc, argv, std::make_shared<veldaro::bench::StallingNetwork>());
}
