#include "cli/commands.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

#include "app/app_files.h"
#include "radio/channel_table.h"
#include "radio/document.h"

namespace cli {
namespace {

constexpr const char* kUsage =
    "Usage: corvane-cli COMMAND [OPTIONS] FILE\n"
    "\n"
    "Radio configurations (.vxp data files) from the command line.\n"
    "\n"
    "Commands:\n"
    "  new [--force] FILE   Save a new configuration (model 2 with its factory defaults)\n"
    "                       to FILE. An existing FILE is only replaced with --force.\n"
    "  show FILE            Print the channel table of FILE as tab-separated text: a line\n"
    "                       of 13 column headers, then one line for each channel 1 to 16.\n"
    "  info FILE            Print the model, band edges, header, voice package identifier\n"
    "                       and used channels of FILE.\n"
    "  --help               Show this text.\n"
    "\n"
    "Texts come from the language file that setting.ini beside the program selects\n"
    "($CORVANE_HOME, when set, is used as the program directory).\n"
    "\n"
    "Exit status: 0 success; 1 a file could not be read or written; 2 bad command line;\n"
    "3 FILE is not a radio data file (show and info still print the empty configuration).\n";

// Answers the document's questions on the command line: messages go to standard error;
// an OK-only message is acknowledged, any real choice is declined.
class CliPrompter : public Prompter {
 public:
  CliPrompter(const AppFiles& files, std::ostream& err) : files_(files), err_(err) {}
  PromptAnswer Ask(const PromptRequest& request) override {
    err_ << request.Text(files_) << "\n";
    return request.buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
  }

 private:
  const AppFiles& files_;
  std::ostream& err_;
};

// One command's parsed arguments: its flags and the single file it works on.
struct Arguments {
  std::vector<std::string> flags;
  std::string file;
  bool Has(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
  }
};

struct Context {
  const AppFiles& files;
  std::ostream& out;
  std::ostream& err;

  int UsageError(const std::string& detail) const {
    err << files.GetText("IDS_CLI_BADARGS") << " " << detail << "\n";
    return kExitUsage;
  }
};

std::optional<Arguments> Parse(const Context& context, const std::vector<std::string>& args,
                               const std::vector<std::string>& allowedFlags, int& status) {
  Arguments parsed;
  for (const std::string& arg : args) {
    if (arg.starts_with("--")) {
      if (std::find(allowedFlags.begin(), allowedFlags.end(), arg) == allowedFlags.end()) {
        status = context.UsageError(arg);
        return std::nullopt;
      }
      parsed.flags.push_back(arg);
    } else if (parsed.file.empty()) {
      parsed.file = arg;
    } else {
      status = context.UsageError(arg);
      return std::nullopt;
    }
  }
  if (parsed.file.empty()) {
    status = context.UsageError(args.empty() ? "FILE" : args.back());
    return std::nullopt;
  }
  return parsed;
}

void PrintRow(std::ostream& out, const channel_table::Row& row) {
  for (std::size_t column = 0; column < row.size(); ++column) out << (column ? "\t" : "") << row[column];
  out << "\n";
}

// Parses "FILE" and opens it into doc as the desktop program opens a data file. Returns
// the status to stop with when that failed; otherwise status says whether the header matched.
std::optional<int> ParseAndOpen(const Context& context, const std::vector<std::string>& args,
                                CTavroPgmDoc& doc, int& status) {
  const std::optional<Arguments> parsed = Parse(context, args, {}, status);
  if (!parsed) return status;
  CliPrompter prompter(context.files, context.err);
  FileError error;
  switch (doc.OnOpenDocument(parsed->file, prompter, error)) {
    case CTavroPgmDoc::OpenOutcome::Opened: status = kExitOk; return std::nullopt;
    case CTavroPgmDoc::OpenOutcome::OpenedWithoutData: status = kExitNotADataFile; return std::nullopt;
    case CTavroPgmDoc::OpenOutcome::Failed: break;
  }
  context.err << error.Text(context.files) << "\n";
  return kExitFailure;
}

int CommandNew(const Context& context, const std::vector<std::string>& args) {
  int status = kExitOk;
  const std::optional<Arguments> parsed = Parse(context, args, {"--force"}, status);
  if (!parsed) return status;
  std::error_code ignored;
  if (!parsed->Has("--force") && std::filesystem::exists(parsed->file, ignored)) {
    context.err << context.files.GetText("IDS_ERROR_FILEEXISTS") << " " << parsed->file << "\n";
    return kExitFailure;
  }
  CTavroPgmDoc doc(context.files);
  CliPrompter prompter(context.files, context.err);
  bool suppressClearPrompt = true;
  doc.OnNewDocument(prompter, suppressClearPrompt);
  FileError error;
  if (!doc.OnSaveDocument(parsed->file, error)) {
    context.err << error.Text(context.files) << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

int CommandShow(const Context& context, const std::vector<std::string>& args) {
  int status = kExitOk;
  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = ParseAndOpen(context, args, doc, status)) return *stop;
  PrintRow(context.out, channel_table::HeaderTexts(context.files));
  for (int channel = 1; channel <= image::kChannelCount; ++channel)
    PrintRow(context.out, channel_table::RowTexts(doc, channel));
  return status;
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t byte : bytes) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02X", byte);
    text += (text.empty() ? "" : " ") + std::string(pair);
  }
  return text;
}

int CommandInfo(const Context& context, const std::vector<std::string>& args) {
  int status = kExitOk;
  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = ParseAndOpen(context, args, doc, status)) return *stop;

  const AppFiles& files = context.files;
  std::string model = files.GetText("IDS_INFO_NOMODEL");
  if (doc.ModelIndex() != CTavroPgmDoc::kNoModel)
    model = std::to_string(doc.ModelIndex()) + " (" +
            files.Setting("model", "fdisp" + std::to_string(doc.ModelIndex()), "", 29) + ")";
  std::string used;
  int count = 0;
  for (int channel = 1; channel <= image::kChannelCount; ++channel) {
    if (!doc.IsChannelUsed(channel)) continue;
    used += (count++ ? ", " : "") + std::to_string(channel);
  }
  const auto block = doc.Block();
  const std::string header(block.begin() + block::kHeader, block.begin() + block::kHeader + block::kHeaderSize);
  std::ostream& out = context.out;
  out << files.GetText("IDS_INFO_MODEL") << "\t" << model << "\n";
  out << files.GetText("IDS_INFO_BAND") << "\t" << doc.BandEdgeText(false) << " - " << doc.BandEdgeText(true) << "\n";
  out << files.GetText("IDS_INFO_HEADER") << "\t" << header << "\n";
  out << files.GetText("IDS_INFO_VOICEID") << "\t" << HexBytes(block.subspan(block::kVoiceId, block::kVoiceIdSize)) << "\n";
  out << files.GetText("IDS_INFO_CHANNELS") << "\t" << count << (count ? ": " + used : "") << "\n";
  return status;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
    out << kUsage;
    return kExitOk;
  }
  const std::optional<AppFiles> files = AppFiles::Locate();
  if (!files) {
    err << kMissingSettingsMessage << "\n";
    return kExitFailure;
  }
  const Context context{*files, out, err};
  if (args.empty()) return context.UsageError("COMMAND");
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
    out << kUsage;
    return kExitOk;
  }
  using Command = std::function<int(const Context&, const std::vector<std::string>&)>;
  const std::pair<const char*, Command> commands[] = {
      {"new", CommandNew}, {"show", CommandShow}, {"info", CommandInfo}};
  for (const auto& [name, command] : commands)
    if (args[0] == name) return command(context, rest);
  return context.UsageError(args[0]);
}

}  // namespace cli
