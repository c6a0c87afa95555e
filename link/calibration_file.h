#pragma once
// The text file of corvane-cli calibration: a radio's model identifier and the values of
// the calibration table, one "name=value" line each.
//
//   # comment
//   model=3730345520564300
//   Voltage=123
//   L Tune=130
//
// "model" is the identifier the radio reports, 16 hexadecimal digits in image order (as
// setting.ini's model<n>). Every other name is the caption of a calibration item, with
// its value as a whole number from 0 to 255. Names are matched without regard to case,
// blanks around names and values are ignored, blank lines and lines beginning with '#'
// are comments. An item may be left out (the radio keeps its byte) but not given twice.
// The bytes of the calibration area that no item names (the radio password block among
// them) are never in the file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/test_functions.h"

namespace calibration_file {

// Larger files are refused unread.
inline constexpr std::size_t kMaxSize = 64 * 1024;

struct Contents {
  ModelIdentifier model{};
  std::vector<std::optional<std::uint8_t>> byField;  // indexed as CalibrationFields(); nullopt: not given
};

struct Problem {
  int line = 0;         // from 1; 0 for the file as a whole
  std::string textKey;  // the message
  std::string subject;  // the line as written (blanks around it removed)
};

struct Parsed {
  Contents contents;
  std::vector<Problem> problems;  // every one found; the contents are of no use when there is one
};

// The file for a radio's identifier and calibration area: a comment, the model line,
// then every item in the order of the calibration table.
std::string Format(const ModelIdentifier& model, const CalibrationArea& area);

Parsed Parse(std::string_view text);

}  // namespace calibration_file
