// Whole-transfer timing: corvane-cli reads and writes a simulated radio that paces
// every byte as its baud rate would. For each run it prints the wall time, the
// protocol's floor (the wire time of every byte at its baud rate plus every pause the
// protocol mandates, both taken from the frames the radio logged, so a write's reads of the
// band edges and of the radio's calibration area count too), their ratio, and the
// tool's CPU time as a share of the wall time. A write with --backup (the radio read whole
// and kept first, then written in a session of its own) is set beside the plain write and
// the read: it should cost the read and no more. Then one write to eight such radios at
// once against the same write to one: the fleet's wall time over the single radio's.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

pid_t Spawn(const std::vector<std::string>& args, int stdinFd, int stdoutFd, bool quiet = false) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  if (quiet && stdoutFd < 0) posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  if (stdinFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
  if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (std::string& arg : copy) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The pause the tool makes before it sends a frame, by the frame's first byte.
double PauseBeforeMs(const std::string& firstByte, std::size_t length) {
  if (length == 1 && (firstByte == "50" || firstByte == "52" || firstByte == "4F" || firstByte == "47" ||
                      firstByte == "41" || firstByte == "4D"))
    return 15;                        // a handshake letter
  if (firstByte == "4B") return 2 + 2;  // the speed switch, and the settling after it
  return 1;                           // every other frame and control byte
}

struct Floor {
  double wireMs = 0;
  double pauseMs = 0;
};

// Every frame of the radio's log: "<ms> <RX|TX> <baud> <hex bytes>". `sessions` counts the
// times the port was opened (a write with backup opens it again for the write).
Floor FloorFromLog(const fs::path& log, bool isWrite, int sessions = 1) {
  Floor floor;
  floor.pauseMs = 100 * sessions + (isWrite ? 1000 : 0);  // the settling after the port opens; the end of a write
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string time, direction, first;
    int baud = 0;
    fields >> time >> direction >> baud;
    std::size_t bytes = 0;
    for (std::string byte; fields >> byte; ++bytes)
      if (bytes == 0) first = byte;
    if (baud > 0) floor.wireMs += 1000.0 * 10 * static_cast<double>(bytes) / baud;
    if (direction == "RX") floor.pauseMs += PauseBeforeMs(first, bytes);
  }
  return floor;
}

struct Run {
  double wallMs = 0;
  double cpuMs = 0;
  int status = -1;
};

Run RunCli(const std::vector<std::string>& args) {
  Run run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Spawn(args, -1, -1, true);  // progress and result lines would only cost time
  int status = 0;
  rusage usage{};
  if (pid > 0) ::wait4(pid, &status, 0, &usage);
  run.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// A simulated radio as a child process; it ends when its standard input closes.
struct Sim {
  pid_t pid = -1;
  int input = -1;
  std::string pty;
};

Sim StartSim(const fs::path& bin, std::vector<std::string> options) {
  Sim sim;
  int toSim[2], fromSim[2];
  if (::pipe2(toSim, O_CLOEXEC) != 0) return sim;
  if (::pipe2(fromSim, O_CLOEXEC) != 0) {
    ::close(toSim[0]);
    ::close(toSim[1]);
    return sim;
  }
  options.insert(options.begin(), (bin / "corvane-radio-sim").string());
  sim.pid = Spawn(options, toSim[0], fromSim[1]);
  ::close(toSim[0]);
  ::close(fromSim[1]);
  sim.input = toSim[1];
  std::string line;
  char c;
  pollfd ready{fromSim[0], POLLIN, 0};
  while (::poll(&ready, 1, 10000) > 0 && ::read(fromSim[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(fromSim[0]);
  sim.pty = line.substr(line.find(' ') + 1);
  return sim;
}

void StopSim(Sim& sim) {
  if (sim.input >= 0) ::close(sim.input);
  if (sim.pid > 0) ::waitpid(sim.pid, nullptr, 0);
  sim = {};
}

// One write of `config` to `radios` wire-timed radios of `generation` at once.
Run FleetWrite(const fs::path& bin, const std::string& cli, const fs::path& config, const char* generation,
               int radios) {
  std::vector<Sim> sims;
  std::vector<std::string> args = {cli, "write"};
  for (int i = 0; i < radios; ++i) {
    sims.push_back(StartSim(bin, {"--generation", generation, "--wire-timing", "--image", config.string()}));
    args.insert(args.end(), {"--device", sims.back().pty});
  }
  args.push_back(config.string());
  const Run run = RunCli(args);
  for (Sim& sim : sims) StopSim(sim);
  return run;
}

}  // namespace

int main() {
  const fs::path bin = fs::path(CORVANE_BIN_DIR);
  char pattern[] = "/tmp/corvane-bench-XXXXXX";
  const fs::path scratch = ::mkdtemp(pattern);
  fs::copy_file(bin / "setting.ini", scratch / "setting.ini");
  fs::copy_file(bin / "lang_en.lng", scratch / "lang_en.lng");
  ::setenv("CORVANE_HOME", scratch.c_str(), 1);
  ::setenv("XDG_DATA_HOME", scratch.c_str(), 1);  // the reads' backups, not among the user's own
  const std::string cli = (bin / "corvane-cli").string();
  const fs::path config = scratch / "radio.vxp";
  if (RunCli({cli, "new", config.string()}).status != 0) return 1;

  std::printf("%-22s %10s %10s %7s %7s\n", "transfer", "wall ms", "floor ms", "ratio", "cpu %");
  bool withinTargets = true;
  enum class Kind { Read, Write, WriteWithBackup };
  struct Measured {
    double readMs = 0, writeMs = 0, backedUpMs = 0;
  };
  std::vector<std::pair<const char*, Measured>> costs;
  for (const char* generation : {"1", "2"}) {
    Measured measured;
    for (const Kind kind : {Kind::Read, Kind::Write, Kind::WriteWithBackup}) {
      const fs::path log = scratch / "sim.log";
      fs::remove(log);
      Sim sim = StartSim(bin, {"--generation", generation, "--wire-timing", "--image", config.string(), "--log",
                               log.string()});
      const Run run = kind == Kind::Read    ? RunCli({cli, "read", "--device", sim.pty, (scratch / "read.vxp").string()})
                      : kind == Kind::Write ? RunCli({cli, "write", "--device", sim.pty, config.string()})
                                            : RunCli({cli, "write", "--backup", "--device", sim.pty, config.string()});
      StopSim(sim);
      const Floor floor = FloorFromLog(log, kind != Kind::Read, kind == Kind::WriteWithBackup ? 2 : 1);
      const double floorMs = floor.wireMs + floor.pauseMs;
      const double ratio = run.wallMs / floorMs;
      const double cpuShare = 100.0 * run.cpuMs / run.wallMs;
      withinTargets = withinTargets && run.status == 0 && ratio <= 1.10 && cpuShare <= 5.0;
      const char* name = kind == Kind::Read ? "read" : kind == Kind::Write ? "write" : "write --backup";
      std::printf("gen %s %-16s %10.1f %10.1f %7.3f %6.2f%%%s\n", generation, name, run.wallMs, floorMs, ratio,
                  cpuShare, run.status == 0 ? "" : "  (failed)");
      (kind == Kind::Read ? measured.readMs : kind == Kind::Write ? measured.writeMs : measured.backedUpMs) = run.wallMs;
    }
    costs.emplace_back(generation, measured);
  }

  // The backup's cost: the write with backup less the plain write, against one read.
  std::printf("\n%-22s %10s %10s %7s\n", "backup before a write", "extra ms", "read ms", "ratio");
  for (const auto& [generation, measured] : costs) {
    const double extraMs = measured.backedUpMs - measured.writeMs;
    const double ratio = extraMs / measured.readMs;
    withinTargets = withinTargets && ratio <= 1.10;
    std::printf("gen %s %-16s %10.1f %10.1f %7.3f\n", generation, "write --backup", extraMs, measured.readMs, ratio);
  }

  constexpr int kFleet = 8;
  std::printf("\n%-22s %10s %10s %7s\n", "write to 8 radios", "8 ms", "1 ms", "ratio");
  for (const char* generation : {"1", "2"}) {
    const Run one = FleetWrite(bin, cli, config, generation, 1);
    const Run fleet = FleetWrite(bin, cli, config, generation, kFleet);
    const double ratio = fleet.wallMs / one.wallMs;
    const bool ok = one.status == 0 && fleet.status == 0;
    withinTargets = withinTargets && ok && ratio <= 1.10;
    std::printf("gen %s %-16s %10.1f %10.1f %7.3f%s\n", generation, "parallel write", fleet.wallMs, one.wallMs, ratio,
                ok ? "" : "  (failed)");
  }
  fs::remove_all(scratch);
  std::printf("targets (ratio <= 1.10, cpu <= 5%%, backup <= 1.10 x a read, 8 radios <= 1.10 x one): %s\n",
              withinTargets ? "met" : "NOT met");
  return withinTargets ? 0 : 1;
}
