#pragma once
// The radio password: the scrambling of an entered password, the two exchanges of the
// "Authorization" dialog (program the always-low-power setting after proving the
// password; change the password) and the password text files. Nothing here shows a
// window: every action returns an outcome, and PasswordMessage says which text,
// caption and icon the dialog shows for it.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "radio/prompt.h"

class AppFiles;
class SerialPort;
class CTavroPgmDoc;
struct FileError;

// Six upper-case hexadecimal digits: the scrambled form of an entered password as the
// radio stores it. An entry that is not exactly six characters of 0-9 and A-F gives
// "FFFFFF", the value of a radio without a password.
std::string ScramblePassword(std::string_view entered);

// An entry of the password edits must be empty or six characters long.
bool PasswordLengthValid(std::string_view entered);

enum class PasswordOutcome {
  Done,                // the radio acknowledged the stored block; the port is closed
  LengthWrong,         // an entry is neither empty nor six characters; the port was not touched
  NotSame,             // the new password and its repetition differ; the port was not touched
  NewPasswordNotDigits,  // a new password whose six characters are not all digits 0-9
  NoLink,              // no radio answered the handshake, or no identification came
  PortOpenFailed,      // the one port to try (no search) could not be opened
  WrongType,           // a short identification (the port is closed), or the block was refused
  ReadFailed,          // the reply with the password block was short or wrongly addressed
  PasswordWrong,       // program: the entered password is not the radio's
  OldPasswordWrong,    // change: the entered (old) password is not the radio's
};

// A message box's text or caption: a language-file key, or a fixed text shown as it is.
struct MessagePart {
  std::string_view value;
  bool isKey = true;
  std::string Resolve(const AppFiles& files) const;
};

struct PasswordMessageBox {
  MessagePart text;
  MessagePart caption;
  PromptIcon icon = PromptIcon::None;
};

// What the dialog shows for an outcome (an OK box).
PasswordMessageBox PasswordMessage(PasswordOutcome outcome);
// The text of that message as the user reads it; a port that could not be opened is
// explained (why, and what to do).
std::string PasswordMessageText(PasswordOutcome outcome, const AppFiles& files, const SerialPort& port);

// Which port the exchanges use. By default the "com" setting, then (when "autocom"
// allows) the search through ports 1 to 255; an open port is used as it is.
struct PasswordLink {
  int configuredPort = 0;       // tried first instead of "com" (0: "com")
  bool allowPortSearch = true;  // false: no search, whatever "autocom" says
};

// "Program" of the current password: connects, reads the radio's password block into
// the document (0x3EB-0x3EF; the always-low-power bit at 0x3EA stays the document's),
// compares the scrambled entry with the radio's password, and on a match stores the
// document's block 0x3EA-0x3EF in the radio. After Done the dialog refreshes the views.
PasswordOutcome ProgramWithPassword(SerialPort& port, CTavroPgmDoc& doc, std::string_view entered,
                                    const PasswordLink& link = {});

// The same exchange for a document that does not hold the radio's configuration (the
// command line): the whole block 0x3EA-0x3EF comes from the radio, only the
// always-low-power bit (bit 0 of 0x3EA) is set from `lowPower`, and the block goes back.
PasswordOutcome ProgramLowPower(SerialPort& port, CTavroPgmDoc& doc, std::string_view entered, bool lowPower,
                                const PasswordLink& link = {});

// The checks of a new password and its repetition made before the port is touched:
// LengthWrong, NotSame or NewPasswordNotDigits, else Done.
PasswordOutcome CheckNewPassword(std::string_view newEntered, std::string_view newAgain);

// "Program" of a new password: checks the two entries, connects, reads the radio's
// password block into the document (0x3EA-0x3EF), compares the scrambled old entry with
// the radio's password, and on a match stores the scrambled new password (an empty one
// removes the password: FF FF FF) with the radio's other block bytes.
PasswordOutcome ChangePassword(SerialPort& port, CTavroPgmDoc& doc, std::string_view oldEntered,
                               std::string_view newEntered, std::string_view newAgain, const PasswordLink& link = {});

// The first line of a password file (without its line end); nullopt with error set
// when the file cannot be read.
std::optional<std::string> LoadPasswordFile(const std::filesystem::path& path, FileError& error);
// Writes the password as the whole file, with no line end; an existing file is replaced
// only once the new one is complete. False with error set on failure.
bool SavePasswordFile(const std::filesystem::path& path, std::string_view password, FileError& error);
