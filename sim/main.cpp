// corvane-radio-sim: a radio on a pseudo-terminal, for trying and testing the
// programming tool without one. See --help.

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "sim/frame_log.h"
#include "sim/pty_link.h"
#include "sim/sim_options.h"
#include "sim/sim_radio.h"

namespace {

constexpr int kFailed = 1;
constexpr int kBadOptions = 2;
// A radio answers within the tool's time-outs (50 ms for an acknowledge) whatever the
// computer is doing. The simulator asks to be scheduled before ordinary programs so that a
// busy machine (a parallel test run) does not make it late; without the privilege for it,
// it runs at the priority it was given.
constexpr int kPreferredNiceness = -10;

int Fail(const std::string& message, int status) {
  std::cerr << "corvane-radio-sim: " << message << "\n";
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const sim::FrameLog::Clock::time_point start = sim::FrameLog::Clock::now();
  std::string error;
  const std::optional<sim::SimOptions> options = sim::SimOptions::Parse({argv + 1, argv + argc}, error);
  if (!options) return Fail(error, kBadOptions);
  if (options->help) {
    std::cout << sim::SimOptions::Usage();
    return 0;
  }
  std::optional<sim::Bytes> memory = options->BuildMemory(error);
  if (!memory) return Fail(error, kBadOptions);
  sim::RadioSetup setup = options->BuildSetup(*memory);
  sim::SimRadio radio(std::move(setup), std::move(*memory));

  sim::FrameLog log(start);
  if (!options->logPath.empty() && !log.Open(options->logPath, error)) return Fail(error, kFailed);
  const int stopFd = sim::OpenStopSignals();
  if (stopFd < 0) return Fail("cannot watch for signals", kFailed);
  sim::PtyLink link;
  if (!link.Open(error)) return Fail(error, kFailed);
  if (!options->linkPath.empty() && !link.MakeLink(options->linkPath, error)) return Fail(error, kFailed);

  setpriority(PRIO_PROCESS, 0, kPreferredNiceness);
  std::signal(SIGPIPE, SIG_IGN);  // a reader that went away must not end the radio
  std::cout << "PTY " << link.DevicePath() << std::endl;

  const int inputFd = sim::IsWatchedInput(STDIN_FILENO) ? STDIN_FILENO : -1;
  const sim::PtyLink::Settings settings{options->wireTiming, std::chrono::milliseconds(options->replyDelayMs)};
  const sim::PtyLink::End end = link.Run(radio, log, settings, stopFd, inputFd);
  link.Close();

  int status = end == sim::PtyLink::End::Failed ? Fail("waiting for the tool failed", kFailed) : 0;
  if (!options->savePath.empty() && !sim::SaveMemory(options->savePath, radio.Memory(), error))
    status = Fail(error, kFailed);
  return status;
}
