#include "fuzz/fake_radio_port.h"

#include <algorithm>

FakeRadioPort::FakeRadioPort(std::span<const std::uint8_t> replies, bool opens, bool openAtStart, int baud)
    : replies_(replies), opensOk_(opens), open_(openAtStart), baud_(baud) {}

bool FakeRadioPort::Open(int) {
  Close();
  ++opens_;
  if (!opensOk_) return false;
  open_ = true;
  baud_ = CSerial::kLinkBaud;
  return true;
}

void FakeRadioPort::Close() {
  // What had arrived goes with the port; the radio's next reply answers the next port's traffic.
  open_ = false;
  arrived_.clear();
  sentSinceRead_.clear();
  spoken_ = true;
}

void FakeRadioPort::SetBaudRate(int baud) {
  if (open_) baud_ = baud;
}

int FakeRadioPort::Write(const std::uint8_t* bytes, std::size_t count) {
  if (!open_) return 0;
  sentSinceRead_.insert(sentSinceRead_.end(), bytes, bytes + count);
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
  LineRead entry{std::move(sentSinceRead_), {}};
  sentSinceRead_.clear();
  if (open_) {
    if (!spoken_) NextReply();
    const std::size_t got = std::min(count, arrived_.size());
    std::copy_n(arrived_.begin(), got, buffer);
    arrived_.erase(arrived_.begin(), arrived_.begin() + static_cast<std::ptrdiff_t>(got));
    entry.got.assign(buffer, buffer + got);
  }
  log_.push_back(std::move(entry));
  return log_.back().got.size();
}

void FakeRadioPort::NextReply() {
  spoken_ = true;
  if (replies_.empty()) return;
  const std::size_t length = std::min<std::size_t>(replies_[0], replies_.size() - 1);
  arrived_.insert(arrived_.end(), replies_.begin() + 1, replies_.begin() + 1 + static_cast<std::ptrdiff_t>(length));
  replies_ = replies_.subspan(1 + length);
}
