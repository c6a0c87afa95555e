#include "dialogs/off_thread.h"

#include <QApplication>
#include <QEventLoop>
#include <atomic>
#include <thread>

void RunOffWindowThread(const std::function<void()>& work) {
  std::atomic<bool> returned{false};
  QEventLoop loop;
  // The wake-up is queued to an object of this call: once the call has ended, a wake-up
  // still queued is dropped with it.
  QObject waker;
  std::thread worker([&] {
    work();
    returned.store(true);
    QMetaObject::invokeMethod(&waker, [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });
  if (!returned.load()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
  }
  worker.join();
}
