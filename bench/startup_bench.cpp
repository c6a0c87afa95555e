// Time from process start to the first shown main window (offscreen): the program
// is started afresh each round and reports when its window is up.
//   corvane_startup_bench [ROUNDS]

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "bench/program_home.h"

extern char** environ;

namespace {

// The measured process: start-up, then one line on the pipe once the window shows.
int RunChild(int argc, char** argv, int reportFd) {
  QApplication application(argc, argv);
  const auto app = CTavroPgmApp::InitInstance({QStringLiteral("corvane")});
  if (!app) return 1;
  QTimer::singleShot(0, [reportFd] {
    const char shown[] = "shown\n";
    (void)!write(reportFd, shown, sizeof shown - 1);
    QApplication::quit();
  });
  return QApplication::exec();
}

double RunOnce(const char* self) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const std::string fdText = std::to_string(fds[1]);
  char* args[] = {const_cast<char*>(self), const_cast<char*>("--child"), const_cast<char*>(fdText.c_str()), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, self, nullptr, nullptr, args, environ) != 0) return -1;
  close(fds[1]);
  char buffer[16];
  const bool shown = read(fds[0], buffer, sizeof buffer) > 0;  // blocks until the window is up
  const auto end = std::chrono::steady_clock::now();
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return shown ? std::chrono::duration<double, std::milli>(end - start).count() : -1;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (argc >= 3 && std::string(argv[1]) == "--child") return RunChild(1, argv, std::stoi(argv[2]));

  const ProgramHome home;  // no QApplication here: only the children start the program

  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  std::vector<double> times;
  for (int round = 0; round < rounds; ++round) {
    const double ms = RunOnce("/proc/self/exe");
    if (ms < 0) {
      std::fprintf(stderr, "start-up failed\n");
      return 1;
    }
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("process start to shown main window, %d rounds: min %.1f ms, median %.1f ms, max %.1f ms\n", rounds,
              times.front(), times[times.size() / 2], times.back());
  return 0;
}
