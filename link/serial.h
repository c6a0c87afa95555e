#pragma once
// SerialPort: what the exchanges with a radio need of the line; CSerial: the one serial
// port through which the program talks to a radio.
//
// Port numbers 1..255 name devices: an entry n in section "ports" of setting.ini
// wins (e.g. "1=/dev/ttyUSB0", or a pseudo-terminal), otherwise n counts the serial
// devices present: /dev/ttyUSB*, then /dev/ttyACM*, then /dev/ttyS*. The link is
// 9600 baud, 8N1, no flow control, DTR and RTS raised. Reads wait with poll().

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The serial devices present, in port-number order (port 1 first). Looks in root/dev and
// names them as the system does ("/dev/ttyUSB0").
std::vector<std::string> SerialDevicesPresent(const std::filesystem::path& root = "/");
// The device that port number n names; empty when there is none.
std::string DevicePathForPort(const std::filesystem::path& settingsPath, int port,
                              const std::filesystem::path& root = "/");

// Why opening a port failed: the port number asked for (0: a device named directly), the
// device it names (empty when the number names none) and the errno of the open.
struct PortOpenFailure {
  int port = 0;
  std::string device;
  int error = 0;  // 0: the last open succeeded
};

// The line to the radio as the protocol, password and test-mode exchanges use it. CSerial
// is the real one; a fake that replays scripted or fuzzed replies can stand in its place.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens port n (closing an open port first); false when it cannot be opened.
  virtual bool Open(int port) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Why the last Open failed.
  virtual PortOpenFailure LastOpenFailure() const = 0;
  virtual int BaudRate() const = 0;
  virtual void SetBaudRate(int baud) = 0;
  // One write of the whole frame; the number of bytes written.
  virtual int Write(const std::uint8_t* bytes, std::size_t count) = 0;
  // Pauses 1 ms, then writes the byte; 1 when written.
  virtual int WriteByte(std::uint8_t byte) = 0;
  // The next received byte, or -1 when none came within timeoutMs (0: one look).
  virtual int ReadByte(int timeoutMs) = 0;
  // Collects up to count bytes within a fixed 500 ms window from the call; returns at
  // once when they are all there.
  virtual int ReadBlock(std::uint8_t* buffer, std::size_t count) = 0;
  // The protocol's fixed pauses between frames and letters, in the line's time.
  virtual void Pause(int milliseconds) = 0;
};

class CSerial final : public SerialPort {
 public:
  static constexpr int kLinkBaud = 9600;
  static constexpr int kFastBaud = 38400;
  static constexpr int kBlockWindowMs = 500;

  explicit CSerial(std::filesystem::path settingsPath = {});
  ~CSerial();
  CSerial(const CSerial&) = delete;
  CSerial& operator=(const CSerial&) = delete;

  // LastError() of a path that names no character device (a regular file, a directory):
  // protocol bytes must never go into a file.
  static constexpr int kNotADevice = ENOTTY;

  // Opens port n (closing an open port first); false when it cannot be opened,
  // with LastError() saying why.
  bool Open(int port) override;
  bool OpenDevice(const std::string& path);
  // Ends the radio's session and starts afresh on the same device: closes the port, keeps
  // the lines down a moment and opens the device again. False when it cannot be opened.
  bool Reopen();
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  const std::string& DevicePath() const { return devicePath_; }
  int LastError() const { return lastError_; }
  PortOpenFailure LastOpenFailure() const override { return lastFailure_; }
  int BaudRate() const override { return baud_; }

  void SetBaudRate(int baud) override;
  int Write(const std::uint8_t* bytes, std::size_t count) override;
  int WriteByte(std::uint8_t byte) override;
  int ReadByte(int timeoutMs) override;
  int ReadBlock(std::uint8_t* buffer, std::size_t count) override;
  // Sleeps: the real line runs in real time.
  void Pause(int milliseconds) override;

 private:
  // Records why an open failed; false.
  bool Fail(int error);
  // Reads until count bytes came, the window ended or the line hung up.
  int ReadBlockWithin(std::uint8_t* buffer, std::size_t count, int windowMs);

  std::filesystem::path settingsPath_;
  int fd_ = -1;
  int lastError_ = 0;
  PortOpenFailure lastFailure_;
  int baud_ = kLinkBaud;
  std::string devicePath_;
};

// Sleeps for the protocol's fixed pauses.
void Pause(int milliseconds);
