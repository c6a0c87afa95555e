#pragma once
// Running a radio exchange away from the window thread: the windows keep painting and
// their timers run under a busy cursor while the exchange waits on the radio, and the
// user's input waits until it has returned.

#include <functional>
#include <type_traits>

// Runs `work` on a thread of its own and returns once it has returned.
void RunOffWindowThread(const std::function<void()>& work);

// The same for an exchange with a result.
template <class Work>
auto RunOffWindowThread(Work&& work) -> decltype(work()) requires(!std::is_void_v<decltype(work())>) {
  decltype(work()) result{};
  RunOffWindowThread(std::function<void()>([&] { result = work(); }));
  return result;
}
