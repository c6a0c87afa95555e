#pragma once
// The simulated radio's end of the cable: the master side of a pseudo-terminal.
// The tool opens the other side (the device) as its serial port. One poll()
// loop reads the tool's bytes, hands them to the radio, paces the replies and
// watches for the signals and the end of standard input that stop the program.

#include <chrono>
#include <deque>
#include <optional>
#include <string>

#include "sim/frame_log.h"
#include "sim/sim_radio.h"

namespace sim {

class PtyLink {
 public:
  using Clock = std::chrono::steady_clock;

  struct Settings {
    bool wireTiming = false;                // pace replies at the line's speed
    std::chrono::milliseconds replyDelay{0};  // every reply starts this much later
  };

  enum class End { Stopped, InputClosed, Disconnected, Failed };

  PtyLink() = default;
  ~PtyLink();
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;

  // Creates the pseudo-terminal, set to raw 9600 baud until the tool sets its own.
  bool Open(std::string& error);
  // The device the tool opens.
  const std::string& DevicePath() const { return devicePath_; }
  // Makes the symbolic link `path` to the device, replacing a symbolic link
  // (never another kind of file). The link is removed by Close().
  bool MakeLink(const std::string& path, std::string& error);

  // Answers as `radio` until a byte arrives on `stopFd`'s signal descriptor,
  // `inputFd` (-1: none) reaches end of file, or the radio pulls the cable (the
  // terminal is then closed before returning).
  End Run(SimRadio& radio, FrameLog& log, const Settings& settings, int stopFd, int inputFd);

  // Closes the terminal and removes the link; safe to call twice.
  void Close();

 private:
  struct Pending {
    Bytes bytes;
    int baud = 0;
    Clock::time_point start;
    std::size_t sent = 0;
  };

  int CurrentBaud() const;
  bool Hold();
  void Release();
  // Reads what the tool sent; false when the radio pulled the cable.
  bool Receive(Clock::time_point now, bool hungUp);
  void SessionEnded();
  void Queue(Bytes reply, int baud, Clock::time_point now);
  void Transmit(Clock::time_point now);
  std::size_t DueBytes(const Pending& pending, Clock::time_point now) const;
  Clock::time_point DueTime(const Pending& pending, std::size_t index) const;
  std::optional<Clock::time_point> NextWakeUp() const;
  void LogPartialFrame();

  int master_ = -1;
  // Our own open of the device while no tool has it open: without one, the
  // master would report a hang-up all the time once a tool has closed it.
  int hold_ = -1;
  bool holdFailed_ = false;  // the device could not be opened (held exclusively)
  std::string devicePath_;
  std::string linkPath_;

  // Valid during Run().
  SimRadio* radio_ = nullptr;
  FrameLog* log_ = nullptr;
  Settings settings_;
  std::deque<Pending> outgoing_;
  bool outputBlocked_ = false;
  Clock::time_point lineFree_{};
  Clock::time_point inboundFree_{};  // when the tool's last byte has crossed the wire
  Clock::time_point lastReceived_{};
};

// Blocks SIGTERM, SIGINT and SIGHUP and returns a descriptor that becomes
// readable when one of them arrives (-1 on failure).
int OpenStopSignals();
// Whether end of file on `fd` should stop the program: a pipe, a socket, or the
// terminal the program runs in the foreground of.
bool IsWatchedInput(int fd);

}  // namespace sim
