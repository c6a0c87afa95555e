// corvane-cli commands that talk to a radio or list what the link can use.
#include "cli/radio_commands.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include "cli/commands.h"
#include "link/serial.h"
#include "link/transfer.h"
#include "link/voice_package.h"
#include "radio/document.h"
#include "settings/app_files.h"

namespace cli {
namespace {

// The port options shared by read and write.
struct PortChoice {
  int port = 0;        // --port N
  std::string device;  // --device PATH
};

std::string FailureKey(TransferState state, bool isRead) {
  switch (state) {
    case TransferState::NoLink: return "IDS_ERROR_PORTCONN";
    case TransferState::WrongType: return "IDS_ERROR_TYPE";
    case TransferState::ReadFailed: return "IDS_PROMPT_READFAIL";
    case TransferState::WriteFailed: return "IDS_PROMPT_WRITEFAIL";
    default: return isRead ? "IDS_PROMPT_READFAIL" : "IDS_PROMPT_WRITEFAIL";
  }
}

// Shows the transfer's progress: a bar that redraws itself on a terminal, plain lines
// (one per change of text) otherwise.
class ProgressReport {
 public:
  ProgressReport(const AppFiles& files, std::ostream& err, bool terminal) : files_(files), err_(err), terminal_(terminal) {}

  void Show(TransferState state, int progress, bool isRead) {
    std::string text;
    int percent = -1;
    switch (state) {
      case TransferState::SearchingPort:
        text = files_.GetText("IDS_AUTOCOMPORT") + " (" + std::to_string(progress) + ")";
        break;
      case TransferState::Reading:
      case TransferState::Writing:
        text = files_.GetText(isRead ? "IDS_PROMPT_READ" : "IDS_PROMPT_WRITE");
        percent = progress;
        break;
      case TransferState::VoiceStart:
        text = files_.GetText("IDS_VOICECHANGE");
        break;
      case TransferState::VoiceWriting:
        text = files_.GetText("IDS_VOICECHANGE");
        percent = progress;
        break;
      default:
        return;
    }
    if (text == lastText_ && percent == lastPercent_) return;
    lastText_ = text;
    lastPercent_ = percent;
    if (!terminal_) {
      err_ << text << (percent >= 0 ? " " + std::to_string(percent) + "%" : "") << "\n";
      return;
    }
    std::string bar;
    if (percent >= 0) bar = " [" + std::string(static_cast<std::size_t>(percent / 5), '#') + std::string(static_cast<std::size_t>(20 - percent / 5), ' ') + "] " + std::to_string(percent) + "%";
    err_ << "\r\033[K" << text << bar << std::flush;
    drawn_ = true;
  }
  void Finish() {
    if (drawn_) err_ << "\n";
    drawn_ = false;
  }

 private:
  const AppFiles& files_;
  std::ostream& err_;
  bool terminal_;
  bool drawn_ = false;
  std::string lastText_;
  int lastPercent_ = -2;
};

// The type question on the terminal: --yes answers OK, no terminal answers Cancel.
bool ConfirmOtherModel(const AppFiles& files, std::ostream& err, bool yes) {
  err << files.GetText("IDS_CONFIRM_TYPE");
  if (yes || !::isatty(STDIN_FILENO)) {
    err << (yes ? " yes" : " no") << "\n";
    return yes;
  }
  err << " [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

// Runs one transfer to its end, following its state every 20 ms as the desktop program does.
TransferState Follow(TransferJob& job, const AppFiles& files, std::ostream& err, bool isRead, bool yes) {
  ProgressReport report(files, err, ::isatty(STDERR_FILENO));
  for (;;) {
    const TransferState state = job.State();
    if (IsFinal(state)) {
      report.Finish();
      job.Wait();
      return state;
    }
    if (state == TransferState::ConfirmType) {
      report.Finish();
      job.Params().state.store(ConfirmOtherModel(files, err, yes) ? TransferState::Idle : TransferState::WrongType);
      if (job.State() == TransferState::WrongType) {
        job.Wait();
        return TransferState::WrongType;
      }
    }
    report.Show(state, job.Params().progress.load(), isRead);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Opens the port a --device names; false, after a message, when it cannot be opened.
bool OpenChosenDevice(const Context& context, CSerial& port, const PortChoice& choice) {
  if (choice.device.empty()) return true;
  if (port.OpenDevice(choice.device)) return true;
  context.err << context.files.GetText("IDS_ERROR_PORTOPEN") << " " << choice.device << " ("
              << std::strerror(port.LastError()) << ")\n";
  return false;
}

std::optional<PortChoice> ParsePortChoice(const Context& context, std::vector<std::string>& args, int& status) {
  PortChoice choice;
  for (std::size_t i = 0; i < args.size();) {
    if ((args[i] == "--port" || args[i] == "--device") && i + 1 < args.size()) {
      if (args[i] == "--port") {
        choice.port = std::atoi(args[i + 1].c_str());
        if (choice.port < 1 || choice.port > 255) {
          status = context.UsageError(args[i] + " " + args[i + 1]);
          return std::nullopt;
        }
      } else {
        choice.device = args[i + 1];
      }
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      continue;
    }
    ++i;
  }
  return choice;
}

TransferOptions OptionsFor(const PortChoice& choice, bool isRead) {
  TransferOptions options;
  options.isRead = isRead;
  options.configuredPort = choice.port;
  options.allowPortSearch = choice.device.empty();  // a named device is the one to use
  return options;
}

}  // namespace

int CommandRead(const Context& context, std::vector<std::string> args) {
  int status = kExitOk;
  const std::optional<PortChoice> choice = ParsePortChoice(context, args, status);
  if (!choice) return status;
  const std::optional<Arguments> parsed = Parse(context, args, {}, status);
  if (!parsed) return status;

  CTavroPgmDoc doc(context.files);
  CliPrompter prompter(context.files, context.err);
  bool suppressClearPrompt = true;
  doc.OnNewDocument(prompter, suppressClearPrompt);
  CSerial port(context.files.SettingsPath());
  if (!OpenChosenDevice(context, port, *choice)) return kExitFailure;
  const std::shared_ptr<TransferJob> job = TransferJob::Start(doc, port, OptionsFor(*choice, true), nullptr);
  const TransferState final = Follow(*job, context.files, context.err, true, false);
  if (!job->HandOver(doc)) {
    context.err << context.files.GetText(FailureKey(final, true)) << "\n";
    return kExitFailure;
  }
  FileError error;
  if (!doc.OnSaveDocument(parsed->file, error)) {
    context.err << error.Text(context.files) << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

int CommandWrite(const Context& context, std::vector<std::string> args) {
  int status = kExitOk;
  const std::optional<PortChoice> choice = ParsePortChoice(context, args, status);
  if (!choice) return status;
  const std::optional<Arguments> parsed = Parse(context, args, {"--overwrite-voice", "--yes"}, status);
  if (!parsed) return status;

  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = OpenDataFile(context, doc, parsed->file, status)) return *stop;
  // A file that is not a radio data file would put an empty configuration into the radio.
  if (status != kExitOk) return status;

  CVoicePackage packages(context.files.ProgramDirectory());
  packages.FindById(doc.VoiceId());
  CSerial port(context.files.SettingsPath());
  if (!OpenChosenDevice(context, port, *choice)) return kExitFailure;
  TransferOptions options = OptionsFor(*choice, false);
  options.overwriteVoice = parsed->Has("--overwrite-voice");
  const std::shared_ptr<TransferJob> job = TransferJob::Start(doc, port, options, &packages);
  const TransferState final = Follow(*job, context.files, context.err, false, parsed->Has("--yes"));
  job->HandOver(doc);
  if (final != TransferState::WriteDone) {
    context.err << context.files.GetText(FailureKey(final, false)) << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

namespace {

// Why a device cannot be opened, in a user's words where the system's are not enough.
std::string OpenFailureReason(const std::string& path, int error) {
  std::string reason = std::strerror(error);
  struct stat info{};
  if (error == EACCES && ::stat(path.c_str(), &info) == 0) {
    if (const group* owner = ::getgrgid(info.st_gid)) reason += " (group " + std::string(owner->gr_name) + ")";
  }
  return reason;
}

}  // namespace

int CommandPorts(const Context& context, std::vector<std::string> args) {
  if (!args.empty()) return context.UsageError(args.front());
  const std::size_t present = SerialDevicesPresent().size();
  int shown = 0;
  for (int port = 1; port <= 255; ++port) {
    const bool mapped = context.files.FindSetting("ports", std::to_string(port)).has_value();
    if (!mapped && static_cast<std::size_t>(port) > present) continue;
    const std::string path = DevicePathForPort(context.files.SettingsPath(), port);
    CSerial probe;
    const bool opens = probe.OpenDevice(path);
    context.out << port << "\t" << path << "\t"
                << (opens ? context.files.GetText("IDS_PORT_AVAILABLE") : OpenFailureReason(path, probe.LastError()))
                << "\n";
    ++shown;
  }
  if (shown == 0) context.err << context.files.GetText("IDS_NO_PORTS") << "\n";
  return kExitOk;
}

int CommandVoices(const Context& context, std::vector<std::string> args) {
  if (!args.empty()) return context.UsageError(args.front());
  const CVoicePackage packages(context.files.ProgramDirectory());
  for (std::size_t i = 0; i < packages.Count(); ++i) {
    const VoiceCatalogue::Identifier id = packages.IdentifierOf(i);
    context.out << i << "\t" << packages.FirstNames()[i] << "\t" << packages.SecondNames()[i] << "\t"
                << HexBytes(id) << "\t" << packages.FileNames()[i].substr(1) << "\n";
  }
  if (packages.Count() == 0) context.err << context.files.GetText("IDS_NO_VOICES") << "\n";
  return kExitOk;
}

}  // namespace cli
