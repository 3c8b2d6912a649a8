#include "ui_call_queue.h"

#include <QMetaObject>
#include <QObject>
#include <utility>

namespace veldaro {
namespace {

// Receives the drains posted from scan threads. A wake carries no data of
// ours: Qt posts a call of a named slot, and the slot finds the queue through
// a reference made on the UI thread. (Data handed over inside Qt's own event
// queue would be invisible to the thread sanitizer's bookkeeping.)
class QueueDrainer final : public QObject {
  Q_OBJECT

 public:
  explicit QueueDrainer(std::weak_ptr<UiCallQueue> queue) : queue_(std::move(queue)) {}

 public slots:
  void Drain() {
    // The queue may be gone when a late wake arrives.
    if (const auto queue = queue_.lock()) queue->Drain();
  }

 private:
  const std::weak_ptr<UiCallQueue> queue_;
};

}  // namespace

std::shared_ptr<UiCallQueue> UiCallQueue::Create() {
  const auto queue = std::shared_ptr<UiCallQueue>(new UiCallQueue(nullptr));
  auto* drainer = new QueueDrainer(queue);
  queue->drainer_ = std::unique_ptr<QObject, UiThreadDeleter>(drainer, {queue->ui_thread_});
  queue->waker_ = [drainer] { QMetaObject::invokeMethod(drainer, "Drain", Qt::QueuedConnection); };
  return queue;
}

std::shared_ptr<UiCallQueue> UiCallQueue::Create(Waker waker) {
  return std::shared_ptr<UiCallQueue>(new UiCallQueue(std::move(waker)));
}

UiCallQueue::UiCallQueue(Waker waker)
    : ui_thread_(std::this_thread::get_id()), waker_(std::move(waker)) {}

void UiCallQueue::UiThreadDeleter::operator()(QObject* object) const {
  if (std::this_thread::get_id() == ui_thread) {
    delete object;
  } else {
    object->deleteLater();
  }
}

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
  waker_();
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

}  // namespace veldaro

#include "ui_call_queue.moc"
