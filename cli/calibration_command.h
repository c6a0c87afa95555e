#pragma once
// corvane-cli calibration: the radio's calibration table to and from a text file.

#include <string>
#include <vector>

#include "cli/cli_support.h"

namespace cli {
int CommandCalibration(const Context& context, std::vector<std::string> args);
}  // namespace cli
