#pragma once
// corvane-cli: scripting access to configurations and radios.

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Runs one command line (without the program name); output and messages go to out and err.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
