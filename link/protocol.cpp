#include "link/protocol.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial.h"
#include "link/wire.h"
#include "radio/image_map.h"
#include "settings/profile.h"

namespace {

using namespace wire;

constexpr int kConfirmPolls = 30001;

using Frame = std::vector<std::uint8_t>;

Frame Header(std::uint8_t command, std::size_t address, std::size_t length) {
  return {command, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
          static_cast<std::uint8_t>(length)};
}

Frame WriteFrame(std::size_t address, const std::uint8_t* data, std::size_t length) {
  Frame frame = Header(kWriteFrame, address, length);
  frame.insert(frame.end(), data, data + length);
  return frame;
}

void Send(SerialPort& port, const Frame& frame) {
  port.Pause(1);
  port.Write(frame.data(), frame.size());
}

// Acknowledges a reply and gives the radio up to 50 ms for its answering byte.
void AckAndListen(SerialPort& port) {
  port.WriteByte(kAck);
  port.ReadByte(kAckWaitMs);
}

// Reads `length` bytes at `address` into `destination`: the reply must be complete and
// carry the read header with the address echoed, otherwise nothing is copied.
bool ReadBlockAt(SerialPort& port, std::size_t address, std::size_t length, std::uint8_t* destination) {
  Send(port, Header(kReadRequest, address, length));
  std::vector<std::uint8_t> reply(kFrameHeader + length);
  if (port.ReadBlock(reply.data(), reply.size()) != static_cast<int>(reply.size())) return false;
  const Frame expected = Header(kDataReply, address, length);
  if (!std::equal(expected.begin(), expected.begin() + 3, reply.begin())) return false;
  std::copy(reply.begin() + kFrameHeader, reply.end(), destination);
  AckAndListen(port);
  return true;
}

bool WriteBlockAt(SerialPort& port, std::size_t address, const std::uint8_t* data, std::size_t length) {
  Send(port, WriteFrame(address, data, length));
  return port.ReadByte(kWriteAckWaitMs) == kAck;
}

// "PROGRA", drain what the radio said, then "M": true when the radio accepts.
bool Handshake(SerialPort& port) {
  for (char letter : kHandshake.substr(0, kHandshake.size() - 1)) {
    port.Pause(kLetterPauseMs);
    const auto byte = static_cast<std::uint8_t>(letter);
    if (port.Write(&byte, 1) == 0) break;
  }
  while (port.ReadByte(0) != -1) {
  }
  port.Pause(kLetterPauseMs);
  const auto last = static_cast<std::uint8_t>(kHandshake.back());
  port.Write(&last, 1);
  return port.ReadByte(kAckWaitMs) == kAck;
}

// After the user confirmed another model: the handshake and identification once more.
void Reconnect(SerialPort& port) {
  port.Pause(1000);
  for (char letter : kHandshake) {
    port.Pause(kLetterPauseMs);
    const auto byte = static_cast<std::uint8_t>(letter);
    if (port.Write(&byte, 1) == 0) break;
  }
  port.ReadByte(kAckWaitMs);
  port.WriteByte(kIdentify);
  std::uint8_t ignored[kIdentificationSize];
  port.ReadBlock(ignored, sizeof ignored);
}

// Wakes whoever waits on the state (std::atomic::wait) as well.
void SetState(TransferParams& params, TransferState state) {
  params.state.store(state);
  params.state.notify_all();
}

// The radio reports its identification in the reverse order of the image's model identifier;
// its band edges must equal the image's too.
bool SameModel(SerialPort& port, const std::uint8_t* image, const std::uint8_t* identification, bool& replyShort) {
  replyShort = false;
  for (std::size_t k = 0; k < kIdentificationSize; ++k)
    if (identification[k] != image[image::kModelId + image::kModelIdSize - 1 - k]) return false;
  AckAndListen(port);
  Send(port, Header(kReadRequest, image::kBandData, image::kBandEdgesSize));
  std::uint8_t reply[kFrameHeader + image::kBandEdgesSize];
  if (port.ReadBlock(reply, sizeof reply) != static_cast<int>(sizeof reply)) {
    replyShort = true;
    return false;
  }
  return std::equal(reply + kFrameHeader, reply + sizeof reply, image + image::kBandData);
}

// Waits up to 30001 ms for the user's answer to the type question (none when it was given
// beforehand); true when confirmed.
bool UserConfirmedType(TransferParams& params) {
  SetState(params, TransferState::ConfirmType);
  if (params.presetTypeAnswer) AnswerTypeQuestion(params, *params.presetTypeAnswer);
  for (int poll = 0; poll < kConfirmPolls && params.state.load() == TransferState::ConfirmType; ++poll) Pause(1);
  return params.state.load() == TransferState::Idle;
}

// The radio's own calibration area into the transfer buffer, where the write sends it back from.
bool TakeRadioCalibration(TransferParams& params) {
  return ReadCalibrationArea(*params.port, std::span<std::uint8_t, image::kCalibrationSize>(
                                               params.buffer + image::kCalibration, image::kCalibrationSize));
}

void ReadImage(TransferParams& params, std::size_t blockSize) {
  SerialPort& port = *params.port;
  const std::size_t blocks = image::kSize / blockSize;
  for (std::size_t k = 0; k < blocks; ++k) {
    const std::size_t address = k * blockSize;
    // A short or misaddressed reply fails the read: no image that did not all come from
    // the radio may reach the document.
    if (!ReadBlockAt(port, address, blockSize, params.buffer + address)) return SetState(params, TransferState::ReadFailed);
    params.progress.store(ImageProgress(k + 1, blockSize));
    SetState(params, TransferState::Reading);
    if (params.cancel.load()) return;
  }
  if (blockSize == radio_memory::kVoiceBlockSize) {
    Send(port, Header(kReadRequest, radio_memory::kVoiceId, block::kVoiceIdSize));
    std::uint8_t reply[kFrameHeader + block::kVoiceIdSize];
    if (port.ReadBlock(reply, sizeof reply) != static_cast<int>(sizeof reply)) return SetState(params, TransferState::ReadFailed);
    std::copy(reply + kFrameHeader, reply + sizeof reply, params.voiceId);
  }
  SetState(params, TransferState::ReadDone);
}

// Returns false when the transfer ended (failure or cancel).
bool WriteImage(TransferParams& params, std::size_t blockSize) {
  const std::size_t blocks = image::kSize / blockSize;
  for (std::size_t k = 0; k < blocks; ++k) {
    const std::size_t address = k * blockSize;
    if (!WriteBlockAt(*params.port, address, params.buffer + address, blockSize)) {
      SetState(params, TransferState::WriteFailed);
      return false;
    }
    params.progress.store(ImageProgress(k + 1, blockSize));
    SetState(params, TransferState::Writing);
    if (params.cancel.load()) return false;
  }
  return true;
}

bool IsEmptyBlock(const std::uint8_t* block) {
  return std::all_of(block, block + radio_memory::kVoiceBlockSize, [](std::uint8_t b) { return b == 0xFF; });
}

void WriteVoice(TransferParams& params) {
  SerialPort& port = *params.port;
  if (!params.overwriteVoice) {
    Send(port, Header(kReadRequest, radio_memory::kVoiceId, block::kVoiceIdSize));
    std::uint8_t reply[kFrameHeader + block::kVoiceIdSize];
    if (port.ReadBlock(reply, sizeof reply) != static_cast<int>(sizeof reply)) return SetState(params, TransferState::WriteFailed);
    AckAndListen(port);
    if (std::equal(reply + kFrameHeader, reply + sizeof reply, params.voiceId)) {
      port.Pause(1000);  // the radio already holds this voice package
      return SetState(params, TransferState::WriteDone);
    }
  }
  SetState(params, TransferState::VoiceStart);
  // Invalidate the upper half of the radio's voice identifier before any voice block changes.
  const std::uint8_t invalid[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  if (!WriteBlockAt(port, radio_memory::kVoiceId + 8, invalid, sizeof invalid)) return SetState(params, TransferState::WriteFailed);

  int blocksToSend = 0;
  for (std::size_t o = radio_memory::kVoiceArea; o < radio_memory::kSize; o += radio_memory::kVoiceBlockSize)
    if (!IsEmptyBlock(params.buffer + o)) ++blocksToSend;
  int sum = 0;
  for (std::size_t o = radio_memory::kVoiceArea; o < radio_memory::kSize; o += radio_memory::kVoiceBlockSize) {
    if (!IsEmptyBlock(params.buffer + o)) {
      sum += 100;
      if (!WriteBlockAt(port, o, params.buffer + o, radio_memory::kVoiceBlockSize)) return SetState(params, TransferState::WriteFailed);
      params.progress.store(sum / blocksToSend);
      SetState(params, TransferState::VoiceWriting);
    }
    if (params.cancel.load()) return;
  }
  port.Pause(1000);
  SetState(params, TransferState::WriteDone);
}

}  // namespace

int ImageProgress(std::size_t blocks, std::size_t blockSize) {
  return static_cast<int>(100 * blockSize * blocks / image::kSize);
}

bool IsFinal(TransferState state) {
  switch (state) {
    case TransferState::NoLink:
    case TransferState::WrongType:
    case TransferState::ReadFailed:
    case TransferState::ReadDone:
    case TransferState::WriteFailed:
    case TransferState::WriteDone:
      return true;
    default:
      return false;
  }
}

bool ConnectRadio(TransferParams& params) {
  SerialPort& port = *params.port;
  const std::string autocom = profile::GetString(params.settingsPath, "setup", "autocom", "1", 9);
  const bool autoSearch = params.allowPortSearch && (autocom.empty() || autocom.front() != '0');
  params.openFailure = {};
  if (!port.IsOpen() && !port.Open(params.configuredPort > 0 ? params.configuredPort
                                                             : profile::GetInt(params.settingsPath, "setup", "com", 1)) &&
      !autoSearch)
    params.openFailure = port.LastOpenFailure();
  // The cable and the radio get their settling time after the lines were raised before the
  // first letter, also when the caller opened the port (a device named on the command line).
  port.Pause(kPortSettleMs);
  // The configured port first, then ports 1 to 255 in order.
  for (int candidate = 1;; ++candidate) {
    if (port.IsOpen() && Handshake(port)) return true;
    if (!autoSearch) break;
    port.Close();
    // A cancel ends the search here: whoever asked for the transfer has given up on it.
    if (candidate >= 256 || params.cancel.load()) break;
    if (port.Open(candidate)) {
      port.Pause(kPortSettleMs);
      params.foundPort.store(candidate);
      params.progress.store(candidate);
      SetState(params, TransferState::SearchingPort);
    }
  }
  SetState(params, TransferState::NoLink);
  return false;
}

bool ReadCalibrationArea(SerialPort& port, std::span<std::uint8_t, image::kCalibrationSize> area) {
  std::array<std::uint8_t, image::kCalibrationSize> read{};
  for (std::size_t offset = 0; offset < read.size(); offset += kCalibrationBlock)
    if (!ReadBlockAt(port, image::kCalibration + offset, kCalibrationBlock, read.data() + offset)) return false;
  std::copy(read.begin(), read.end(), area.begin());
  return true;
}

bool AnswerTypeQuestion(TransferParams& params, bool confirmed) {
  TransferState asking = TransferState::ConfirmType;
  if (!params.state.compare_exchange_strong(asking, confirmed ? TransferState::Idle : TransferState::WrongType))
    return false;
  params.state.notify_all();
  return true;
}

void RunTransfer(TransferParams& params) {
  SerialPort& port = *params.port;
  if (!ConnectRadio(params)) return;

  port.WriteByte(kIdentify);
  std::uint8_t identification[kIdentificationSize];
  if (port.ReadBlock(identification, sizeof identification) != static_cast<int>(sizeof identification))
    return SetState(params, TransferState::WrongType);
  // The search result is kept only once a radio has identified itself.
  if (const int found = params.foundPort.load(); found > 0) {
    profile::WriteString(params.settingsPath, "setup", "com", std::to_string(found));
    params.foundPort.store(-1);
  }

  if (params.isRead) {
    AckAndListen(port);
  } else {
    bool replyShort = false;
    if (!SameModel(port, params.buffer, identification, replyShort)) {
      if (replyShort) return SetState(params, TransferState::WrongType);
      if (!UserConfirmedType(params)) return SetState(params, TransferState::NoLink);
      Reconnect(port);
    }
    AckAndListen(port);
    // Each radio's alignment values are its own: a file from another radio or a new
    // configuration would destroy them. They go back as the radio holds them, unless the
    // user asked for the file's; without them nothing is written.
    if (!params.writeCalibration && !TakeRadioCalibration(params)) return SetState(params, TransferState::ReadFailed);
  }

  port.WriteByte(kVersionQuery);
  const int generation = port.ReadByte(kAckWaitMs);
  const int second = port.ReadByte(kAckWaitMs);
  if (generation < 0 || second < 0) return SetState(params, TransferState::WrongType);
  *params.version = static_cast<std::uint8_t>(generation);

  if (generation < radio_memory::kSecondGeneration) {
    if (params.isRead) return ReadImage(params, 8);
    if (!WriteImage(params, 8)) return;
    port.Pause(1000);
    return SetState(params, TransferState::WriteDone);
  }

  port.Pause(2);
  Frame fastLink = Header(kSettingFrame, 0, 8);
  fastLink.insert(fastLink.end(), {0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  port.Write(fastLink.data(), fastLink.size());
  if (port.ReadByte(kAckWaitMs) != kAck) return SetState(params, TransferState::WrongType);
  port.SetBaudRate(CSerial::kFastBaud);
  port.Pause(2);

  if (params.isRead) return ReadImage(params, radio_memory::kVoiceBlockSize);
  if (!WriteImage(params, radio_memory::kVoiceBlockSize)) return;
  if (!params.voiceDataPresent) {
    port.Pause(1000);
    return SetState(params, TransferState::WriteDone);
  }
  WriteVoice(params);
}
