// The port survey on a fake system tree, and the port walls met for real on pseudo-terminals.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "link/port_survey.h"
#include "link/serial.h"
#include "tests/unit/fake_system.h"
#include "tests/unit/test_support.h"

namespace {

using namespace port_survey;
namespace fs = std::filesystem;

const test::FakeCable kCh340{"ttyUSB0", "1-1", "1a86", "7523", "ch341", "usb-1a86_USB_Serial-if00-port0", "", "USB Serial", ""};
const test::FakeCable kFtdi{"ttyUSB10", "1-2", "0403", "6001", "ftdi_sio", "usb-FTDI_FT232R_USB_UART_A10K1XYZ-if00-port0",
                            "FTDI", "FT232R USB UART", "A10K1XYZ"};
const test::FakeCable kCp210x{"ttyUSB2", "1-3", "10c4", "ea60", "cp210x", "", "Silicon Labs", "CP2102 USB to UART", "0001"};
const test::FakeCable kAcm{"ttyACM0", "1-4", "2e8a", "000a", "cdc_acm", "usb-Raspberry_Pi_Pico_E66-if00", "Raspberry Pi", "Pico", "E66"};

TEST(PortSurveyTest, UsbCablesComeFromSysfsWithTheirStableNames) {
  test::FakeSystem system;
  for (const auto& cable : {kCh340, kFtdi, kCp210x, kAcm}) system.AddCable(cable);
  // Not USB cables: an on-board port, a virtual terminal, a cable whose node is not (yet) in /dev.
  system.Put("/sys/devices/platform/serial8250/tty/ttyS0/dev", "4:64\n");
  system.Link("/sys/class/tty/ttyS0/device", system.Path() / "sys/devices/platform/serial8250");
  system.Put("/dev/ttyS0");
  system.Put("/sys/class/tty/tty1/dev", "4:1\n");
  system.AddCable({"ttyUSB5", "1-5", "067b", "2303", "pl2303", "", "", "", ""});
  fs::remove(system.Path() / "dev/ttyUSB5");

  const std::vector<UsbCable> cables = UsbCables(system.Path());
  ASSERT_EQ(cables.size(), 4u);
  std::vector<std::string> nodes;
  for (const UsbCable& cable : cables) nodes.push_back(cable.deviceNode);
  EXPECT_EQ(nodes, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyUSB10"}));

  const UsbCable& ftdi = cables[3];
  EXPECT_EQ(ftdi.byIdPath, "/dev/serial/by-id/" + kFtdi.byIdName);
  EXPECT_EQ(ftdi.vendorId, "0403");
  EXPECT_EQ(ftdi.productId, "6001");
  EXPECT_EQ(ftdi.manufacturer, "FTDI");
  EXPECT_EQ(ftdi.product, "FT232R USB UART");
  EXPECT_EQ(ftdi.serialNumber, "A10K1XYZ");
  EXPECT_EQ(ftdi.driver, "ftdi_sio");
  EXPECT_EQ(cables[0].driver, "cdc_acm");
  EXPECT_EQ(cables[0].byIdPath, "/dev/serial/by-id/" + kAcm.byIdName);
  EXPECT_EQ(cables[1].manufacturer, "");  // absent in sysfs
  EXPECT_EQ(cables[2].byIdPath, "");      // no by-id link

  EXPECT_TRUE(UsbCables(system / "nothing-here").empty());
}

TEST(PortSurveyTest, StringsFromTheSystemAreShownWithoutControlBytes) {
  // The cable list is tab-separated and the names go into messages: a tab, an escape or a
  // line break inside a name would cut or colour them.
  test::FakeSystem system;
  system.AddCable({"ttyUSB0", "1-1", "1a86", "7523", "ch341\tuart", "", "Maker\x1b[31m", "USB\tSerial \r", ""});
  system.AddProcess(4242, "modem\nmanager");
  const std::vector<UsbCable> cables = UsbCables(system.Path());
  ASSERT_EQ(cables.size(), 1u);
  EXPECT_EQ(cables[0].driver, "ch341?uart");
  EXPECT_EQ(cables[0].manufacturer, "Maker?[31m");
  EXPECT_EQ(cables[0].product, "USB?Serial");
  const std::vector<Process> processes = RunningProcesses(system.Path());
  ASSERT_EQ(processes.size(), 1u);
  EXPECT_EQ(processes[0].program, "modem?manager");
}

TEST(PortSurveyTest, ProgrammingCablesWithoutAPortAreFound) {
  test::FakeSystem system;
  system.AddCable(kCh340);                        // has its port
  system.AddUsbDevice("1-7", "1A86", "7523");     // a CH340 some service took
  system.AddUsbDevice("1-8", "046d", "c52b");     // a mouse receiver: no port expected
  const std::vector<CableWithoutPort> found = CablesWithoutPort(system.Path());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].usbPath, "1-7");
  EXPECT_EQ(found[0].product, "USB Serial");
}

TEST(PortSurveyTest, AccountFilesParseWhateverTheyHold) {
  const std::string groups =
      "root:x:0:\n"
      "# a comment\n"
      "dialout:x:20:ann,,bob\r\n"
      "broken:x:notanumber:ann\n"
      "huge:x:99999999999999999999:ann\n"
      ":x:7:ann\n"
      "short:x\n"
      "uucp:x:14:ann\n"
      "\x01\xff:\x80:3\n";
  const std::vector<GroupEntry> parsed = ParseGroupFile(groups);
  ASSERT_EQ(parsed.size(), 4u);
  EXPECT_EQ(parsed[1].name, "dialout");
  EXPECT_EQ(parsed[1].gid, 20u);
  EXPECT_EQ(parsed[1].members, (std::vector<std::string>{"ann", "bob"}));
  EXPECT_EQ(parsed[2].members, std::vector<std::string>{"ann"});
  EXPECT_TRUE(parsed[0].members.empty());

  const std::vector<PasswdEntry> users = ParsePasswdFile("ann:x:1000:1000::/home/ann:/bin/bash\nbad:x:1:\nno:x\n");
  ASSERT_EQ(users.size(), 1u);
  EXPECT_EQ(users[0].uid, 1000u);
  EXPECT_EQ(users[0].gid, 1000u);
}

TEST(PortSurveyTest, GroupMembershipByFileAndByLogin) {
  test::FakeSystem system;
  system.Put("/etc/group", "dialout:x:20:ann\nuucp:x:14:\nann:x:1000:\nplugdev:x:46:bob\n");
  system.Put("/etc/passwd", "ann:x:1000:1000::/home/ann:/bin/bash\n");
  const Identity ann{"ann", 1000, {1000, 46}};
  struct Case {
    gid_t gid;
    std::string name;
    bool inFile, inLogin;
  };
  for (const Case& c : std::vector<Case>{{20, "dialout", true, false},
                                         {14, "uucp", false, false},
                                         {1000, "ann", true, true},  // the primary group
                                         {46, "plugdev", false, true},
                                         {4242, "4242", false, false}}) {
    SCOPED_TRACE(c.name);
    const GroupMembership membership = MembershipOf(system.Path(), ann, c.gid);
    EXPECT_EQ(membership.groupName, c.name);
    EXPECT_EQ(membership.inGroupFile, c.inFile);
    EXPECT_EQ(membership.inLogin, c.inLogin);
  }
  std::vector<std::string> listed;
  for (const GroupMembership& m : Memberships(system.Path(), ann)) listed.push_back(m.groupName);
  EXPECT_EQ(listed, (std::vector<std::string>{"dialout", "plugdev", "ann"}));
}

TEST(PortSurveyTest, TheUdevRuleIsFoundWhereverUdevReadsRules) {
  for (const std::string dir : {"/etc/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"}) {
    test::FakeSystem system;
    system.Put(dir + "/60-corvane.rules", "");
    EXPECT_EQ(InstalledUdevRule(system.Path()), dir + "/60-corvane.rules");
  }
  test::FakeSystem bare;
  bare.Put("/etc/udev/rules.d/99-other.rules", "");
  EXPECT_EQ(InstalledUdevRule(bare.Path()), "");
}

TEST(PortSurveyTest, HoldersAreFoundThroughTheirDescriptorsButNeverThisProcess) {
  test::FakeSystem system;
  system.AddCable(kCh340);
  system.AddProcess(40, "minicom", {"/dev/pts/1", "/dev/ttyUSB0"});
  system.AddProcess(41, "bash", {"/dev/pts/1"});
  system.AddProcess(42, "corvane", {"/dev/ttyUSB0"});
  system.Put("/proc/43/status");  // no comm: a process that ended meanwhile
  system.Put("/proc/self/comm", "self\n");
  const std::vector<Process> holders =
      DeviceHolders(system.Path(), "/dev/serial/by-id/" + kCh340.byIdName, /*self=*/42);
  ASSERT_EQ(holders.size(), 1u);
  EXPECT_EQ(holders[0].pid, 40);
  EXPECT_EQ(holders[0].program, "minicom");
  EXPECT_TRUE(ProgramRunning(system.Path(), "bash"));
  EXPECT_FALSE(ProgramRunning(system.Path(), "brltty"));
}

// Each wall on the fake tree: what is diagnosed, and what the message names.
TEST(PortSurveyTest, EveryWallIsNamedWithWhatToDo) {
  test::ProgramDir home;
  const AppFiles files = home.Files();
  const Identity ann{"ann", 1000, {1000}};
  struct Case {
    std::string name;
    std::function<void(const test::FakeSystem&)> setUp;
    std::string device;
    int openError;
    PortWall wall;
    std::vector<std::string> named;  // texts the message must hold
  };
  auto deviceOf = [](mode_t mode, gid_t gid) {
    return [mode, gid](const test::FakeSystem& system) {
      system.Put("/etc/group", "dialout:x:20:ann\nuucp:x:14:bob\n");
      system.Put("/etc/passwd", "ann:x:1000:1000::/home/ann:/bin/sh\n");
      const fs::path node = system.Put("/dev/ttyUSB0");
      ASSERT_EQ(::chown(node.c_str(), 0, gid), 0);
      ASSERT_EQ(::chmod(node.c_str(), mode), 0);
    };
  };
  const std::vector<Case> cases = {
      {"no cable", [](const test::FakeSystem&) {}, "/dev/ttyUSB0", ENOENT, PortWall::NoCable, {"/dev/ttyUSB0"}},
      {"another cable", [](const test::FakeSystem& s) { s.AddCable(kFtdi); }, "/dev/ttyUSB0", ENOENT, PortWall::Absent,
       {"/dev/ttyUSB0", "/dev/ttyUSB10", "0403:6001"}},
      {"cable taken by brltty",
       [](const test::FakeSystem& s) {
         s.AddUsbDevice("1-1", "1a86", "7523");
         s.AddProcess(300, "brltty");
       },
       "/dev/ttyUSB0", ENOENT, PortWall::TakenByBrltty,
       {"/dev/ttyUSB0", "1a86:7523", "sudo systemctl mask brltty-udev.service brltty.service"}},
      {"cable without port, no brltty", [](const test::FakeSystem& s) { s.AddUsbDevice("1-1", "1a86", "7523"); },
       "/dev/ttyUSB0", ENOENT, PortWall::NoCable, {"/dev/ttyUSB0"}},
      {"not a device", [](const test::FakeSystem&) {}, "/home/ann/file", CSerial::kNotADevice, PortWall::NotSerial,
       {"/home/ann/file"}},
      {"group joined after login", deviceOf(0660, 20), "/dev/ttyUSB0", EACCES, PortWall::DeniedRelogin,
       {"/dev/ttyUSB0", "dialout", "0660"}},
      {"not in the group", deviceOf(0660, 14), "/dev/ttyUSB0", EACCES, PortWall::DeniedJoin,
       {"uucp", "0660", "sudo usermod -aG uucp ann", "udev"}},
      {"group without access", deviceOf(0600, 20), "/dev/ttyUSB0", EACCES, PortWall::DeniedMode,
       {"dialout", "0600", "udev"}},
      {"held by a program",
       [](const test::FakeSystem& s) {
         s.AddCable(kCh340);
         s.AddProcess(512, "cu %2", {"/dev/ttyUSB0"});  // a name is never read as a placeholder
       },
       "/dev/ttyUSB0", EBUSY, PortWall::HeldBy, {"/dev/ttyUSB0", "cu %2", "512"}},
      {"held by ModemManager",
       [](const test::FakeSystem& s) {
         s.AddCable(kCh340);
         s.AddProcess(77, "ModemManager", {"/dev/ttyUSB0"});
       },
       "/dev/serial/by-id/" + kCh340.byIdName, EBUSY, PortWall::HeldByModemManager, {"ModemManager", "77", "udev"}},
      {"held, holder unseen", [](const test::FakeSystem& s) { s.AddCable(kCh340); }, "/dev/ttyUSB0", EBUSY,
       PortWall::HeldByUnknown, {"/dev/ttyUSB0"}},
      {"anything else", [](const test::FakeSystem&) {}, "/dev/ttyUSB0", EIO, PortWall::Other,
       {files.GetText("IDS_ERROR_PORTOPEN"), "/dev/ttyUSB0", std::strerror(EIO)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeSystem system;
    c.setUp(system);
    const SystemView view{system.Path(), ann, 1};
    EXPECT_EQ(DiagnosePort(view, c.device, c.openError).wall, c.wall);
    const std::string text = PortProblemText(files, view, c.device, c.openError);
    for (const std::string& part : c.named) EXPECT_NE(text.find(part), std::string::npos) << part << " not in: " << text;
    for (const char* placeholder : {"%1", "%3", "%4"}) EXPECT_EQ(text.find(placeholder), std::string::npos) << text;
  }
}

// A pseudo-terminal slave that this process does not keep open.
class PtyDevice {
 public:
  PtyDevice() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) path_ = ::ptsname(master_);
  }
  ~PtyDevice() {
    if (master_ >= 0) ::close(master_);
  }
  const std::string& Path() const { return path_; }

 private:
  int master_ = -1;
  std::string path_;
};

// Runs body in a child process (as an ordinary user when this one is root) and returns
// what it wrote to its pipe.
std::string InChild(bool asOrdinaryUser, const std::function<std::string()>& body) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    std::string answer;
    if (asOrdinaryUser && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      answer = "could not drop privileges";
    else
      answer = body();
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], answer.data(), answer.size());
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<std::size_t>(got));
  ::close(pipeEnds[0]);
  ::waitpid(child, nullptr, 0);
  return answer;
}

TEST(PortWallsOnPtyTest, ADeviceThisUserMayNotOpenNamesItsGroupAndMode) {
  PtyDevice pty;
  ASSERT_FALSE(pty.Path().empty());
  ASSERT_EQ(::chmod(pty.Path().c_str(), 0), 0);
  struct stat info{};
  ASSERT_EQ(::stat(pty.Path().c_str(), &info), 0);
  const group* owner = ::getgrgid(info.st_gid);
  const std::string groupName = owner ? owner->gr_name : std::to_string(info.st_gid);

  test::ProgramDir home;
  fs::permissions(home.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                                   fs::perms::group_read | fs::perms::others_read);
  const AppFiles files = home.Files();
  const std::string text = InChild(true, [&] {
    CSerial port;
    if (port.OpenDevice(pty.Path())) return std::string("opened");
    if (port.LastError() != EACCES) return std::string("error ") + std::strerror(port.LastError());
    return PortProblemText(files, pty.Path(), port.LastError());
  });
  EXPECT_NE(text.find(pty.Path()), std::string::npos) << text;
  EXPECT_NE(text.find("group " + groupName + ", mode 0000"), std::string::npos) << text;
}

class HeldPtyTest : public ::testing::Test {
 protected:
  // A child process named "radio-holder" opens the device with CSerial and keeps it until
  // the test ends.
  void HoldInChild(const std::string& device) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release_), 0);
    holder_ = ::fork();
    if (holder_ == 0) {
      ::close(ready[0]);
      ::close(release_[1]);
      ::prctl(PR_SET_NAME, "radio-holder");
      CSerial port;
      const char opened = port.OpenDevice(device) ? '1' : '0';
      [[maybe_unused]] const ssize_t written = ::write(ready[1], &opened, 1);
      char ignored;
      [[maybe_unused]] const ssize_t got = ::read(release_[0], &ignored, 1);  // until the parent lets go
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release_[0]);
    char opened = 0;
    ASSERT_EQ(::read(ready[0], &opened, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(opened, '1');
  }
  void TearDown() override {
    if (holder_ <= 0) return;
    ::close(release_[1]);
    ::waitpid(holder_, nullptr, 0);
  }

  pid_t holder_ = -1;
  int release_[2] = {-1, -1};
};

TEST_F(HeldPtyTest, ASecondOpenIsRefusedAndNamesTheHolder) {
  PtyDevice pty;
  ASSERT_FALSE(pty.Path().empty());
  HoldInChild(pty.Path());
  test::ProgramDir home;
  CSerial second;
  ASSERT_FALSE(second.OpenDevice(pty.Path()));
  EXPECT_EQ(second.LastError(), EBUSY);
  const std::string text = PortProblemText(home.Files(), pty.Path(), second.LastError());
  EXPECT_NE(text.find("radio-holder (" ), std::string::npos) << text;
  EXPECT_NE(text.find(std::to_string(holder_)), std::string::npos) << text;
}

TEST_F(HeldPtyTest, AProgramThatTakesNoLockIsKeptOutToo) {
  PtyDevice pty;
  ASSERT_FALSE(pty.Path().empty());
  ASSERT_EQ(::chmod(pty.Path().c_str(), 0666), 0);
  HoldInChild(pty.Path());
  // A plain open, as a terminal program does it; root may pass an exclusive terminal.
  const std::string result = InChild(true, [&] {
    const int fd = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) return std::string("opened");
    return std::string(errno == EBUSY ? "busy" : std::strerror(errno));
  });
  EXPECT_EQ(result, "busy");
}

TEST(PortWallsOnPtyTest, APortClosedAgainIsFreeForTheNextProgram) {
  PtyDevice pty;  // its master stays open, as a simulated radio's does
  ASSERT_FALSE(pty.Path().empty());
  ASSERT_EQ(::chmod(pty.Path().c_str(), 0666), 0);
  {
    CSerial port;
    ASSERT_TRUE(port.OpenDevice(pty.Path()));
  }
  const std::string result = InChild(true, [&] {
    const int fd = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::string(std::strerror(errno));
    ::close(fd);
    return std::string("opened");
  });
  EXPECT_EQ(result, "opened");
}

}  // namespace
