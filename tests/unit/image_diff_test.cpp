// What differs between two images, by the dump's names, and by offset for bytes that
// change no shown value.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "radio/document.h"
#include "radio/image_diff.h"
#include "tests/unit/test_support.h"

namespace {

std::vector<std::string> Named(const std::vector<image_diff::Difference>& differences) {
  std::vector<std::string> lines;
  const test::ProgramDir home;
  const LanguageTexts texts = home.Files().Texts();
  for (const image_diff::Difference& difference : differences) lines.push_back(image_diff::Format(difference, texts));
  return lines;
}

TEST(ImageDiff, NamesShownFieldsAndOffsetsOfTheRest) {
  test::ProgramDir home;
  const AppFiles files = home.Files();
  test::ScriptedPrompter prompter;
  CTavroPgmDoc doc(files);
  test::NewDocument(doc, prompter);
  doc.SetChannelFrequency(1, true, "446.00625", prompter);
  std::array<std::uint8_t, block::kImageSize> written{};
  std::copy(doc.Image().begin(), doc.Image().end(), written.begin());

  struct Case {
    const char* name;
    std::vector<std::pair<std::size_t, std::uint8_t>> changes;  // offset, value read back
    std::vector<std::string> expected;
  };
  const std::size_t receive = image::ChannelOffset(1);
  const Case cases[] = {
      {"equal", {}, {}},
      // Two bytes of one frequency: one name, and no offsets beside it.
      {"one field", {{receive, 0x00}, {receive + 1, 0x00}}, {"CH 1 / RX Freq [MHz] (150.1.1): 446.006250 -> "}},
      // A low byte of free channel 12's frequency: the channel stays free and shows nothing.
      {"no shown value", {{image::ChannelOffset(12), 0x00}}, {"0x0C0: FF -> 00"}},
      // A value of the calibration table: named as the table names it.
      {"calibration item", {{image::calibration::kVoltage, 0x76}}, {"Voltage (0x3E4): FF -> 76"}},
      {"password block", {{image::kPassword, 0x12}}, {"0x3ED: FF -> 12"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::array<std::uint8_t, block::kImageSize> read = written;
    for (const auto& [offset, value] : c.changes) read[offset] = value;
    std::vector<std::string> named = Named(image_diff::Differences(files, written, read));
    // The read-back text of a garbled frequency is whatever the page shows; the name matters.
    for (std::string& line : named)
      if (line.find("(150.1.1): ") != std::string::npos) line = line.substr(0, line.find(" -> ") + 4);
    EXPECT_EQ(named, c.expected);
  }
}

TEST(ImageDiff, FailureTextListsTheFirstDifferencesAndMarksTheRest) {
  test::ProgramDir home;
  const AppFiles files = home.Files();
  const std::vector<image_diff::Difference> differences = {{"0x001", "00", "01"}, {"0x002", "00", "02"}, {"0x003", "00", "03"}};
  EXPECT_EQ(image_diff::FailureText(files, differences, 2),
            files.GetText("IDS_PROMPT_VERIFYFAIL") + "\n0x001: 00 -> 01\n0x002: 00 -> 02\n...");
  EXPECT_EQ(image_diff::FailureText(files, differences, 3),
            files.GetText("IDS_PROMPT_VERIFYFAIL") + "\n0x001: 00 -> 01\n0x002: 00 -> 02\n0x003: 00 -> 03");
}

}  // namespace
