// corvane-cli commands that talk to a radio or list what the link can use.
#include "cli/radio_commands.h"

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
#include "link/port_survey.h"
#include "link/serial.h"
#include "link/transfer.h"
#include "link/voice_package.h"
#include "radio/backups.h"
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

// What a transfer that ended in `state` failed of: why its one port could not be opened, or
// the state's message.
std::string TransferFailureText(const Context& context, const TransferParams& params, TransferState state, bool isRead) {
  if (state == TransferState::NoLink && params.openFailure.error != 0)
    return port_survey::PortProblemText(context.files, params.openFailure);
  return context.files.GetText(FailureKey(state, isRead));
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
    context.err << TransferFailureText(context, job->Params(), final, true) << "\n";
    return kExitFailure;
  }
  // The read has succeeded whatever becomes of its backup.
  if (const backup::Kept kept = backup::Keep(doc); kept.error) context.err << kept.error->Text(context.files) << "\n";
  FileError error;
  if (!doc.OnSaveDocument(parsed->file, error)) return context.FileFailure(error);
  return kExitOk;
}

namespace {

// One radio of a write or verification: its port, the transfer running on it and, at the
// end, what became of it.
struct RadioRun {
  enum class Phase { BackingUp, Writing, Verifying, Done };
  std::string name;
  PortChoice choice;
  std::unique_ptr<CSerial> port;
  std::shared_ptr<TransferJob> job;
  Phase phase = Phase::Writing;
  std::string failure;  // empty: the radio holds the configuration
  std::vector<image_diff::Difference> differences;
  std::optional<std::array<std::uint8_t, block::kImageSize>> written;  // what the write sent
  std::unique_ptr<CTavroPgmDoc> before;  // the radio's configuration read before the write
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
  bool backup = false;  // read each radio and keep it as a backup before writing it
  bool verify = false;
  bool overwriteVoice = false;
  bool writeCalibration = false;  // the file's calibration area, not each radio's own
  bool yes = false;
};

// Starts the write of doc to radio, or (without task.write) the read that is compared with
// it. False when the voice data a write sends cannot be read: nothing started.
bool StartTransfer(CTavroPgmDoc& doc, CVoicePackage& packages, const RadiosTask& task, RadioRun& radio,
                   FileError& voiceError) {
  TransferOptions options = OptionsFor(radio.choice, !task.write);
  options.overwriteVoice = task.overwriteVoice;
  options.writeCalibration = task.writeCalibration;
  radio.job = TransferJob::Start(doc, *radio.port, options, task.write ? &packages : nullptr, &voiceError);
  if (radio.job == nullptr) return false;
  radio.phase = task.write ? RadioRun::Phase::Writing : RadioRun::Phase::Verifying;
  return true;
}

// The backup read of radio ended in `state`: a configuration read is kept, and the write
// follows in a session of its own; otherwise nothing is written.
void AfterBackupRead(const Context& context, CTavroPgmDoc& doc, CVoicePackage& packages, const RadiosTask& task,
                     RadioRun& radio, TransferState state) {
  if (!radio.job->HandOver(*radio.before)) {
    radio.failure = TransferFailureText(context, radio.job->Params(), state, true);
    return;
  }
  if (const backup::Kept kept = backup::Keep(*radio.before); kept.error) {
    FileError error = *kept.error;
    error.textKey = "IDS_BACKUP_NOTKEPT";
    radio.failure = error.Text(context.files);
    return;
  }
  // A second-generation radio listens at 38400 baud until its read session ends.
  if (!radio.port->Reopen()) {
    radio.failure = context.files.GetText("IDS_ERROR_PORTCONN");
    return;
  }
  FileError voiceError;
  if (!StartTransfer(doc, packages, task, radio, voiceError)) radio.failure = voiceError.Text(context.files);
}

// After a transfer of `radio` ended in `state`: the next phase, or the result.
void Advance(const Context& context, CTavroPgmDoc& doc, CVoicePackage& packages, const RadiosTask& task,
             RadioRun& radio, TransferState state) {
  radio.job->Wait();
  if (radio.phase == RadioRun::Phase::BackingUp) {
    AfterBackupRead(context, doc, packages, task, radio, state);
    if (radio.failure.empty()) return;
  } else if (radio.phase == RadioRun::Phase::Writing) {
    if (state != TransferState::WriteDone) {
      radio.failure = TransferFailureText(context, radio.job->Params(), state, false);
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
    radio.failure = TransferFailureText(context, radio.job->Params(), state, true);
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
  if (task.backup) {
    // A voice package that cannot be sent ends the write before any radio is read.
    if (const std::optional<FileError> error =
            WriteVoiceError(context.files.ProgramDirectory(), &packages, task.overwriteVoice))
      return context.FileFailure(*error);
  }
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
    if (task.backup) {
      radio.before = std::make_unique<CTavroPgmDoc>(context.files);
      radio.job = TransferJob::Start(*radio.before, *radio.port, OptionsFor(radio.choice, true), nullptr);
      radio.phase = RadioRun::Phase::BackingUp;
      continue;
    }
    FileError voiceError;
    if (!StartTransfer(doc, packages, task, radio, voiceError)) {
      // The same for every radio, so found at the first, before anything was sent; a worker
      // started all the same still holds its port.
      for (RadioRun& started : radios) {
        if (started.job == nullptr) continue;
        started.job->Cancel();
        started.job->Wait();
      }
      return context.FileFailure(voiceError);
    }
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
        Advance(context, doc, packages, task, radio, state);
        continue;
      }
      const char* key = radio.phase == RadioRun::Phase::Verifying   ? "IDS_PROMPT_VERIFY"
                        : radio.phase == RadioRun::Phase::BackingUp ? "IDS_PROMPT_BACKUP"
                                                                    : "IDS_PROMPT_WRITE";
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
      Parse(context, args, {"--overwrite-voice", "--with-calibration", "--yes", "--verify", "--backup"}, status);
  if (!parsed) return status;

  CTavroPgmDoc doc(context.files);
  if (const std::optional<int> stop = OpenDataFile(context, doc, parsed->file, status)) return *stop;
  // A file that is not a radio data file would put an empty configuration into the radio.
  if (status != kExitOk) return status;

  CVoicePackage packages(context.files.ProgramDirectory());
  packages.FindById(doc.VoiceId());
  RadiosTask task;
  task.verify = parsed->Has("--verify");
  task.backup = parsed->Has("--backup");
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

// The running system as ports and doctor look at it.
port_survey::SystemView SystemOf(const Context& context) {
  port_survey::SystemView system = port_survey::SystemView::OfThisProcess();
  system.root = context.systemRoot;
  return system;
}

// Empty when this user can open the device; otherwise why not, and what to do.
std::string WhyNotUsable(const Context& context, const port_survey::SystemView& system, const std::string& device) {
  CSerial probe;
  if (probe.OpenDevice(port_survey::BelowRoot(system.root, device).string())) return {};
  return port_survey::PortProblemText(context.files, system, device, probe.LastError());
}

struct NumberedPort {
  int port = 0;
  std::string device;
  std::string problem;  // empty: usable
};

// The port numbers in use: those section [ports] names and those of the devices present.
std::vector<NumberedPort> NumberedPorts(const Context& context, const port_survey::SystemView& system) {
  const std::size_t present = SerialDevicesPresent(system.root).size();
  std::vector<NumberedPort> ports;
  for (int port = 1; port <= 255; ++port) {
    const bool mapped = context.files.FindSetting("ports", std::to_string(port)).has_value();
    if (!mapped && static_cast<std::size_t>(port) > present) continue;
    NumberedPort numbered{port, DevicePathForPort(context.files.SettingsPath(), port, system.root), {}};
    numbered.problem = numbered.device.empty()
                           ? port_survey::PortProblemText(context.files, PortOpenFailure{port, "", ENOENT})
                           : WhyNotUsable(context, system, numbered.device);
    ports.push_back(std::move(numbered));
  }
  return ports;
}

void PrintPortLine(const Context& context, const NumberedPort& port) {
  context.out << port.port << "\t" << port.device << "\t"
              << (port.problem.empty() ? context.files.GetText("IDS_PORT_AVAILABLE") : port.problem) << "\n";
}

// The port number a cable is assigned to: an entry of section [ports] naming its by-id path
// or its device, else its place among the devices present when no entry takes that number.
std::optional<int> AssignedPort(const Context& context, const port_survey::UsbCable& cable,
                                const std::vector<std::string>& present) {
  std::optional<int> byPlace;
  for (int port = 1; port <= 255; ++port) {
    const std::optional<std::string> entry = context.files.FindSetting("ports", std::to_string(port));
    if (entry && !entry->empty() && (*entry == cable.byIdPath || *entry == cable.deviceNode)) return port;
    const auto index = static_cast<std::size_t>(port - 1);
    if (!entry && !byPlace && index < present.size() && present[index] == cable.deviceNode) byPlace = port;
  }
  return byPlace;
}

// One tab-separated line a cable: device, by-id name, vendor:product, manufacturer, product,
// serial number, driver, assigned port number or "unassigned".
std::string CableLine(const Context& context, const port_survey::UsbCable& cable, const std::vector<std::string>& present) {
  const std::optional<int> port = AssignedPort(context, cable, present);
  return cable.deviceNode + "\t" + cable.byIdPath + "\t" + cable.vendorId + ":" + cable.productId + "\t" +
         cable.manufacturer + "\t" + cable.product + "\t" + cable.serialNumber + "\t" + cable.driver + "\t" +
         (port ? std::to_string(*port) : context.files.GetText("IDS_PORT_UNASSIGNED"));
}

}  // namespace

int CommandPorts(const Context& context, std::vector<std::string> args) {
  if (!args.empty()) return context.UsageError(args.front());
  const port_survey::SystemView system = SystemOf(context);
  const std::vector<NumberedPort> ports = NumberedPorts(context, system);
  for (const NumberedPort& port : ports) PrintPortLine(context, port);
  if (ports.empty()) context.err << context.files.GetText("IDS_NO_PORTS") << "\n";
  const std::vector<std::string> present = SerialDevicesPresent(system.root);
  for (const port_survey::UsbCable& cable : port_survey::UsbCables(system.root))
    context.out << CableLine(context, cable, present) << "\n";
  return kExitOk;
}

int CommandDoctor(const Context& context, std::vector<std::string> args) {
  if (!args.empty()) return context.UsageError(args.front());
  const LanguageTexts texts = context.files.Texts();
  const port_survey::SystemView system = SystemOf(context);
  bool anyUsable = false;

  context.out << texts.GetText("IDS_DOCTOR_CABLES") << "\n";
  const std::vector<std::string> present = SerialDevicesPresent(system.root);
  const std::vector<port_survey::UsbCable> cables = port_survey::UsbCables(system.root);
  for (const port_survey::UsbCable& cable : cables) {
    const std::string problem = WhyNotUsable(context, system, cable.deviceNode);
    anyUsable = anyUsable || problem.empty();
    context.out << "  " << CableLine(context, cable, present) << "\t"
                << (problem.empty() ? texts.GetText("IDS_PORT_AVAILABLE") : problem) << "\n";
  }
  if (cables.empty()) context.out << "  " << texts.GetText("IDS_DOCTOR_NOCABLES") << "\n";
  const std::vector<port_survey::CableWithoutPort> portless = port_survey::CablesWithoutPort(system.root);
  const bool brltty = port_survey::ProgramRunning(system.root, "brltty");
  if (!portless.empty()) {
    context.out << texts.GetText("IDS_DOCTOR_TAKEN") << "\n";
    for (const port_survey::CableWithoutPort& cable : portless) {
      context.out << "  " << cable.usbPath << "\t" << cable.vendorId << ":" << cable.productId << "\t" << cable.product;
      if (brltty) context.out << "\t" << port_survey::TakenCableText(context.files, cable);
      context.out << "\n";
    }
  }

  context.out << texts.GetText("IDS_DOCTOR_PORTS") << "\n";
  const std::vector<NumberedPort> ports = NumberedPorts(context, system);
  for (const NumberedPort& port : ports) {
    anyUsable = anyUsable || port.problem.empty();
    context.out << "  ";
    PrintPortLine(context, port);
  }
  if (ports.empty()) context.out << "  " << texts.GetText("IDS_DOCTOR_NOPORTS") << "\n";

  auto yesNo = [&texts](bool yes) { return texts.GetText(yes ? "IDS_DOCTOR_YES" : "IDS_DOCTOR_NO"); };
  context.out << texts.GetText("IDS_DOCTOR_GROUPS") << " " << system.user.userName << "\n";
  for (const port_survey::GroupMembership& group : port_survey::Memberships(system.root, system.user))
    context.out << "  " << group.groupName << "\t" << yesNo(group.inGroupFile) << "\t" << yesNo(group.inLogin) << "\n";

  auto running = [&](std::string_view program) {
    return texts.GetText(port_survey::ProgramRunning(system.root, program) ? "IDS_DOCTOR_RUNNING" : "IDS_DOCTOR_NOTRUNNING");
  };
  context.out << texts.GetText("IDS_DOCTOR_BRLTTY") << "\t" << running("brltty") << "\n";
  context.out << texts.GetText("IDS_DOCTOR_MODEMMANAGER") << "\t" << running("ModemManager") << "\n";
  const std::string rule = port_survey::InstalledUdevRule(system.root);
  context.out << texts.GetText("IDS_DOCTOR_UDEV") << "\t"
              << (rule.empty() ? texts.GetText("IDS_DOCTOR_NOTINSTALLED") : texts.GetText("IDS_DOCTOR_INSTALLED") + "\t" + rule)
              << "\n";
  context.out << texts.GetText(anyUsable ? "IDS_DOCTOR_USABLE" : "IDS_DOCTOR_UNUSABLE") << "\n";
  return anyUsable ? kExitOk : kExitFailure;
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
