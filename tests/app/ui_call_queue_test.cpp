#include "ui_call_queue.h"

#include <QTest>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace veldaro {
namespace {

// A waker that never drains: calls stay queued until Close(), and the test
// can wait until a given number of callers are queued.
class CountingWaker {
 public:
  UiCallQueue::Waker Get() {
    return [this] {
      std::lock_guard lock(mutex_);
      ++wakes_;
      changed_.notify_all();
    };
  }
  void WaitFor(int wakes) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return wakes_ >= wakes; });
  }
  int Wakes() {
    std::lock_guard lock(mutex_);
    return wakes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int wakes_ = 0;
};

TEST(UiCallQueueTest, CallOnTheUiThreadRunsAtOnceWithoutWaking) {
  CountingWaker waker;
  const auto queue = UiCallQueue::Create(waker.Get());
  int runs = 0;
  EXPECT_TRUE(queue->Call([&] { ++runs; }));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(waker.Wakes(), 0);

  queue->Close();
  EXPECT_FALSE(queue->Call([&] { ++runs; }));
  EXPECT_EQ(runs, 1);
}

TEST(UiCallQueueTest, CallsFromManyThreadsRunWholeOnTheUiThreadInEachCallersOrder) {
  constexpr int kThreads = 8;
  constexpr int kCallsPerThread = 200;
  const auto queue = UiCallQueue::Create();  // drained by the Qt event loop
  const std::thread::id ui_thread = std::this_thread::get_id();

  // Touched only inside jobs: if two jobs ever overlapped, or a job ran off
  // the UI thread, the checks below (and TSan) would see it.
  std::vector<std::pair<int, int>> done;
  bool inside_job = false;
  int overlaps = 0;
  int off_ui_thread = 0;

  std::atomic<int> finished{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < kThreads; ++t) {
    callers.emplace_back([&, t] {
      for (int i = 0; i < kCallsPerThread; ++i) {
        const bool ran = queue->Call([&, t, i] {
          if (inside_job) ++overlaps;
          inside_job = true;
          if (std::this_thread::get_id() != ui_thread) ++off_ui_thread;
          done.emplace_back(t, i);
          inside_job = false;
        });
        EXPECT_TRUE(ran);
      }
      finished.fetch_add(1);
    });
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return finished.load() == kThreads; }, 30'000));
  for (std::thread& caller : callers) caller.join();

  ASSERT_EQ(done.size(), static_cast<std::size_t>(kThreads * kCallsPerThread));
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(off_ui_thread, 0);
  std::vector<int> next(kThreads, 0);
  for (const auto& [thread, call] : done) {
    EXPECT_EQ(call, next[static_cast<std::size_t>(thread)]) << "caller " << thread;
    next[static_cast<std::size_t>(thread)] = call + 1;
  }
}

TEST(UiCallQueueTest, CloseReleasesEveryWaitingCallerAndRefusesLaterCallsAtOnce) {
  constexpr int kWaiting = 6;
  CountingWaker waker;
  const auto queue = UiCallQueue::Create(waker.Get());

  std::atomic<int> jobs_run{0};
  std::atomic<int> refused{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < kWaiting; ++t) {
    callers.emplace_back([&] {
      if (!queue->Call([&] { jobs_run.fetch_add(1); })) refused.fetch_add(1);
    });
  }
  waker.WaitFor(kWaiting);  // every caller is queued and waiting
  queue->Close();
  for (std::thread& caller : callers) caller.join();
  EXPECT_EQ(refused.load(), kWaiting);
  EXPECT_EQ(jobs_run.load(), 0);

  // After closing, a call is refused without being queued or waking anyone;
  // a drain that still arrives runs nothing.
  std::thread late([&] {
    if (!queue->Call([&] { jobs_run.fetch_add(1); })) refused.fetch_add(1);
  });
  late.join();
  queue->Drain();
  queue->Close();
  EXPECT_EQ(refused.load(), kWaiting + 1);
  EXPECT_EQ(jobs_run.load(), 0);
  EXPECT_EQ(waker.Wakes(), kWaiting);
}

}  // namespace
}  // namespace veldaro
