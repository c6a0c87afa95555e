#pragma once
// corvane-cli: scripting access to configurations and radios.

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Exit statuses shared by all commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;     // a file or the radio failed
inline constexpr int kExitUsage = 2;       // bad command line
inline constexpr int kExitNotADataFile = 3;  // the file's header was not recognised

// Runs one command line (without the program name); output and messages go to out and err.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
