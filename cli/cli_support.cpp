#include "cli/cli_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/port_survey.h"
#include "link/serial.h"
#include "radio/document.h"
#include "settings/app_files.h"
#include "settings/file_io.h"

namespace cli {

int Context::UsageError(const std::string& detail) const {
  err << files.GetText("IDS_CLI_BADARGS") << " " << detail << "\n";
  return kExitUsage;
}

int Context::FileFailure(const FileError& error) const {
  err << error.Text(files) << "\n";
  return kExitFailure;
}

std::optional<int> Context::RefuseUnwritable(const std::filesystem::path& path) const {
  if (file_io::MayReplace(path)) return std::nullopt;
  return FileFailure(WriteFailure("IDS_ERROR_SAVEFILE", path, errno));
}

bool Arguments::Has(const std::string& flag) const {
  return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

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

PromptAnswer CliPrompter::Ask(const PromptRequest& request) {
  err_ << request.Text(files_) << "\n";
  return request.buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
}

std::optional<int> OpenDataFile(const Context& context, CTavroPgmDoc& doc, const std::string& path, int& status) {
  CliPrompter prompter(context.files, context.err);
  FileError error;
  switch (doc.OnOpenDocument(path, prompter, error)) {
    case CTavroPgmDoc::OpenOutcome::Opened: status = kExitOk; return std::nullopt;
    case CTavroPgmDoc::OpenOutcome::OpenedWithoutData: status = kExitNotADataFile; return std::nullopt;
    case CTavroPgmDoc::OpenOutcome::Failed: break;
  }
  return context.FileFailure(error);
}

std::optional<std::vector<PortChoice>> ParsePortChoices(const Context& context, std::vector<std::string>& args,
                                                        int& status) {
  std::vector<PortChoice> choices;
  for (std::size_t i = 0; i < args.size();) {
    if ((args[i] == "--port" || args[i] == "--device") && i + 1 < args.size()) {
      PortChoice choice;
      if (args[i] == "--port") {
        choice.port = std::atoi(args[i + 1].c_str());
        if (choice.port < 1 || choice.port > 255) {
          status = context.UsageError(args[i] + " " + args[i + 1]);
          return std::nullopt;
        }
      } else {
        choice.device = args[i + 1];
      }
      choices.push_back(choice);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      continue;
    }
    ++i;
  }
  return choices;
}

std::optional<PortChoice> ParsePortChoice(const Context& context, std::vector<std::string>& args, int& status) {
  const std::optional<std::vector<PortChoice>> choices = ParsePortChoices(context, args, status);
  if (!choices) return std::nullopt;
  if (choices->size() > 1) {
    // One radio: a second port would silently replace the first.
    const PortChoice& second = (*choices)[1];
    status = context.UsageError(second.device.empty() ? "--port " + std::to_string(second.port) : "--device " + second.device);
    return std::nullopt;
  }
  return choices->empty() ? PortChoice{} : choices->front();
}

std::string OpenChosenPortError(const Context& context, CSerial& port, const PortChoice& choice) {
  if (!choice.Named()) return {};
  if (choice.device.empty() ? port.Open(choice.port) : port.OpenDevice(choice.device)) return {};
  return port_survey::PortProblemText(context.files, port.LastOpenFailure());
}

bool OpenChosenPort(const Context& context, CSerial& port, const PortChoice& choice) {
  const std::string error = OpenChosenPortError(context, port, choice);
  if (!error.empty()) context.err << error << "\n";
  return error.empty();
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

}  // namespace cli
