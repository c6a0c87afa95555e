#pragma once
// A radio in programming mode on the master side of a pseudo-terminal, scripted by
// the tests of the radio password, test mode and calibration exchanges.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "link/serial.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace test {

using Bytes = std::vector<std::uint8_t>;
using Memory = std::array<std::uint8_t, image::kSize>;

// What a radio of the shipped model 2 answers to the identification request.
inline constexpr std::array<std::uint8_t, 8> kScriptedIdentification = {0x00, 'C', 'V', ' ', 'U', '4', '0', '7'};

// The two bytes the radio answers to a value query when a test does not say otherwise.
Bytes DefaultValueReply();

// How the scripted radio behaves.
struct RadioScript {
  std::array<std::uint8_t, 8> identification = kScriptedIdentification;
  std::size_t identificationBytes = 8;
  bool answerHandshake = true;
  int ignoredHandshakes = 0;  // handshakes left unanswered before the first answer
  // Whether a 'K' or 't' frame is acknowledged (and, for the radio's memory, taken).
  std::function<bool(const Bytes&)> acknowledge = [](const Bytes&) { return true; };
  int shortReplyAt = -1;         // a read request for this address gets half a reply
  int misaddressedReplyAt = -1;  // ...or a reply that echoes another address
  Bytes valueReply = DefaultValueReply();  // the answer to 'r'
  bool answerPing = true;
};

// A radio in programming mode on the master side of a pseudo-terminal. It records every
// byte the tool sends and answers the handshake (at any time), identification, read
// requests, setting and calibration frames, value queries and pings.
class ScriptedRadio {
 public:
  ScriptedRadio(int master, RadioScript script, const Memory& memory);
  ~ScriptedRadio() { Finish(); }

  // Takes what is still on its way and stops; the record is complete afterwards.
  void Finish();
  std::string Received() const { return test::HexText(received_); }
  const Memory& MemoryNow() const { return memory_; }

 private:
  void Run();
  void Answer(const Bytes& bytes);
  void Take(std::uint8_t byte);

  int master_;
  RadioScript script_;
  Memory memory_;
  std::atomic<bool> stop_{false};
  Bytes received_;
  Bytes pending_;
  std::string window_;
  int handshakes_ = 0;
  bool programming_ = false;
  std::thread thread_;
};

// Byte strings ("50 52 ...") joined with single blanks, empty parts left out: the
// expected traffic on the wire.
std::string Wire(std::initializer_list<std::string> parts);

// A fresh document and the program's port, whose number 1 is a pseudo-terminal the test
// plays the radio on (port 2 names a device that does not exist; no port search).
class RadioOnPtyTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void WriteSettings(const std::string& text) { dir_.Write("setting.ini", text); }

  ProgramDir dir_;
  AppFiles files_ = dir_.Files();
  CTavroPgmDoc doc_{files_};
  CSerial port_{files_.SettingsPath()};
  Memory radio_{};  // the radio's memory at the start, 0x11 throughout
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace test
