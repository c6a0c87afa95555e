// Names, raw bytes and the comparison of two dumps.
#include <gtest/gtest.h>

#include <set>

#include "radio/config_dump.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "tests/unit/test_support.h"

namespace {

namespace cd = config_dump;

class ConfigDumpTest : public ::testing::Test {
 protected:
  // A new configuration with channel 3 receiving on 446.00625 MHz.
  void MakeFixture(CTavroPgmDoc& doc) {
    test::NewDocument(doc, prompter_);
    doc.SetChannelFrequency(3, true, "446.00625", prompter_);
  }

  static std::vector<cd::Line> Dump(const CTavroPgmDoc& doc) { return cd::ComparedLines(doc, {}); }

  test::ProgramDir home_;
  AppFiles files_ = home_.Files();
  test::ScriptedPrompter prompter_;
};

TEST_F(ConfigDumpTest, NamesAreTheCaptionsOfTheLanguageFile) {
  struct Case {
    std::string key;
    std::string english;
    std::string chinese;
  };
  const Case cases[] = {
      {"151.1240", "Squelch Level", "静噪等级"},                           // the label before a list
      {"151.1053", "Announce Channel", "信道播报"},                         // a check box's own text
      {"150.3.1", "CH 3 / RX Freq [MHz]", "信道 3 / 接收频率 MHz"},         // a channel cell
      {"153.2.1235", "Set 2 / Decode 2 / Call Format", "第2组 / 解码 2 / 呼叫格式"},  // a label two boxes share
      {"153.code5.2", "Code 5 / 2nd Tone [Hz]", "编号 5 / 第二音 (Hz)"},   // a signal code's tone
      {"raw.0x3E4", "Voltage", "电压"},    // a calibration item, as the calibration table names it
      {"raw.0x3F0", "L L P", "L L P"},
      {"raw.0x3E1", "raw.0x3E1", "raw.0x3E1"},  // a byte of the calibration area no item names
      {"raw.0x3EA", "raw.0x3EA", "raw.0x3EA"},  // the password block
      {"raw.0x3C4", "raw.0x3C4", "raw.0x3C4"},
      {"151.9999", "151.9999", "151.9999"},  // no such control
      {"150.17.1", "150.17.1", "150.17.1"},  // no such channel
      {"153.code0.1", "153.code0.1", "153.code0.1"},
      {"...", "...", "..."},
  };
  const LanguageTexts english = home_.Files("lang_en").Texts();
  const LanguageTexts chinese = home_.Files("lang_cn").Texts();
  for (const Case& c : cases) {
    EXPECT_EQ(cd::Name({c.key, "", false}, english), c.english) << c.key;
    EXPECT_EQ(cd::Name({c.key, "", false}, chinese), c.chinese) << c.key;
  }
}

TEST_F(ConfigDumpTest, EveryLineOfADumpHasItsOwnNameInBothLanguages) {
  CTavroPgmDoc doc(files_);
  MakeFixture(doc);
  const std::vector<cd::Line> lines = Dump(doc);
  for (const std::string language : {"lang_en", "lang_cn"}) {
    const LanguageTexts texts = home_.Files(language).Texts();
    std::set<std::string> names;
    for (const cd::Line& line : lines) {
      const std::string name = cd::Name(line, texts);
      EXPECT_TRUE(names.insert(name).second) << language << ": " << line.key << " " << name;
      // Every control and cell has a caption; only raw bytes are named by their key.
      if (!line.key.starts_with("raw.")) {
        EXPECT_NE(name, line.key) << language;
      }
    }
  }
}

TEST_F(ConfigDumpTest, RawBitsAreTheOnesNoControlShows) {
  CTavroPgmDoc doc(files_);
  MakeFixture(doc);
  const std::vector<cd::Line> before = cd::Lines(doc, files_, {});
  const std::vector<cd::Line> rawBefore = cd::RawLines(doc);

  // Flipping every bit that no control shows leaves what the pages show alone ...
  for (std::size_t offset = 0; offset < image::kSize; ++offset)
    doc.At(offset) = static_cast<std::uint8_t>(doc.At(offset) ^ ~cd::ShownBits(offset));
  const std::vector<cd::Line> after = cd::Lines(doc, files_, {});
  ASSERT_EQ(before.size(), after.size());
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(cd::Format(before[i]), cd::Format(after[i]));

  // ... and changes exactly the raw lines of those bytes.
  const std::vector<cd::Line> rawAfter = cd::RawLines(doc);
  ASSERT_EQ(rawBefore.size(), rawAfter.size());
  for (std::size_t i = 0; i < rawBefore.size(); ++i) EXPECT_NE(rawBefore[i].shown, rawAfter[i].shown) << rawBefore[i].key;

  // A byte the pages show in full has no raw line; one they show in part shows the rest.
  const auto raw = [&](const std::string& key) {
    const auto found = std::find_if(rawAfter.begin(), rawAfter.end(), [&](const cd::Line& l) { return l.key == key; });
    return found == rawAfter.end() ? std::string("none") : found->shown;
  };
  EXPECT_EQ(raw("raw.0x3C1"), "none");  // squelch level
  EXPECT_EQ(raw("raw.0x3E0"), "00");    // calibration: fresh 0xFF, flipped
  EXPECT_EQ(cd::ShownBits(image::kKeyAndVox), 0xC7);
  EXPECT_EQ(cd::ShownBits(image::kSize), 0);
}

TEST_F(ConfigDumpTest, CompareFindsACellAControlAndARawByte) {
  CTavroPgmDoc first(files_);
  MakeFixture(first);
  CTavroPgmDoc second(files_);
  MakeFixture(second);
  second.At(image::ChannelOffset(3) + image::channel::kSignalSet) = 2;  // the image counts sets from 0
  second.At(image::kSquelchLevel) = 5;
  second.At(image::kCalibration + 0x10) = 0x12;

  EXPECT_TRUE(cd::Compare(Dump(first), Dump(first)).empty());
  const auto block = second.Store();
  const std::vector<cd::Difference> differences = cd::Compare(Dump(first), Dump(second));
  std::vector<std::string> texts;
  const LanguageTexts english = files_.Texts();
  for (const cd::Difference& difference : differences) texts.push_back(cd::FormatDifference(difference, english));
  EXPECT_EQ(texts, (std::vector<std::string>{"151.1240\tSquelch Level\t3\t5", "150.3.3\tCH 3 / Signal Set\tNone\t3",
                                             "raw.0x3F0\tL L P\tFF\t12"}));
  // The documents compared stay as they were.
  EXPECT_TRUE(std::ranges::equal(second.Block(), block));
}

TEST_F(ConfigDumpTest, CompareListsKeysOnlyOneSideHas) {
  const std::vector<cd::Line> first = {{"a", "1", false}, {"b", "2", false}};
  const std::vector<cd::Line> second = {{"b", "2", true}, {"c", "3", false}};
  const std::vector<cd::Difference> differences = cd::Compare(first, second);
  ASSERT_EQ(differences.size(), 2u);
  EXPECT_EQ(differences[0].key, "a");
  EXPECT_EQ(differences[0].first, "1");
  EXPECT_EQ(differences[0].second, "");
  EXPECT_EQ(differences[1].key, "c");
  EXPECT_EQ(differences[1].first, "");
  EXPECT_EQ(differences[1].second, "3");
}

}  // namespace
