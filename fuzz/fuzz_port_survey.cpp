// Feeds arbitrary text to the port survey's text handling: the one-line attributes of sysfs
// and /proc (USB strings, a process's comm), the names of /proc's entries, the targets of
// driver links, and the messages that quote what those give. What is shown never holds a
// control byte, a process id is only ever read from digits, and a value quoted in a message
// appears there as it was, never read as a placeholder of the message.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "link/port_survey.h"
#include "settings/app_files.h"

namespace {

using namespace port_survey;

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "port survey: %s\n", what);
  std::abort();
}

bool Shown(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

const AppFiles& Files() {
  static const AppFiles files(std::filesystem::path(CORVANE_SOURCE_DIR) / "data", "lang_en");
  return files;
}

// The input's pieces between NUL bytes.
std::vector<std::string_view> Pieces(std::string_view input) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const std::size_t end = input.find('\0');
    pieces.push_back(input.substr(0, end));
    if (end == std::string_view::npos) return pieces;
    input.remove_prefix(end + 1);
  }
}

void CheckAttribute(std::string_view read) {
  const std::string shown = AttributeText(std::string(read));
  Check(Shown(shown), "an attribute is shown with a control byte");
  Check(shown.size() <= read.size() && read.substr(shown.size()).find_first_not_of("\r\n ") == std::string_view::npos,
        "an attribute lost more than its line end");
  for (std::size_t k = 0; k < shown.size(); ++k)
    Check(shown[k] == read[k] || shown[k] == '?', "an attribute's text changed");
  Check(shown.empty() || shown.back() != ' ', "an attribute kept a trailing blank");
}

void CheckProcessId(std::string_view name) {
  const std::optional<pid_t> pid = ProcessId(name);
  if (!pid) return;
  Check(!name.empty() && name.find_first_not_of("0123456789") == std::string_view::npos,
        "a process id from an entry that is not all digits");
  const std::size_t leadingZeros = std::min(name.find_first_not_of('0'), name.size() - 1);
  Check(std::to_string(*pid) == name.substr(leadingZeros), "a process id that is not the entry's number");
}

void CheckLinkTarget(std::string_view target) {
  const std::string name = LinkTargetName(target);
  Check(Shown(name) && name.find('/') == std::string::npos, "a link's name is not one shown component");
  Check(name == AttributeText(std::string(target.substr(target.rfind('/') + 1))), "a link's name is not its last component");
}

constexpr PortWall kWalls[] = {PortWall::NoCable,       PortWall::Absent,     PortWall::TakenByBrltty,
                                PortWall::NotSerial,     PortWall::DeniedRelogin, PortWall::DeniedJoin,
                                PortWall::DeniedMode,    PortWall::HeldBy,     PortWall::HeldByModemManager,
                                PortWall::HeldByUnknown, PortWall::Other};

// The wall's message quotes the device; the walls that name a program, a user or a cable
// quote them as the survey gave them.
void CheckMessage(PortWall wall, const std::vector<std::string_view>& pieces) {
  const auto piece = [&](std::size_t k) { return std::string(pieces[k % pieces.size()]); };
  PortDiagnosis diagnosis;
  diagnosis.wall = wall;
  diagnosis.device = piece(0);
  diagnosis.openError = 5;
  diagnosis.group = AttributeText(piece(1));
  diagnosis.mode = "0660";
  diagnosis.userName = AttributeText(piece(2));
  diagnosis.holder = {42, AttributeText(piece(3))};
  UsbCable cable;
  cable.deviceNode = "/dev/ttyUSB0";
  cable.vendorId = AttributeText(piece(4));
  cable.productId = AttributeText(piece(5));
  cable.product = AttributeText(piece(6));
  diagnosis.cables = {cable};
  diagnosis.takenCable = CableWithoutPort{"1-1", cable.vendorId, cable.productId, cable.product};
  const std::string message = DescribePortProblem(Files(), diagnosis);
  Check(message.find(diagnosis.device) != std::string::npos, "a message does not quote the device as it was");
  if (wall == PortWall::HeldBy)
    Check(message.find(diagnosis.holder.program) != std::string::npos, "a message does not quote the program");
  if (wall == PortWall::DeniedJoin)
    Check(message.find(diagnosis.userName) != std::string::npos, "a message does not quote the user");
  if (wall == PortWall::Absent || wall == PortWall::TakenByBrltty)
    Check(message.find(cable.product) != std::string::npos, "a message does not quote the cable");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckAttribute(input);
  CheckLinkTarget(input);
  const std::vector<std::string_view> pieces = Pieces(input);
  for (std::string_view piece : pieces) CheckProcessId(piece);
  // The last byte picks the wall (the first starts the texts that matter most).
  if (size > 0) CheckMessage(kWalls[data[size - 1] % std::size(kWalls)], pieces);
  return 0;
}
