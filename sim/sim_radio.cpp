#include "sim/sim_radio.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "radio/image_map.h"

namespace sim {
namespace {

constexpr std::string_view kHandshake = "PROGRAM";

// Frame bytes.
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kIdentify = 0x02;
constexpr std::uint8_t kVersionQuery = 0x72;   // 'r'; in test mode: the value query
constexpr std::uint8_t kRead = 0x52;           // 'R'
constexpr std::uint8_t kDataReply = 0x57;      // 'W'
constexpr std::uint8_t kWrite = 0x77;          // 'w'
constexpr std::uint8_t kSetting = 0x4B;        // 'K'
constexpr std::uint8_t kCalibrationWrite = 0x74;  // 't'
constexpr std::uint8_t kPing = 0x45;           // 'E', test mode only

constexpr std::size_t kHeaderSize = 4;          // letter, address hi, address lo, length
constexpr std::size_t kSettingFrameSize = 12;   // header and 8 data bytes
constexpr std::size_t kShortIdSize = 5;

// The test functions the radio offers. Items 02 and 06 pick the working point
// (receive and transmit side) with the point frame that follows them; the
// others name a value, kept at a calibration byte per working point. Reading
// items report what the radio measures; adjust items report the value being
// tried, which starts from the stored one.
constexpr std::uint8_t kReceivePointItem = 0x02;
constexpr std::uint8_t kTransmitPointItem = 0x06;

struct TestFunction {
  std::uint8_t item;
  bool reading;
  std::uint8_t measurement;           // reading items
  std::array<std::size_t, 3> offset;  // in the calibration area, at points 1, 2, 3
};

constexpr TestFunction kTestFunctions[] = {
    {0x01, true, 0x7C, {0x04, 0x04, 0x04}},   // voltage
    {0x03, false, 0, {0x07, 0x08, 0x09}},     // tune
    {0x04, true, 0x30, {0x00, 0x00, 0x00}},   // squelch 3
    {0x05, true, 0x60, {0x02, 0x02, 0x02}},   // squelch 9
    {0x07, false, 0, {0x10, 0x12, 0x14}},     // low power
    {0x08, false, 0, {0x11, 0x13, 0x15}},     // high power
    {0x09, false, 0, {0x1B, 0x17, 0x1C}},     // CTCSS deviation at the working point
    {0x0A, false, 0, {0x16, 0x16, 0x16}},     // CTCSS low
    {0x0B, false, 0, {0x18, 0x18, 0x18}},     // CTCSS high
    {0x0C, false, 0, {0x19, 0x19, 0x19}},     // DCS
    {0x0D, false, 0, {0x1A, 0x1A, 0x1A}},     // two-tone
    {0x0E, true, 0x20, {0x05, 0x05, 0x05}},   // VOX 1
    {0x0F, true, 0x50, {0x06, 0x06, 0x06}},   // VOX 5
};

const TestFunction* FindTestFunction(std::uint8_t item) {
  for (const TestFunction& function : kTestFunctions)
    if (function.item == item) return &function;
  return nullptr;
}

std::size_t FrameSize(const Bytes& frame) {
  switch (frame[0]) {
    case kRead: return kHeaderSize;
    case kWrite: return frame.size() < kHeaderSize ? kHeaderSize : kHeaderSize + frame[3];
    case kSetting:
    case kCalibrationWrite: return kSettingFrameSize;
    default: return 1;
  }
}

std::size_t AddressOf(const Bytes& frame) { return (std::size_t{frame[1]} << 8 | frame[2]) % kMemorySize; }

}  // namespace

SimRadio::SimRadio(RadioSetup setup, Bytes memory) : setup_(std::move(setup)), memory_(std::move(memory)) {
  memory_.resize(kMemorySize, image::kEmpty);
}

SimRadio::Output SimRadio::Feed(std::uint8_t byte, int lineBaud) {
  Output out;
  if (lineBaud != ListeningBaud()) {
    frame_.push_back(byte);
    out.received.push_back(std::exchange(frame_, {}));
    return out;
  }
  if (!frame_.empty()) {
    if (frame_[0] != kHandshake[0]) {
      frame_.push_back(byte);
      if (frame_.size() == FrameSize(frame_)) Complete(out);
      return out;
    }
    if (byte == static_cast<std::uint8_t>(kHandshake[frame_.size()])) {
      frame_.push_back(byte);
      if (frame_.size() == kHandshake.size()) EnterProgramming(out);
      return out;
    }
    // A broken handshake is noise; the byte may still begin something.
    out.received.push_back(std::exchange(frame_, {}));
  }
  Start(byte, out);
  return out;
}

Bytes SimRadio::DropPartialFrame() { return std::exchange(frame_, {}); }

void SimRadio::HangUp() {
  frame_.clear();
  mode_ = Mode::Waiting;
  fast_ = false;
}

void SimRadio::Start(std::uint8_t byte, Output& out) {
  frame_.push_back(byte);
  // The handshake is heard only at the slow speed; at the fast one its letters are ordinary bytes.
  if (byte == kHandshake[0] && !fast_) return;
  if (mode_ != Mode::Waiting) {
    switch (byte) {
      case kRead:
      case kWrite:
      case kSetting:
      case kCalibrationWrite: return;  // more bytes to come
      case kIdentify:
      case kAck:
      case kVersionQuery: Complete(out); return;
      case kPing:
        if (mode_ == Mode::Test) {
          Complete(out);
          return;
        }
        break;
      default: break;
    }
  }
  out.received.push_back(std::exchange(frame_, {}));
}

void SimRadio::Complete(Output& out) {
  Answer(out);
  out.received.push_back(std::exchange(frame_, {}));
}

void SimRadio::EnterProgramming(Output& out) {
  out.received.push_back(std::exchange(frame_, {}));
  if (setup_.faults.noHandshake) return;
  mode_ = Mode::Programming;
  testItem_ = 0;
  out.reply = {kAck};
}

void SimRadio::Answer(Output& out) {
  if (setup_.faults.muteInTest && mode_ == Mode::Test) return;
  switch (frame_[0]) {
    case kIdentify: {
      const std::size_t count = setup_.faults.shortId ? kShortIdSize : setup_.identification.size();
      out.reply.assign(setup_.identification.begin(), setup_.identification.begin() + static_cast<std::ptrdiff_t>(count));
      break;
    }
    case kAck:
    case kPing: out.reply = {kAck}; break;
    case kVersionQuery:
      if (mode_ == Mode::Test) {
        const int value = TestValue();
        out.reply = {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
      } else if (!setup_.faults.noVersion) {
        out.reply = {setup_.version, kVersionRevision};
      }
      break;
    case kRead: AnswerRead(out); break;
    case kWrite: AnswerWrite(out); break;
    case kSetting: AnswerSetting(out); break;
    case kCalibrationWrite: AnswerCalibrationWrite(out); break;
    default: break;
  }
}

// Counts an 'R' or 'w' frame; true when it is the one at which the cable is pulled.
bool SimRadio::CountTransfer(Output& out) {
  const std::uint64_t index = transfers_++;
  out.disconnect = setup_.faults.disconnectAt == index;
  return out.disconnect;
}

void SimRadio::AnswerRead(Output& out) {
  const std::uint64_t index = reads_++;
  if (CountTransfer(out)) return;
  const std::size_t count = frame_[3];
  std::size_t echoed = AddressOf(frame_);
  if (setup_.faults.wrongAddress.contains(index)) echoed = (echoed + count) % kMemorySize;
  out.reply = {kDataReply, static_cast<std::uint8_t>(echoed >> 8), static_cast<std::uint8_t>(echoed & 0xFF), frame_[3]};
  for (std::size_t i = 0; i < count; ++i) out.reply.push_back(memory_[(AddressOf(frame_) + i) % kMemorySize]);
  if (setup_.faults.shortReply.contains(index)) out.reply.resize(out.reply.size() / 2);
}

void SimRadio::AnswerWrite(Output& out) {
  const std::uint64_t index = writes_++;
  if (CountTransfer(out)) return;
  Store(AddressOf(frame_), frame_.data() + kHeaderSize, frame_[3]);
  // A cell that did not take the value: the radio does not notice and acknowledges.
  if (setup_.faults.corruptWrite.contains(index) && frame_[3] > 0) memory_[AddressOf(frame_) % kMemorySize] ^= 0xFF;
  if (!setup_.faults.noAck.contains(index)) out.reply = {kAck};
}

void SimRadio::AnswerCalibrationWrite(Output& out) {
  Store(AddressOf(frame_), frame_.data() + kHeaderSize, kSettingFrameSize - kHeaderSize);
  out.reply = {kAck};
}

void SimRadio::AnswerSetting(Output& out) {
  const std::uint8_t* data = frame_.data() + kHeaderSize;
  const bool test = mode_ == Mode::Test;
  if (data[0] == 0x00 && data[1] == 0x80) {  // switch to the fast speed
    if (setup_.generation < 2) return;
    out.reply = {kAck};
    fast_ = true;
  } else if (data[0] == 0x00 && data[1] == 0xFF) {  // the password block
    Store(image::kPowerPermit, data + 2, 6);
    out.reply = {kAck};
  } else if (data[0] == 0x00 && data[1] == 0x02) {  // enter test mode
    mode_ = Mode::Test;
    testItem_ = 0;
    testPoint_ = 2;
    out.reply = {kAck};
  } else if (test && data[0] == 0x10 && data[1] == 0x80) {  // choose a test function
    testItem_ = data[2];
    const TestFunction* function = FindTestFunction(testItem_);
    if (function && !function->reading) trialValue_ = memory_[*TestValueAddress()];
    out.reply = {kAck};
  } else if (test && data[0] == 0x80 && data[1] == 0x00) {  // a working point, or a value to try
    if (testItem_ == kReceivePointItem || testItem_ == kTransmitPointItem)
      testPoint_ = std::clamp<std::uint8_t>(data[6], 1, 3);
    else
      trialValue_ = data[6];
    out.reply = {kAck};
  } else if (test && data[0] == 0x10 && data[1] == 0x00) {  // keep the current value
    if (const std::optional<std::size_t> address = TestValueAddress())
      memory_[*address] = static_cast<std::uint8_t>(TestValue());
    out.reply = {kAck};
  }
  // Any other setting is unknown to the radio and goes unanswered.
}

std::optional<std::size_t> SimRadio::TestValueAddress() const {
  const TestFunction* function = FindTestFunction(testItem_);
  if (!function) return std::nullopt;
  return image::kCalibration + function->offset[testPoint_ - 1];
}

int SimRadio::TestValue() const {
  const TestFunction* function = FindTestFunction(testItem_);
  if (!function) return 0;
  return function->reading ? function->measurement : trialValue_;
}

void SimRadio::Store(std::size_t address, const std::uint8_t* data, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) memory_[(address + i) % kMemorySize] = data[i];
}

}  // namespace sim
