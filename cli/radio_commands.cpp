// corvane-cli commands that talk to a radio or list what the link can use.
#include "cli/radio_commands.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/transfer_follow.h"
#include "link/serial.h"
#include "link/transfer.h"
#include "link/voice_package.h"
#include "radio/document.h"
#include "radio/image_diff.h"
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

// The type question on the terminal: --yes answers OK, no terminal (or no asking) answers
// Cancel.
bool ConfirmOtherModel(const AppFiles& files, std::ostream& err, bool yes, bool mayAsk) {
  err << files.GetText("IDS_CONFIRM_TYPE");
  if (yes || !mayAsk || !::isatty(STDIN_FILENO)) {
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
  options.allowPortSearch = !choice.Named();  // a search could reach a radio the user did not name
  return options;
}

}  // namespace

int CommandRead(const Context& context, std::vector<std::string> args) {
  int status = kExitOk;
  const std::optional<PortChoice> choice = ParsePortChoice(context, args, status);
  if (!choice) return status;
  const std::optional<Arguments> parsed = Parse(context, args, {}, status);
  if (!parsed) return status;
  if (const std::optional<int> refused = context.RefuseUnwritable(parsed->file)) return *refused;

  CTavroPgmDoc doc(context.files);
  CliPrompter prompter(context.files, context.err);
  bool suppressClearPrompt = true;
  doc.OnNewDocument(prompter, suppressClearPrompt);
  CSerial port(context.files.SettingsPath());
  if (!OpenChosenPort(context, port, *choice)) return kExitFailure;
  const std::shared_ptr<TransferJob> job = TransferJob::Start(doc, port, OptionsFor(*choice, true), nullptr);
  const TransferState final = Follow(job->Params(), context.files, context.err, true, [] { return false; });
  job->Wait();
  if (!job->HandOver(doc)) {
    context.err << context.files.GetText(FailureKey(final, true)) << "\n";
    return kExitFailure;
  }
  FileError error;
  if (!doc.OnSaveDocument(parsed->file, error)) return context.FileFailure(error);
  return kExitOk;
}

namespace {

// One radio of a write or verification: its port, the transfer running on it and, at the
// end, what became of it.
struct RadioRun {
  enum class Phase { Writing, Verifying, Done };
  std::string name;
  PortChoice choice;
  std::unique_ptr<CSerial> port;
  std::shared_ptr<TransferJob> job;
  Phase phase = Phase::Writing;
  std::string failure;  // empty: the radio holds the configuration
  std::vector<image_diff::Difference> differences;
  std::optional<std::array<std::uint8_t, block::kImageSize>> written;  // what the write sent
};

// The name a radio goes by in the lines about it: its device.
std::string RadioName(const Context& context, const PortChoice& choice) {
  if (!choice.device.empty()) return choice.device;
  if (choice.port == 0) return "com";
  const std::string device = DevicePathForPort(context.files.SettingsPath(), choice.port);
  return device.empty() ? "port " + std::to_string(choice.port) : device;
}

struct RadiosTask {
  bool write = true;   // false: only read back and compare
  bool verify = false;
  bool overwriteVoice = false;
  bool writeCalibration = false;  // the file's calibration area, not each radio's own
  bool yes = false;
};

// After a transfer of `radio` ended in `state`: the next phase, or the result.
void Advance(const Context& context, CTavroPgmDoc& doc, const RadiosTask& task, RadioRun& radio, TransferState state) {
  radio.job->Wait();
  if (radio.phase == RadioRun::Phase::Writing) {
    if (state != TransferState::WriteDone) {
      radio.failure = context.files.GetText(FailureKey(state, false));
    } else if (task.verify) {
      std::array<std::uint8_t, block::kImageSize> written{};
      std::copy(radio.job->Image().begin(), radio.job->Image().end(), written.begin());
      radio.written = written;
      radio.job = StartReadBack(doc, *radio.port);
      if (radio.job != nullptr) {
        radio.phase = RadioRun::Phase::Verifying;
        return;
      }
      radio.failure = context.files.GetText("IDS_ERROR_PORTCONN");
    }
  } else if (state != TransferState::ReadDone) {
    radio.failure = context.files.GetText(FailureKey(state, true));
  } else {
    // After a write: what it sent, with this radio's own calibration area in it. Otherwise
    // what a write would leave in this radio.
    const std::array<std::uint8_t, block::kImageSize> expected =
        radio.written ? *radio.written : ImageAfterWrite(doc, radio.job->Image(), task.writeCalibration);
    radio.differences = image_diff::Differences(context.files, expected, radio.job->Image());
    if (!radio.differences.empty()) radio.failure = context.files.GetText("IDS_PROMPT_VERIFYFAIL");
  }
  radio.phase = RadioRun::Phase::Done;
  if (radio.port->IsOpen()) radio.port->Close();
}

// Writes `doc` to every radio at once, one worker per port, and (with `verify`, or
// instead of the write) reads each back and compares. One radio keeps the port search and
// the question about another model on a terminal; several are each the port named, and
// one of another model is written only with --yes. Returns the exit status.
int RunRadios(const Context& context, CTavroPgmDoc& doc, CVoicePackage& packages, std::vector<PortChoice> choices,
              const RadiosTask& task) {
  const bool fleet = choices.size() > 1;
  if (choices.empty()) choices.push_back({});
  std::vector<RadioRun> radios(choices.size());
  for (std::size_t i = 0; i < choices.size(); ++i) {
    radios[i].choice = choices[i];
    radios[i].name = RadioName(context, choices[i]);
    for (std::size_t j = 0; j < i; ++j)  // two workers on one device would garble both transfers
      if (radios[j].name == radios[i].name) return context.UsageError(radios[i].name);
  }

  for (RadioRun& radio : radios) {
    radio.port = std::make_unique<CSerial>(context.files.SettingsPath());
    if (std::string error = OpenChosenPortError(context, *radio.port, radio.choice); !error.empty()) {
      radio.failure = std::move(error);
      radio.phase = RadioRun::Phase::Done;
      continue;
    }
    TransferOptions options = OptionsFor(radio.choice, !task.write);
    options.overwriteVoice = task.overwriteVoice;
    options.writeCalibration = task.writeCalibration;
    FileError voiceError;
    radio.job = TransferJob::Start(doc, *radio.port, options, task.write ? &packages : nullptr, &voiceError);
    if (radio.job == nullptr) {
      // The same for every radio, so found at the first, before anything was sent; a worker
      // started all the same still holds its port.
      for (RadioRun& started : radios) {
        if (started.job == nullptr) continue;
        started.job->Cancel();
        started.job->Wait();
      }
      return context.FileFailure(voiceError);
    }
    radio.phase = task.write ? RadioRun::Phase::Writing : RadioRun::Phase::Verifying;
  }

  std::vector<std::string> names;
  for (const RadioRun& radio : radios) names.push_back(radio.name);
  ProgressLines lines(context.err, ::isatty(STDERR_FILENO), fleet ? names : std::vector<std::string>{});
  for (;;) {
    bool running = false;
    for (std::size_t i = 0; i < radios.size(); ++i) {
      RadioRun& radio = radios[i];
      if (radio.phase == RadioRun::Phase::Done) continue;
      running = true;
      TransferParams& params = radio.job->Params();
      const TransferState state = params.state.load();
      if (state == TransferState::ConfirmType) {
        lines.Finish();
        if (fleet) context.err << radio.name << ": ";
        // Several radios are not asked one by one: --yes answers them all.
        const bool confirmed = ConfirmOtherModel(context.files, context.err, task.yes, !fleet);
        if (AnswerTypeQuestion(params, confirmed) && !confirmed) {
          radio.failure = context.files.GetText(FailureKey(TransferState::WrongType, false));
          radio.job->Wait();
          radio.phase = RadioRun::Phase::Done;
          radio.port->Close();
        }
        continue;
      }
      if (IsFinal(state)) {
        Advance(context, doc, task, radio, state);
        continue;
      }
      const char* key = radio.phase == RadioRun::Phase::Verifying ? "IDS_PROMPT_VERIFY" : "IDS_PROMPT_WRITE";
      if (const std::optional<Progress> progress = ProgressOf(context.files, state, params.progress.load(), key))
        lines.Show(i, *progress);
    }
    if (!running) break;
    WaitForNextLook();
  }
  lines.Finish();

  std::string failed;
  for (const RadioRun& radio : radios) {
    if (radio.failure.empty()) {
      if (fleet) context.out << radio.name << ": " << context.files.GetText("IDS_CLI_RADIO_OK") << "\n";
      else if (task.verify) context.out << context.files.GetText("IDS_PROMPT_VERIFYOK") << "\n";
      continue;
    }
    failed += (failed.empty() ? "" : ", ") + radio.name;
    const std::string indent = fleet ? "  " : "";
    context.err << (fleet ? radio.name + ": " : "") << radio.failure << "\n";
    const LanguageTexts texts = context.files.Texts();
    for (const image_diff::Difference& difference : radio.differences)
      context.err << indent << image_diff::Format(difference, texts) << "\n";
  }
  if (failed.empty()) return kExitOk;
  if (fleet) context.err << context.files.GetText("IDS_CLI_RADIOS_FAILED") << " " << failed << "\n";
  return kExitFailure;
}

}  // namespace

int CommandWrite(const Context& context, std::vector<std::string> args) {
  int status = kExitOk;
  const std::optional<std::vector<PortChoice>> choices = ParsePortChoices(context, args, status);
  if (!choices) return status;
  const std::optional<Arguments> parsed =
      Parse(context, args, {"--overwrite-voice", "--with-calibration", "--yes", "--verify"}, status);
  if (!parsed) return status;

  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = OpenDataFile(context, doc, parsed->file, status)) return *stop;
  // A file that is not a radio data file would put an empty configuration into the radio.
  if (status != kExitOk) return status;

  CVoicePackage packages(context.files.ProgramDirectory());
  packages.FindById(doc.VoiceId());
  RadiosTask task;
  task.verify = parsed->Has("--verify");
  task.overwriteVoice = parsed->Has("--overwrite-voice");
  task.writeCalibration = parsed->Has("--with-calibration");
  task.yes = parsed->Has("--yes");
  return RunRadios(context, doc, packages, *choices, task);
}

int CommandVerify(const Context& context, std::vector<std::string> args) {
  int status = kExitOk;
  const std::optional<std::vector<PortChoice>> choices = ParsePortChoices(context, args, status);
  if (!choices) return status;
  const std::optional<Arguments> parsed = Parse(context, args, {"--with-calibration"}, status);
  if (!parsed) return status;

  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = OpenDataFile(context, doc, parsed->file, status)) return *stop;
  if (status != kExitOk) return status;
  CVoicePackage packages(context.files.ProgramDirectory());
  RadiosTask task;
  task.write = false;
  task.verify = true;
  task.writeCalibration = parsed->Has("--with-calibration");
  return RunRadios(context, doc, packages, *choices, task);
}

namespace {

// Why a device cannot be opened, in a user's words where the system's are not enough.
std::string OpenFailureReason(const AppFiles& files, const std::string& path, int error) {
  if (error == CSerial::kNotADevice) return files.GetText("IDS_ERROR_NOTSERIAL");
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
                << (opens ? context.files.GetText("IDS_PORT_AVAILABLE") : OpenFailureReason(context.files, path, probe.LastError()))
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
