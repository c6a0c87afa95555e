#include "sim/frame_log.h"

#include <cerrno>
#include <cstring>

namespace sim {

FrameLog::~FrameLog() {
  if (file_) std::fclose(file_);
}

bool FrameLog::Open(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (!file) {
    error = "cannot write the log " + path + ": " + std::strerror(errno);
    return false;
  }
  if (file_) std::fclose(file_);
  file_ = file;
  return true;
}

void FrameLog::Write(Direction direction, int baud, std::span<const std::uint8_t> bytes) {
  if (!file_) return;
  const std::string line = Line(Clock::now() - start_, direction, baud, bytes);
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

std::string FrameLog::Line(Clock::duration sinceStart, Direction direction, int baud,
                           std::span<const std::uint8_t> bytes) {
  const long long micros = std::chrono::duration_cast<std::chrono::microseconds>(sinceStart).count();
  char head[64];
  std::snprintf(head, sizeof head, "%lld.%03lld %s %d", micros / 1000, micros % 1000,
                direction == Direction::Received ? "RX" : "TX", baud);
  std::string line = head;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::uint8_t byte : bytes) {
    line += ' ';
    line += kDigits[byte >> 4];
    line += kDigits[byte & 0x0F];
  }
  line += '\n';
  return line;
}

}  // namespace sim
