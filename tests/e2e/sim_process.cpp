#include "tests/e2e/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace test {

SimProcess::SimProcess(const std::vector<std::string>& options) {
  int toSim[2], fromSim[2];
  if (::pipe2(toSim, O_CLOEXEC) != 0 || ::pipe2(fromSim, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toSim[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromSim[1], STDOUT_FILENO);
  std::vector<std::string> argv{CORVANE_SIM_PATH};
  argv.insert(argv.end(), options.begin(), options.end());
  std::vector<char*> raw;
  for (std::string& arg : argv) raw.push_back(arg.data());
  raw.push_back(nullptr);
  const int spawned = ::posix_spawn(&pid_, CORVANE_SIM_PATH, &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(toSim[0]);
  ::close(fromSim[1]);
  stdinFd_ = toSim[1];
  if (spawned != 0) {
    ::close(fromSim[0]);
    throw std::runtime_error("cannot start the simulated radio");
  }
  // The first line is "PTY <path>".
  std::string line;
  char c;
  pollfd ready{fromSim[0], POLLIN, 0};
  while (::poll(&ready, 1, 10000) > 0 && ::read(fromSim[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(fromSim[0]);
  if (!line.starts_with("PTY ")) {
    Stop();
    throw std::runtime_error("the simulated radio did not report its terminal: " + line);
  }
  ptyPath_ = line.substr(4);
}

SimProcess::~SimProcess() { Stop(); }

void SimProcess::Stop() {
  if (stdinFd_ >= 0) {
    ::close(stdinFd_);
    stdinFd_ = -1;
  }
  if (pid_ > 0) {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }
}

namespace {

std::vector<std::string> Recording(const std::filesystem::path& folder, std::vector<std::string> options) {
  options.insert(options.end(), {"--log", (folder / "sim.log").string(), "--save", (folder / "memory.bin").string()});
  return options;
}

}  // namespace

RecordingRadio::RecordingRadio(const std::filesystem::path& folder, std::vector<std::string> options)
    : SimProcess(Recording(folder, std::move(options))), log_(folder / "sim.log"), memory_(folder / "memory.bin") {}

std::string RecordingRadio::SavedMemory() {
  Stop();
  std::ifstream in(memory_, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<LogFrame> ReadSimLog(const std::filesystem::path& log) {
  std::vector<LogFrame> frames;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string time, direction;
    LogFrame frame;
    fields >> time >> direction >> frame.baud;
    frame.received = direction == "RX";
    std::getline(fields >> std::ws, frame.bytes);
    frames.push_back(frame);
  }
  return frames;
}

}  // namespace test
