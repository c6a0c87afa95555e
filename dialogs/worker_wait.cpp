#include "dialogs/worker_wait.h"

#include <QApplication>
#include <QEventLoop>
#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "link/transfer.h"

namespace {

// A helper thread joins the worker and then wakes the event loops waiting on the window
// thread: no polling, and the wait ends as soon as the worker has returned.
class WorkerReturn {
 public:
  explicit WorkerReturn(std::shared_ptr<TransferJob> job) : job_(std::move(job)) {
    joiner_ = std::thread([this] {
      job_->Wait();
      returned_.store(true);
      returned_.notify_all();
      QMetaObject::invokeMethod(&windowThread_, [this] { WakeUp(); }, Qt::QueuedConnection);
    });
  }
  ~WorkerReturn() { joiner_.join(); }
  WorkerReturn(const WorkerReturn&) = delete;
  WorkerReturn& operator=(const WorkerReturn&) = delete;

  const std::shared_ptr<TransferJob>& Job() const { return job_; }

  void Await() {
    if (!returned_.load()) {
      QEventLoop loop;
      loops_.push_back(&loop);
      // Looked at again once the loop is listed: a return from here on wakes it.
      if (!returned_.load()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        QApplication::restoreOverrideCursor();
      }
      loops_.erase(std::find(loops_.begin(), loops_.end(), &loop));
    }
    // Only an application quitting ends the loop early; the worker is waited for all the same.
    returned_.wait(false);
  }

 private:
  void WakeUp() {
    for (QEventLoop* loop : loops_) loop->quit();
  }

  std::shared_ptr<TransferJob> job_;
  std::atomic<bool> returned_{false};
  QObject windowThread_;            // the wake-up runs on the thread that waits
  std::vector<QEventLoop*> loops_;  // the waits in progress, innermost last
  std::thread joiner_;
};

}  // namespace

void AwaitWorkerReturn(const std::shared_ptr<TransferJob>& job) {
  static WorkerReturn* current = nullptr;
  if (current != nullptr && current->Job() == job) {
    current->Await();
    return;
  }
  WorkerReturn* const outer = current;
  WorkerReturn own(job);
  current = &own;
  own.Await();
  current = outer;
}
