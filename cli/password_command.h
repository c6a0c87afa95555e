#pragma once
// corvane-cli password: changes the radio's password, or stores its always-low-power
// setting after proving the password.

#include <string>
#include <vector>

#include "cli/cli_support.h"

namespace cli {
int CommandPassword(const Context& context, std::vector<std::string> args);
}  // namespace cli
