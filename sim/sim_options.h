#pragma once
// The command line of corvane-radio-sim and the radio it describes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/sim_radio.h"

namespace sim {

class SimOptions {
 public:
  // Parses the arguments that follow the program name. On a bad option returns
  // nothing and sets `error` to a one-line message.
  static std::optional<SimOptions> Parse(const std::vector<std::string>& args, std::string& error);
  // The --help text.
  static std::string Usage();

  // The radio's memory as the options set it up, reading --image and --voice.
  // Nothing, and `error` set, when a file cannot be read or has a wrong size.
  std::optional<Bytes> BuildMemory(std::string& error) const;
  // The radio's identity and behaviour, given the memory BuildMemory made.
  RadioSetup BuildSetup(const Bytes& memory) const;

  bool help = false;
  std::string linkPath;
  std::string imagePath;
  std::string voicePath;
  std::string savePath;
  std::string logPath;
  std::optional<std::array<std::uint8_t, 8>> modelId;  // memory order
  std::optional<std::array<std::uint8_t, 8>> band;     // memory order
  std::optional<std::uint8_t> version;
  std::optional<int> generation;
  bool wireTiming = false;
  int replyDelayMs = 0;  // slow-reply
  Faults faults;
};

// Writes the radio's memory to `path`, replacing the file only once the new one
// is complete. False, and `error` set, on failure.
bool SaveMemory(const std::string& path, const Bytes& memory, std::string& error);

}  // namespace sim
