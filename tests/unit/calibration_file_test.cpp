// The calibration file of corvane-cli calibration: what it writes reads back, which
// lines it takes and which it refuses, with their line numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/calibration_file.h"
#include "radio/image_map.h"

namespace {

constexpr const char* kModelLine = "model=3730345520564300\n";

std::size_t FieldIndex(std::string_view caption) {
  const auto fields = CalibrationFields();
  return static_cast<std::size_t>(
      std::find_if(fields.begin(), fields.end(), [&](const CalibrationField& f) { return f.caption == caption; }) -
      fields.begin());
}

TEST(CalibrationFile, WhatIsWrittenReadsBackInTheOrderOfTheTable) {
  CalibrationArea area{};
  for (std::size_t k = 0; k < area.size(); ++k) area[k] = static_cast<std::uint8_t>(255 - 7 * k);
  const ModelIdentifier model = {0x37, 0x30, 0x34, 0x55, 0x20, 0x56, 0x43, 0x00};
  const std::string text = calibration_file::Format(model, area);

  std::vector<std::string> names;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    if (!line.starts_with("#")) names.push_back(line.substr(0, line.find('=')));
    at = end + 1;
  }
  std::vector<std::string> expected = {"model"};
  for (const CalibrationField& field : CalibrationFields()) expected.emplace_back(field.caption);
  EXPECT_EQ(names, expected);  // the bytes no item names are not in the file
  EXPECT_NE(text.find("\nmodel=3730345520564300\n"), std::string::npos) << text;

  const calibration_file::Parsed parsed = calibration_file::Parse(text);
  ASSERT_TRUE(parsed.problems.empty()) << parsed.problems.front().subject;
  EXPECT_EQ(parsed.contents.model, model);
  for (std::size_t k = 0; k < CalibrationFields().size(); ++k)
    EXPECT_EQ(parsed.contents.byField[k], area[CalibrationFields()[k].offset - image::kCalibration])
        << CalibrationFields()[k].caption;
}

TEST(CalibrationFile, TakesGoodLinesAndLeavesOutTheItemsNotGiven) {
  const struct {
    const char* line;
    const char* caption;
    int value;
  } cases[] = {
      {"Voltage=0", "Voltage", 0},
      {"Voltage=255", "Voltage", 255},
      {"  voltage =  17  ", "Voltage", 17},
      {"L TUNE=007", "L Tune", 7},
      {"H H P=9\r", "H H P", 9},  // written on Windows
      {"2T=\t128", "2T", 128},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const calibration_file::Parsed parsed =
        calibration_file::Parse(std::string(kModelLine) + "# L Tune=300\n\n   \n" + c.line + "\n");
    ASSERT_TRUE(parsed.problems.empty()) << parsed.problems.front().textKey;
    for (std::size_t k = 0; k < CalibrationFields().size(); ++k) {
      if (k == FieldIndex(c.caption)) EXPECT_EQ(parsed.contents.byField[k], c.value);
      else EXPECT_EQ(parsed.contents.byField[k], std::nullopt) << CalibrationFields()[k].caption;
    }
  }
  // No newline at the end, and lower-case hexadecimal digits.
  const calibration_file::Parsed last = calibration_file::Parse("model=37303455205643ab\nSQL3=3");
  ASSERT_TRUE(last.problems.empty());
  EXPECT_EQ(last.contents.model[7], 0xAB);
  EXPECT_EQ(last.contents.byField[FieldIndex("SQL3")], 3);
}

TEST(CalibrationFile, RefusesBadLinesWithTheirNumbers) {
  const struct {
    const char* line;
    const char* key;
  } cases[] = {
      {"Voltage=256", "IDS_CALFILE_RANGE"},
      {"Voltage=300", "IDS_CALFILE_RANGE"},
      {"Voltage=-1", "IDS_CALFILE_RANGE"},
      {"Voltage=+1", "IDS_CALFILE_RANGE"},
      {"Voltage=", "IDS_CALFILE_RANGE"},
      {"Voltage=0x10", "IDS_CALFILE_RANGE"},
      {"Voltage=1 2", "IDS_CALFILE_RANGE"},
      {"Voltage=12 # comment", "IDS_CALFILE_RANGE"},
      {"Voltage=99999999999999999999999", "IDS_CALFILE_RANGE"},
      {"Volt=1", "IDS_CALFILE_UNKNOWN"},
      {"LTune=1", "IDS_CALFILE_UNKNOWN"},
      {"raw.3E1=5", "IDS_CALFILE_UNKNOWN"},
      {"=5", "IDS_CALFILE_UNKNOWN"},
      {"Voltage 12", "IDS_CALFILE_NOTPAIR"},
      {"SQL3=1", "IDS_CALFILE_TWICE"},
      {"sql3=1", "IDS_CALFILE_TWICE"},
      {"model=3730345520564300", "IDS_CALFILE_TWICE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const calibration_file::Parsed parsed =
        calibration_file::Parse(std::string(kModelLine) + "SQL3=2\n\n" + c.line + "\nSQL9=4\n");
    ASSERT_EQ(parsed.problems.size(), 1u);
    EXPECT_EQ(parsed.problems[0].line, 4);
    EXPECT_EQ(parsed.problems[0].textKey, c.key);
    EXPECT_EQ(parsed.problems[0].subject, c.line);
  }
}

TEST(CalibrationFile, NeedsOneGoodModelLineAndReportsEveryProblem) {
  const struct {
    const char* text;
    std::vector<std::pair<int, std::string>> problems;
  } cases[] = {
      {"Voltage=1\n", {{0, "IDS_CALFILE_NOMODEL"}}},
      {"", {{0, "IDS_CALFILE_NOMODEL"}}},
      {"model=37303455205643\n", {{1, "IDS_CALFILE_BADMODEL"}}},
      {"model=373034552056430G\n", {{1, "IDS_CALFILE_BADMODEL"}}},
      {"model=3730345520564300 00\n", {{1, "IDS_CALFILE_BADMODEL"}}},
      {"Voltage=256\nmodel=3730345520564300\nVoltage=1\nx\n",
       {{1, "IDS_CALFILE_RANGE"}, {3, "IDS_CALFILE_TWICE"}, {4, "IDS_CALFILE_NOTPAIR"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::pair<int, std::string>> found;
    for (const calibration_file::Problem& problem : calibration_file::Parse(c.text).problems)
      found.emplace_back(problem.line, problem.textKey);
    EXPECT_EQ(found, c.problems);
  }
}

}  // namespace
