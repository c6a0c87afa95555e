#include "sim/pty_link.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {
namespace {

using std::chrono::nanoseconds;

// How often to look again for a tool while the device cannot be held and the
// master reports the hang-up of the last one.
constexpr std::chrono::milliseconds kUnheldRecheck{20};
constexpr long kBitsPerByte = 10;  // start bit, 8 data bits, stop bit

int BaudOf(speed_t speed) {
  static constexpr std::array<std::pair<speed_t, int>, 18> kSpeeds = {{
      {B0, 0}, {B300, 300}, {B600, 600}, {B1200, 1200}, {B2400, 2400}, {B4800, 4800},
      {B9600, 9600}, {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200},
      {B230400, 230400}, {B460800, 460800}, {B500000, 500000}, {B576000, 576000},
      {B921600, 921600}, {B1000000, 1000000}, {B2000000, 2000000},
  }};
  for (const auto& [code, baud] : kSpeeds)
    if (code == speed) return baud;
  return 0;
}

std::string ErrorText(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

PtyLink::~PtyLink() { Close(); }

bool PtyLink::Open(std::string& error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) {
    error = ErrorText("cannot open a pseudo-terminal");
    return false;
  }
  const char* name = grantpt(master_) == 0 && unlockpt(master_) == 0 ? ptsname(master_) : nullptr;
  if (!name) {
    error = ErrorText("cannot prepare the pseudo-terminal");
    Close();
    return false;
  }
  devicePath_ = name;
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(master_, F_SETFD, FD_CLOEXEC);

  // A serial port as the tool will find it: raw bytes at 9600 baud.
  if (!Hold()) {
    error = ErrorText("cannot open " + devicePath_);
    Close();
    return false;
  }
  termios settings{};
  if (tcgetattr(hold_, &settings) == 0) {
    cfmakeraw(&settings);
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    tcsetattr(hold_, TCSANOW, &settings);
  }
  return true;
}

bool PtyLink::MakeLink(const std::string& path, std::string& error) {
  struct stat existing {};
  if (lstat(path.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    error = path + " exists and is not a symbolic link";
    return false;
  }
  // Made beside it and renamed over it, so the link never points nowhere.
  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(devicePath_.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
    error = ErrorText("cannot make the link " + path);
    unlink(temporary.c_str());
    return false;
  }
  linkPath_ = path;
  return true;
}

void PtyLink::Close() {
  Release();
  if (master_ >= 0) close(master_);
  master_ = -1;
  if (!linkPath_.empty()) {
    // Only our own link goes; another simulator may have taken the name since.
    std::array<char, 4096> target{};
    const ssize_t length = readlink(linkPath_.c_str(), target.data(), target.size() - 1);
    if (length > 0 && std::string(target.data(), static_cast<std::size_t>(length)) == devicePath_)
      unlink(linkPath_.c_str());
    linkPath_.clear();
  }
}

int PtyLink::CurrentBaud() const {
  // The master reports the settings the tool made on its side of the terminal.
  termios settings{};
  if (tcgetattr(master_, &settings) != 0) return 0;
  return BaudOf(cfgetospeed(&settings));
}

bool PtyLink::Hold() {
  if (hold_ < 0) hold_ = open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  holdFailed_ = hold_ < 0;
  return hold_ >= 0;
}

void PtyLink::Release() {
  if (hold_ >= 0) close(hold_);
  hold_ = -1;
}

PtyLink::End PtyLink::Run(SimRadio& radio, FrameLog& log, const Settings& settings, int stopFd, int inputFd) {
  radio_ = &radio;
  log_ = &log;
  settings_ = settings;
  End end = End::Failed;

  for (;;) {
    Clock::time_point now = Clock::now();
    if (radio_->HasPartialFrame() && now >= lastReceived_ + kPartialFrameTimeout) LogPartialFrame();
    Transmit(now);

    // While the device cannot be held and no tool has it open, the master
    // reports a hang-up at every poll; it is then looked at on a short timer.
    bool watchMaster = true;
    if (holdFailed_ && !Hold()) {
      pollfd probe{master_, POLLIN, 0};
      watchMaster = !(poll(&probe, 1, 0) == 1 && probe.revents == POLLHUP);
    }

    std::array<pollfd, 3> fds{};
    nfds_t count = 0;
    fds[count++] = {stopFd, POLLIN, 0};
    const nfds_t inputIndex = inputFd >= 0 ? count++ : 0;
    if (inputFd >= 0) fds[inputIndex] = {inputFd, POLLIN, 0};
    const nfds_t masterIndex = watchMaster ? count++ : 0;
    if (watchMaster) fds[masterIndex] = {master_, static_cast<short>(POLLIN | (outputBlocked_ ? POLLOUT : 0)), 0};

    std::optional<Clock::time_point> wakeUp = NextWakeUp();
    if (!watchMaster) wakeUp = std::min(wakeUp.value_or(now + kUnheldRecheck), now + kUnheldRecheck);
    timespec timeout{};
    if (wakeUp) {
      const nanoseconds wait = std::max(nanoseconds(0), std::chrono::duration_cast<nanoseconds>(*wakeUp - now));
      timeout.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
      timeout.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
    }
    if (ppoll(fds.data(), count, wakeUp ? &timeout : nullptr, nullptr) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    now = Clock::now();

    if (fds[0].revents) {
      signalfd_siginfo info{};
      [[maybe_unused]] const ssize_t got = read(stopFd, &info, sizeof info);
      end = End::Stopped;
      break;
    }
    if (inputFd >= 0 && fds[inputIndex].revents) {
      std::array<char, 256> discard{};
      const ssize_t got = read(inputFd, discard.data(), discard.size());
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
        end = End::InputClosed;
        break;
      }
    }
    if (watchMaster && fds[masterIndex].revents) {
      if (fds[masterIndex].revents & POLLOUT) outputBlocked_ = false;
      if (!Receive(now, (fds[masterIndex].revents & (POLLHUP | POLLERR)) != 0)) {
        Close();
        end = End::Disconnected;
        break;
      }
    }
  }

  LogPartialFrame();
  radio_ = nullptr;
  log_ = nullptr;
  return end;
}

bool PtyLink::Receive(Clock::time_point now, bool hungUp) {
  std::array<std::uint8_t, 4096> buffer{};
  bool gotAny = false;
  for (;;) {
    const ssize_t got = read(master_, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      // EIO: the last open of the device was closed.
      if ((got < 0 && errno == EIO) || (hungUp && !gotAny)) SessionEnded();
      return true;
    }
    if (!gotAny) Release();  // a tool has the device open now
    gotAny = true;
    lastReceived_ = now;
    const int baud = CurrentBaud();
    for (ssize_t i = 0; i < got; ++i) {
      // With wire timing the radio hears a byte only once it has crossed the wire, so it
      // cannot answer a frame before the frame's last byte would have arrived.
      if (settings_.wireTiming && baud > 0)
        inboundFree_ = std::max(now, inboundFree_) + nanoseconds(kBitsPerByte * 1'000'000'000LL / baud);
      SimRadio::Output output = radio_->Feed(buffer[static_cast<std::size_t>(i)], baud);
      for (const Bytes& frame : output.received) log_->Write(FrameLog::Direction::Received, baud, frame);
      if (output.disconnect) return false;
      if (!output.reply.empty()) Queue(std::move(output.reply), baud, std::max(now, inboundFree_));
    }
  }
}

void PtyLink::SessionEnded() {
  LogPartialFrame();
  radio_->HangUp();
  outgoing_.clear();
  outputBlocked_ = false;
  // What the tool left unread is gone with it, as with a real port.
  tcflush(master_, TCIOFLUSH);
  Hold();
}

void PtyLink::LogPartialFrame() {
  if (!radio_ || !radio_->HasPartialFrame()) return;
  log_->Write(FrameLog::Direction::Received, CurrentBaud(), radio_->DropPartialFrame());
}

void PtyLink::Queue(Bytes reply, int baud, Clock::time_point now) {
  Pending pending{std::move(reply), baud, std::max(now + settings_.replyDelay, lineFree_)};
  lineFree_ = DueTime(pending, pending.bytes.size() - 1);
  outgoing_.push_back(std::move(pending));
}

// When byte `index` of a reply may be delivered: at once, or at the end of its
// time on the wire.
PtyLink::Clock::time_point PtyLink::DueTime(const Pending& pending, std::size_t index) const {
  if (!settings_.wireTiming || pending.baud <= 0) return pending.start;
  const long long bits = static_cast<long long>(index + 1) * kBitsPerByte;
  return pending.start + nanoseconds(bits * 1'000'000'000LL / pending.baud);
}

std::size_t PtyLink::DueBytes(const Pending& pending, Clock::time_point now) const {
  if (now < pending.start) return 0;
  if (!settings_.wireTiming || pending.baud <= 0) return pending.bytes.size();
  // Capped so that the product below stays in range; by then every byte is due anyway.
  const long long elapsed = std::min<long long>(std::chrono::duration_cast<nanoseconds>(now - pending.start).count(),
                                                1'000'000'000'000LL);
  const long long bytes = elapsed * pending.baud / (kBitsPerByte * 1'000'000'000LL);
  return static_cast<std::size_t>(std::min<long long>(bytes, static_cast<long long>(pending.bytes.size())));
}

void PtyLink::Transmit(Clock::time_point now) {
  while (!outgoing_.empty() && !outputBlocked_) {
    Pending& pending = outgoing_.front();
    const std::size_t due = DueBytes(pending, now);
    if (due <= pending.sent) return;
    if (pending.sent == 0) log_->Write(FrameLog::Direction::Sent, pending.baud, pending.bytes);
    const ssize_t written = write(master_, pending.bytes.data() + pending.sent, due - pending.sent);
    if (written < 0) {
      if (errno == EAGAIN) {
        outputBlocked_ = true;
        return;
      }
      if (errno == EINTR) continue;
      outgoing_.pop_front();  // nobody to hear it
      continue;
    }
    pending.sent += static_cast<std::size_t>(written);
    if (pending.sent == pending.bytes.size()) outgoing_.pop_front();
  }
}

std::optional<PtyLink::Clock::time_point> PtyLink::NextWakeUp() const {
  std::optional<Clock::time_point> wakeUp;
  if (!outgoing_.empty() && !outputBlocked_) wakeUp = DueTime(outgoing_.front(), outgoing_.front().sent);
  if (radio_->HasPartialFrame()) {
    const Clock::time_point expiry = lastReceived_ + kPartialFrameTimeout;
    wakeUp = wakeUp ? std::min(*wakeUp, expiry) : expiry;
  }
  return wakeUp;
}

int OpenStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return -1;
  return signalfd(-1, &signals, SFD_CLOEXEC);
}

bool IsWatchedInput(int fd) {
  struct stat status {};
  if (fstat(fd, &status) != 0) return false;
  // A terminal only in the foreground: reading it from the background would stop the program.
  return S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) || (isatty(fd) && tcgetpgrp(fd) == getpgrp());
}

}  // namespace sim
