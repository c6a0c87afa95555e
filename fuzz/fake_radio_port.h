#pragma once
// A radio on a fake line, answering from a fuzzed script: each time the program reads
// after it has written, the radio's next reply arrives (what it says to everything
// written since its last reply). A read finds what has arrived and not yet been read;
// when that runs out the line is silent at once, so no exchange waits out a real
// time-out, and the fixed pauses take no time.
//
// The line also keeps a log of the exchange, one entry per read: the bytes written
// since the previous read and the bytes this read got, from which the fuzz target
// tells what the radio's replies carried.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "link/serial.h"

using Bytes = std::vector<std::uint8_t>;

// One read of the program: what it had written since the read before, what it got.
struct LineRead {
  Bytes sent;
  Bytes got;
};

class FakeRadioPort final : public SerialPort {
 public:
  // The replies: a length byte, then that many bytes, again and again; a reply cut short
  // by the end of the script is as long as what is left.
  FakeRadioPort(std::span<const std::uint8_t> replies, bool opens, bool openAtStart, int baud);

  bool Open(int port) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  PortOpenFailure LastOpenFailure() const override { return opensOk_ ? PortOpenFailure{} : PortOpenFailure{0, "", ENOENT}; }
  int BaudRate() const override { return baud_; }
  void SetBaudRate(int baud) override;
  int Write(const std::uint8_t* bytes, std::size_t count) override;
  int WriteByte(std::uint8_t byte) override { return Write(&byte, 1); }
  int ReadByte(int timeoutMs) override;
  int ReadBlock(std::uint8_t* buffer, std::size_t count) override;
  void Pause(int) override {}

  const std::vector<LineRead>& Log() const { return log_; }
  // Every byte written, in order.
  const Bytes& Written() const { return written_; }
  int Opens() const { return opens_; }

 private:
  std::size_t Read(std::uint8_t* buffer, std::size_t count);
  void NextReply();

  std::span<const std::uint8_t> replies_;
  bool opensOk_;
  bool open_;
  int baud_;
  int opens_ = 0;
  bool spoken_ = true;  // nothing written since the radio's last reply
  std::deque<std::uint8_t> arrived_;
  Bytes sentSinceRead_;
  Bytes written_;
  std::vector<LineRead> log_;
};
