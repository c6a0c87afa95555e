// CSerial against a pseudo-terminal: the far end is the test, playing the cable.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

#include "link/serial.h"
#include "settings/profile.h"
#include "tests/unit/test_support.h"

namespace {

// A pseudo-terminal whose slave is mapped to a port number in a settings file.
class SerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[256];
    ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    slavePath_ = name;
    settings_ = dir_.Write("setting.ini", "[ports]\n1=" + slavePath_ + "\n2=/dev/corvane-no-such-device\n");
  }
  void TearDown() override {
    if (master_ >= 0) ::close(master_);
    ::close(slave_);
  }
  void Send(const std::string& bytes) { ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
  speed_t SlaveSpeed() {
    termios settings{};
    ::tcgetattr(slave_, &settings);
    return ::cfgetospeed(&settings);
  }

  test::TempDir dir_;
  std::filesystem::path settings_;
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

TEST_F(SerialTest, PortNumbersNameTheMappedDevice) {
  EXPECT_EQ(DevicePathForPort(settings_, 1), slavePath_);
  EXPECT_EQ(DevicePathForPort(settings_, 0), "");
  EXPECT_EQ(DevicePathForPort(settings_, 256), "");
  const std::vector<std::string> present = SerialDevicesPresent();
  EXPECT_EQ(DevicePathForPort(settings_, 3), present.size() >= 3 ? present[2] : "");
}

TEST_F(SerialTest, OpensWithTheLinkSettingsAndClosesTheOldHandleFirst) {
  CSerial port(settings_);
  EXPECT_FALSE(port.IsOpen());
  port.Close();  // closing a closed port does nothing
  ASSERT_TRUE(port.Open(1));
  EXPECT_EQ(port.DevicePath(), slavePath_);
  EXPECT_EQ(SlaveSpeed(), B9600);
  port.SetBaudRate(CSerial::kFastBaud);
  EXPECT_EQ(SlaveSpeed(), B38400);

  // The port is exclusive: a second holder is refused while the first is open...
  CSerial other(settings_);
  EXPECT_FALSE(other.Open(1));
  EXPECT_EQ(other.LastError(), EBUSY);
  // ...so opening again succeeds only because the old handle is closed first; the
  // new handle starts at the link speed again.
  ASSERT_TRUE(port.Open(1));
  EXPECT_EQ(SlaveSpeed(), B9600);

  EXPECT_FALSE(port.Open(2));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.Open(9));  // not mapped and not present
  EXPECT_TRUE(other.Open(1));
}

// Protocol bytes must never go into a file: only a character device opens, also when a
// symbolic link names it (as /dev/serial/by-id/... does).
TEST_F(SerialTest, OnlyACharacterDeviceOpens) {
  const std::filesystem::path file = dir_.Write("victim.vxp", "data");
  const std::filesystem::path link = dir_ / "by-id-link";
  std::filesystem::create_symlink(slavePath_, link);
  const std::filesystem::path linkToFile = dir_ / "file-link";
  std::filesystem::create_symlink(file, linkToFile);
  const struct {
    std::filesystem::path path;
    bool opens;
    int error;
  } cases[] = {
      {slavePath_, true, 0},
      {link, true, 0},
      {file, false, CSerial::kNotADevice},
      {linkToFile, false, CSerial::kNotADevice},
      {dir_.Path(), false, CSerial::kNotADevice},
      {dir_ / "missing", false, ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string());
    CSerial port(settings_);
    EXPECT_EQ(port.OpenDevice(c.path.string()), c.opens);
    EXPECT_EQ(port.IsOpen(), c.opens);
    EXPECT_EQ(port.LastError(), c.error);
    if (c.opens) {
      EXPECT_EQ(port.Write(reinterpret_cast<const std::uint8_t*>("P"), 1), 1);
    }
  }
  EXPECT_EQ(test::ReadAll(file), "data");
}

TEST_F(SerialTest, ReadByteTakesWhatIsThereOrTimesOut) {
  CSerial port(settings_);
  ASSERT_TRUE(port.Open(1));
  EXPECT_EQ(port.ReadByte(0), -1);
  EXPECT_EQ(port.ReadByte(20), -1);
  Send("\x06\xFF");
  EXPECT_EQ(port.ReadByte(50), 0x06);
  EXPECT_EQ(port.ReadByte(0), 0xFF);
  EXPECT_EQ(port.ReadByte(0), -1);
  // A byte that comes while the read waits is taken.
  std::thread late([&] {
    Pause(30);
    Send("M");
  });
  EXPECT_EQ(port.ReadByte(2000), 'M');
  late.join();
}

TEST_F(SerialTest, ReadBlockCollectsWithinItsWindow) {
  CSerial port(settings_);
  ASSERT_TRUE(port.Open(1));
  std::uint8_t buffer[12] = {};
  Send("1234567");
  EXPECT_EQ(port.ReadBlock(buffer, sizeof buffer), 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 7), "1234567");

  std::thread pieces([&] {
    Send("abcde");
    Pause(50);
    Send("fghijkl");
  });
  EXPECT_EQ(port.ReadBlock(buffer, sizeof buffer), 12);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 12), "abcdefghijkl");
  pieces.join();
}

TEST_F(SerialTest, WritesReachTheFarEnd) {
  CSerial port(settings_);
  ASSERT_TRUE(port.Open(1));
  const std::uint8_t frame[] = {0x52, 0x00, 0x08, 0x08};
  EXPECT_EQ(port.Write(frame, sizeof frame), 4);
  EXPECT_EQ(port.WriteByte(0x06), 1);
  std::uint8_t received[5] = {};
  for (std::size_t got = 0; got < sizeof received;) {
    const ssize_t more = ::read(master_, received + got, sizeof received - got);
    ASSERT_GT(more, 0);
    got += static_cast<std::size_t>(more);
  }
  EXPECT_EQ(test::HexText(received), "52 00 08 08 06");
}

TEST_F(SerialTest, AHungUpLineEndsReadsInsteadOfWaiting) {
  CSerial port(settings_);
  ASSERT_TRUE(port.Open(1));
  ::close(master_);
  master_ = -1;
  std::uint8_t buffer[8];
  EXPECT_EQ(port.ReadByte(60000), -1);
  EXPECT_EQ(port.ReadBlock(buffer, sizeof buffer), 0);
}

}  // namespace
