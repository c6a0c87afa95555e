#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "radio/document.h"
#include "radio/image_map.h"
#include "radio/signalling_page.h"
#include "settings/app_files.h"
#include "settings/profile.h"
#include "tests/unit/test_support.h"

namespace {

namespace sp = signalling_page;
namespace id = signalling_page::id;
namespace ss = image::signal_set;

using Shown = std::map<int, std::string>;
using Image = std::vector<std::uint8_t>;

// A new model-2 document: its signalling region as a fresh image holds it.
class SignallingPage : public ::testing::Test {
 protected:
  void SetUp() override {
    test::NewDocument(doc, prompter);
    doc.SetModifiedFlag(false);
  }

  // What each control shows, by id.
  static Shown ShownTexts(const page_state::Controls& controls) {
    Shown shown;
    for (const page_state::Control& control : controls) shown[control.id] = page_state::ShownText(control);
    return shown;
  }
  Shown Common() const { return ShownTexts(sp::CommonState(doc, files)); }
  Shown Set(int set) const { return ShownTexts(sp::SetState(doc, files, set)); }
  std::string Option(const char* section, int index) const { return files.OptionText(section, index); }
  Image Snapshot() const { return Image(doc.Image().begin(), doc.Image().end()); }
  // Every byte of the signalling region (codes, sets, timing, relation, side tone) 0xFF.
  void FillRegionWithFF() {
    std::fill(&doc.At(image::kSignalCodeTable), &doc.At(image::kMessage), 0xFF);
    for (std::size_t at = image::kFirstToneDuration; at <= image::kToneGap; ++at) doc.At(at) = 0xFF;
    doc.At(image::kAlarm) = 0xFF;
    doc.At(image::kScanAndPttId) = 0xFF;
  }

  test::ProgramDir dir;
  AppFiles files = dir.Files();
  test::ScriptedPrompter prompter;
  CTavroPgmDoc doc{files};
};

TEST_F(SignallingPage, FreshImageShowsTheFirstFormatTheSecondResponseAndTheShortestDuration) {
  const Shown common = Common();
  EXPECT_EQ(common.at(id::kFirstToneDuration), "0.5");
  EXPECT_EQ(common.at(id::kSecondToneDuration), "0.5");
  EXPECT_EQ(common.at(id::kLongToneDuration), "1.0");
  EXPECT_EQ(common.at(id::kToneGap), "1.0");
  for (int set = 1; set <= sp::kSetCount; ++set) {
    SCOPED_TRACE(set);
    const Shown shown = Set(set);
    for (int format : {id::kCallFormat1, id::kCallFormat2}) EXPECT_EQ(shown.at(format), Option("CALLFORMAT", 0));
    for (int response : {id::kCallResponse1, id::kCallResponse2})
      EXPECT_EQ(shown.at(response), Option("CALLRESPONSE", 1));
  }
}

TEST_F(SignallingPage, RegionOfFFShowsItsSubstitutesAndLastEntries) {
  FillRegionWithFF();
  const Shown common = Common();
  EXPECT_EQ(common, (Shown{{id::kFirstToneDuration, "0.5"},
                           {id::kSecondToneDuration, "0.5"},
                           {id::kLongToneDuration, "0.5"},
                           {id::kToneGap, "1.0"},
                           {id::kSideTone, "1"},
                           {id::kSignalRelation, Option("SIGNALRELATION", 1)}}));
  for (int set = 1; set <= sp::kSetCount; ++set) {
    SCOPED_TRACE(set);
    EXPECT_EQ(Set(set), (Shown{{id::kAlarmTone1, "8"},
                               {id::kAlarmTone2, "8"},
                               {id::kCallFormat1, Option("CALLFORMAT", 0)},
                               {id::kCallFormat2, Option("CALLFORMAT", 0)},
                               {id::kCallResponse1, Option("CALLRESPONSE", 3)},
                               {id::kCallResponse2, Option("CALLRESPONSE", 3)},
                               {id::kAutoResetTime, "100"},
                               {id::kToneA, ""},
                               {id::kToneB, ""},
                               {id::kToneC, ""}}));
  }
  // Shown substitutes are not written back.
  EXPECT_EQ(doc.At(image::kFirstToneDuration), 0xFF);
}

TEST_F(SignallingPage, StoredValuesAsShown) {
  struct Case {
    std::size_t field;  // in set 2
    std::vector<std::uint8_t> bytes;
    int control;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {ss::kDecodeFormat[0], {0x45}, id::kCallFormat1, ""},  // code 5 has no list entry
      {ss::kDecodeFormat[1], {0x30}, id::kCallFormat2, ""},  // nor has code 0
      {ss::kDecodeFormat[1], {0x33}, id::kCallFormat2, Option("CALLFORMAT", 7)},
      {ss::kDecodeFormat[0], {0x8B}, id::kCallResponse1, Option("CALLRESPONSE", 2)},
      {ss::kDecodeAlarmTone[1], {0xFB}, id::kAlarmTone2, "4"},
      {ss::kAutoResetTime, {0}, id::kAutoResetTime, files.GetText("IDS_OFF")},
      {ss::kAutoResetTime, {37}, id::kAutoResetTime, "37"},
      {ss::kAutoResetTime, {101}, id::kAutoResetTime, "100"},
      {ss::kToneA, {0, 0}, id::kToneA, "0.0"},
      {ss::kToneC, {0xD2, 0x04}, id::kToneC, "123.4"},
      {ss::kToneB, {0x00, 0xFF}, id::kToneB, "6528.0"},  // out of range, as stored
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    std::copy(c.bytes.begin(), c.bytes.end(), &doc.At(image::SignalSetOffset(2) + c.field));
    EXPECT_EQ(Set(2).at(c.control), c.shown);
  }
}

TEST_F(SignallingPage, ListPicksWriteTheirBitsOfSetThreeOnly) {
  struct Case {
    int list;
    std::size_t offset;
    std::uint8_t before;
    int index;
    std::uint8_t after;
  };
  const std::size_t set3 = image::SignalSetOffset(3);
  const std::vector<Case> cases = {
      {id::kAlarmTone1, set3 + ss::kDecodeAlarmTone[0], 0xFB, 3, 0x03},  // the whole byte
      {id::kAlarmTone2, set3 + ss::kDecodeAlarmTone[1], 0xFF, 7, 0x07},
      {id::kCallFormat1, set3 + ss::kDecodeFormat[0], 0x75, 0, 0x7F},  // code 15, response kept
      {id::kCallFormat2, set3 + ss::kDecodeFormat[1], 0xCF, 9, 0xCB},
      {id::kCallFormat2, set3 + ss::kDecodeFormat[1], 0xCF, 10, 0xCF},  // no code for it
      {id::kCallResponse1, set3 + ss::kDecodeFormat[0], 0x7F, 2, 0xBF},
      {id::kCallResponse2, set3 + ss::kDecodeFormat[1], 0xF5, 0, 0x35},
      {id::kAutoResetTime, set3 + ss::kAutoResetTime, 0xFF, 0, 0x00},
      {id::kAutoResetTime, set3 + ss::kAutoResetTime, 0x00, 100, 100},
      {id::kSignalRelation, image::kAlarm, 0xFF, 0, 0xBF},
      {id::kSignalRelation, image::kAlarm, 0x00, 1, 0x40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.list << " index " << c.index);
    doc.At(c.offset) = c.before;
    Image expected = Snapshot();
    expected[c.offset] = c.after;
    doc.SetModifiedFlag(false);
    sp::StoreListPick(doc, 3, c.list, c.index);
    EXPECT_EQ(test::Differences(expected, Snapshot()), "");
    EXPECT_TRUE(doc.IsModified());
  }
}

TEST_F(SignallingPage, SpinnersStepFromTheShownValueWithinTheirRange) {
  struct Case {
    int spinner;
    std::size_t offset;
    std::uint8_t before;
    int direction;
    std::uint8_t after;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {id::kFirstToneSpinner, image::kFirstToneDuration, 5, -1, 5, "0.5"},
      {id::kSecondToneSpinner, image::kSecondToneDuration, 99, +1, 100, "10.0"},
      {id::kLongToneSpinner, image::kLongToneDuration, 100, +1, 100, "10.0"},
      {id::kLongToneSpinner, image::kLongToneDuration, 0xFF, +1, 6, "0.6"},  // from the shown 0.5
      {id::kToneGapSpinner, image::kToneGap, 0, -1, 0, "0.0"},
      {id::kToneGapSpinner, image::kToneGap, 20, +1, 20, "2.0"},
      {id::kToneGapSpinner, image::kToneGap, 21, -1, 9, "0.9"},  // from the shown 1.0
  };
  const std::map<int, int> edits = {{id::kFirstToneSpinner, id::kFirstToneDuration},
                                    {id::kSecondToneSpinner, id::kSecondToneDuration},
                                    {id::kLongToneSpinner, id::kLongToneDuration},
                                    {id::kToneGapSpinner, id::kToneGap}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.spinner << " from " << int(c.before));
    doc.At(c.offset) = c.before;
    doc.SetModifiedFlag(false);
    sp::StepDuration(doc, c.spinner, c.direction);
    EXPECT_EQ(doc.At(c.offset), c.after);
    EXPECT_EQ(Common().at(edits.at(c.spinner)), c.shown);
    EXPECT_TRUE(doc.IsModified());
  }
}

TEST_F(SignallingPage, TonesGoToTheirSetAndCodeFields) {
  const Image before = Snapshot();
  EXPECT_TRUE(sp::StoreSetTone(doc, 4, id::kToneC, "400"));
  EXPECT_TRUE(sp::StoreCodeTone(doc, 16, 2, "1000.2"));
  EXPECT_TRUE(sp::StoreCodeTone(doc, 1, 1, "3106.8"));
  Image expected = before;
  expected[image::SignalSetOffset(4) + ss::kToneC] = 0xA0;  // 4000
  expected[image::SignalSetOffset(4) + ss::kToneC + 1] = 0x0F;
  expected[image::SignalCodeOffset(16) + 2] = 0x12;  // 10002
  expected[image::SignalCodeOffset(16) + 3] = 0x27;
  expected[image::SignalCodeOffset(1)] = 0x5C;  // 31068
  expected[image::SignalCodeOffset(1) + 1] = 0x79;
  EXPECT_EQ(test::Differences(expected, Snapshot()), "");
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(sp::CodeTone(doc, 16, 2), 10002);
  EXPECT_EQ(sp::SetTone(doc, 4, id::kToneC), 4000);
}

// A value outside what the field holds is refused, not stored as the nearer limit (99999
// used to become 3106.8 and 10 400.0); the stored value's own text is kept as it is.
TEST_F(SignallingPage, ATwoToneTheFieldCannotHoldChangesNothing) {
  doc.At(image::SignalCodeOffset(2)) = 0;  // 0.0 Hz, as another tool may store it
  doc.At(image::SignalCodeOffset(2) + 1) = 0;
  doc.SetModifiedFlag(false);
  const Image before = Snapshot();
  for (const char* text : {"99999", "10", "399.9", "3106.9", "1000.25", ".", "12a"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(sp::StoreSetTone(doc, 2, id::kToneA, text));
    EXPECT_FALSE(sp::StoreCodeTone(doc, 5, 1, text));
  }
  EXPECT_EQ(test::Differences(before, Snapshot()), "");
  EXPECT_FALSE(doc.IsModified());
  EXPECT_TRUE(sp::StoreCodeTone(doc, 2, 1, "0.0"));
  EXPECT_EQ(sp::CodeTone(doc, 2, 1), 0);
  EXPECT_FALSE(sp::StoreCodeTone(doc, 2, 1, "0"));
  const std::string message = sp::TwoToneRefusedMessage(files.Texts(), sp::CodeToneKey(5, 1), "99999");
  EXPECT_NE(message.find("Code 5 / "), std::string::npos) << message;
  EXPECT_NE(message.find(": 99999\n" + files.GetText("IDS_TWOTONE_RULE")), std::string::npos) << message;
}

TEST_F(SignallingPage, SideToneIsBitSevenOnly) {
  doc.At(image::kScanAndPttId) = 0x2D;
  sp::StoreSideTone(doc, true);
  EXPECT_EQ(doc.At(image::kScanAndPttId), 0xAD);
  EXPECT_EQ(Common().at(id::kSideTone), "1");
  doc.SetModifiedFlag(false);
  sp::StoreSideTone(doc, false);
  EXPECT_EQ(doc.At(image::kScanAndPttId), 0x2D);
  EXPECT_TRUE(doc.IsModified());
}

TEST_F(SignallingPage, GridHeadersRepeatTheOneBeforeAMissingKey) {
  const auto headers = [&] { return sp::CodeHeaderTexts(files.Texts()); };
  EXPECT_EQ(headers(), (std::array<std::string, 3>{"Code", "1st Tone [Hz]", "2nd Tone [Hz]"}));
  ASSERT_TRUE(profile::WriteString(files.LanguagePath(), "Face", "IDS_TONE1", ""));
  EXPECT_EQ(headers(), (std::array<std::string, 3>{"Code", "Code", "2nd Tone [Hz]"}));
  ASSERT_TRUE(profile::WriteString(files.LanguagePath(), "Face", "IDS_TONE0", ""));
  EXPECT_EQ(headers(), (std::array<std::string, 3>{"", "", "2nd Tone [Hz]"}));
}

TEST_F(SignallingPage, OptionListsEndAtTheFirstMissingKeyOrEmptyEntry) {
  const auto entries = [&](int control) {
    for (const page_state::Control& state : sp::SetState(doc, files, 1))
      if (state.id == control) return state.entries;
    for (const page_state::Control& state : sp::CommonState(doc, files))
      if (state.id == control) return state.entries;
    return std::vector<std::string>{"no such control"};
  };
  ASSERT_GE(entries(id::kCallFormat1).size(), 4u);
  ASSERT_TRUE(profile::WriteString(files.LanguagePath(), "CALLFORMAT", "2", ""));
  ASSERT_TRUE(profile::WriteString(files.LanguagePath(), "CALLRESPONSE", "1", ""));
  ASSERT_TRUE(profile::WriteString(files.LanguagePath(), "SIGNALRELATION", "0", ""));
  EXPECT_EQ(entries(id::kCallFormat1), (std::vector<std::string>{Option("CALLFORMAT", 0), Option("CALLFORMAT", 1)}));
  EXPECT_EQ(entries(id::kCallFormat2), entries(id::kCallFormat1));
  EXPECT_EQ(entries(id::kCallResponse1), std::vector<std::string>{Option("CALLRESPONSE", 0)});
  EXPECT_TRUE(entries(id::kSignalRelation).empty());
  // A stored format beyond the shortened list shows no selection.
  doc.IndexToCallFormat(1, 0, 3);
  for (const page_state::Control& state : sp::SetState(doc, files, 1))
    if (state.id == id::kCallFormat1) EXPECT_EQ(state.selected, page_state::kNoSelection);
}

}  // namespace
