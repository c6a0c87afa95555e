#include "link/radio_password.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <span>

#include "link/port_survey.h"
#include "link/serial.h"
#include "link/wire.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "settings/file_io.h"
#include "settings/profile.h"

namespace {

using namespace wire;

// The initial value of the 9-bit scrambling register, shared with the radio's firmware.
constexpr std::uint16_t kScrambleSeed = 0x1B5;
static_assert(kScrambleSeed > 0 && kScrambleSeed < 0x200, "the register has nine bits and must not start empty");

constexpr std::size_t kPasswordDigits = 6;
constexpr std::string_view kNoPassword = "FFFFFF";

constexpr int kLastPort = 255;

// The password block: the power permit byte, two bytes the radio keeps, the password.
constexpr std::size_t kBlock = image::kPowerPermit;
constexpr std::size_t kBlockSize = image::kPassword + image::kPasswordSize - image::kPowerPermit;  // 6
// It is read as the end of one reply that starts with the calibration area.
constexpr std::size_t kReadAddress = image::kCalibration;
constexpr std::size_t kReadLength = kBlock + kBlockSize - kReadAddress;  // 16
// The setting frame that stores the block: command, address, length, then "00 FF".
constexpr std::array<std::uint8_t, 6> kStoreBlockPrefix = {'K', 0x00, 0x00, 0x08, 0x00, 0xFF};

// The messages of this dialog that are fixed English texts rather than language keys.
constexpr std::string_view kLengthMessage = "The length of password is not equal to six bits.";
constexpr std::string_view kLengthCaption = "Error";
constexpr std::string_view kNotSameMessage = "Not the same two password!";
constexpr std::string_view kPasswordWrongMessage = "The password is wrong!";
constexpr std::string_view kOldPasswordWrongMessage = "The old password is wrong!";
constexpr std::string_view kNotDigitsMessage = "The new password may only contain the digits 0 to 9.";

// A password file's first line is all that is used; this is plenty for it.
constexpr std::size_t kPasswordFileReadLimit = 64 * 1024;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

void Drain(SerialPort& port) {
  while (port.ReadByte(0) != -1) {
  }
}

bool WriteLetter(SerialPort& port, char letter) {
  port.Pause(kLetterPauseMs);
  const auto byte = static_cast<std::uint8_t>(letter);
  return port.Write(&byte, 1) == 1;
}

// "PROGRA" after an empty receive queue, drain what the radio said, then "M".
bool Handshake(SerialPort& port) {
  Drain(port);
  for (char letter : kHandshake.substr(0, kHandshake.size() - 1))
    if (!WriteLetter(port, letter)) break;
  Drain(port);
  WriteLetter(port, kHandshake.back());
  return port.ReadByte(kAckWaitMs) == kAck;
}

enum class Link { Connected, NoLink, PortOpenFailed, WrongType };

// The configured port first, then (when "autocom" allows) ports 1 to 255. A port the
// search found becomes "com" only once the radio there has identified itself.
Link Connect(SerialPort& port, const std::filesystem::path& settings, const PasswordLink& choice) {
  const std::string autocom = profile::GetString(settings, "setup", "autocom", "1", 9);
  const bool autoSearch = choice.allowPortSearch && (autocom.empty() || autocom.front() != '0');
  if (!port.IsOpen()) {
    port.Open(choice.configuredPort > 0 ? choice.configuredPort : profile::GetInt(settings, "setup", "com", 1));
    port.Pause(kPortSettleMs);
  } else if (port.BaudRate() != CSerial::kLinkBaud) {
    // A port left at the fast block speed could never complete the handshake.
    port.SetBaudRate(CSerial::kLinkBaud);
  }
  int found = -1;
  for (int candidate = 1;; ++candidate) {
    if (port.IsOpen() && Handshake(port)) break;
    if (!autoSearch) return port.IsOpen() ? Link::NoLink : Link::PortOpenFailed;
    port.Close();
    if (candidate > kLastPort) return Link::NoLink;
    if (port.Open(candidate)) {
      port.Pause(kPortSettleMs);
      found = candidate;
    }
  }

  port.WriteByte(kIdentify);
  std::uint8_t identification[kIdentificationSize];
  const int got = port.ReadBlock(identification, sizeof identification);
  if (got == 0) return Link::NoLink;
  if (got < static_cast<int>(sizeof identification)) {
    port.Close();
    return Link::WrongType;
  }
  if (found > 0) profile::WriteString(settings, "setup", "com", std::to_string(found));
  return Link::Connected;
}

PasswordOutcome LinkFailure(Link link) {
  switch (link) {
    case Link::WrongType: return PasswordOutcome::WrongType;
    case Link::PortOpenFailed: return PasswordOutcome::PortOpenFailed;
    default: return PasswordOutcome::NoLink;
  }
}

void AckAndListen(SerialPort& port) {
  port.WriteByte(kAck);
  port.ReadByte(kAckWaitMs);
}

// Asks for the 16 bytes that end with the password block. Only a complete reply that
// carries the data header and the echoed address counts: anything else could put
// foreign bytes into the block that is then written back to the radio.
bool ReadPasswordBlock(SerialPort& port, std::array<std::uint8_t, kBlockSize>& block) {
  const std::array<std::uint8_t, kFrameHeader> request = {kReadRequest, static_cast<std::uint8_t>(kReadAddress >> 8),
                                                          static_cast<std::uint8_t>(kReadAddress & 0xFF),
                                                          static_cast<std::uint8_t>(kReadLength)};
  port.Pause(1);
  port.Write(request.data(), request.size());
  std::array<std::uint8_t, kFrameHeader + kReadLength> reply{};
  if (port.ReadBlock(reply.data(), reply.size()) != static_cast<int>(reply.size())) return false;
  if (reply[0] != kDataReply || reply[1] != request[1] || reply[2] != request[2]) return false;
  std::copy_n(reply.begin() + kFrameHeader + (kBlock - kReadAddress), kBlockSize, block.begin());
  return true;
}

// The setting frame with the document's block: its prefix byte by byte, then the block.
bool StoreBlock(SerialPort& port, const CTavroPgmDoc& doc) {
  for (std::uint8_t byte : kStoreBlockPrefix)
    if (port.WriteByte(byte) != 1) break;
  std::array<std::uint8_t, kBlockSize> block{};
  for (std::size_t k = 0; k < kBlockSize; ++k) block[k] = doc.At(kBlock + k);
  port.Write(block.data(), block.size());
  return port.ReadByte(kAckWaitMs) == kAck;
}

// Copies bytes into the image; a change marks the document modified, so that closing
// the program asks before the radio's password is lost from it.
void CopyIntoImage(CTavroPgmDoc& doc, std::size_t offset, std::span<const std::uint8_t> bytes) {
  bool changed = false;
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    changed = changed || doc.At(offset + k) != bytes[k];
    doc.At(offset + k) = bytes[k];
  }
  if (changed) doc.SetModifiedFlag();
}

}  // namespace

std::string MessagePart::Resolve(const AppFiles& files) const {
  return isKey ? files.GetText(value) : std::string(value);
}

std::string ScramblePassword(std::string_view entered) {
  if (entered.size() != kPasswordDigits || !std::all_of(entered.begin(), entered.end(), IsHexDigit))
    return std::string(kNoPassword);
  std::uint32_t value = 0;
  for (char c : entered) value = (value << 4) | static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
  std::uint32_t reg = kScrambleSeed;
  std::uint32_t result = 0;
  for (int step = 0; step < 24; ++step) {
    const std::uint32_t bit = ((value >> 23) ^ reg) & 1;
    result = (result << 1) | bit;
    reg = (reg >> 1) | (((reg ^ (reg >> 4)) & 1) << 8);
    value <<= 1;
  }
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", (result >> 16) & 0xFF, (result >> 8) & 0xFF, result & 0xFF);
  return text;
}

bool PasswordLengthValid(std::string_view entered) { return entered.empty() || entered.size() == kPasswordDigits; }

PasswordMessageBox PasswordMessage(PasswordOutcome outcome) {
  auto literal = [](std::string_view text) { return MessagePart{text, false}; };
  auto key = [](std::string_view text) { return MessagePart{text, true}; };
  switch (outcome) {
    case PasswordOutcome::Done:
      return {key("IDS_PROMPT_WRITESUCC"), key("IDS_PROMPT_WRITE"), PromptIcon::None};
    case PasswordOutcome::LengthWrong:
      return {literal(kLengthMessage), literal(kLengthCaption), PromptIcon::Error};
    case PasswordOutcome::NotSame:
      return {literal(kNotSameMessage), key("IDS_ERROR"), PromptIcon::None};
    case PasswordOutcome::NewPasswordNotDigits:
      return {literal(kNotDigitsMessage), key("IDS_ERROR"), PromptIcon::Error};
    case PasswordOutcome::NoLink:
      return {key("IDS_ERROR_PORTCONN"), key("IDS_ERROR"), PromptIcon::Error};
    case PasswordOutcome::PortOpenFailed:
      return {key("IDS_ERROR_PORTOPEN"), key("IDS_ERROR"), PromptIcon::Error};
    case PasswordOutcome::WrongType:
      return {key("IDS_ERROR_TYPE"), key("IDS_ERROR"), PromptIcon::Error};
    case PasswordOutcome::ReadFailed:
      return {key("IDS_PROMPT_READFAIL"), key("IDS_PROMPT_READ"), PromptIcon::Exclamation};
    case PasswordOutcome::PasswordWrong:
      return {literal(kPasswordWrongMessage), key("IDS_ERROR"), PromptIcon::None};
    case PasswordOutcome::OldPasswordWrong:
      return {literal(kOldPasswordWrongMessage), key("IDS_ERROR"), PromptIcon::None};
  }
  return {key("IDS_ERROR"), key("IDS_ERROR"), PromptIcon::Error};
}

std::string PasswordMessageText(PasswordOutcome outcome, const AppFiles& files, const SerialPort& port) {
  if (outcome == PasswordOutcome::PortOpenFailed) return port_survey::PortProblemText(files, port.LastOpenFailure());
  return PasswordMessage(outcome).text.Resolve(files);
}

namespace {

// Proves the entered password and stores the block. Without `lowPower` the power permit
// byte is the document's (the dialog's check box has set it); with it, the radio's own
// byte goes back with only the always-low-power bit changed.
PasswordOutcome ProveAndStoreBlock(SerialPort& port, CTavroPgmDoc& doc, std::string_view entered,
                                   std::optional<bool> lowPower, const PasswordLink& choice) {
  if (!PasswordLengthValid(entered)) return PasswordOutcome::LengthWrong;
  if (const Link link = Connect(port, doc.Files().SettingsPath(), choice); link != Link::Connected)
    return LinkFailure(link);
  AckAndListen(port);
  std::array<std::uint8_t, kBlockSize> block{};
  if (!ReadPasswordBlock(port, block)) return PasswordOutcome::ReadFailed;
  const std::size_t firstFromRadio = lowPower ? 0 : 1;
  CopyIntoImage(doc, kBlock + firstFromRadio, std::span<const std::uint8_t>(block).subspan(firstFromRadio));
  if (lowPower) doc.SetHighPowerPermitted(!*lowPower);
  AckAndListen(port);
  if (ScramblePassword(entered) != doc.PasswordText()) return PasswordOutcome::PasswordWrong;
  if (!StoreBlock(port, doc)) return PasswordOutcome::WrongType;
  port.Close();
  return PasswordOutcome::Done;
}

}  // namespace

PasswordOutcome ProgramWithPassword(SerialPort& port, CTavroPgmDoc& doc, std::string_view entered,
                                    const PasswordLink& link) {
  return ProveAndStoreBlock(port, doc, entered, std::nullopt, link);
}

PasswordOutcome ProgramLowPower(SerialPort& port, CTavroPgmDoc& doc, std::string_view entered, bool lowPower,
                                const PasswordLink& link) {
  return ProveAndStoreBlock(port, doc, entered, lowPower, link);
}

PasswordOutcome CheckNewPassword(std::string_view newEntered, std::string_view newAgain) {
  if (!PasswordLengthValid(newEntered)) return PasswordOutcome::LengthWrong;
  if (newEntered != newAgain) return PasswordOutcome::NotSame;
  // Anything but digits would scramble to "no password" and silently remove the password.
  if (!std::all_of(newEntered.begin(), newEntered.end(), IsDecimalDigit)) return PasswordOutcome::NewPasswordNotDigits;
  return PasswordOutcome::Done;
}

PasswordOutcome ChangePassword(SerialPort& port, CTavroPgmDoc& doc, std::string_view oldEntered,
                               std::string_view newEntered, std::string_view newAgain, const PasswordLink& choice) {
  if (const PasswordOutcome checked = CheckNewPassword(newEntered, newAgain); checked != PasswordOutcome::Done)
    return checked;
  if (const Link link = Connect(port, doc.Files().SettingsPath(), choice); link != Link::Connected)
    return LinkFailure(link);
  AckAndListen(port);
  std::array<std::uint8_t, kBlockSize> block{};
  if (!ReadPasswordBlock(port, block)) return PasswordOutcome::ReadFailed;
  CopyIntoImage(doc, kBlock, block);
  AckAndListen(port);
  if (ScramblePassword(oldEntered) != doc.PasswordText()) return PasswordOutcome::OldPasswordWrong;
  std::array<std::uint8_t, image::kPasswordSize> password{};
  for (std::size_t k = 0; k < password.size(); ++k) password[k] = doc.At(image::kPassword + k);
  CTavroPgmDoc::PasswordFromText(ScramblePassword(newEntered), password);
  CopyIntoImage(doc, image::kPassword, password);
  if (!StoreBlock(port, doc)) return PasswordOutcome::WrongType;
  port.Close();
  return PasswordOutcome::Done;
}

std::optional<std::string> LoadPasswordFile(const std::filesystem::path& path, FileError& error) {
  std::optional<std::string> content = file_io::ReadFile(path, kPasswordFileReadLimit);
  if (!content) {
    error = FileError{"IDS_ERROR_OPENFILE", path, errno};
    return std::nullopt;
  }
  std::string line = content->substr(0, content->find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

bool SavePasswordFile(const std::filesystem::path& path, std::string_view password, FileError& error) {
  // The file holds the password in clear text: for its owner only.
  if (file_io::ReplaceFileAtomically(path, password, file_io::NewFileAccess::OwnerOnly)) return true;
  error = WriteFailure("IDS_ERROR_SAVEFILE", path, errno);
  return false;
}
