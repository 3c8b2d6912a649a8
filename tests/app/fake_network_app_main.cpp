// The real start-up over a fake network, for tests that need the whole
// program as a process, and for looking at the window without any traffic.
//
//   VELDARO_FAKE_SCANS=N         click Refresh until N scans run at once, all
//                                in the middle of their work, then close the
//                                window (the program must end at once, code 0)
//   (unset)                      one scan fills a few rows and the window
//                                stays open: names in code page 936, an
//                                address too wide for its column, a silent host
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "network_queries.h"
#include "run_veldaro.h"

namespace {

using namespace std::chrono_literals;

// Enough names that no scan can finish before the window is closed.
constexpr int kNamesPerBusyScan = 1000;
// A scan counts as in the middle of its work after this many names.
constexpr int kNamesBeforeBusy = 3;
// A slow answer: scans spend their time both in queries and in list calls.
constexpr auto kSlowAnswer = 1ms;
// How often the UI thread looks for the scans' requests.
constexpr auto kRequestPollInterval = 1ms;

QWidget* MainWindow() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* window : windows) {
    if (window->isWindow() && window->findChild<QPushButton*>() != nullptr) return window;
  }
  return nullptr;
}

// What scan threads ask of the window. They only set these; the UI thread
// picks them up on a timer. Posting a functor through Qt's event queue instead
// would hand memory between threads through Qt's own, uninstrumented locks,
// which ThreadSanitizer takes for a race.
std::atomic<int> clicks_wanted{0};
std::atomic<bool> close_wanted{false};

void CarryOutRequests() {
  QWidget* window = MainWindow();
  if (window == nullptr) return;
  for (int clicks = clicks_wanted.exchange(0); clicks > 0; --clicks) {
    window->findChild<QPushButton*>()->click();
  }
  if (close_wanted.exchange(false)) window->close();
}

void StartRequestPoller() {
  auto* poller = new QTimer(QCoreApplication::instance());
  poller->setInterval(kRequestPollInterval);
  QObject::connect(poller, &QTimer::timeout, &CarryOutRequests);
  poller->start();
}
Q_COREAPP_STARTUP_FUNCTION(StartRequestPoller)

// Every scan that starts is numbered; odd scans stop answering for good after
// a few names (a silent host), even ones answer slowly. When all N scans are
// busy the window is closed from the UI thread.
class BusyNetwork final : public veldaro::NetworkQueries {
 public:
  explicit BusyNetwork(int scans) : scans_(scans) {}

  std::vector<std::string> EnumerateServers() override {
    ordinal_ = started_.fetch_add(1);
    resolved_ = 0;
    if (ordinal_ == 0) clicks_wanted.fetch_add(scans_ - 1);
    std::vector<std::string> names;
    for (int i = 0; i < kNamesPerBusyScan; ++i) names.push_back("\\\\PC-" + std::to_string(i));
    return names;
  }

  std::string ResolveIPv4Text(const std::string&) override {
    if (++resolved_ == kNamesBeforeBusy && busy_.fetch_add(1) + 1 == scans_) {
      // Tells the test that the close it sees came with every scan busy.
      std::fprintf(stderr, "fake network: closing with %d scans busy\n", scans_);
      close_wanted.store(true);
    }
    if (resolved_ > kNamesBeforeBusy && ordinal_ % 2 == 1) {
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
  const int scans_;
  std::atomic<int> started_{0};
  std::atomic<int> busy_{0};
  std::mutex never_mutex_;
  std::condition_variable never_;
  static thread_local int ordinal_;
  static thread_local int resolved_;
};

thread_local int BusyNetwork::ordinal_ = 0;
thread_local int BusyNetwork::resolved_ = 0;

// A small neighbourhood that answers at once.
class ShowcaseNetwork final : public veldaro::NetworkQueries {
 public:
  std::vector<std::string> EnumerateServers() override {
    return {"\\\\PC-01", "\\\\\xBC\xC6\xCB\xE3\xBB\xFA\xD2\xBB", "\\\\SILENT", "\\\\FILESERVER"};
  }
  std::string ResolveIPv4Text(const std::string& name) override {
    if (name == "SILENT") return {};
    if (name == "FILESERVER") return "192.168.100.100";
    return name == "PC-01" ? "10.0.0.5" : "192.168.1.23";
  }
  std::string LookUpMacText(const std::string& ipv4_text) override {
    return ipv4_text.empty() ? std::string() : "00-1A-2B-3C-4D-5E";
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::shared_ptr<veldaro::NetworkQueries> network;
  if (const char* scans = std::getenv("VELDARO_FAKE_SCANS")) {
    network = std::make_shared<BusyNetwork>(std::max(1, std::atoi(scans)));
  } else {
    network = std::make_shared<ShowcaseNetwork>();
  }
  return veldaro::RunVeldaro(argc, argv, std::move(network));
}
