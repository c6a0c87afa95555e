#pragma once
// The simulated radio's log of the wire: one line per frame received or sent,
// "<ms since start, 3 decimals> <RX|TX> <baud> <bytes as upper-case hex pairs>".

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace sim {

class FrameLog {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Direction { Received, Sent };

  explicit FrameLog(Clock::time_point start) : start_(start) {}
  ~FrameLog();
  FrameLog(const FrameLog&) = delete;
  FrameLog& operator=(const FrameLog&) = delete;

  // Starts writing to `path` (truncated). Without a file nothing is logged.
  bool Open(const std::string& path, std::string& error);
  // Writes one line stamped with the current time and flushes it.
  void Write(Direction direction, int baud, std::span<const std::uint8_t> bytes);

  static std::string Line(Clock::duration sinceStart, Direction direction, int baud,
                          std::span<const std::uint8_t> bytes);

 private:
  Clock::time_point start_;
  std::FILE* file_ = nullptr;
};

}  // namespace sim
