// Veldaro itself, with the real back-end, watched from inside: once the first
// scan has filled the list, prints the list's rows (one "name<TAB>address<TAB>
// MAC" line each, code page 936 bytes as the cells hold them) and ends. The app
// gains no log for this; the probe reads its list model.
//
// It also watches the UI thread's responsiveness: a 10 ms timer notes how late
// it fires at worst while the scan runs. With VELDARO_LAN_PROBE_LATENCY set,
// one more line follows the rows: "#ui-latency<TAB>worst ms<TAB>ticks<TAB>
// seconds until the rows were printed". VELDARO_LAN_PROBE_TIMEOUT_S gives a
// large LAN's scan longer than the usual bound.

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "host_list_model.h"
#include "host_list_view.h"
#include "lan_environment.h"
#include "platform_network_queries.h"
#include "run_veldaro.h"

namespace veldaro::lan {
namespace {

// How often the list is looked at.
constexpr int kPollIntervalMs = 100;
// After the scan's last query, the list operations still to come are handed to
// the UI thread one by one; they are done well within this.
constexpr auto kSettleTime = std::chrono::milliseconds(500);
// A scan of the LAN takes seconds; this bounds a scan that hangs.
constexpr auto kScanTimeout = std::chrono::seconds(180);
// The UI thread's heartbeat: a timer this often, whose lateness is noted.
constexpr auto kHeartbeatInterval = std::chrono::milliseconds(10);

// Passes every query to the real back-end and counts the scan's progress.
class CountingQueries final : public NetworkQueries {
 public:
  explicit CountingQueries(std::shared_ptr<NetworkQueries> real) : real_(std::move(real)) {}

  std::vector<std::string> EnumerateServers() override {
    std::vector<std::string> servers = real_->EnumerateServers();
    servers_ = static_cast<int>(servers.size());
    return servers;
  }
  std::string ResolveIPv4Text(const std::string& name) override { return real_->ResolveIPv4Text(name); }
  std::string LookUpMacText(const std::string& ipv4_text) override {
    std::string mac = real_->LookUpMacText(ipv4_text);
    ++macs_looked_up_;
    return mac;
  }

  // True once the first scan has asked its last question.
  bool ScanAsked() const { return servers_ >= 0 && macs_looked_up_ >= servers_; }
  int servers() const { return servers_; }

 private:
  std::shared_ptr<NetworkQueries> real_;
  std::atomic<int> servers_{-1};
  std::atomic<int> macs_looked_up_{0};
};

CountingQueries* g_queries = nullptr;

// How late the heartbeat fired at worst; touched on the UI thread only.
struct Heartbeat {
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last = started;
  std::chrono::steady_clock::duration worst_lateness{};
  long ticks = 0;
};
Heartbeat* g_heartbeat = nullptr;

void StartHeartbeat() {
  g_heartbeat = new Heartbeat;  // lives until the probe's _Exit
  auto* timer = new QTimer(qApp);
  timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer, &QTimer::timeout, [] {
    const auto now = std::chrono::steady_clock::now();
    g_heartbeat->worst_lateness = std::max(g_heartbeat->worst_lateness, now - g_heartbeat->last - kHeartbeatInterval);
    g_heartbeat->last = now;
    ++g_heartbeat->ticks;
  });
  timer->start(kHeartbeatInterval);
}

std::chrono::seconds ScanTimeout() {
  const char* text = std::getenv("VELDARO_LAN_PROBE_TIMEOUT_S");
  const long seconds = text != nullptr ? std::atol(text) : 0;
  return seconds > 0 ? std::chrono::seconds(seconds) : kScanTimeout;
}

HostListModel* FindListModel() {
  for (QWidget* widget : QApplication::allWidgets()) {
    if (auto* view = qobject_cast<HostListView*>(widget)) return qobject_cast<HostListModel*>(view->model());
  }
  return nullptr;
}

void PrintRowsAndExit(const HostListModel& model) {
  for (int row = 0; row < model.rowCount(); ++row) {
    std::printf("%s\t%s\t%s\n", model.CellText(row, HostListModel::kNameColumn).c_str(),
                model.CellText(row, HostListModel::kIpv4Column).c_str(),
                model.CellText(row, HostListModel::kMacColumn).c_str());
  }
  if (std::getenv("VELDARO_LAN_PROBE_LATENCY") != nullptr) {
    const std::chrono::duration<double, std::milli> worst = g_heartbeat->worst_lateness;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - g_heartbeat->started;
    std::printf("#ui-latency\t%.1f\t%ld\t%.1f\n", worst.count(), g_heartbeat->ticks, took.count());
  }
  std::fflush(stdout);
  std::_Exit(0);
}

// Runs when the app has made its QApplication: watches the list until the
// first scan is done.
void WatchTheList() {
  StartHeartbeat();
  auto* timer = new QTimer(qApp);
  const auto deadline = std::chrono::steady_clock::now() + ScanTimeout();
  auto settled_at = std::make_shared<std::chrono::steady_clock::time_point>();
  QObject::connect(timer, &QTimer::timeout, [timer, deadline, settled_at] {
    const auto now = std::chrono::steady_clock::now();
    if (now > deadline) {
      std::fprintf(stderr, "lan_app_probe: the scan did not finish\n");
      std::_Exit(2);
    }
    const HostListModel* model = FindListModel();
    if (model == nullptr || !g_queries->ScanAsked() || model->rowCount() < g_queries->servers()) return;
    if (*settled_at == std::chrono::steady_clock::time_point()) *settled_at = now + kSettleTime;
    if (now >= *settled_at) {
      timer->stop();
      PrintRowsAndExit(*model);
    }
  });
  timer->start(kPollIntervalMs);
}

}  // namespace
}  // namespace veldaro::lan

static void StartWatchingTheList() { veldaro::lan::WatchTheList(); }
Q_COREAPP_STARTUP_FUNCTION(StartWatchingTheList)

int main(int argc, char** argv) {
  // It sends traffic: only inside the simulated LAN.
  const std::string why_not = veldaro::lan::WhyNotInsideLan();
  if (!why_not.empty()) {
    std::fprintf(stderr, "REFUSING to run outside the simulated LAN: %s\n", why_not.c_str());
    return 1;
  }
  auto queries = std::make_shared<veldaro::lan::CountingQueries>(veldaro::MakePlatformNetworkQueries());
  veldaro::lan::g_queries = queries.get();
  return veldaro::RunVeldaro(argc, argv, queries);
}
