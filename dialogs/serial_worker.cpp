#include "dialogs/serial_worker.h"

#include <utility>

SerialWorker::SerialWorker(SerialPort& port) : port_(port), thread_([this] { Run(); }) {}

SerialWorker::~SerialWorker() {
  Stop();
  Join();
}

void SerialWorker::Queue(Exchange exchange) {
  {
    const std::lock_guard lock(mutex_);
    if (closed_) return;
    queue_.push_back(std::move(exchange));
  }
  wake_.notify_one();
}

void SerialWorker::Finish() {
  {
    const std::lock_guard lock(mutex_);
    closed_ = true;
  }
  wake_.notify_one();
}

void SerialWorker::Stop() {
  {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    queue_.clear();
  }
  wake_.notify_one();
}

void SerialWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

void SerialWorker::Run() {
  for (;;) {
    Exchange exchange;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return closed_ || !queue_.empty(); });
      if (queue_.empty()) return;
      exchange = std::move(queue_.front());
      queue_.pop_front();
    }
    exchange(port_);
  }
}
