// corvane-cli calibration read|write: the calibration table of test mode as a text file
// (link/calibration_file.h). There is no port search here, as in test mode: the port is
// --device, --port N, or "com" of setting.ini (opened by the exchange).
#include "cli/calibration_command.h"

#include <cerrno>
#include <optional>
#include <string>

#include "link/calibration_file.h"
#include "link/serial.h"
#include "link/test_functions.h"
#include "radio/document.h"
#include "settings/app_files.h"
#include "settings/file_io.h"

namespace cli {
namespace {

// The message box the window would show, as one line; the failure status.
int Failed(const Context& context, TestLinkOutcome outcome, const SerialPort& port) {
  if (const std::optional<PromptRequest> message = TestLinkMessage(outcome, TestDialog::Calibration, context.files, port))
    context.err << message->Text(context.files) << "\n";
  return kExitFailure;
}

int Read(const Context& context, const PortChoice& choice, const std::string& path) {
  if (const std::optional<int> refused = context.RefuseUnwritable(path)) return *refused;
  CSerial port(context.files.SettingsPath());
  if (!OpenChosenPort(context, port, choice)) return kExitFailure;
  const RadioCalibration read = ReadRadioCalibration(port, context.files.SettingsPath());
  if (read.outcome != TestLinkOutcome::ReadDone) return Failed(context, read.outcome, port);
  if (!file_io::ReplaceFileAtomically(path, calibration_file::Format(read.model, read.area)))
    return context.FileFailure(WriteFailure("IDS_CALFILE_NOTSAVED", path, errno));
  return kExitOk;
}

// The file's contents; nullopt after a line on standard error for each problem.
std::optional<calibration_file::Contents> Load(const Context& context, const std::string& path) {
  const std::optional<std::string> text = file_io::ReadFile(path, calibration_file::kMaxSize + 1);
  if (!text) {
    context.FileFailure(FileError{"IDS_ERROR_OPENFILE", path, errno});
    return std::nullopt;
  }
  if (text->size() > calibration_file::kMaxSize) {
    context.err << path << ": " << context.files.GetText("IDS_CALFILE_TOOLARGE") << "\n";
    return std::nullopt;
  }
  calibration_file::Parsed parsed = calibration_file::Parse(*text);
  for (const calibration_file::Problem& problem : parsed.problems) {
    context.err << path << (problem.line > 0 ? ":" + std::to_string(problem.line) : std::string()) << ": "
                << context.files.GetText(problem.textKey) << (problem.subject.empty() ? "" : " " + problem.subject)
                << "\n";
  }
  if (!parsed.problems.empty()) return std::nullopt;
  return std::move(parsed.contents);
}

int Write(const Context& context, const PortChoice& choice, const std::string& path) {
  // Every value is checked before the port is touched.
  const std::optional<calibration_file::Contents> contents = Load(context, path);
  if (!contents) return kExitFailure;
  CSerial port(context.files.SettingsPath());
  if (!OpenChosenPort(context, port, choice)) return kExitFailure;
  const TestLinkOutcome outcome =
      WriteRadioCalibration(port, context.files.SettingsPath(), contents->model, contents->byField);
  return outcome == TestLinkOutcome::WriteDone ? kExitOk : Failed(context, outcome, port);
}

}  // namespace

int CommandCalibration(const Context& context, std::vector<std::string> args) {
  if (args.empty()) return context.UsageError("read|write");
  const std::string action = args.front();
  args.erase(args.begin());
  if (action != "read" && action != "write") return context.UsageError(action);
  int status = kExitOk;
  const std::optional<PortChoice> choice = ParsePortChoice(context, args, status);
  if (!choice) return status;
  const std::optional<Arguments> parsed = Parse(context, args, {}, status);
  if (!parsed) return status;
  return action == "read" ? Read(context, *choice, parsed->file) : Write(context, *choice, parsed->file);
}

}  // namespace cli
