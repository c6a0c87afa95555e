#include "link/port_survey.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <tuple>

#include "link/serial.h"

namespace port_survey {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSmallFileBytes = 4096;
// /etc/group and /etc/passwd of a large site stay far below this.
constexpr std::size_t kTableFileBytes = 8 << 20;

// The file's text up to maxBytes; nullopt when it cannot be read.
std::optional<std::string> ReadFile(const fs::path& path, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char chunk[4096];
  while (text.size() < maxBytes) {
    in.read(chunk, static_cast<std::streamsize>(std::min(sizeof chunk, maxBytes - text.size())));
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (!in) break;
  }
  if (in.bad()) return std::nullopt;
  return text;
}

// A one-line sysfs or /proc attribute as AttributeText gives it; nullopt when absent.
std::optional<std::string> ReadAttributeIfPresent(const fs::path& path) {
  std::optional<std::string> read = ReadFile(path, kSmallFileBytes);
  if (!read) return std::nullopt;
  return AttributeText(std::move(*read));
}

std::string ReadAttribute(const fs::path& path) { return ReadAttributeIfPresent(path).value_or(""); }

bool IsDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number value{};
  if (!IsDigits(text)) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// The lines of a colon-separated table (/etc/group, /etc/passwd), split into fields.
std::vector<std::vector<std::string_view>> TableRows(std::string_view text) {
  std::vector<std::vector<std::string_view>> rows;
  for (std::string_view line : Split(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    rows.push_back(Split(line, ':'));
  }
  return rows;
}

fs::path Canonical(const fs::path& path) {
  std::error_code error;
  fs::path resolved = fs::canonical(path, error);
  return error ? fs::path() : resolved;
}

// The system's name of a file found below root: "/dev/ttyUSB0" for root/dev/ttyUSB0. A
// file outside root (a fake tree's link to a real device) already has its system name.
std::string SystemName(const fs::path& root, const fs::path& file) {
  const fs::path base = Canonical(root);
  if (base.empty() || base == "/") return file.string();
  const fs::path relative = file.lexically_relative(base);
  if (relative.empty() || *relative.begin() == "..") return file.string();
  return (fs::path("/") / relative).string();
}

// The device a system path names, links (/dev/serial/by-id/...) followed.
std::string ResolvedDevice(const fs::path& root, const std::string& systemDevice) {
  const fs::path resolved = Canonical(BelowRoot(root, systemDevice));
  return resolved.empty() ? systemDevice : SystemName(root, resolved);
}

// ttyACM before ttyUSB, numeric within each: ttyUSB2 before ttyUSB10.
std::tuple<int, long, std::string> NodeOrder(const std::string& node) {
  const std::string name = fs::path(node).filename().string();
  int family = 0;
  for (const char* prefix : {"ttyACM", "ttyUSB"}) {
    const std::string_view p(prefix);
    if (name.starts_with(p)) {
      if (const std::optional<long> number = ParseNumber<long>(std::string_view(name).substr(p.size())))
        return {family, *number, name};
    }
    ++family;
  }
  return {family, 0, name};
}

// The USB device directory above a tty's device directory, and the interface just below it.
struct UsbAncestry {
  fs::path device, interface;
};
std::optional<UsbAncestry> FindUsbAncestry(const fs::path& start, const fs::path& sysRoot) {
  fs::path child = start;
  fs::path current = start;
  for (int depth = 0; depth < 8 && current.has_relative_path(); ++depth) {
    std::error_code error;
    if (fs::exists(current / "idVendor", error)) return UsbAncestry{current, child};
    if (current == sysRoot) break;
    child = current;
    current = current.parent_path();
  }
  return std::nullopt;
}

std::string LinkName(const fs::path& link) {
  std::error_code error;
  const fs::path target = fs::read_symlink(link, error);
  return error ? std::string() : LinkTargetName(target.native());
}

std::vector<fs::path> DirectoryEntries(const fs::path& directory) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
    entries.push_back(it->path());
  std::sort(entries.begin(), entries.end());
  return entries;
}

// A tty anywhere below a USB device directory (usb-serial: <if>/ttyUSB0; cdc_acm: <if>/tty/ttyACM0).
bool HasTtyBelow(const fs::path& usbDevice) {
  std::error_code error;
  fs::recursive_directory_iterator it(usbDevice, fs::directory_options::skip_permission_denied, error);
  for (fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
    if (it->path().filename().string().starts_with("tty")) return true;
    if (it.depth() >= 3) it.disable_recursion_pending();
  }
  return false;
}

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// The text with %1..%9 replaced by values, in one pass: a value is never read as a placeholder.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const auto index = static_cast<std::size_t>(text[i + 1] - '1');
      if (index < values.size()) {
        out += *(values.begin() + index);
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string DescribeCable(std::string_view vendorId, std::string_view productId, std::string_view product) {
  std::string text = std::string(vendorId) + ":" + std::string(productId);
  if (!product.empty()) text += " " + std::string(product);
  return text;
}

}  // namespace

std::string AttributeText(std::string read) {
  while (!read.empty() && (read.back() == '\n' || read.back() == '\r' || read.back() == ' ')) read.pop_back();
  for (char& c : read)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return read;
}

std::string LinkTargetName(std::string_view target) {
  const std::size_t slash = target.rfind('/');
  return AttributeText(std::string(slash == std::string_view::npos ? target : target.substr(slash + 1)));
}

std::optional<pid_t> ProcessId(std::string_view entryName) { return ParseNumber<pid_t>(entryName); }

fs::path BelowRoot(const fs::path& root, const fs::path& systemPath) {
  return root / systemPath.relative_path();
}

bool IsProgrammingCableChip(std::string_view vendorId, std::string_view productId) {
  // Keep in step with packaging/60-corvane.rules.
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kChips{{
      {"1a86", "7523"},  // WCH CH340/CH341
      {"1a86", "5523"},  // WCH CH341
      {"067b", "2303"},  // Prolific PL2303
      {"10c4", "ea60"},  // Silicon Labs CP210x
      {"0403", "6001"},  // FTDI FT232R
      {"0403", "6015"},  // FTDI FT231X
  }};
  auto lower = [](std::string_view id) {
    std::string text(id);
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
  };
  const std::string vendor = lower(vendorId), product = lower(productId);
  return std::any_of(kChips.begin(), kChips.end(), [&](const auto& chip) { return chip.first == vendor && chip.second == product; });
}

std::vector<UsbCable> UsbCables(const fs::path& root) {
  const fs::path sysRoot = Canonical(BelowRoot(root, "/sys"));
  std::vector<std::pair<fs::path, std::string>> byId;  // resolved device, link name
  for (const fs::path& link : DirectoryEntries(BelowRoot(root, "/dev/serial/by-id")))
    if (const fs::path device = Canonical(link); !device.empty())
      byId.emplace_back(device, "/dev/serial/by-id/" + link.filename().string());

  std::vector<UsbCable> cables;
  for (const fs::path& tty : DirectoryEntries(BelowRoot(root, "/sys/class/tty"))) {
    const fs::path deviceDir = Canonical(tty / "device");
    if (deviceDir.empty()) continue;  // virtual terminals have no device
    const std::optional<UsbAncestry> usb = FindUsbAncestry(deviceDir, sysRoot);
    if (!usb) continue;  // not on USB (ttyS*, Bluetooth, ...)
    const std::string node = "/dev/" + tty.filename().string();
    const fs::path nodeFile = BelowRoot(root, node);
    std::error_code error;
    if (!fs::exists(nodeFile, error)) continue;  // not yet (or no longer) in /dev

    UsbCable cable;
    cable.deviceNode = node;
    const fs::path resolvedNode = Canonical(nodeFile);
    for (const auto& [device, name] : byId)
      if (device == resolvedNode) {
        cable.byIdPath = name;
        break;
      }
    cable.vendorId = ReadAttribute(usb->device / "idVendor");
    cable.productId = ReadAttribute(usb->device / "idProduct");
    cable.manufacturer = ReadAttribute(usb->device / "manufacturer");
    cable.product = ReadAttribute(usb->device / "product");
    cable.serialNumber = ReadAttribute(usb->device / "serial");
    cable.driver = LinkName(usb->interface / "driver");
    if (cable.driver.empty()) cable.driver = LinkName(deviceDir / "driver");
    cables.push_back(std::move(cable));
  }
  std::sort(cables.begin(), cables.end(),
            [](const UsbCable& a, const UsbCable& b) { return NodeOrder(a.deviceNode) < NodeOrder(b.deviceNode); });
  return cables;
}

std::vector<CableWithoutPort> CablesWithoutPort(const fs::path& root) {
  std::vector<CableWithoutPort> found;
  for (const fs::path& entry : DirectoryEntries(BelowRoot(root, "/sys/bus/usb/devices"))) {
    const fs::path device = Canonical(entry);
    if (device.empty()) continue;
    CableWithoutPort cable;
    cable.vendorId = ReadAttribute(device / "idVendor");
    cable.productId = ReadAttribute(device / "idProduct");
    if (!IsProgrammingCableChip(cable.vendorId, cable.productId) || HasTtyBelow(device)) continue;
    cable.usbPath = entry.filename().string();
    cable.product = ReadAttribute(device / "product");
    found.push_back(std::move(cable));
  }
  return found;
}

std::vector<Process> RunningProcesses(const fs::path& root) {
  std::vector<Process> processes;
  for (const fs::path& entry : DirectoryEntries(BelowRoot(root, "/proc"))) {
    const std::optional<pid_t> pid = ProcessId(entry.filename().native());
    if (!pid) continue;
    std::optional<std::string> program = ReadAttributeIfPresent(entry / "comm");
    if (!program) continue;  // gone meanwhile
    processes.push_back({*pid, std::move(*program)});
  }
  std::sort(processes.begin(), processes.end(), [](const Process& a, const Process& b) { return a.pid < b.pid; });
  return processes;
}

bool ProgramRunning(const fs::path& root, std::string_view program) {
  const std::vector<Process> processes = RunningProcesses(root);
  return std::any_of(processes.begin(), processes.end(), [&](const Process& p) { return p.program == program; });
}

std::vector<Process> DeviceHolders(const fs::path& root, const std::string& systemDevice, pid_t self) {
  const std::string device = ResolvedDevice(root, systemDevice);
  std::vector<Process> holders;
  for (const Process& process : RunningProcesses(root)) {
    if (process.pid == self) continue;
    const fs::path fdDir = BelowRoot(root, "/proc/" + std::to_string(process.pid) + "/fd");
    for (const fs::path& fd : DirectoryEntries(fdDir)) {
      std::error_code error;
      const fs::path target = fs::read_symlink(fd, error);
      if (!error && (target == device || target == systemDevice)) {
        holders.push_back(process);
        break;
      }
    }
  }
  return holders;
}

std::vector<GroupEntry> ParseGroupFile(std::string_view text) {
  std::vector<GroupEntry> groups;
  for (const auto& fields : TableRows(text)) {
    if (fields.size() < 3 || fields[0].empty()) continue;
    const std::optional<gid_t> gid = ParseNumber<gid_t>(fields[2]);
    if (!gid) continue;
    GroupEntry group{std::string(fields[0]), *gid, {}};
    if (fields.size() > 3)
      for (std::string_view member : Split(fields[3], ','))
        if (!member.empty()) group.members.emplace_back(member);
    groups.push_back(std::move(group));
  }
  return groups;
}

std::vector<PasswdEntry> ParsePasswdFile(std::string_view text) {
  std::vector<PasswdEntry> users;
  for (const auto& fields : TableRows(text)) {
    if (fields.size() < 4 || fields[0].empty()) continue;
    const std::optional<uid_t> uid = ParseNumber<uid_t>(fields[2]);
    const std::optional<gid_t> gid = ParseNumber<gid_t>(fields[3]);
    if (uid && gid) users.push_back({std::string(fields[0]), *uid, *gid});
  }
  return users;
}

Identity Identity::OfThisProcess() {
  Identity who;
  who.uid = ::geteuid();
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(who.uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) who.userName = found->pw_name;
  if (who.userName.empty()) who.userName = std::to_string(who.uid);
  who.loginGroups.push_back(::getegid());
  const int count = ::getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    if (got > 0) who.loginGroups.insert(who.loginGroups.end(), groups.begin(), groups.begin() + got);
  }
  return who;
}

namespace {

struct AccountFiles {
  std::vector<GroupEntry> groups;
  std::vector<PasswdEntry> users;
};

AccountFiles ReadAccountFiles(const fs::path& root) {
  return {ParseGroupFile(ReadFile(BelowRoot(root, "/etc/group"), kTableFileBytes).value_or("")),
          ParsePasswdFile(ReadFile(BelowRoot(root, "/etc/passwd"), kTableFileBytes).value_or(""))};
}

GroupMembership MembershipIn(const AccountFiles& files, const Identity& who, gid_t gid) {
  GroupMembership membership;
  membership.groupName = std::to_string(gid);
  for (const GroupEntry& group : files.groups) {
    if (group.gid != gid) continue;
    membership.groupName = group.name;
    const auto& members = group.members;
    membership.inGroupFile = std::find(members.begin(), members.end(), who.userName) != members.end();
    break;
  }
  for (const PasswdEntry& user : files.users)
    if (user.name == who.userName) {
      membership.inGroupFile = membership.inGroupFile || user.gid == gid;
      break;
    }
  membership.inLogin = std::find(who.loginGroups.begin(), who.loginGroups.end(), gid) != who.loginGroups.end();
  return membership;
}

}  // namespace

GroupMembership MembershipOf(const fs::path& root, const Identity& who, gid_t gid) {
  return MembershipIn(ReadAccountFiles(root), who, gid);
}

std::vector<GroupMembership> Memberships(const fs::path& root, const Identity& who) {
  const AccountFiles files = ReadAccountFiles(root);
  std::vector<gid_t> gids;
  for (const GroupEntry& group : files.groups)
    if (std::find(group.members.begin(), group.members.end(), who.userName) != group.members.end()) gids.push_back(group.gid);
  for (const PasswdEntry& user : files.users)
    if (user.name == who.userName) gids.push_back(user.gid);
  gids.insert(gids.end(), who.loginGroups.begin(), who.loginGroups.end());
  std::sort(gids.begin(), gids.end());
  gids.erase(std::unique(gids.begin(), gids.end()), gids.end());
  std::vector<GroupMembership> memberships;
  for (gid_t gid : gids) memberships.push_back(MembershipIn(files, who, gid));
  return memberships;
}

std::string InstalledUdevRule(const fs::path& root) {
  for (const char* directory : {"/etc/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"}) {
    const std::string rule = std::string(directory) + "/60-corvane.rules";
    std::error_code error;
    if (fs::exists(BelowRoot(root, rule), error)) return rule;
  }
  return {};
}

SystemView SystemView::OfThisProcess() { return {"/", Identity::OfThisProcess(), ::getpid()}; }

PortDiagnosis DiagnosePort(const SystemView& system, const std::string& devicePath, int openError) {
  PortDiagnosis diagnosis;
  diagnosis.device = devicePath;
  diagnosis.openError = openError;
  diagnosis.userName = system.user.userName;
  switch (openError) {
    case CSerial::kNotADevice:
      diagnosis.wall = PortWall::NotSerial;
      break;
    case ENOENT:
    case ENODEV:
    case ENXIO: {
      if (ProgramRunning(system.root, "brltty")) {
        const std::vector<CableWithoutPort> taken = CablesWithoutPort(system.root);
        if (!taken.empty()) {
          diagnosis.wall = PortWall::TakenByBrltty;
          diagnosis.takenCable = taken.front();
          break;
        }
      }
      diagnosis.cables = UsbCables(system.root);
      diagnosis.wall = diagnosis.cables.empty() ? PortWall::NoCable : PortWall::Absent;
      break;
    }
    case EACCES:
    case EPERM: {
      struct stat info{};
      if (devicePath.empty() || ::stat(BelowRoot(system.root, devicePath).c_str(), &info) != 0) break;
      const GroupMembership membership = MembershipOf(system.root, system.user, info.st_gid);
      diagnosis.group = membership.groupName;
      diagnosis.mode = Octal(info.st_mode);
      const bool groupMayUse = (info.st_mode & S_IRGRP) && (info.st_mode & S_IWGRP);
      if (!groupMayUse) diagnosis.wall = PortWall::DeniedMode;
      else if (!membership.inGroupFile && !membership.inLogin) diagnosis.wall = PortWall::DeniedJoin;
      else if (!membership.inLogin) diagnosis.wall = PortWall::DeniedRelogin;
      break;  // in the group and still refused: the system's own words
    }
    case EBUSY: {
      const std::vector<Process> holders = DeviceHolders(system.root, devicePath, system.self);
      const auto modemManager = std::find_if(holders.begin(), holders.end(),
                                             [](const Process& p) { return p.program == "ModemManager"; });
      if (modemManager != holders.end()) {
        diagnosis.wall = PortWall::HeldByModemManager;
        diagnosis.holder = *modemManager;
      } else if (!holders.empty()) {
        diagnosis.wall = PortWall::HeldBy;
        diagnosis.holder = holders.front();
      } else {
        diagnosis.wall = PortWall::HeldByUnknown;
      }
      break;
    }
    default:
      break;
  }
  return diagnosis;
}

std::string TakenCableText(const AppFiles& files, const CableWithoutPort& cable) {
  return FillIn(files.GetText("IDS_PORT_BRLTTY"), {DescribeCable(cable.vendorId, cable.productId, cable.product)});
}

std::string DescribePortProblem(const AppFiles& files, const PortDiagnosis& d) {
  const LanguageTexts texts = files.Texts();
  const std::string pid = std::to_string(d.holder.pid);
  switch (d.wall) {
    case PortWall::NoCable:
      return FillIn(texts.GetText("IDS_PORT_NOCABLE"), {d.device});
    case PortWall::Absent: {
      std::string list;
      for (const UsbCable& cable : d.cables) {
        if (!list.empty()) list += ", ";
        list += cable.deviceNode + " (" + DescribeCable(cable.vendorId, cable.productId, cable.product) + ")";
      }
      return FillIn(texts.GetText("IDS_PORT_ABSENT"), {d.device, list});
    }
    case PortWall::TakenByBrltty:
      return d.device + ": " + TakenCableText(files, *d.takenCable);
    case PortWall::NotSerial:
      return d.device + ": " + texts.GetText("IDS_ERROR_NOTSERIAL");
    case PortWall::DeniedRelogin:
      return FillIn(texts.GetText("IDS_PORT_RELOGIN"), {d.device, d.group, d.mode});
    case PortWall::DeniedJoin:
      return FillIn(texts.GetText("IDS_PORT_JOIN"), {d.device, d.group, d.mode, d.userName});
    case PortWall::DeniedMode:
      return FillIn(texts.GetText("IDS_PORT_MODE"), {d.device, d.group, d.mode});
    case PortWall::HeldBy:
      return FillIn(texts.GetText("IDS_PORT_HELD"), {d.device, d.holder.program, pid});
    case PortWall::HeldByModemManager:
      return FillIn(texts.GetText("IDS_PORT_HELD_MM"), {d.device, d.holder.program, pid});
    case PortWall::HeldByUnknown:
      return FillIn(texts.GetText("IDS_PORT_HELD_UNKNOWN"), {d.device});
    case PortWall::Other:
      break;
  }
  return texts.GetText("IDS_ERROR_PORTOPEN") + " " + d.device + " (" + std::strerror(d.openError) + ")";
}

std::string PortProblemText(const AppFiles& files, const SystemView& system, const std::string& devicePath,
                            int openError) {
  return DescribePortProblem(files, DiagnosePort(system, devicePath, openError));
}

std::string PortProblemText(const AppFiles& files, const std::string& devicePath, int openError) {
  return PortProblemText(files, SystemView::OfThisProcess(), devicePath, openError);
}

std::string PortProblemText(const AppFiles& files, const PortOpenFailure& failure) {
  if (!failure.device.empty()) return PortProblemText(files, failure.device, failure.error);
  // Nothing to look at on the device: it is only missing.
  PortDiagnosis diagnosis = DiagnosePort(SystemView::OfThisProcess(), "", ENOENT);
  diagnosis.device = "COM" + std::to_string(failure.port);
  return DescribePortProblem(files, diagnosis);
}

}  // namespace port_survey
