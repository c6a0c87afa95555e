#include "link/calibration_file.h"

#include <algorithm>
#include <cstdio>

#include "settings/ascii.h"

namespace calibration_file {
namespace {

constexpr std::string_view kModelName = "model";

std::optional<std::uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  c = ascii::Lower(c);
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  return std::nullopt;
}

std::optional<ModelIdentifier> ParseModel(std::string_view text) {
  ModelIdentifier model{};
  if (text.size() != 2 * model.size()) return std::nullopt;
  for (std::size_t k = 0; k < model.size(); ++k) {
    const std::optional<std::uint8_t> high = HexDigit(text[2 * k]);
    const std::optional<std::uint8_t> low = HexDigit(text[2 * k + 1]);
    if (!high || !low) return std::nullopt;
    model[k] = static_cast<std::uint8_t>(*high << 4 | *low);
  }
  return model;
}

}  // namespace

std::string Format(const ModelIdentifier& model, const CalibrationArea& area) {
  std::string text =
      "# Calibration values of a radio (corvane-cli calibration). One item a line, name=value,\n"
      "# a whole number from 0 to 255. model names the radio they belong to.\n"
      "model=";
  for (std::uint8_t byte : model) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", byte);
    text += pair;
  }
  text += "\n";
  for (const CalibrationField& field : CalibrationFields())
    text += std::string(field.caption) + "=" + std::to_string(area[field.offset - image::kCalibration]) + "\n";
  return text;
}

Parsed Parse(std::string_view text) {
  Parsed parsed;
  const std::span<const CalibrationField> fields = CalibrationFields();
  parsed.contents.byField.assign(fields.size(), std::nullopt);
  std::vector<bool> given(fields.size(), false);
  bool modelGiven = false;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = ascii::Trim(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const auto problem = [&](const char* key) { parsed.problems.push_back({number, key, std::string(line)}); };
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      problem("IDS_CALFILE_NOTPAIR");
      continue;
    }
    const std::string_view name = ascii::Trim(line.substr(0, equals));
    const std::string_view value = ascii::Trim(line.substr(equals + 1));
    if (ascii::EqualIgnoringCase(name, kModelName)) {
      const std::optional<ModelIdentifier> model = ParseModel(value);
      if (modelGiven) problem("IDS_CALFILE_TWICE");
      else if (!model) problem("IDS_CALFILE_BADMODEL");
      else parsed.contents.model = *model;
      modelGiven = true;
      continue;
    }
    const auto field = std::find_if(fields.begin(), fields.end(),
                                    [&](const CalibrationField& f) { return ascii::EqualIgnoringCase(name, f.caption); });
    if (field == fields.end()) {
      problem("IDS_CALFILE_UNKNOWN");
      continue;
    }
    const auto index = static_cast<std::size_t>(field - fields.begin());
    const std::optional<std::uint8_t> byte = CalibrationByteFromText(value);
    if (given[index]) problem("IDS_CALFILE_TWICE");
    else if (!byte) problem("IDS_CALFILE_RANGE");
    else parsed.contents.byField[index] = byte;
    given[index] = true;
  }
  if (!modelGiven) parsed.problems.push_back({0, "IDS_CALFILE_NOMODEL", {}});
  return parsed;
}

}  // namespace calibration_file
