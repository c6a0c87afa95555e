#pragma once
// The programming protocol: handshake, port search, identification, model check,
// version query and the block transfer of both radio generations, with the voice
// area of the second. RunTransfer runs on a worker thread and reports only through
// TransferParams, whose shared fields are atomic.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "link/serial.h"
#include "radio/image_map.h"

enum class TransferState : int {
  Idle = 0,
  NoLink = 1,
  WrongType = 2,
  ConfirmType = 3,
  Reading = 4,
  ReadFailed = 5,
  ReadDone = 6,
  WriteFailed = 7,
  Writing = 8,
  WriteDone = 9,
  VoiceStart = 10,
  SearchingPort = 11,
  VoiceWriting = 12,
};

// True for the states that end a transfer.
bool IsFinal(TransferState state);

namespace radio_memory {
inline constexpr std::size_t kSize = 32768;  // the transfer buffer: image, then voice data
inline constexpr std::size_t kVoiceArea = 0x0400;
inline constexpr std::size_t kVoiceId = 0x7FF0;
inline constexpr std::size_t kVoiceBlockSize = 64;
inline constexpr std::uint8_t kSecondGeneration = 0x20;  // radio versions from here on
}  // namespace radio_memory

struct TransferParams {
  SerialPort* port = nullptr;
  std::filesystem::path settingsPath;
  // For one run from the command line: the port to try first instead of "com" (0: "com"),
  // and whether the automatic search may run at all (it still needs "autocom").
  int configuredPort = 0;
  bool allowPortSearch = true;
  bool isRead = true;
  std::atomic<TransferState> state{TransferState::Idle};
  std::uint8_t* buffer = nullptr;   // radio_memory::kSize bytes
  std::uint8_t* version = nullptr;  // the document's radio version
  std::uint8_t* voiceId = nullptr;  // the document's 16-byte voice package identifier
  std::atomic<int> progress{0};
  std::atomic<bool> cancel{false};
  bool overwriteVoice = false;
  // Write: also send the image's calibration area (alignment values and radio password
  // block). Otherwise the write reads the radio's own area first and sends that back.
  bool writeCalibration = false;
  // False when no voice package is at hand: a write then sends the configuration only
  // and leaves the radio's voice data alone.
  bool voiceDataPresent = true;
  // The answer to the model question when it is given beforehand: a transfer run on the
  // caller's own thread has nobody to answer while it runs. Unset: AnswerTypeQuestion from
  // another thread answers.
  std::optional<bool> presetTypeAnswer;
  std::atomic<int> foundPort{-1};
  // NoLink because the one port to try could not be opened (no search ran): why. Written
  // by the worker before it sets the final state.
  PortOpenFailure openFailure;
};

// Percent done after `blocks` image blocks of `blockSize` bytes, in whole steps: 8-byte
// blocks give 0, 1, 2, 3, 3, 4 ... 100.
int ImageProgress(std::size_t blocks, std::size_t blockSize);

// The whole exchange; returns when a final state is set or on cancel.
void RunTransfer(TransferParams& params);

// The user's answer to the question about another model (state ConfirmType): OK lets the
// worker go on, Cancel ends the transfer (WrongType). Only a worker still waiting gets it;
// false, and the state left alone, when it has given up or ended meanwhile.
bool AnswerTypeQuestion(TransferParams& params, bool confirmed);

// Connects to the radio: opens the configured port (or reuses the open one), lets it
// settle, sends the handshake and, when automatic search is on, tries ports 1 to 255
// until one answers or `cancel` is set. Returns false (state NoLink) when no radio
// answered. Used by the transfer and the radio dialogs.
bool ConnectRadio(TransferParams& params);

// Reads the radio's calibration area (its alignment values and radio password block) in
// blocks of eight, as the calibration table does, acknowledging each reply. True when every
// reply was complete and carried the read header with the address echoed; `area` changes
// only then.
bool ReadCalibrationArea(SerialPort& port, std::span<std::uint8_t, image::kCalibrationSize> area);
