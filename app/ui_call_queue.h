#pragma once

#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

namespace veldaro {

// Hands calls from any thread to the UI thread and makes the caller wait until
// the call has been carried out there, whole. A call made on the UI thread
// itself runs at once (waiting for ourselves would deadlock).
//
// Why not Qt's BlockingQueuedConnection: it cannot be released. A scan thread
// that is waiting when the window goes away would wait forever, and the
// program could not end cleanly. Here Close() releases every waiting caller
// and refuses later calls at once, so no scan can hold up the end.
class UiCallQueue {
 public:
  // Asks the UI thread to call Drain() soon; must be callable from any thread.
  using Waker = std::function<void()>;

  // Must be made on the UI thread: the thread that makes it is the one that
  // carries out calls. This one is drained by the Qt event loop.
  static std::shared_ptr<UiCallQueue> Create();
  // Drained by whoever `waker` asks (tests).
  static std::shared_ptr<UiCallQueue> Create(Waker waker);

  UiCallQueue(const UiCallQueue&) = delete;
  UiCallQueue& operator=(const UiCallQueue&) = delete;

  // Carries out `job` on the UI thread and waits for it. True when it ran;
  // false when the queue was closed before it could run (it then never runs).
  bool Call(std::function<void()> job);

  // UI thread: runs every queued call in the order they came.
  void Drain();

  // UI thread: releases every waiting caller (their calls never run) and
  // refuses every later call. Calling it again changes nothing.
  void Close();

  bool IsClosed() const;

 private:
  struct PendingCall {
    std::function<void()> job;
    std::promise<bool> ran;
  };

  // Deletes a QObject on its own (the UI) thread, whichever thread lets go of
  // the queue last: at once on the UI thread, else through its event loop.
  struct UiThreadDeleter {
    std::thread::id ui_thread;
    void operator()(QObject* object) const;
  };

  explicit UiCallQueue(Waker waker);

  const std::thread::id ui_thread_;
  Waker waker_;  // set once in Create(), before any other thread sees the queue
  // Lives on the UI thread and receives the posted drains (Qt event loop only).
  std::unique_ptr<QObject, UiThreadDeleter> drainer_;
  mutable std::mutex mutex_;
  bool closed_ = false;                                  // guarded by mutex_
  std::deque<std::shared_ptr<PendingCall>> pending_;     // guarded by mutex_
};

}  // namespace veldaro
