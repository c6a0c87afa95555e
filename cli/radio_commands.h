#pragma once
// corvane-cli commands for the radio link: read, write, verify, ports, doctor, voices.

#include <string>
#include <vector>

#include "cli/cli_support.h"

namespace cli {
int CommandRead(const Context& context, std::vector<std::string> args);
int CommandWrite(const Context& context, std::vector<std::string> args);
int CommandVerify(const Context& context, std::vector<std::string> args);
int CommandPorts(const Context& context, std::vector<std::string> args);
int CommandDoctor(const Context& context, std::vector<std::string> args);
int CommandVoices(const Context& context, std::vector<std::string> args);
}  // namespace cli
