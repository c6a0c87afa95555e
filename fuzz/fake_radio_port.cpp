#include "fuzz/fake_radio_port.h"

#include <algorithm>

FakeRadioPort::FakeRadioPort(std::span<const std::uint8_t> replies, bool opens, bool openAtStart, int baud)
    : replies_(replies), opensOk_(opens), open_(openAtStart), baud_(baud) {
  reads_.reserve(64);
}

bool FakeRadioPort::Open(int) {
  Close();
  ++opens_;
  openFailed_ = !opensOk_ || replies_.empty();
  if (openFailed_) return false;
  open_ = true;
  baud_ = CSerial::kLinkBaud;
  return true;
}

void FakeRadioPort::Close() {
  // What had arrived goes with the port; the radio's next reply answers the next port's traffic.
  open_ = false;
  arrived_.clear();
  arrivedRead_ = 0;
  sentSinceRead_ = written_.size();
  spoken_ = true;
}

void FakeRadioPort::SetBaudRate(int baud) {
  if (open_) baud_ = baud;
}

int FakeRadioPort::Write(const std::uint8_t* bytes, std::size_t count) {
  if (!open_) return 0;
  written_.insert(written_.end(), bytes, bytes + count);
  spoken_ = false;
  return static_cast<int>(count);
}

int FakeRadioPort::ReadByte(int) {
  std::uint8_t byte = 0;
  return Read(&byte, 1) == 1 ? byte : -1;
}

int FakeRadioPort::ReadBlock(std::uint8_t* buffer, std::size_t count) { return static_cast<int>(Read(buffer, count)); }

std::size_t FakeRadioPort::Read(std::uint8_t* buffer, std::size_t count) {
  std::size_t got = 0;
  if (open_) {
    if (!spoken_) NextReply();
    got = std::min(count, arrived_.size() - arrivedRead_);
    const auto from = arrived_.begin() + static_cast<std::ptrdiff_t>(arrivedRead_);
    std::copy_n(from, got, buffer);
    received_.insert(received_.end(), from, from + static_cast<std::ptrdiff_t>(got));
    arrivedRead_ += got;
    if (arrivedRead_ == arrived_.size()) {
      arrived_.clear();
      arrivedRead_ = 0;
    }
  }
  reads_.push_back({sentSinceRead_, written_.size(), received_.size() - got, received_.size()});
  sentSinceRead_ = written_.size();
  return got;
}

void FakeRadioPort::NextReply() {
  spoken_ = true;
  if (replies_.empty()) return;
  const std::size_t length = std::min<std::size_t>(replies_[0], replies_.size() - 1);
  arrived_.insert(arrived_.end(), replies_.begin() + 1, replies_.begin() + 1 + static_cast<std::ptrdiff_t>(length));
  replies_ = replies_.subspan(1 + length);
}

const std::vector<LineRead>& FakeRadioPort::Log() const {
  if (log_.size() != reads_.size()) {
    log_.clear();
    for (const ReadRecord& read : reads_)
      log_.push_back({std::span(written_).subspan(read.sentFrom, read.sentTo - read.sentFrom),
                      std::span(received_).subspan(read.gotFrom, read.gotTo - read.gotFrom)});
  }
  return log_;
}
