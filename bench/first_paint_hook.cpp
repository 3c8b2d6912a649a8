// Linked into each program the start-up benchmark runs (Veldaro and the bare
// window), so that both are watched the same way and neither gains a log.
//
// When the QApplication has been made, an event filter on it waits for the
// first paint event of any widget. The whole first paint of a window (every
// widget of it, then the flush to the screen) happens inside one event; a call
// queued from the first paint event runs once that event is done, and stamps
// the paint as finished. After a settle time the resident memory is read, one
// line goes to standard output and the process ends:
//
//   first_paint_us=61234 rss_kib=38012 anon_kib=9120
//
// The paint is timed from the stamp the benchmark took just before it spawned
// this process (VELDARO_BENCH_SPAWN_NS), so loading the libraries counts too.

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "child_process.h"
#include "monotonic_clock.h"

namespace veldaro::bench {
namespace {

// After the first paint the program is left alone this long before its memory
// is read: lazily loaded fonts, icons and the style settle in the meantime.
constexpr int kSettleMs = 500;
// A program that has not painted by then never will; the benchmark sees no
// line and counts a failed run.
constexpr int kNoPaintTimeoutMs = 20'000;
constexpr int kNoPaintExitCode = 3;

// A field of /proc/self/status in KiB ("RssAnon:   9120 kB"), or -1.
long StatusKib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) {
      std::istringstream in(line.substr(field.size() + 1));
      long kib = -1;
      in >> kib;
      return kib;
    }
  }
  return -1;
}

void ReportAndExit(std::int64_t painted_ns) {
  const char* spawned = std::getenv(kSpawnStampVariable);
  const std::int64_t spawned_ns = spawned != nullptr ? std::strtoll(spawned, nullptr, 10) : 0;
  std::printf("first_paint_us=%.0f rss_kib=%ld anon_kib=%ld\n",
              spawned_ns > 0 ? NsToUs(painted_ns - spawned_ns) : -1.0, StatusKib("VmRSS"),
              StatusKib("RssAnon"));
  std::fflush(stdout);
  std::_Exit(0);
}

class FirstPaintWatch final : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
      seen_ = true;
      QMetaObject::invokeMethod(
          this,
          [] {
            const std::int64_t painted_ns = MonotonicNs();
            QTimer::singleShot(kSettleMs, [painted_ns] { ReportAndExit(painted_ns); });
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  bool seen_ = false;
};

void WatchForFirstPaint() {
  auto* watch = new FirstPaintWatch(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(watch);
  QTimer::singleShot(kNoPaintTimeoutMs, [] {
    std::fputs("first paint hook: no paint\n", stderr);
    std::_Exit(kNoPaintExitCode);
  });
}

}  // namespace
}  // namespace veldaro::bench

static void VeldaroBenchWatchForFirstPaint() { veldaro::bench::WatchForFirstPaint(); }
Q_COREAPP_STARTUP_FUNCTION(VeldaroBenchWatchForFirstPaint)
