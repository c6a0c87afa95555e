#include "cli/usage.h"

#include <algorithm>
#include <array>

#include "settings/version.h"

namespace cli {
namespace {

constexpr std::string_view kIntro =
    "Usage: corvane-cli COMMAND [OPTIONS] FILE\n"
    "       corvane-cli COMMAND --help\n"
    "\n"
    "Radio configurations (.vxp data files) from the command line.\n"
    "\n"
    "Commands:\n";

// The notes after the list of commands; a command's own help repeats those that concern it.
enum Note : unsigned { kTextsNote = 1, kPortsNote = 2, kFilesNote = 4, kExitNote = 8, kBackupsNote = 16 };

constexpr std::string_view kTexts =
    "Texts come from the language file that setting.ini selects: setting.ini beside the\n"
    "program when that folder holds it and may be written, else ~/.config/corvane/setting.ini\n"
    "($XDG_CONFIG_HOME), made from the shipped one at the first start ($CORVANE_HOME, when\n"
    "set, is used as the program directory).\n";

constexpr std::string_view kPorts =
    "Port numbers name the devices of section [ports] in setting.ini (e.g. 1=/dev/ttyUSB0),\n"
    "else the serial devices present: /dev/ttyUSB*, /dev/ttyACM*, then /dev/ttyS*.\n"
    "A port given with --port N or --device PATH (a character device) is the only port used:\n"
    "no automatic search, and \"com\" in setting.ini is not changed. Without one, the\n"
    "commands use \"com\" and, when \"autocom\" is on, search ports 1 to 255 for the radio\n"
    "(not the calibration commands).\n";

constexpr std::string_view kFiles =
    "Files are created with the permissions the umask leaves; a replaced file keeps its\n"
    "own. A file you may not write (or with no write permission at all) is never\n"
    "replaced: the command ends with status 1 and leaves it as it is.\n";

constexpr std::string_view kBackups =
    "Every successful read keeps a copy of the radio's configuration (a .vxp data file\n"
    "named YYYYMMDD-HHMMSS-MODEL.vxp) in ~/.local/share/corvane/backups ($XDG_DATA_HOME);\n"
    "a backup that cannot be written is said in one line and the read still succeeds.\n"
    "Backups older than \"days\" of section [backup] in setting.ini (365 when not set;\n"
    "0 keeps them all) are removed when a new one is written.\n";

constexpr std::string_view kExit =
    "Exit status: 0 success; 1 a file or the radio failed; 2 bad command line;\n"
    "3 FILE is not a radio data file (show and info still print the empty configuration;\n"
    "write and diff refuse it). diff: 0 no difference, 1 differences, 2 also for a file\n"
    "that cannot be read.\n";

struct CommandHelp {
  std::string_view name;
  std::string_view text;  // its lines of the command list
  unsigned notes;
};

constexpr std::array kCommands{
    CommandHelp{"new",
                "  new [--force] [--model N] FILE\n"
                "                       Save a new configuration of model N (default 2) with its\n"
                "                       factory defaults to FILE. The model numbers are those of\n"
                "                       section [model] in setting.ini (model<N>, value<N>, fdisp<N>).\n"
                "                       An existing FILE is only replaced with --force.\n",
                kFilesNote | kExitNote},
    CommandHelp{"show",
                "  show FILE            Print the channel table of FILE as tab-separated text: a line\n"
                "                       of 13 column headers, then one line for each channel 1 to 16.\n",
                kTextsNote | kExitNote},
    CommandHelp{"info",
                "  info FILE            Print the model, band edges, header, voice package identifier\n"
                "                       and used channels of FILE.\n",
                kTextsNote | kExitNote},
    CommandHelp{"dump",
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
                "                       as two hexadecimal digits (the bits a control shows read 0).\n",
                kTextsNote | kExitNote},
    CommandHelp{"diff",
                "  diff FILE1 FILE2     Print what differs between two files: each setting whose\n"
                "                       shown value differs, then each differing raw byte, as key,\n"
                "                       name, FILE1's text and FILE2's text, tab-separated.\n",
                kTextsNote | kExitNote},
    CommandHelp{"read",
                "  read [--port N | --device PATH] FILE\n"
                "                       Read the radio into a new configuration saved as FILE (only\n"
                "                       when the whole read succeeded), and keep it as a backup.\n",
                kPortsNote | kFilesNote | kBackupsNote | kExitNote},
    CommandHelp{"write",
                "  write [--port N | --device PATH]... [--with-calibration] [--overwrite-voice] [--yes]\n"
                "        [--verify] [--backup] FILE\n"
                "                       Write FILE to the radio, with the voice package whose\n"
                "                       identifier matches FILE's (else the first one) on radios that\n"
                "                       hold voice data. Each radio keeps its own alignment values and\n"
                "                       radio password (the calibration area, read from it first);\n"
                "                       --with-calibration writes FILE's instead (a radio's own backup).\n"
                "                       --overwrite-voice sends the voice data even when the radio\n"
                "                       already has that package. A radio of another model is only\n"
                "                       overwritten after a yes: --yes answers it, and without a\n"
                "                       terminal the answer is no. --verify reads the radio\n"
                "                       back afterwards and compares (as verify does). --backup first\n"
                "                       reads the whole radio in a session of its own and keeps it as\n"
                "                       a backup; when that read or its backup fails, nothing is\n"
                "                       written. Several --port/--device options write to all those\n"
                "                       radios at once (no port search, no question: --yes answers\n"
                "                       for all; one backup per radio); a line per radio says \"ok\"\n"
                "                       or what failed.\n",
                kPortsNote | kBackupsNote | kExitNote},
    CommandHelp{"verify",
                "  verify [--port N | --device PATH]... [--with-calibration] FILE\n"
                "                       Read the radio and compare it with FILE as a write leaves it\n"
                "                       (the radio's own calibration area; with --with-calibration\n"
                "                       FILE's): a success line, or the differing fields (dump names,\n"
                "                       or byte offsets) on standard error and exit status 1.\n",
                kPortsNote | kExitNote},
    CommandHelp{"calibration",
                "  calibration read [--port N | --device PATH] FILE\n"
                "                       Save the radio's calibration values (the table of test mode)\n"
                "                       to the text file FILE: its model, then name=value lines.\n"
                "  calibration write [--port N | --device PATH] FILE\n"
                "                       Write the values of FILE (0 to 255 each) to a radio of the\n"
                "                       model FILE names; items FILE leaves out, and the radio's\n"
                "                       password, stay as the radio holds them. The area is read,\n"
                "                       then written in a second session. Both use port N, PATH or\n"
                "                       the configured port, without a port search.\n",
                kPortsNote | kFilesNote | kExitNote},
    CommandHelp{"password",
                "  password [--port N | --device PATH] [--old CODE] --new CODE\n"
                "                       Change the radio's password after proving the old one\n"
                "                       (--old, empty or left out for a radio without a password).\n"
                "                       --new '' removes the password. Codes are six digits.\n"
                "  password [--port N | --device PATH] [--old CODE] --low-power on|off\n"
                "                       Prove the password and store the \"Always transmit low power\"\n"
                "                       setting; the radio's other settings of that block are kept.\n",
                kPortsNote | kExitNote},
    CommandHelp{"export-csv",
                "  export-csv FILE OUT.csv\n"
                "                       Save the used channels of FILE as CSV in the generic format\n"
                "                       of the common multi-radio programming tool.\n",
                kFilesNote | kExitNote},
    CommandHelp{"import-csv",
                "  import-csv FILE IN.csv\n"
                "                       Store the channels of IN.csv (that format, also older or\n"
                "                       reordered headers, semicolons, Location from 0) into FILE.\n"
                "                       Nothing is changed unless every line is valid; the problems\n"
                "                       are listed with their line and column (status 1).\n",
                kFilesNote | kExitNote},
    CommandHelp{"ports",
                "  ports                List the port numbers, their devices and whether each opens;\n"
                "                       then the USB serial cables present: device, /dev/serial/by-id\n"
                "                       name, vendor:product, manufacturer, product, serial number,\n"
                "                       driver, and the port number it is assigned to (or\n"
                "                       \"unassigned\").\n",
                kPortsNote},
    CommandHelp{"doctor",
                "  doctor               Check why a radio cannot be reached: the cables and ports\n"
                "                       found, whether you can open each and why not, your groups,\n"
                "                       whether brltty and ModemManager run, and whether the udev\n"
                "                       rule 60-corvane.rules is installed. Exit status 0 when at\n"
                "                       least one port can be used, 1 otherwise.\n",
                kPortsNote},
    CommandHelp{"backups",
                "  backups              List the radio backups, newest first: path, time, model and\n"
                "                       number of used channels, tab-separated.\n",
                kBackupsNote},
    CommandHelp{"voices",
                "  voices               List the voice packages (*.enc) of the program directory.\n",
                kTextsNote},
};

constexpr std::string_view kProgramOptions =
    "  --help               Show this text (COMMAND --help: that command's part).\n"
    "  --version            Show the version.\n";

void AppendNotes(std::string& text, unsigned notes) {
  for (const auto& [note, words] : {std::pair{kTextsNote, kTexts}, std::pair{kPortsNote, kPorts},
                                    std::pair{kFilesNote, kFiles}, std::pair{kBackupsNote, kBackups},
                                    std::pair{kExitNote, kExit}}) {
    if (notes & note) (text += "\n") += words;
  }
}

}  // namespace

std::string UsageText() {
  std::string text(kIntro);
  for (const CommandHelp& command : kCommands) text += command.text;
  text += kProgramOptions;
  AppendNotes(text, kTextsNote | kPortsNote | kFilesNote | kBackupsNote | kExitNote);
  return text;
}

std::optional<std::string> CommandUsage(std::string_view name) {
  const auto command = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CommandHelp& help) { return help.name == name; });
  if (command == kCommands.end()) return std::nullopt;
  std::string text = "Usage: corvane-cli " + std::string(name) + " ...\n\n";
  text += command->text;
  AppendNotes(text, command->notes);
  return text;
}

std::vector<std::string_view> CommandNames() {
  std::vector<std::string_view> names;
  for (const CommandHelp& command : kCommands) names.push_back(command.name);
  return names;
}

std::string VersionText() { return "corvane-cli " + std::string(kCorvaneVersion) + "\n"; }

}  // namespace cli
