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

// Lines of a simulator log: "<ms> <RX|TX> <baud> <hex bytes>".
struct LogFrame {
  bool received = false;  // by the radio, i.e. sent by the tool
  int baud = 0;
  std::string bytes;      // "52 00 00 08"
};
std::vector<LogFrame> ReadSimLog(const std::filesystem::path& log);

}  // namespace test
