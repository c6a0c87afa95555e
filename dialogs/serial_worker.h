#pragma once
// SerialWorker: one thread that owns the port while a window talks to the radio without
// pause (the alignment window's poll). The window queues exchanges, which run in the
// order queued; each exchange hands its result back to the window itself (a queued
// call), so the window never waits on a silent radio.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class SerialPort;

class SerialWorker {
 public:
  using Exchange = std::function<void(SerialPort&)>;

  explicit SerialWorker(SerialPort& port);
  // Stops and waits for the thread (at most the exchange in progress).
  ~SerialWorker();
  SerialWorker(const SerialWorker&) = delete;
  SerialWorker& operator=(const SerialWorker&) = delete;

  void Queue(Exchange exchange);
  // Takes no more exchanges; the thread returns once those queued so far have run.
  void Finish();
  // Drops the exchanges not yet begun; the thread returns after the one in progress.
  void Stop();
  // Returns once the thread has returned; call Finish or Stop first.
  void Join();

 private:
  void Run();

  SerialPort& port_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Exchange> queue_;
  bool closed_ = false;  // no more exchanges are taken
  std::thread thread_;
};
