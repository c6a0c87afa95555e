#pragma once
// What every corvane-cli command shares: its context, argument parsing, the
// prompter that answers on the command line, and opening a data file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "radio/prompt.h"

class AppFiles;
class CSerial;
class CTavroPgmDoc;
struct FileError;

namespace cli {

// Exit statuses shared by all commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;       // a file or the radio failed
inline constexpr int kExitUsage = 2;         // bad command line
inline constexpr int kExitNotADataFile = 3;  // the file's header was not recognised

struct Context {
  const AppFiles& files;
  std::ostream& out;
  std::ostream& err;
  // Where ports and doctor look at the system (sysfs, /dev, /proc, /etc): "/", or a fake
  // tree in tests ($CORVANE_SYSTEM_ROOT).
  std::filesystem::path systemRoot = "/";

  // One line on standard error; the usage status.
  int UsageError(const std::string& detail) const;
  // Why a file could not be read or written, on standard error; the failure status.
  int FileFailure(const FileError& error) const;
  // Before a radio exchange whose result goes to path: the failure status, after the
  // message, when path names a file that may not be replaced; nullopt otherwise.
  std::optional<int> RefuseUnwritable(const std::filesystem::path& path) const;
};

// One command's parsed arguments: its flags and the single file it works on.
struct Arguments {
  std::vector<std::string> flags;
  std::string file;
  bool Has(const std::string& flag) const;
};

// Accepts the allowed flags and exactly one file; nullopt (status set) otherwise.
std::optional<Arguments> Parse(const Context& context, const std::vector<std::string>& args,
                               const std::vector<std::string>& allowedFlags, int& status);

// Messages go to standard error; an OK-only message is acknowledged, a real choice declined.
class CliPrompter : public Prompter {
 public:
  CliPrompter(const AppFiles& files, std::ostream& err) : files_(files), err_(err) {}
  PromptAnswer Ask(const PromptRequest& request) override;

 private:
  const AppFiles& files_;
  std::ostream& err_;
};

// Opens a data file into doc as the desktop program does. Returns the status to stop with
// when it could not be read; otherwise sets status to kExitOk, or kExitNotADataFile when
// the header was not recognised (the document then holds an empty image).
std::optional<int> OpenDataFile(const Context& context, CTavroPgmDoc& doc, const std::string& path, int& status);

// The port options of the commands that talk to a radio.
// A port the user names is the only one used: no automatic search, and "com" in
// setting.ini is left alone. Without one, "com" is used, with the search "autocom" allows.
struct PortChoice {
  int port = 0;        // --port N: port N alone
  std::string device;  // --device PATH: that device alone
  bool Named() const { return port > 0 || !device.empty(); }
};
// Takes every --port N and --device PATH out of args, one choice each, in order; nullopt
// (status set) for a port number outside 1-255.
std::optional<std::vector<PortChoice>> ParsePortChoices(const Context& context, std::vector<std::string>& args,
                                                        int& status);
// The commands that talk to one radio: at most one --port or --device (none: "com").
std::optional<PortChoice> ParsePortChoice(const Context& context, std::vector<std::string>& args, int& status);
// Opens the port --port or --device names; false, after a message, when it cannot be
// opened. Nothing is done without either.
bool OpenChosenPort(const Context& context, CSerial& port, const PortChoice& choice);
// The same without the message on standard error: the message, or empty when it opened.
std::string OpenChosenPortError(const Context& context, CSerial& port, const PortChoice& choice);

// "00 0A FF": bytes as two-digit upper-case hexadecimal numbers.
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace cli
