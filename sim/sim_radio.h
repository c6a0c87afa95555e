#pragma once
// The simulated radio's side of the programming link: a state machine fed with
// the bytes the tool sends, one at a time, that says which bytes made up a frame
// and what the radio answers. It knows nothing of terminals or clocks, so it can
// be driven directly by tests.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;

// The radio's whole memory: the configuration image at 0x0000-0x03FF, the voice
// area above it. Addresses wrap at this size.
inline constexpr std::size_t kMemorySize = 0x8000;
// Where the voice package identifier sits: the last 16 bytes of the voice area.
inline constexpr std::size_t kVoiceIdAddress = 0x7FF0;
inline constexpr std::size_t kVoiceAreaAddress = 0x0400;

// Line speeds: the radio listens for the handshake at the slow one and moves to
// the fast one when a second-generation radio is told to.
inline constexpr int kSlowBaud = 9600;
inline constexpr int kFastBaud = 38400;

// A frame that has begun but not ended is dropped when no byte follows for this
// long (the tool's own gaps inside a frame are 15 ms at most).
inline constexpr std::chrono::milliseconds kPartialFrameTimeout{500};

// Second byte of the answer to the version query ('r'); the tool ignores it.
inline constexpr std::uint8_t kVersionRevision = 0x01;

// The identification of the CV-407 (model 2 of the shipped settings), in image order.
inline constexpr std::array<std::uint8_t, 8> kDefaultModelId = {0x37, 0x30, 0x34, 0x55, 0x20, 0x56, 0x43, 0x00};

// Misbehaviour on request. Frame counts start at 0 and run over the whole life
// of the radio, across sessions.
struct Faults {
  bool noHandshake = false;               // never answers "PROGRAM"
  bool shortId = false;                   // answers 0x02 with 5 bytes instead of 8
  bool noVersion = false;                 // no answer to the version query
  bool muteInTest = false;                // once in test mode, answers nothing (switched off mid-alignment)
  std::set<std::uint64_t> shortReply;     // these 'R' frames get the first half of their reply
  std::set<std::uint64_t> wrongAddress;   // these 'R' frames get a reply for the next block's address
  std::set<std::uint64_t> noAck;          // these 'w' frames are stored but not acknowledged
  std::set<std::uint64_t> corruptWrite;   // these 'w' frames are acknowledged, their first byte stored inverted
  std::optional<std::uint64_t> disconnectAt;  // this 'R' or 'w' frame (counted together) pulls the cable
};

struct RadioSetup {
  std::array<std::uint8_t, 8> identification{};  // in the order the radio sends it
  std::uint8_t version = 0x20;                    // first byte of the answer to 'r'
  int generation = 2;                             // 2: acknowledges the switch to 38400 baud
  Faults faults;
};

class SimRadio {
 public:
  struct Output {
    std::vector<Bytes> received;  // bytes taken in, grouped as frames (or as noise), in order
    Bytes reply;                  // what the radio sends back; empty: nothing
    bool disconnect = false;      // the cable is pulled now; nothing is answered
  };

  // `memory` must hold kMemorySize bytes.
  SimRadio(RadioSetup setup, Bytes memory);

  // One byte from the tool, sent at `lineBaud`. A byte sent at another speed
  // than the radio listens at arrives as noise: it spoils any frame in progress.
  Output Feed(std::uint8_t byte, int lineBaud);
  // Drops a frame in progress (its bytes are returned, nothing is answered).
  Bytes DropPartialFrame();
  bool HasPartialFrame() const { return !frame_.empty(); }
  // The tool closed the port: the radio leaves programming and test mode and
  // listens at 9600 baud for a handshake again.
  void HangUp();

  int ListeningBaud() const { return fast_ ? kFastBaud : kSlowBaud; }
  bool InProgrammingMode() const { return mode_ != Mode::Waiting; }
  bool InTestMode() const { return mode_ == Mode::Test; }
  const Bytes& Memory() const { return memory_; }

 private:
  enum class Mode { Waiting, Programming, Test };

  void Start(std::uint8_t byte, Output& out);
  void Complete(Output& out);
  void Answer(Output& out);
  void AnswerRead(Output& out);
  void AnswerWrite(Output& out);
  void AnswerSetting(Output& out);
  void AnswerCalibrationWrite(Output& out);
  void EnterProgramming(Output& out);
  void Store(std::size_t address, const std::uint8_t* data, std::size_t count);
  int TestValue() const;
  std::optional<std::size_t> TestValueAddress() const;
  bool CountTransfer(Output& out);

  RadioSetup setup_;
  Bytes memory_;
  Mode mode_ = Mode::Waiting;
  bool fast_ = false;
  Bytes frame_;  // the frame being received

  // Test mode: the function chosen, the working point (1 low, 2 middle, 3 high)
  // and the value being tried for an adjustment.
  std::uint8_t testItem_ = 0;
  std::uint8_t testPoint_ = 2;
  int trialValue_ = 0;

  std::uint64_t reads_ = 0;
  std::uint64_t writes_ = 0;
  std::uint64_t transfers_ = 0;
};

}  // namespace sim
