// Feeds arbitrary text to the reader of corvane-cli calibration's file. Every problem names
// a line of the text (or the file as a whole) and a known message; a file without problems
// gives values the writer writes back into a file that reads as the same; and whatever the
// writer makes of a radio's area reads back without a problem.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "link/calibration_file.h"

namespace {

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "calibration file: %s\n", what);
  std::abort();
}

bool KnownProblem(std::string_view key) {
  for (std::string_view known : {"IDS_CALFILE_NOTPAIR", "IDS_CALFILE_TWICE", "IDS_CALFILE_BADMODEL",
                                 "IDS_CALFILE_UNKNOWN", "IDS_CALFILE_RANGE", "IDS_CALFILE_NOMODEL"})
    if (key == known) return true;
  return false;
}

// Reads text that has no problem and checks it gives model and, for every field, the byte
// of area (a field the file leaves out reads as not given).
void CheckReadsAs(const std::string& text, const ModelIdentifier& model, const calibration_file::Contents& expected) {
  const calibration_file::Parsed parsed = calibration_file::Parse(text);
  Check(parsed.problems.empty(), "a written file has a problem");
  Check(parsed.contents.model == model, "a written file gives another model");
  const std::span<const CalibrationField> fields = CalibrationFields();
  Check(parsed.contents.byField.size() == fields.size(), "a field count that is not the table's");
  for (std::size_t k = 0; k < fields.size(); ++k)
    Check(!expected.byField[k] || parsed.contents.byField[k] == expected.byField[k], "a written value reads back as another");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const calibration_file::Parsed parsed = calibration_file::Parse(text);
  const std::span<const CalibrationField> fields = CalibrationFields();
  Check(parsed.contents.byField.size() == fields.size(), "a field count that is not the table's");
  const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  for (const calibration_file::Problem& problem : parsed.problems) {
    Check(KnownProblem(problem.textKey), "a problem without a known message");
    Check(problem.line >= 0 && problem.line <= lines, "a problem on a line the file does not have");
    Check(problem.subject.find('\n') == std::string::npos && text.find(problem.subject) != std::string_view::npos,
          "a problem quotes text that is not one line of the file");
  }

  // Any radio's area, here the input's first bytes, writes a file that reads back whole.
  CalibrationArea area{};
  std::copy_n(data, std::min(size, area.size()), area.begin());
  ModelIdentifier model{};
  std::copy_n(data + std::min(size, area.size()), std::min(size - std::min(size, area.size()), model.size()), model.begin());
  calibration_file::Contents whole{model, {}};
  for (const CalibrationField& field : fields) whole.byField.emplace_back(area[field.offset - image::kCalibration]);
  CheckReadsAs(calibration_file::Format(model, area), model, whole);

  if (!parsed.problems.empty()) return 0;
  // A file without problems: its values, written over an erased area, read back as they were.
  CalibrationArea given;
  given.fill(0xFF);
  for (std::size_t k = 0; k < fields.size(); ++k)
    if (parsed.contents.byField[k]) given[fields[k].offset - image::kCalibration] = *parsed.contents.byField[k];
  CheckReadsAs(calibration_file::Format(parsed.contents.model, given), parsed.contents.model, parsed.contents);
  return 0;
}
