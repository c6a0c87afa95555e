#include "cli/commands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include "cli/calibration_command.h"
#include "cli/cli_support.h"
#include "cli/password_command.h"
#include "cli/radio_commands.h"
#include "cli/usage.h"
#include "link/voice_package.h"
#include "radio/backups.h"
#include "radio/channel_csv.h"
#include "radio/channel_table.h"
#include "radio/config_dump.h"
#include "radio/document.h"
#include "settings/app_files.h"

namespace cli {
namespace {

void PrintRow(std::ostream& out, const channel_table::Row& row) {
  for (std::size_t column = 0; column < row.size(); ++column) out << (column ? "\t" : "") << row[column];
  out << "\n";
}

// "--model N" taken out of args: the model to make, the new document's model by default.
// nullopt, after the message, for a number setting.ini does not describe.
std::optional<int> TakeModel(const Context& context, std::vector<std::string>& args, int& status) {
  const auto option = std::find(args.begin(), args.end(), std::string("--model"));
  if (option == args.end()) return CTavroPgmDoc::kNewDocumentModel;
  if (option + 1 == args.end()) {
    status = context.UsageError("--model");
    return std::nullopt;
  }
  const std::string number = *(option + 1);
  args.erase(option, option + 2);
  const std::vector<int> models = CTavroPgmDoc::ModelNumbers(context.files);
  const auto known = std::find_if(models.begin(), models.end(),
                                  [&](int model) { return std::to_string(model) == number; });
  if (known != models.end()) return *known;
  std::string valid;
  for (int model : models) valid += (valid.empty() ? "" : ", ") + std::to_string(model);
  context.err << context.files.GetText("IDS_CLI_BADMODEL") << " " << number << ". "
              << context.files.GetText("IDS_CLI_MODELS") << " " << valid << "\n";
  status = kExitUsage;
  return std::nullopt;
}

int CommandNew(const Context& context, std::vector<std::string> args) {
  int status = kExitOk;
  const std::optional<int> model = TakeModel(context, args, status);
  if (!model) return status;
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
  if (*model != doc.ModelIndex()) doc.ApplyModel(*model);
  FileError error;
  if (!doc.OnSaveDocument(parsed->file, error)) return context.FileFailure(error);
  return kExitOk;
}

int CommandShow(const Context& context, const std::vector<std::string>& args) {
  int status = kExitOk;
  const std::optional<Arguments> parsed = Parse(context, args, {}, status);
  if (!parsed) return status;
  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = OpenDataFile(context, doc, parsed->file, status)) return *stop;
  PrintRow(context.out, channel_table::HeaderTexts(context.files));
  for (int channel = 1; channel <= image::kChannelCount; ++channel)
    PrintRow(context.out, channel_table::RowTexts(doc, channel));
  return status;
}

int CommandInfo(const Context& context, const std::vector<std::string>& args) {
  int status = kExitOk;
  const std::optional<Arguments> parsed = Parse(context, args, {}, status);
  if (!parsed) return status;
  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = OpenDataFile(context, doc, parsed->file, status)) return *stop;

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

// The radio backups, newest first: path, time, model, used channels.
int CommandBackups(const Context& context, const std::vector<std::string>& args) {
  if (!args.empty()) return context.UsageError(args.front());
  const std::optional<std::filesystem::path> folder = backup::UserFolder();
  const std::vector<backup::Entry> entries = folder ? backup::List(context.files, *folder) : std::vector<backup::Entry>{};
  for (const backup::Entry& entry : entries)
    context.out << entry.path.string() << "\t" << backup::TimeText(entry.name) << "\t" << entry.model << "\t"
                << entry.usedChannels << "\n";
  if (entries.empty())
    context.err << context.files.GetText("IDS_BACKUP_NONE") << " " << (folder ? folder->string() : std::string()) << "\n";
  return kExitOk;
}

// diff's status for differences; a file it cannot read is then kExitUsage, as for diff(1).
constexpr int kExitDifferent = 1;

// A configuration opened from path with the speech languages of its voice packages;
// nullopt with status set when it cannot be read.
struct Opened {
  std::unique_ptr<CTavroPgmDoc> doc;
  function_page::SpeechLanguages languages;
};
std::optional<Opened> OpenForDump(const Context& context, const std::string& path, int& status) {
  Opened opened{std::make_unique<CTavroPgmDoc>(context.files), {}};
  if (const std::optional<int> stop = OpenDataFile(context, *opened.doc, path, status)) {
    status = *stop;
    return std::nullopt;
  }
  CVoicePackage packages(context.files.ProgramDirectory());
  opened.languages = SpeechLanguageList(packages, opened.doc->VoiceId());
  return opened;
}

int CommandDump(const Context& context, const std::vector<std::string>& args) {
  int status = kExitOk;
  const std::optional<Arguments> parsed = Parse(context, args, {"--names", "--raw"}, status);
  if (!parsed) return status;
  const std::optional<Opened> opened = OpenForDump(context, parsed->file, status);
  if (!opened) return status;
  std::vector<config_dump::Line> lines = config_dump::Lines(*opened->doc, context.files, opened->languages);
  if (parsed->Has("--raw")) {
    const std::vector<config_dump::Line> raw = config_dump::RawLines(*opened->doc);
    lines.insert(lines.end(), raw.begin(), raw.end());
  }
  const LanguageTexts texts = context.files.Texts();
  for (const config_dump::Line& line : lines) {
    context.out << (parsed->Has("--names") ? config_dump::Format(line, config_dump::Name(line, texts))
                                           : config_dump::Format(line))
                << "\n";
  }
  return status;
}

int CommandDiff(const Context& context, const std::vector<std::string>& args) {
  if (args.size() != 2) return context.UsageError(args.size() < 2 ? "FILE" : args[2]);
  for (const std::string& arg : args)
    if (arg.starts_with("--")) return context.UsageError(arg);
  std::vector<config_dump::Line> dumps[2];
  for (std::size_t file = 0; file < 2; ++file) {
    int status = kExitOk;
    const std::optional<Opened> opened = OpenForDump(context, args[file], status);
    // An image that is not a data file's would compare as a mass of differences.
    if (!opened || status != kExitOk) return status == kExitFailure ? kExitUsage : status;
    dumps[file] = config_dump::ComparedLines(*opened->doc, opened->languages);
  }
  const std::vector<config_dump::Difference> differences = config_dump::Compare(dumps[0], dumps[1]);
  const LanguageTexts texts = context.files.Texts();
  for (const config_dump::Difference& difference : differences)
    context.out << config_dump::FormatDifference(difference, texts) << "\n";
  return differences.empty() ? kExitOk : kExitDifferent;
}

// The data file and the CSV file of export-csv and import-csv; nullopt (status set) unless
// exactly these two are given.
std::optional<std::pair<std::string, std::string>> CsvArguments(const Context& context,
                                                                const std::vector<std::string>& args, int& status) {
  for (const std::string& arg : args) {
    if (arg.starts_with("--")) {
      status = context.UsageError(arg);
      return std::nullopt;
    }
  }
  if (args.size() != 2) {
    status = context.UsageError(args.size() > 2 ? args[2] : "FILE CSV");
    return std::nullopt;
  }
  return std::pair(args[0], args[1]);
}

// The data file opened for a CSV command; nullopt (status set) when it cannot be read or
// is not a data file: a foreign file is neither exported as empty nor overwritten.
std::optional<int> OpenForCsv(const Context& context, CTavroPgmDoc& doc, const std::string& path) {
  int status = kExitOk;
  if (const std::optional<int> stop = OpenDataFile(context, doc, path, status)) return stop;
  if (status != kExitOk) return status;
  return std::nullopt;
}

int CommandExportCsv(const Context& context, const std::vector<std::string>& args) {
  int status = kExitOk;
  const auto files = CsvArguments(context, args, status);
  if (!files) return status;
  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = OpenForCsv(context, doc, files->first)) return *stop;
  FileError error;
  if (!channel_csv::ExportFile(doc, files->second, error)) return context.FileFailure(error);
  return kExitOk;
}

int CommandImportCsv(const Context& context, const std::vector<std::string>& args) {
  int status = kExitOk;
  const auto files = CsvArguments(context, args, status);
  if (!files) return status;
  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = OpenForCsv(context, doc, files->first)) return *stop;
  std::vector<channel_csv::Problem> problems;
  FileError error;
  if (!channel_csv::ImportFile(doc, files->second, problems, error)) return context.FileFailure(error);
  for (const channel_csv::Problem& problem : problems)
    context.err << files->second << ": " << channel_csv::ProblemText(context.files, problem) << "\n";
  if (!problems.empty()) return kExitFailure;
  // Saved only after a complete import, through a temporary file.
  if (!doc.OnSaveDocument(files->first, error)) return context.FileFailure(error);
  return kExitOk;
}

// The help asked for: all of it, or one command's part; nullopt when args ask for none,
// or name no command (a usage error, once the language file is at hand).
std::optional<std::string> AskedHelp(const std::vector<std::string>& args) {
  if (args.empty()) return std::nullopt;
  const std::string& first = args[0];
  if (first == "--help" || first == "-h") return UsageText();
  if (first == "help") return args.size() == 1 ? UsageText() : CommandUsage(args[1]);
  if (std::find(args.begin() + 1, args.end(), "--help") != args.end()) return CommandUsage(first);
  return std::nullopt;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // Help and version need no program directory.
  if (const std::optional<std::string> help = AskedHelp(args)) {
    out << *help;
    return kExitOk;
  }
  if (args.size() == 1 && args[0] == "--version") {
    out << VersionText();
    return kExitOk;
  }
  const LocatedFiles located = AppFiles::Locate();
  if (!located.files) {
    err << located.problem << "\n";
    return kExitFailure;
  }
  Context context{*located.files, out, err};
  if (const char* root = std::getenv("CORVANE_SYSTEM_ROOT"); root != nullptr && *root != '\0') context.systemRoot = root;
  if (args.empty()) return context.UsageError("COMMAND");
  if (args[0] == "help") return context.UsageError(args[1]);
  if (std::find(args.begin() + 1, args.end(), "--help") != args.end()) return context.UsageError(args[0]);
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  using Command = std::function<int(const Context&, const std::vector<std::string>&)>;
  const std::pair<const char*, Command> commands[] = {
      {"new", CommandNew},     {"show", CommandShow},   {"info", CommandInfo},    {"dump", CommandDump}, {"diff", CommandDiff},
      {"read", CommandRead},   {"write", CommandWrite}, {"verify", CommandVerify}, {"ports", CommandPorts},
      {"doctor", CommandDoctor}, {"voices", CommandVoices}, {"backups", CommandBackups}, {"calibration", CommandCalibration}, {"password", CommandPassword},
      {"export-csv", CommandExportCsv}, {"import-csv", CommandImportCsv}};
  for (const auto& [name, command] : commands)
    if (args[0] == name) return command(context, rest);
  return context.UsageError(args[0]);
}

}  // namespace cli
