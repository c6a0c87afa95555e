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
#include "link/voice_package.h"
#include "radio/channel_csv.h"
#include "radio/channel_table.h"
#include "radio/config_dump.h"
#include "radio/document.h"
#include "settings/app_files.h"

namespace cli {
namespace {

constexpr const char* kUsage =
    "Usage: corvane-cli COMMAND [OPTIONS] FILE\n"
    "\n"
    "Radio configurations (.vxp data files) from the command line.\n"
    "\n"
    "Commands:\n"
    "  new [--force] [--model N] FILE\n"
    "                       Save a new configuration of model N (default 2) with its\n"
    "                       factory defaults to FILE. The model numbers are those of\n"
    "                       section [model] in setting.ini (model<N>, value<N>, fdisp<N>).\n"
    "                       An existing FILE is only replaced with --force.\n"
    "  show FILE            Print the channel table of FILE as tab-separated text: a line\n"
    "                       of 13 column headers, then one line for each channel 1 to 16.\n"
    "  info FILE            Print the model, band edges, header, voice package identifier\n"
    "                       and used channels of FILE.\n"
    "  dump [--names] [--raw] FILE\n"
    "                       Print every setting of FILE as the four pages show it, one\n"
    "                       line per control: <page>.<control>, a tab, the shown value,\n"
    "                       and a tab and \"disabled\" for a disabled control; then the\n"
    "                       channel cells (150.<channel>.<column>), the signal sets'\n"
    "                       fields (153.<set>.<control>) and the signal codes' tones\n"
    "                       (153.code<n>.<column>). --names puts the control's caption\n"
    "                       from the language file after the key (151.1240, a tab,\n"
    "                       Squelch Level, a tab, 3). --raw adds the image bytes with\n"
    "                       bits no control shows: raw.0x<offset>, a tab and those bits\n"
    "                       as two hexadecimal digits (the bits a control shows read 0).\n"
    "  diff FILE1 FILE2     Print what differs between two files: each setting whose\n"
    "                       shown value differs, then each differing raw byte, as key,\n"
    "                       name, FILE1's text and FILE2's text, tab-separated.\n"
    "  read [--port N | --device PATH] FILE\n"
    "                       Read the radio into a new configuration saved as FILE (only\n"
    "                       when the whole read succeeded).\n"
    "  write [--port N | --device PATH]... [--with-calibration] [--overwrite-voice] [--yes]\n"
    "        [--verify] FILE\n"
    "                       Write FILE to the radio, with the voice package whose\n"
    "                       identifier matches FILE's (else the first one) on radios that\n"
    "                       hold voice data. Each radio keeps its own alignment values and\n"
    "                       radio password (the calibration area, read from it first);\n"
    "                       --with-calibration writes FILE's instead (a radio's own backup).\n"
    "                       --overwrite-voice sends the voice data even when the radio\n"
    "                       already has that package. A radio of another model is only\n"
    "                       overwritten after a yes: --yes answers it, and without a\n"
    "                       terminal the answer is no. --verify reads the radio\n"
    "                       back afterwards and compares (as verify does). Several\n"
    "                       --port/--device options write to all those radios at once\n"
    "                       (no port search, no question: --yes answers for all); a line\n"
    "                       per radio says \"ok\" or what failed.\n"
    "  verify [--port N | --device PATH]... [--with-calibration] FILE\n"
    "                       Read the radio and compare it with FILE as a write leaves it\n"
    "                       (the radio's own calibration area; with --with-calibration\n"
    "                       FILE's): a success line, or the differing fields (dump names,\n"
    "                       or byte offsets) on standard error and exit status 1.\n"
    "  calibration read [--port N | --device PATH] FILE\n"
    "                       Save the radio's calibration values (the table of test mode)\n"
    "                       to the text file FILE: its model, then name=value lines.\n"
    "  calibration write [--port N | --device PATH] FILE\n"
    "                       Write the values of FILE (0 to 255 each) to a radio of the\n"
    "                       model FILE names; items FILE leaves out, and the radio's\n"
    "                       password, stay as the radio holds them. The area is read,\n"
    "                       then written in a second session. Both use port N, PATH or\n"
    "                       the configured port, without a port search.\n"
    "  password [--port N | --device PATH] [--old CODE] --new CODE\n"
    "                       Change the radio's password after proving the old one\n"
    "                       (--old, empty or left out for a radio without a password).\n"
    "                       --new '' removes the password. Codes are six digits.\n"
    "  password [--port N | --device PATH] [--old CODE] --low-power on|off\n"
    "                       Prove the password and store the \"Always transmit low power\"\n"
    "                       setting; the radio's other settings of that block are kept.\n"
    "  export-csv FILE OUT.csv\n"
    "                       Save the used channels of FILE as CSV in the generic format\n"
    "                       of the common multi-radio programming tool.\n"
    "  import-csv FILE IN.csv\n"
    "                       Store the channels of IN.csv (that format, also older or\n"
    "                       reordered headers, semicolons, Location from 0) into FILE.\n"
    "                       Nothing is changed unless every line is valid; the problems\n"
    "                       are listed with their line and column (status 1).\n"
    "  ports                List the port numbers, their devices and whether each opens\n"
    "                       (else why not, and what to do); then the USB serial cables\n"
    "                       plugged in: device, /dev/serial/by-id name, vendor:product,\n"
    "                       manufacturer, product, serial number, driver and the port\n"
    "                       number it is assigned to (or \"unassigned\"), tab-separated.\n"
    "  doctor               Check everything a port needs at once: the cables and ports\n"
    "                       found and whether this user can open each (else why not),\n"
    "                       the user's groups (in /etc/group and in this login), whether\n"
    "                       brltty and ModemManager run, and whether Corvane's udev rule\n"
    "                       is installed. Exit status 0 when a port can be used, else 1.\n"
    "  voices               List the voice packages (*.enc) beside the program.\n"
    "  --help               Show this text.\n"
    "\n"
    "Texts come from the language file that setting.ini beside the program selects\n"
    "($CORVANE_HOME, when set, is used as the program directory).\n"
    "\n"
    "Port numbers name the devices of section [ports] in setting.ini (e.g. 1=/dev/ttyUSB0),\n"
    "else the serial devices present: /dev/ttyUSB*, /dev/ttyACM*, then /dev/ttyS*.\n"
    "A port given with --port N or --device PATH (a character device) is the only port used:\n"
    "no automatic search, and \"com\" in setting.ini is not changed. Without one, the\n"
    "commands use \"com\" and, when \"autocom\" is on, search ports 1 to 255 for the radio\n"
    "(not the calibration commands).\n"
    "\n"
    "Files are created with the permissions the umask leaves; a replaced file keeps its\n"
    "own. A file you may not write (or with no write permission at all) is never\n"
    "replaced: the command ends with status 1 and leaves it as it is.\n"
    "\n"
    "Exit status: 0 success; 1 a file or the radio failed; 2 bad command line;\n"
    "3 FILE is not a radio data file (show and info still print the empty configuration;\n"
    "write and diff refuse it). diff: 0 no difference, 1 differences, 2 also for a file\n"
    "that cannot be read.\n";

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
  Context context{*files, out, err};
  if (const char* root = std::getenv("CORVANE_SYSTEM_ROOT"); root != nullptr && *root != '\0') context.systemRoot = root;
  if (args.empty()) return context.UsageError("COMMAND");
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
    out << kUsage;
    return kExitOk;
  }
  using Command = std::function<int(const Context&, const std::vector<std::string>&)>;
  const std::pair<const char*, Command> commands[] = {
      {"new", CommandNew},     {"show", CommandShow},   {"info", CommandInfo},    {"dump", CommandDump}, {"diff", CommandDiff},
      {"read", CommandRead},   {"write", CommandWrite}, {"verify", CommandVerify}, {"ports", CommandPorts},
      {"doctor", CommandDoctor}, {"voices", CommandVoices}, {"calibration", CommandCalibration}, {"password", CommandPassword},
      {"export-csv", CommandExportCsv}, {"import-csv", CommandImportCsv}};
  for (const auto& [name, command] : commands)
    if (args[0] == name) return command(context, rest);
  return context.UsageError(args[0]);
}

}  // namespace cli
