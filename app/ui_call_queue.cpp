#include "ui_call_queue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <utility>

namespace veldaro {

std::shared_ptr<UiCallQueue> UiCallQueue::Create(Waker waker) {
  return std::shared_ptr<UiCallQueue>(new UiCallQueue(std::move(waker)));
}

UiCallQueue::UiCallQueue(Waker waker)
    : ui_thread_(std::this_thread::get_id()), waker_(std::move(waker)) {}

bool UiCallQueue::Call(std::function<void()> job) {
  if (std::this_thread::get_id() == ui_thread_) {
    if (IsClosed()) return false;
    job();
    return true;
  }

  auto call = std::make_shared<PendingCall>();
  call->job = std::move(job);
  std::future<bool> ran = call->ran.get_future();
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    pending_.push_back(call);
  }
  waker_(weak_from_this());
  return ran.get();
}

void UiCallQueue::Drain() {
  for (;;) {
    std::shared_ptr<PendingCall> call;
    {
      std::lock_guard lock(mutex_);
      if (closed_ || pending_.empty()) return;
      call = std::move(pending_.front());
      pending_.pop_front();
    }
    // Outside the lock: the job may take a while (a repaint), and callers on
    // other threads must still be able to queue behind it. Close() runs on
    // this same thread, so it cannot release this caller half-way.
    call->job();
    call->ran.set_value(true);
  }
}

void UiCallQueue::Close() {
  std::deque<std::shared_ptr<PendingCall>> released;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    released.swap(pending_);
  }
  for (const auto& call : released) call->ran.set_value(false);
}

bool UiCallQueue::IsClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

void UiCallQueue::PostToQtEventLoop(std::weak_ptr<UiCallQueue> queue) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  // One posted drain per call; a drain that finds the queue already empty
  // does nothing. The weak reference lets the queue go away before the event
  // is handled.
  QMetaObject::invokeMethod(
      app,
      [queue = std::move(queue)] {
        if (const auto alive = queue.lock()) alive->Drain();
      },
      Qt::QueuedConnection);
}

}  // namespace veldaro
