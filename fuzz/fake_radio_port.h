#pragma once
// A radio on a fake line, answering from a fuzzed script: each time the program reads
// after it has written, the radio's next reply arrives (what it says to everything
// written since its last reply). A read finds what has arrived and not yet been read;
// when that runs out the line is silent at once, so no exchange waits out a real
// time-out, and the fixed pauses take no time.
//
// Once the script has run out, a port opened anew has no device behind it: a port search
// over the remaining numbers then costs nothing, where a silent radio on every one of them
// would only repeat the silence the script already gave.
//
// The line also keeps a log of the exchange, one entry per read: the bytes written
// since the previous read and the bytes this read got, from which the fuzz target
// tells what the radio's replies carried.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/serial.h"

using Bytes = std::vector<std::uint8_t>;

// One read of the program: what it had written since the read before, what it got. Views
// into the line's own record, valid until the line is used again.
struct LineRead {
  std::span<const std::uint8_t> sent;
  std::span<const std::uint8_t> got;
};

class FakeRadioPort final : public SerialPort {
 public:
  // The replies: a length byte, then that many bytes, again and again; a reply cut short
  // by the end of the script is as long as what is left.
  FakeRadioPort(std::span<const std::uint8_t> replies, bool opens, bool openAtStart, int baud);

  bool Open(int port) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  PortOpenFailure LastOpenFailure() const override { return openFailed_ ? PortOpenFailure{0, "", ENOENT} : PortOpenFailure{}; }
  int BaudRate() const override { return baud_; }
  void SetBaudRate(int baud) override;
  int Write(const std::uint8_t* bytes, std::size_t count) override;
  int WriteByte(std::uint8_t byte) override { return Write(&byte, 1); }
  int ReadByte(int timeoutMs) override;
  int ReadBlock(std::uint8_t* buffer, std::size_t count) override;
  void Pause(int) override {}

  const std::vector<LineRead>& Log() const;
  // Every byte written, in order.
  const Bytes& Written() const { return written_; }
  int Opens() const { return opens_; }

 private:
  // Where one read's bytes lie in written_ and received_: the record grows without an
  // allocation per read.
  struct ReadRecord {
    std::size_t sentFrom, sentTo, gotFrom, gotTo;
  };

  std::size_t Read(std::uint8_t* buffer, std::size_t count);
  void NextReply();

  std::span<const std::uint8_t> replies_;
  bool opensOk_;
  bool openFailed_ = false;
  bool open_;
  int baud_;
  int opens_ = 0;
  bool spoken_ = true;  // nothing written since the radio's last reply
  // What has arrived and not been read: arrived_ from arrivedRead_ on.
  Bytes arrived_;
  std::size_t arrivedRead_ = 0;
  std::size_t sentSinceRead_ = 0;  // where in written_ the bytes since the last read start
  Bytes written_;
  Bytes received_;  // every byte read, in order
  std::vector<ReadRecord> reads_;
  mutable std::vector<LineRead> log_;  // the views of reads_, made when asked for
};
