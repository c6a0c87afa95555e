#pragma once
// The help of corvane-cli: the whole text for --help, and each command's part of it for
// "COMMAND --help" and "help COMMAND".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// The text of corvane-cli --help.
std::string UsageText();
// The part of the help about one command, with the notes that apply to it; nullopt for
// a name that is no command.
std::optional<std::string> CommandUsage(std::string_view command);
// The commands, in the order the help lists them.
std::vector<std::string_view> CommandNames();
// "corvane-cli 0.1.0": the answer to --version.
std::string VersionText();

}  // namespace cli
