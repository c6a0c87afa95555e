#include "cli/commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

#include "cli/calibration_command.h"
#include "cli/cli_support.h"
#include "cli/password_command.h"
#include "cli/radio_commands.h"
#include "link/voice_package.h"
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
    "  new [--force] FILE   Save a new configuration (model 2 with its factory defaults)\n"
    "                       to FILE. An existing FILE is only replaced with --force.\n"
    "  show FILE            Print the channel table of FILE as tab-separated text: a line\n"
    "                       of 13 column headers, then one line for each channel 1 to 16.\n"
    "  info FILE            Print the model, band edges, header, voice package identifier\n"
    "                       and used channels of FILE.\n"
    "  dump FILE            Print every setting of FILE as the four pages show it, one\n"
    "                       line per control: <page>.<control>, a tab, the shown value,\n"
    "                       and a tab and \"disabled\" for a disabled control; then the\n"
    "                       channel cells (150.<channel>.<column>), the signal sets'\n"
    "                       fields (153.<set>.<control>) and the signal codes' tones\n"
    "                       (153.code<n>.<column>). Compare two dumps with diff.\n"
    "  read [--port N | --device PATH] FILE\n"
    "                       Read the radio into a new configuration saved as FILE (only\n"
    "                       when the whole read succeeded). --port N tries port N first;\n"
    "                       --device PATH uses that device and no automatic port search.\n"
    "  write [--port N | --device PATH]... [--overwrite-voice] [--yes] [--verify] FILE\n"
    "                       Write FILE to the radio, with the voice package whose\n"
    "                       identifier matches FILE's (else the first one) on radios that\n"
    "                       hold voice data. --overwrite-voice sends the voice data even\n"
    "                       when the radio already has that package. A radio of another\n"
    "                       model is only overwritten after a yes: --yes answers it, and\n"
    "                       without a terminal the answer is no. --verify reads the radio\n"
    "                       back afterwards and compares (as verify does). Several\n"
    "                       --port/--device options write to all those radios at once\n"
    "                       (no port search, no question: --yes answers for all); a line\n"
    "                       per radio says \"ok\" or what failed.\n"
    "  verify [--port N | --device PATH]... FILE\n"
    "                       Read the radio and compare it with FILE as a write sends it:\n"
    "                       a success line, or the differing fields (dump names, or byte\n"
    "                       offsets) on standard error and exit status 1.\n"
    "  calibration read [--port N | --device PATH] FILE\n"
    "                       Save the radio's calibration values (the table of test mode)\n"
    "                       to the text file FILE: its model, then name=value lines.\n"
    "  calibration write [--port N | --device PATH] FILE\n"
    "                       Write the values of FILE (0 to 255 each) to a radio of the\n"
    "                       model FILE names; items FILE leaves out, and the radio's\n"
    "                       password, stay as the radio holds them. Both use port N,\n"
    "                       PATH or the configured port, without a port search.\n"
    "  password [--port N | --device PATH] [--old CODE] --new CODE\n"
    "                       Change the radio's password after proving the old one\n"
    "                       (--old, empty or left out for a radio without a password).\n"
    "                       --new '' removes the password. Codes are six digits.\n"
    "  password [--port N | --device PATH] [--old CODE] --low-power on|off\n"
    "                       Prove the password and store the \"Always transmit low power\"\n"
    "                       setting; the radio's other settings of that block are kept.\n"
    "  ports                List the port numbers, their devices and whether each opens.\n"
    "  voices               List the voice packages (*.enc) beside the program.\n"
    "  --help               Show this text.\n"
    "\n"
    "Texts come from the language file that setting.ini beside the program selects\n"
    "($CORVANE_HOME, when set, is used as the program directory).\n"
    "\n"
    "Port numbers name the devices of section [ports] in setting.ini (e.g. 1=/dev/ttyUSB0),\n"
    "else the serial devices present: /dev/ttyUSB*, /dev/ttyACM*, then /dev/ttyS*.\n"
    "\n"
    "Exit status: 0 success; 1 a file or the radio failed; 2 bad command line;\n"
    "3 FILE is not a radio data file (show and info still print the empty configuration;\n"
    "write refuses it).\n";

void PrintRow(std::ostream& out, const channel_table::Row& row) {
  for (std::size_t column = 0; column < row.size(); ++column) out << (column ? "\t" : "") << row[column];
  out << "\n";
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

int CommandDump(const Context& context, const std::vector<std::string>& args) {
  int status = kExitOk;
  const std::optional<Arguments> parsed = Parse(context, args, {}, status);
  if (!parsed) return status;
  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = OpenDataFile(context, doc, parsed->file, status)) return *stop;
  CVoicePackage packages(context.files.ProgramDirectory());
  const function_page::SpeechLanguages languages = SpeechLanguagesOf(packages, doc.VoiceId());
  for (const config_dump::Line& line : config_dump::Lines(doc, context.files, languages))
    context.out << config_dump::Format(line) << "\n";
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
      {"new", CommandNew},     {"show", CommandShow},   {"info", CommandInfo},    {"dump", CommandDump}, {"read", CommandRead},
      {"write", CommandWrite}, {"verify", CommandVerify}, {"ports", CommandPorts}, {"voices", CommandVoices},
      {"calibration", CommandCalibration}, {"password", CommandPassword}};
  for (const auto& [name, command] : commands)
    if (args[0] == name) return command(context, rest);
  return context.UsageError(args[0]);
}

}  // namespace cli
