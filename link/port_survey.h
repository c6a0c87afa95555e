#pragma once
// What the running system says about serial ports: the USB serial cables plugged in, who
// holds a device, the user's groups, the services that take cables away, whether Corvane's
// udev rule is installed; and from all that, why a port cannot be used and what to do.
//
// Every lookup reads below a root directory: "/" in the program, a small fake tree in
// tests. A file the system names /sys/x is read as root/sys/x. Paths handed out (device
// nodes, by-id names) are always the system's own, never with the root in front.
// Unreadable entries are skipped: a survey never fails, it only finds less.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial.h"
#include "settings/app_files.h"

namespace port_survey {

struct UsbCable {
  std::string deviceNode;    // "/dev/ttyUSB0" (as the running system names it, never with the root prefix)
  std::string byIdPath;      // "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0"; empty when none
  std::string vendorId;      // "1a86"
  std::string productId;     // "7523"
  std::string manufacturer, product, serialNumber;  // sysfs strings; empty when absent
  std::string driver;        // "ch341", "pl2303", "cp210x", "ftdi_sio", "cdc_acm", ...
};

// The USB serial cables present, ordered by device node (ttyACM*, ttyUSB*, numeric within each).
// root is "/" in the program and a fake tree in tests; every file read is root / <absolute path>.
std::vector<UsbCable> UsbCables(const std::filesystem::path& root = "/");

// The text handling of the readers below, each a function over what was read.
// A one-line sysfs or /proc attribute (a USB string, /proc/PID/comm) as it is shown: without
// its line end and trailing blanks, control bytes as '?' (these strings end up in messages
// and tab-separated listings).
std::string AttributeText(std::string read);
// The last component of a symbolic link's target ("../../bus/usb-serial/drivers/ch341-uart":
// "ch341-uart"), shown as an attribute is.
std::string LinkTargetName(std::string_view target);
// The process id an entry of /proc names; nullopt for the entries that are no process.
std::optional<pid_t> ProcessId(std::string_view entryName);

// The file the system calls `systemPath` ("/dev/ttyUSB0"), below root.
std::filesystem::path BelowRoot(const std::filesystem::path& root, const std::filesystem::path& systemPath);

// The usual programming-cable chips (vendor and product id). The udev rule
// packaging/60-corvane.rules names the same chips: change both together.
bool IsProgrammingCableChip(std::string_view vendorId, std::string_view productId);

// A USB device of a programming-cable chip that has no serial device: some service (the
// braille display service brltty) has claimed it, or its driver is missing.
struct CableWithoutPort {
  std::string usbPath;  // "1-1", the device's name on the USB bus
  std::string vendorId, productId, product;
};
std::vector<CableWithoutPort> CablesWithoutPort(const std::filesystem::path& root);

// A process and its program name (/proc/PID/comm).
struct Process {
  pid_t pid = 0;
  std::string program;
};
// The running processes (the numeric entries of /proc).
std::vector<Process> RunningProcesses(const std::filesystem::path& root);
bool ProgramRunning(const std::filesystem::path& root, std::string_view program);
// The processes other than `self` with a descriptor open on the device (found through the
// /proc/PID/fd links). systemDevice is the device as the system names it ("/dev/ttyUSB0");
// links such as /dev/serial/by-id/... are followed first.
std::vector<Process> DeviceHolders(const std::filesystem::path& root, const std::string& systemDevice, pid_t self);

// One line of /etc/group.
struct GroupEntry {
  std::string name;
  gid_t gid = 0;
  std::vector<std::string> members;
};
std::vector<GroupEntry> ParseGroupFile(std::string_view text);
// One line of /etc/passwd (the fields the group check needs).
struct PasswdEntry {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;  // the primary group
};
std::vector<PasswdEntry> ParsePasswdFile(std::string_view text);

// Who is asking: the user and the groups of this login.
struct Identity {
  std::string userName;
  uid_t uid = 0;
  std::vector<gid_t> loginGroups;  // the effective group and the supplementary groups
  // The user of the running process.
  static Identity OfThisProcess();
};

// Whether the user belongs to group gid: by /etc/group (a member list, or the primary group
// in /etc/passwd), and in this login.
struct GroupMembership {
  std::string groupName;  // the number when /etc/group does not name it
  bool inGroupFile = false;
  bool inLogin = false;
};
GroupMembership MembershipOf(const std::filesystem::path& root, const Identity& who, gid_t gid);
// Every group the user belongs to, by the group files and by this login.
std::vector<GroupMembership> Memberships(const std::filesystem::path& root, const Identity& who);

// Where Corvane's udev rule is installed; empty when it is not.
std::string InstalledUdevRule(const std::filesystem::path& root);

// The wall a port met, with what the message needs to name.
enum class PortWall {
  NoCable,           // the device does not exist and no USB serial cable is plugged in
  Absent,            // the device does not exist; other cables are plugged in
  TakenByBrltty,     // a programming cable is plugged in without a device while brltty runs
  NotSerial,         // the path is a regular file or a directory
  DeniedRelogin,     // in the device's group by /etc/group, but not in this login
  DeniedJoin,        // not in the device's group at all
  DeniedMode,        // the device's mode gives its group no access
  HeldBy,            // another program holds the device
  HeldByModemManager,
  HeldByUnknown,     // held, but the holder cannot be seen (another user's process)
  Other,             // any other failure: the system's own words
};
struct PortDiagnosis {
  PortWall wall = PortWall::Other;
  std::string device;      // the path that failed
  int openError = 0;
  std::string group;       // permission walls
  std::string mode;        // "0660"
  std::string userName;
  Process holder;          // held walls
  std::vector<UsbCable> cables;        // Absent: the cables present
  std::optional<CableWithoutPort> takenCable;  // TakenByBrltty
};

// The running system as one user sees it.
struct SystemView {
  std::filesystem::path root = "/";
  Identity user;
  pid_t self = 0;  // this process, never a holder of interest
  static SystemView OfThisProcess();
};

// Why the device cannot be used: an open that failed with errno openError (EBUSY: another
// holder; ENOTTY: not a character device).
PortDiagnosis DiagnosePort(const SystemView& system, const std::string& devicePath, int openError);
// What the braille display service did to a cable, and how to stop it.
std::string TakenCableText(const AppFiles& files, const CableWithoutPort& cable);
// The diagnosis as one message in the language of files.
std::string DescribePortProblem(const AppFiles& files, const PortDiagnosis& diagnosis);

// Why the device cannot be used and what to do about it, in the language of files, for an
// open that failed with errno openError (EBUSY: another holder). Looks at the running system.
std::string PortProblemText(const AppFiles& files, const std::string& devicePath, int openError);
std::string PortProblemText(const AppFiles& files, const SystemView& system, const std::string& devicePath,
                            int openError);
// The same for a failed open of a port: a port number that names no device is "COM<n>".
std::string PortProblemText(const AppFiles& files, const PortOpenFailure& failure);

}  // namespace port_survey
