#include "tests/unit/scripted_radio.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "tests/unit/test_support.h"

namespace test {

Bytes DefaultValueReply() { return {0x2C, 0x01}; }

ScriptedRadio::ScriptedRadio(int master, RadioScript script, const Memory& memory)
    : master_(master), script_(std::move(script)), memory_(memory), thread_([this] { Run(); }) {}

void ScriptedRadio::Finish() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
}

void ScriptedRadio::Run() {
  for (;;) {
    // Once asked to stop, the radio still takes what comes within 100 ms.
    const bool stopping = stop_.load();
    pollfd ready{master_, POLLIN, 0};
    const int events = ::poll(&ready, 1, stopping ? 100 : 20);
    if (events < 0 && errno != EINTR) return;
    if (events == 0 && stopping) return;
    if (events <= 0) continue;
    if (!(ready.revents & POLLIN)) return;  // hung up
    std::uint8_t chunk[256];
    const ssize_t got = ::read(master_, chunk, sizeof chunk);
    if (got <= 0) return;
    for (ssize_t i = 0; i < got; ++i) Take(chunk[i]);
  }
}

void ScriptedRadio::Answer(const Bytes& bytes) { ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }

void ScriptedRadio::Take(std::uint8_t byte) {
  received_.push_back(byte);
  // The handshake is heard at any time, also in programming mode: a tool that closed the
  // port and comes back starts a new session.
  window_.push_back(static_cast<char>(byte));
  if (window_.size() > 7) window_.erase(0, 1);
  if (window_ == "PROGRAM") {
    window_.clear();
    pending_.clear();
    if (script_.answerHandshake && handshakes_++ >= script_.ignoredHandshakes) {
      programming_ = true;
      Answer({0x06});
    }
    return;
  }
  if (!programming_) return;
  pending_.push_back(byte);
  const std::uint8_t command = pending_[0];
  if (command == 0x02) {
    Answer(Bytes(script_.identification.begin(), script_.identification.begin() + script_.identificationBytes));
  } else if (command == 'R') {
    if (pending_.size() < 4) return;
    const int address = pending_[1] << 8 | pending_[2];
    const std::size_t length = pending_[3];
    // Bytes that only look like a request (a handshake repeated by a tool that waited too
    // long, read in programming mode) name memory the radio does not have: no answer.
    if (static_cast<std::size_t>(address) + length > memory_.size()) {
      pending_.clear();
      return;
    }
    Bytes reply = {'W', pending_[1], pending_[2], pending_[3]};
    if (address == script_.misaddressedReplyAt) reply[2] = static_cast<std::uint8_t>(reply[2] + length);
    reply.insert(reply.end(), memory_.begin() + address, memory_.begin() + address + static_cast<int>(length));
    if (address == script_.shortReplyAt) reply.resize(reply.size() / 2);
    Answer(reply);
  } else if (command == 'K' || command == 't') {
    if (pending_.size() < 4 || pending_.size() < 4u + pending_[3]) return;
    if (script_.acknowledge(pending_)) {
      const std::size_t address = static_cast<std::size_t>(pending_[1] << 8 | pending_[2]);
      if (command == 't' && address + (pending_.size() - 4) <= memory_.size())
        std::copy(pending_.begin() + 4, pending_.end(), memory_.begin() + static_cast<std::ptrdiff_t>(address));
      if (command == 'K' && pending_[4] == 0x00 && pending_[5] == 0xFF)
        std::copy(pending_.begin() + 6, pending_.end(), memory_.begin() + image::kPowerPermit);
      Answer({0x06});
    }
  } else if (command == 'r') {
    Answer(script_.valueReply);
  } else if (command == 'E') {
    if (script_.answerPing) Answer({0x06});
  }
  pending_.clear();
}

std::string Wire(std::initializer_list<std::string> parts) {
  std::string joined;
  for (const std::string& part : parts)
    if (!part.empty()) joined += (joined.empty() ? "" : " ") + part;
  return joined;
}

void RadioOnPtyTest::SetUp() {
  char name[256];
  ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0);
  slavePath_ = name;
  WriteSettings("[ports]\n1=" + slavePath_ + "\n2=/dev/corvane-no-such-device\n[setup]\ncom=1\nautocom=0\n");
  radio_.fill(0x11);
}

void RadioOnPtyTest::TearDown() {
  port_.Close();
  ::close(master_);
  ::close(slave_);
}

}  // namespace test
