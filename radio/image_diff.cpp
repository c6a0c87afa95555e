#include "radio/image_diff.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "radio/calibration_items.h"
#include "radio/config_dump.h"
#include "radio/document.h"
#include "settings/app_files.h"

namespace image_diff {
namespace {

std::vector<config_dump::Line> LinesOf(const AppFiles& files, Image image) {
  CTavroPgmDoc doc(files);
  doc.ImageReadFromRadio(image);
  // The speech language follows the voice package identifier, which lies outside the
  // image: both sides show it alike, so no list is needed.
  return config_dump::Lines(doc, files, {});
}

// Key to shown text, with the disabled mark.
using Shown = std::map<std::string, std::string>;

Shown ShownOf(const std::vector<config_dump::Line>& lines) {
  Shown shown;
  for (const config_dump::Line& line : lines) shown.emplace(line.key, line.shown + (line.disabled ? " (disabled)" : ""));
  return shown;
}

std::string Hex(std::uint8_t byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

std::string Offset(std::size_t offset) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%03zX", offset);
  return text;
}

// The item of the calibration table in the byte a difference names by its offset; null for
// a dump key or any other byte.
const CalibrationField* CalibrationFieldNamed(const std::string& name) {
  for (const CalibrationField& field : CalibrationFields())
    if (name == Offset(field.offset)) return &field;
  return nullptr;
}

}  // namespace

std::vector<Difference> Differences(const AppFiles& files, Image expected, Image actual) {
  std::vector<std::size_t> bytes;
  for (std::size_t i = 0; i < expected.size(); ++i)
    if (expected[i] != actual[i]) bytes.push_back(i);
  if (bytes.empty()) return {};

  const std::vector<config_dump::Line> order = LinesOf(files, expected);  // the dump's order
  const Shown before = ShownOf(order);
  const Shown after = ShownOf(LinesOf(files, actual));
  std::vector<Difference> differences;
  std::set<std::string> differing;  // the keys listed
  for (const config_dump::Line& line : order) {
    const auto now = after.find(line.key);
    const std::string& expectedText = before.at(line.key);
    const std::string actualText = now != after.end() ? now->second : "";
    if (expectedText == actualText || !differing.insert(line.key).second) continue;
    differences.push_back({line.key, expectedText, actualText});
  }

  // A byte is covered when changing it alone changes a listed line; the others are
  // named by their offset, so that no differing byte goes unreported.
  std::array<std::uint8_t, block::kImageSize> probe{};
  for (std::size_t offset : bytes) {
    bool covered = false;
    if (!differing.empty()) {
      std::copy(expected.begin(), expected.end(), probe.begin());
      probe[offset] = actual[offset];
      for (const auto& [key, text] : ShownOf(LinesOf(files, probe))) {
        if (differing.contains(key) && before.at(key) != text) {
          covered = true;
          break;
        }
      }
    }
    if (!covered) differences.push_back({Offset(offset), Hex(expected[offset]), Hex(actual[offset])});
  }
  return differences;
}

std::string Format(const Difference& difference, const LanguageTexts& texts) {
  // A byte named by its offset may hold a value of the calibration table: named by its item.
  const CalibrationField* field = CalibrationFieldNamed(difference.name);
  const std::string name =
      field != nullptr ? config_dump::CalibrationItemName(*field, texts) : config_dump::NameOf(difference.name, texts);
  const std::string subject = name == difference.name ? name : name + " (" + difference.name + ")";
  return subject + ": " + difference.expected + " -> " + difference.actual;
}

std::string FailureText(const AppFiles& files, const std::vector<Difference>& differences, std::size_t shown) {
  std::string text = files.GetText("IDS_PROMPT_VERIFYFAIL");
  const LanguageTexts texts = files.Texts();
  for (std::size_t i = 0; i < differences.size() && i < shown; ++i) text += "\n" + Format(differences[i], texts);
  if (differences.size() > shown) text += "\n...";
  return text;
}

}  // namespace image_diff
