#include "cli/password_command.h"

#include <optional>
#include <ostream>

#include "link/radio_password.h"
#include "link/serial.h"
#include "link/wire.h"
#include "radio/document.h"
#include "settings/app_files.h"

namespace cli {
namespace {

struct PasswordRequest {
  std::string oldPassword;                 // --old: the radio's current password ("" none)
  std::optional<std::string> newPassword;  // --new: "" removes the password
  std::optional<bool> lowPower;            // --low-power on|off
};

// --old CODE, then exactly one of --new CODE and --low-power on|off; nullopt (status
// set) otherwise. The port options were taken out before.
std::optional<PasswordRequest> ParseRequest(const Context& context, const std::vector<std::string>& args, int& status) {
  PasswordRequest request;
  bool oldGiven = false;
  for (std::size_t i = 0; i < args.size(); i += 2) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) {
      status = context.UsageError(option);
      return std::nullopt;
    }
    const std::string& value = args[i + 1];
    if (option == "--old" && !oldGiven) {
      request.oldPassword = value;
      oldGiven = true;
    } else if (option == "--new" && !request.newPassword) {
      request.newPassword = value;
    } else if (option == "--low-power" && !request.lowPower && (value == "on" || value == "off")) {
      request.lowPower = value == "on";
    } else {
      status = context.UsageError(option + " " + value);
      return std::nullopt;
    }
  }
  if (request.newPassword.has_value() == request.lowPower.has_value()) {
    status = context.UsageError("--new CODE | --low-power on|off");
    return std::nullopt;
  }
  return request;
}

// The dialog's message for an outcome, on standard error.
int Fail(const Context& context, PasswordOutcome outcome, const SerialPort& port) {
  context.err << PasswordMessageText(outcome, context.files, port) << "\n";
  return kExitFailure;
}

std::string ConfirmationKey(const PasswordRequest& request) {
  if (request.newPassword) return request.newPassword->empty() ? "IDS_CLI_PASSWORD_REMOVED" : "IDS_CLI_PASSWORD_SET";
  return *request.lowPower ? "IDS_CLI_LOWPOWER_ON" : "IDS_CLI_LOWPOWER_OFF";
}

}  // namespace

int CommandPassword(const Context& context, std::vector<std::string> args) {
  int status = kExitOk;
  const std::optional<PortChoice> choice = ParsePortChoice(context, args, status);
  if (!choice) return status;
  const std::optional<PasswordRequest> request = ParseRequest(context, args, status);
  if (!request) return status;

  // Entries that can never be right are refused before the radio is asked.
  CSerial port(context.files.SettingsPath());
  if (!PasswordLengthValid(request->oldPassword)) return Fail(context, PasswordOutcome::LengthWrong, port);
  if (request->newPassword) {
    const PasswordOutcome checked = CheckNewPassword(*request->newPassword, *request->newPassword);
    if (checked != PasswordOutcome::Done) return Fail(context, checked, port);
  }

  if (!OpenChosenPort(context, port, *choice)) return kExitFailure;
  // The cable and the radio settle after the lines were raised, as for a port the link opens.
  if (port.IsOpen()) port.Pause(wire::kPortSettleMs);
  const PasswordLink link{choice->port, !choice->Named()};
  // Nothing of the radio's configuration is needed: the exchanges bring in the block they send back.
  CTavroPgmDoc doc(context.files);
  const PasswordOutcome outcome =
      request->newPassword
          ? ChangePassword(port, doc, request->oldPassword, *request->newPassword, *request->newPassword, link)
          : ProgramLowPower(port, doc, request->oldPassword, *request->lowPower, link);
  if (outcome != PasswordOutcome::Done) return Fail(context, outcome, port);
  context.out << context.files.GetText(ConfirmationKey(*request)) << "\n";
  return kExitOk;
}

}  // namespace cli
