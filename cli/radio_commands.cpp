// corvane-cli commands that talk to a radio or list what the link can use.
#include "cli/radio_commands.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/transfer_follow.h"
#include "link/serial.h"
#include "link/transfer.h"
#include "link/voice_package.h"
#include "radio/document.h"
#include "settings/app_files.h"

namespace cli {
namespace {

std::string FailureKey(TransferState state, bool isRead) {
  switch (state) {
    case TransferState::NoLink: return "IDS_ERROR_PORTCONN";
    case TransferState::WrongType: return "IDS_ERROR_TYPE";
    case TransferState::ReadFailed: return "IDS_PROMPT_READFAIL";
    case TransferState::WriteFailed: return "IDS_PROMPT_WRITEFAIL";
    default: return isRead ? "IDS_PROMPT_READFAIL" : "IDS_PROMPT_WRITEFAIL";
  }
}

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
  const TransferState final = Follow(job->Params(), context.files, context.err, true, [] { return false; });
  job->Wait();
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
  FileError voiceError;
  const std::shared_ptr<TransferJob> job = TransferJob::Start(doc, port, options, &packages, &voiceError);
  if (job == nullptr) {
    context.err << voiceError.Text(context.files) << "\n";
    return kExitFailure;
  }
  const bool yes = parsed->Has("--yes");
  const TransferState final = Follow(job->Params(), context.files, context.err, false,
                                     [&] { return ConfirmOtherModel(context.files, context.err, yes); });
  job->Wait();
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
