#include "link/serial.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "link/wire.h"
#include "settings/profile.h"

namespace {

using Clock = std::chrono::steady_clock;

speed_t SpeedCode(int baud) { return baud == CSerial::kFastBaud ? B38400 : B9600; }

// Numeric order within one family: ttyUSB2 before ttyUSB10.
std::vector<std::string> DevicesOfFamily(const std::filesystem::path& root, const std::string& prefix) {
  std::vector<std::pair<long, std::string>> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(root / "dev", error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix) || name.size() == prefix.size()) continue;
    const std::string number = name.substr(prefix.size());
    if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    long value = 0;
    if (std::from_chars(number.data(), number.data() + number.size(), value).ec != std::errc()) continue;
    found.emplace_back(value, "/dev/" + name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (auto& [number, path] : found) paths.push_back(std::move(path));
  return paths;
}

// Milliseconds left until deadline, never negative.
int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::max<long long>(0, left));
}

}  // namespace

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

std::vector<std::string> SerialDevicesPresent(const std::filesystem::path& root) {
  std::vector<std::string> devices;
  for (const char* family : {"ttyUSB", "ttyACM", "ttyS"}) {
    std::vector<std::string> more = DevicesOfFamily(root, family);
    devices.insert(devices.end(), more.begin(), more.end());
  }
  return devices;
}

std::string DevicePathForPort(const std::filesystem::path& settingsPath, int port, const std::filesystem::path& root) {
  if (port < 1 || port > 255) return {};
  if (!settingsPath.empty()) {
    const std::string mapped = profile::GetString(settingsPath, "ports", std::to_string(port), "", 4095);
    if (!mapped.empty()) return mapped;
  }
  const std::vector<std::string> devices = SerialDevicesPresent(root);
  return static_cast<std::size_t>(port) <= devices.size() ? devices[static_cast<std::size_t>(port - 1)] : std::string();
}

CSerial::CSerial(std::filesystem::path settingsPath) : settingsPath_(std::move(settingsPath)) {}

CSerial::~CSerial() { Close(); }

bool CSerial::Open(int port) {
  Close();
  const std::string path = DevicePathForPort(settingsPath_, port);
  if (path.empty()) {
    lastFailure_ = {port, "", 0};
    return Fail(ENOENT);
  }
  if (OpenDevice(path)) return true;
  lastFailure_.port = port;
  return false;
}

bool CSerial::OpenDevice(const std::string& path) {
  Close();
  lastFailure_ = {0, path, 0};
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(errno == EISDIR ? kNotADevice : errno);
  // Checked on the opened descriptor, so that a symbolic link (/dev/serial/by-id/...) counts
  // as what it points to and nothing can be swapped in between.
  struct stat info{};
  if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
    ::close(fd);
    return Fail(kNotADevice);
  }
  // No sharing: a port another program holds is "in use". The lock keeps out programs that
  // lock (a second Corvane, most terminal programs); exclusive mode keeps out every other
  // open of the terminal, locking or not (only the superuser passes it).
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return Fail(error);
  }
  ::ioctl(fd, TIOCEXCL);
  // Line settings; as with any serial driver, a call the device does not support is ignored.
  termios settings{};
  if (::tcgetattr(fd, &settings) == 0) {
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, SpeedCode(kLinkBaud));
    ::cfsetospeed(&settings, SpeedCode(kLinkBaud));
    ::tcsetattr(fd, TCSANOW, &settings);
  }
  int lines = TIOCM_DTR;
  ::ioctl(fd, TIOCMBIS, &lines);  // the programming cable draws on DTR and RTS
  lines = TIOCM_RTS;
  ::ioctl(fd, TIOCMBIS, &lines);
  ::tcdrain(fd);
  fd_ = fd;
  baud_ = kLinkBaud;
  devicePath_ = path;
  lastError_ = 0;
  return true;
}

bool CSerial::Reopen() {
  const std::string device = devicePath_;
  Close();
  Pause(wire::kPortSettleMs);
  return !device.empty() && OpenDevice(device);
}

bool CSerial::Fail(int error) {
  lastError_ = error;
  lastFailure_.error = error;
  return false;
}

void CSerial::Close() {
  if (fd_ < 0) return;
  // A pseudo-terminal keeps its exclusive mode while its other end is open: the next
  // program (or Corvane's own retry) must find it free.
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
  devicePath_.clear();
}

void CSerial::SetBaudRate(int baud) {
  if (fd_ < 0) return;
  termios settings{};
  if (::tcgetattr(fd_, &settings) != 0) return;
  ::cfsetispeed(&settings, SpeedCode(baud));
  ::cfsetospeed(&settings, SpeedCode(baud));
  ::tcsetattr(fd_, TCSANOW, &settings);
  baud_ = baud;
}

int CSerial::Write(const std::uint8_t* bytes, std::size_t count) {
  if (fd_ < 0) return 0;
  std::size_t written = 0;
  while (written < count) {
    const ssize_t put = ::write(fd_, bytes + written, count - written);
    if (put > 0) {
      written += static_cast<std::size_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno == EAGAIN) {
      // The output queue is full: wait until it drains, as a blocking write would.
      pollfd ready{fd_, POLLOUT, 0};
      if (::poll(&ready, 1, kBlockWindowMs) > 0 && (ready.revents & POLLOUT)) continue;
    }
    break;
  }
  return static_cast<int>(written);
}

int CSerial::WriteByte(std::uint8_t byte) {
  Pause(1);
  return Write(&byte, 1);
}

void CSerial::Pause(int milliseconds) { ::Pause(milliseconds); }

int CSerial::ReadByte(int timeoutMs) {
  std::uint8_t byte = 0;
  return ReadBlockWithin(&byte, 1, timeoutMs) == 1 ? byte : -1;
}

int CSerial::ReadBlock(std::uint8_t* buffer, std::size_t count) {
  return ReadBlockWithin(buffer, count, kBlockWindowMs);
}

int CSerial::ReadBlockWithin(std::uint8_t* buffer, std::size_t count, int windowMs) {
  std::size_t received = 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(windowMs);
  while (fd_ >= 0 && received < count) {
    // A raw line reads 0 bytes when nothing is waiting.
    const ssize_t got = ::read(fd_, buffer + received, count - received);
    if (got > 0) {
      received += static_cast<std::size_t>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno != EAGAIN) break;  // e.g. EIO: the device is gone
    const int wait = RemainingMs(deadline);
    if (wait == 0) break;
    pollfd ready{fd_, POLLIN, 0};
    if (::poll(&ready, 1, wait) > 0 && (ready.revents & (POLLHUP | POLLERR | POLLNVAL))) break;  // hung up
  }
  return static_cast<int>(received);
}
