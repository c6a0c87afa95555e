#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "radio/document.h"
#include "radio/image_map.h"
#include "radio/scan_page.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {

namespace sp = scan_page;
namespace id = scan_page::id;
namespace rec = image::channel;

using Shown = std::map<int, std::string>;
using Image = std::vector<std::uint8_t>;

// A new model-2 document (no channel used); Use() makes channels used scan members.
class ScanPage : public ::testing::Test {
 protected:
  void SetUp() override {
    test::NewDocument(doc, prompter);
    doc.SetModifiedFlag(false);
  }

  void Use(std::initializer_list<int> channels) {
    for (int channel : channels) {
      auto record = doc.ChannelRecord(channel);
      std::fill_n(record.begin() + rec::kReceiveFrequency, rec::kFrequencySize, 0x44);
    }
  }
  page_state::Controls State() { return sp::State(doc, files); }
  const page_state::Control& Find(const page_state::Controls& controls, int controlId) {
    const auto found =
        std::find_if(controls.begin(), controls.end(), [&](const page_state::Control& c) { return c.id == controlId; });
    EXPECT_NE(found, controls.end()) << controlId;
    return *found;
  }
  Shown ShownTexts() {
    Shown shown;
    for (const page_state::Control& control : State()) {
      if (page_state::ShowsValue(control)) shown[control.id] = page_state::ShownText(control);
    }
    return shown;
  }
  // The ids of the disabled controls.
  std::vector<int> Disabled() {
    std::vector<int> ids;
    for (const page_state::Control& control : State()) {
      if (!control.enabled) ids.push_back(control.id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  std::string Option(const char* section, int index) const { return files.OptionText(section, index); }
  std::string Text(const char* key) const { return files.GetText(key); }
  Image Snapshot() const { return Image(doc.Image().begin(), doc.Image().end()); }
  // Rewrites the language file with `from` replaced by `to`.
  void EditLanguageFile(const std::string& from, const std::string& to) {
    std::string text = test::ReadAll(files.LanguagePath());
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos);
    dir.Write(files.LanguagePath().filename().string(), text.replace(at, from.size(), to));
  }

  test::ProgramDir dir;
  AppFiles files = dir.Files();
  test::ScriptedPrompter prompter;
  CTavroPgmDoc doc{files};
};

// Every scan control but the scan type list, its label and the group box.
const std::vector<int> kScanSettings{id::kTransmitDwell,       id::kRevertChannel,   id::kPriority,
                                     id::kDropoutDelay,        id::kPriorityChannel, id::kRevertChannelLabel,
                                     id::kDropoutDelayLabel,   id::kPriorityLabel,   id::kTransmitDwellLabel,
                                     id::kPriorityChannelLabel};

std::vector<int> Sorted(std::vector<int> ids) {
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST_F(ScanPage, FreshImageShowsTheModelDefaults) {
  Use({1, 2});
  EXPECT_EQ(ShownTexts(), (Shown{{id::kScanType, Option("SCANTYPE", 0)},
                                 {id::kRevertChannel, Option("REVERTCH", 1)},
                                 {id::kPriority, Option("PRIORITY", 0)},
                                 {id::kPriorityChannel, ""},
                                 {id::kDropoutDelay, "5.0"},
                                 {id::kTransmitDwell, "5.0"},
                                 {id::kVoxTone, "1"},
                                 {id::kVoxCancel, "1"},
                                 {id::kVoxCheckEarphone, "0"},
                                 {id::kVoxGain, "2"},
                                 {id::kVoxDelay, "3.0"},
                                 {id::kDtmfSpeed, "5"},
                                 {id::kFirstDigitTime, "0"},
                                 {id::kFirstDigitDelay, "100"},
                                 {id::kStarHashTime, "0"},
                                 {id::kDKey, Text("IDS_DKEY")},
                                 {id::kSideTone, "1"},
                                 {id::kPttIdMode, Option("PTTID", 2)},
                                 {id::kBotPttId, ""},
                                 {id::kEotPttId, ""}}));
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(ScanPage, StoredValuesAsShown) {
  struct Case {
    std::size_t offset;
    std::uint8_t byte;
    int control;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {image::kDropoutDelay, 9, id::kDropoutDelay, "5.0"},  // out of range: 5.0 s
      {image::kDropoutDelay, 101, id::kDropoutDelay, "5.0"},
      {image::kTransmitDwell, 100, id::kTransmitDwell, "10.0"},
      {image::kVoxGain, 0, id::kVoxGain, "2"},
      {image::kVoxGain, 5, id::kVoxGain, "5"},
      {image::kVoxDelay, 2, id::kVoxDelay, "3.0"},
      {image::kVoxDelay, 3, id::kVoxDelay, "0.3"},
      {image::kVoxDelay, 17, id::kVoxDelay, "1.7"},
      {image::kDtmfSpeed, 4, id::kDtmfSpeed, "5"},
      {image::kDtmfSpeed, 15, id::kDtmfSpeed, "15"},
      {image::kDtmfFirstDigitTime, 21, id::kFirstDigitTime, "0"},
      {image::kDtmfFirstDigitTime, 20, id::kFirstDigitTime, "1000"},
      {image::kDtmfFirstDigitDelay, 1, id::kFirstDigitDelay, "100"},
      {image::kDtmfFirstDigitDelay, 21, id::kFirstDigitDelay, "100"},
      {image::kDtmfStarHashTime, 3, id::kStarHashTime, "150"},
      {image::kDtmfDKeySetting, 9, id::kDKey, Text("IDS_DKEY")},
      {image::kDtmfDKeySetting, 10, id::kDKey, "1" + Text("IDS_SECOND")},
      {image::kDtmfDKeySetting, 160, id::kDKey, "16" + Text("IDS_SECOND")},
      {image::kDtmfDKeySetting, 161, id::kDKey, Text("IDS_DKEY")},
      {image::kScanAndPttId, 0xFE, id::kPttIdMode, Option("PTTID", 0)},
      {image::kScanAndPttId, 0xFD, id::kPttIdMode, Option("PTTID", 1)},
      {image::kScanAndPttId, 0xFC, id::kPttIdMode, ""},  // entry 5 of a 3-entry list
      {image::kPriorityChannel, 17, id::kPriorityChannel, ""},
      {image::kPriorityChannel, 16, id::kPriorityChannel, "16"},
      {image::kPttIdBegin, 0xFF, id::kBotPttId, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    SCOPED_TRACE(int(c.byte));
    SetUp();
    doc.At(c.offset) = c.byte;
    const Image before = Snapshot();
    EXPECT_EQ(ShownTexts().at(c.control), c.shown);
    EXPECT_EQ(Snapshot(), before);  // shown substitutes are not written back
  }
  const std::uint8_t code[] = {1, 2, 0x0E, 0x0F, 0xFF, 3};
  std::copy(std::begin(code), std::end(code), &doc.At(image::kPttIdEnd));
  EXPECT_EQ(ShownTexts().at(id::kEotPttId), "12*#");
}

TEST_F(ScanPage, StoredPttIdModeZeroShowsTheFifthEntry) {
  EditLanguageFile("[PTTID]\n", "[PTTID]\n3=Fourth\n4=Fifth\n");
  doc.At(image::kScanAndPttId) = 0xFC;
  EXPECT_EQ(ShownTexts().at(id::kPttIdMode), "Fifth");
}

TEST_F(ScanPage, ListPicksStoreTheirValues) {
  struct Case {
    int list;
    int index;
    std::size_t offset;
    std::uint8_t before;
    std::uint8_t after;
  };
  const std::vector<Case> cases = {
      {id::kScanType, 0, image::kScanAndPttId, 0x01, 0x0D},
      {id::kScanType, 1, image::kScanAndPttId, 0xFB, 0xF7},
      {id::kScanType, 2, image::kScanAndPttId, 0xFF, 0xF3},
      {id::kScanType, 3, image::kScanAndPttId, 0xFF, 0xFF},  // no such entry
      {id::kPttIdMode, 0, image::kScanAndPttId, 0xFC, 0xFE},
      {id::kPttIdMode, 1, image::kScanAndPttId, 0x03, 0x01},
      {id::kPttIdMode, 2, image::kScanAndPttId, 0x00, 0x03},
      {id::kDropoutDelay, 0, image::kDropoutDelay, 50, 10},
      {id::kDropoutDelay, 9, image::kDropoutDelay, 50, 100},
      {id::kTransmitDwell, 3, image::kTransmitDwell, 0xFF, 40},
      {id::kVoxGain, 4, image::kVoxGain, 2, 5},
      {id::kVoxDelay, 0, image::kVoxDelay, 30, 3},
      {id::kVoxDelay, 27, image::kVoxDelay, 0, 30},
      {id::kRevertChannel, 1, image::kRevertChannelMode, 0xFF, 1},
      {id::kRevertChannel, 2, image::kRevertChannelMode, 1, 4},  // no priority: modes 3, 4 not offered
      {id::kRevertChannel, 3, image::kRevertChannelMode, 1, 5},
      {id::kRevertChannel, 4, image::kRevertChannelMode, 1, 1},  // no such entry
      {id::kPriority, 0, image::kPriorityChannel, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    SCOPED_TRACE(c.index);
    SetUp();
    doc.At(c.offset) = c.before;
    EXPECT_EQ(sp::StoreListPick(doc, c.list, c.index), std::nullopt);
    EXPECT_EQ(int(doc.At(c.offset)), int(c.after));
    EXPECT_EQ(doc.IsModified(), c.before != c.after);
  }
}

TEST_F(ScanPage, RevertChannelListFollowsThePriorityChannel) {
  struct Case {
    std::uint8_t priority;
    std::uint8_t mode;
    std::size_t entries;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {3, 2, 6, Option("REVERTCH", 2)},
      {3, 6, 6, Option("REVERTCH", 1)},
      {0, 0, 4, Option("REVERTCH", 0)},
      {0, 2, 4, ""},
      {0, 3, 4, ""},
      {0xFF, 5, 4, Option("REVERTCH", 5)},
      {17, 9, 4, Option("REVERTCH", 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.priority));
    SCOPED_TRACE(int(c.mode));
    doc.At(image::kPriorityChannel) = c.priority;
    doc.At(image::kRevertChannelMode) = c.mode;
    const page_state::Controls controls = State();
    const page_state::Control& list = Find(controls, id::kRevertChannel);
    EXPECT_EQ(list.entries.size(), c.entries);
    EXPECT_EQ(page_state::ShownText(list), c.shown);
  }
  // With a priority channel every index is the mode itself.
  doc.At(image::kPriorityChannel) = 3;
  sp::StoreListPick(doc, id::kRevertChannel, 3);
  EXPECT_EQ(doc.At(image::kRevertChannelMode), 3);
}

TEST_F(ScanPage, MissingRevertModeTextsAreNamedByNumber) {
  EditLanguageFile("[REVERTCH]", "[NOREVERTCH]");
  doc.At(image::kPriorityChannel) = 1;
  EXPECT_EQ(Find(State(), id::kRevertChannel).entries,
            (std::vector<std::string>{"mode 1", "mode 2", "mode 3", "mode 4", "mode 5", "mode 6"}));
  doc.At(image::kPriorityChannel) = 0;
  EXPECT_EQ(Find(State(), id::kRevertChannel).entries,
            (std::vector<std::string>{"mode 1", "mode 2", "mode 5", "mode 6"}));
}

TEST_F(ScanPage, ScanControlsNeedTwoScannedChannelsAndAScanType) {
  // Fewer than two members: the first scan type is forced and every scan control disabled.
  Use({4});
  doc.At(image::kScanAndPttId) = 0xF3;
  std::vector<int> all = kScanSettings;
  all.insert(all.end(), {id::kScanType, id::kScanTypeLabel, id::kScanGroup});
  EXPECT_EQ(Disabled(), Sorted(all));
  EXPECT_EQ(ShownTexts().at(id::kScanType), Option("SCANTYPE", 0));
  EXPECT_EQ(doc.At(image::kScanAndPttId), 0xFF);
  EXPECT_TRUE(doc.IsModified());

  // A used channel that is not scanned does not count.
  Use({9});
  doc.ChannelRecord(9)[rec::kSwitches] &= static_cast<std::uint8_t>(~rec::kScanMember);
  EXPECT_EQ(Disabled(), Sorted(all));

  // Two members: the scan type is free; the first scan type leaves the settings disabled.
  Use({7});
  EXPECT_EQ(Disabled(), Sorted(kScanSettings));
  // The second and third scan types enable them; the priority channel list needs a channel.
  for (int scanType : {1, 2}) {
    SCOPED_TRACE(scanType);
    sp::StoreListPick(doc, id::kScanType, scanType);
    doc.At(image::kPriorityChannel) = 0;
    EXPECT_EQ(Disabled(), std::vector<int>{id::kPriorityChannel});
    doc.At(image::kPriorityChannel) = 9;  // stored, though not used: shown and enabled
    EXPECT_EQ(Disabled(), std::vector<int>{});
    EXPECT_EQ(ShownTexts().at(id::kPriorityChannel), "9");
  }
  EXPECT_EQ(ShownTexts().at(id::kScanType), Option("SCANTYPE", 2));
}

TEST_F(ScanPage, PrioritySwitchedOnTakesTheLowestUsedChannel) {
  struct Case {
    std::vector<int> used;
    std::uint8_t stored;
    std::uint8_t after;
  };
  const std::vector<Case> cases = {
      {{6, 3, 12}, 0, 3},     // none stored
      {{6, 3, 12}, 0xFF, 3},  // out of range
      {{6, 3, 12}, 5, 3},     // a free channel
      {{6, 3, 12}, 12, 12},   // a used channel stays
      {{}, 0, 0},             // nothing used: the field keeps its value
      {{}, 7, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.stored));
    SetUp();
    for (int channel : c.used) Use({channel});
    doc.At(image::kPriorityChannel) = c.stored;
    EXPECT_EQ(sp::StoreListPick(doc, id::kPriority, 1), std::nullopt);
    EXPECT_EQ(doc.At(image::kPriorityChannel), c.after);
    EXPECT_TRUE(doc.IsModified());
  }
  // Nothing used: the priority channel list stays empty and disabled.
  SetUp();
  doc.At(image::kPriorityChannel) = 0;
  sp::StoreListPick(doc, id::kPriority, 1);
  const page_state::Controls controls = State();
  EXPECT_EQ(Find(controls, id::kPriorityChannel).selected, page_state::kNoSelection);
  EXPECT_FALSE(Find(controls, id::kPriorityChannel).enabled);
}

TEST_F(ScanPage, StepsKeepTheirLimits) {
  struct Case {
    int spinner;
    std::size_t offset;
    std::uint8_t before;
    int direction;
    std::uint8_t after;
    int shownControl;
    std::string shown;
  };
  const std::string second = Text("IDS_SECOND");
  const std::vector<Case> cases = {
      {id::kDtmfSpeedSpinner, image::kDtmfSpeed, 5, +1, 6, id::kDtmfSpeed, "6"},
      {id::kDtmfSpeedSpinner, image::kDtmfSpeed, 15, +1, 15, id::kDtmfSpeed, "15"},
      {id::kDtmfSpeedSpinner, image::kDtmfSpeed, 5, -1, 5, id::kDtmfSpeed, "5"},
      {id::kDtmfSpeedSpinner, image::kDtmfSpeed, 0xFF, +1, 6, id::kDtmfSpeed, "6"},  // from the substitute
      {id::kFirstDigitTimeSpinner, image::kDtmfFirstDigitTime, 1, -1, 0, id::kFirstDigitTime, "0"},
      {id::kFirstDigitTimeSpinner, image::kDtmfFirstDigitTime, 0, -1, 0, id::kFirstDigitTime, "0"},
      {id::kFirstDigitTimeSpinner, image::kDtmfFirstDigitTime, 20, +1, 20, id::kFirstDigitTime, "1000"},
      {id::kFirstDigitDelaySpinner, image::kDtmfFirstDigitDelay, 3, -1, 2, id::kFirstDigitDelay, "100"},
      {id::kFirstDigitDelaySpinner, image::kDtmfFirstDigitDelay, 2, -1, 2, id::kFirstDigitDelay, "100"},
      {id::kFirstDigitDelaySpinner, image::kDtmfFirstDigitDelay, 19, +1, 20, id::kFirstDigitDelay, "1000"},
      {id::kStarHashTimeSpinner, image::kDtmfStarHashTime, 0, -1, 0, id::kStarHashTime, "0"},
      {id::kStarHashTimeSpinner, image::kDtmfStarHashTime, 0xFF, +1, 1, id::kStarHashTime, "50"},
      {id::kDKeySpinner, image::kDtmfDKeySetting, 0, -1, 160, id::kDKey, "16" + second},
      {id::kDKeySpinner, image::kDtmfDKeySetting, 160, +1, 0, id::kDKey, Text("IDS_DKEY")},
      {id::kDKeySpinner, image::kDtmfDKeySetting, 30, +1, 40, id::kDKey, "4" + second},
      {id::kDKeySpinner, image::kDtmfDKeySetting, 0xFF, +1, 10, id::kDKey, "1" + second},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spinner);
    SCOPED_TRACE(int(c.before));
    SetUp();
    doc.At(c.offset) = c.before;
    sp::Step(doc, c.spinner, c.direction);
    EXPECT_EQ(int(doc.At(c.offset)), int(c.after));
    EXPECT_EQ(ShownTexts().at(c.shownControl), c.shown);
    EXPECT_TRUE(doc.IsModified());
  }
}

TEST_F(ScanPage, CheckBoxesSetTheirBitsOnly) {
  struct Case {
    int check;
    std::size_t offset;
    std::uint8_t bit;
  };
  const std::vector<Case> cases = {
      {id::kVoxTone, image::kKeyAndVox, image::key_and_vox::kVoxTone},
      {id::kVoxCancel, image::kKeyAndVox, image::key_and_vox::kVoxCancel},
      {id::kVoxCheckEarphone, image::kKeyAndVox, image::key_and_vox::kVoxCheckEarphone},
      {id::kSideTone, image::kOptions, image::options::kDtmfSideTone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.check);
    doc.At(c.offset) = 0x5A;
    sp::StoreCheck(doc, c.check, false);
    EXPECT_EQ(int(doc.At(c.offset)), 0x5A & ~c.bit);
    sp::StoreCheck(doc, c.check, true);
    EXPECT_EQ(int(doc.At(c.offset)), 0x5A | c.bit);
    EXPECT_EQ(ShownTexts().at(c.check), "1");
  }
}

TEST_F(ScanPage, PttIdIsStoredOnlyWhenItDiffers) {
  EXPECT_FALSE(sp::StorePttId(doc, id::kBotPttId, ""));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_TRUE(sp::StorePttId(doc, id::kBotPttId, "12a*#x9"));
  EXPECT_EQ(test::HexText(doc.Image().subspan(image::kPttIdBegin, 16)),
            "01 02 0A 0E 0F FF FF FF FF FF FF FF FF FF FF FF");
  EXPECT_TRUE(doc.IsModified());
  doc.SetModifiedFlag(false);
  EXPECT_FALSE(sp::StorePttId(doc, id::kBotPttId, "12A*#"));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_TRUE(sp::StorePttId(doc, id::kEotPttId, "0123456789ABCD*#7"));  // the 17th digit is cut
  EXPECT_EQ(ShownTexts().at(id::kEotPttId), "0123456789ABCD*#");
  EXPECT_EQ(doc.At(image::kEmergencyId), 0xFF);
}

}  // namespace
