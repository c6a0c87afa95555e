#pragma once
// corvane-radio-sim as a child process: started with options, known by the
// pseudo-terminal it prints, ended by closing its standard input.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace test {

class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& options);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& PtyPath() const { return ptyPath_; }
  // Ends the radio (its --save file is written) and waits for it.
  void Stop();

 private:
  pid_t pid_ = -1;
  int stdinFd_ = -1;
  std::string ptyPath_;
};

// A radio that logs every frame and saves its memory at the end, both into `folder`.
class RecordingRadio : public SimProcess {
 public:
  RecordingRadio(const std::filesystem::path& folder, std::vector<std::string> options);
  const std::filesystem::path& Log() const { return log_; }
  // Ends the radio and gives its memory as it was at the end (32768 bytes).
  std::string SavedMemory();

 private:
  std::filesystem::path log_;
  std::filesystem::path memory_;
};

// Lines of a simulator log: "<ms> <RX|TX> <baud> <hex bytes>".
struct LogFrame {
  bool received = false;  // by the radio, i.e. sent by the tool
  int baud = 0;
  std::string bytes;      // "52 00 00 08"
};
std::vector<LogFrame> ReadSimLog(const std::filesystem::path& log);

}  // namespace test
