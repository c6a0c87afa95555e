// The function page's rules below the widgets: what each control shows for a stored value,
// what each change stores, the enabling rules, and the speech-language list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "link/voice_package.h"
#include "radio/document.h"
#include "radio/function_page.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {

namespace fp = function_page;
namespace id = function_page::id;
using Image = std::vector<std::uint8_t>;

// A new model-2 document, not modified.
class FunctionPage : public ::testing::Test {
 protected:
  void SetUp() override {
    test::NewDocument(doc, prompter);
    doc.SetModifiedFlag(false);
  }

  page_state::Controls State() { return fp::State(doc, files, {}); }
  page_state::Control Find(int controlId) {
    const page_state::Controls controls = State();
    const auto found =
        std::find_if(controls.begin(), controls.end(), [&](const page_state::Control& c) { return c.id == controlId; });
    EXPECT_NE(found, controls.end()) << controlId;
    return found == controls.end() ? page_state::Control{} : *found;
  }
  std::string Shown(int controlId) { return page_state::ShownText(Find(controlId)); }
  std::vector<int> Disabled() {
    std::vector<int> ids;
    for (const page_state::Control& control : State())
      if (!control.enabled) ids.push_back(control.id);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  std::string Option(const char* section, int index) const { return files.OptionText(section, index); }
  Image Snapshot() const { return Image(doc.Image().begin(), doc.Image().end()); }
  void UseChannel(int channel) {
    std::fill_n(doc.ChannelRecord(channel).begin() + image::channel::kReceiveFrequency, image::channel::kFrequencySize,
                0x44);
  }

  test::ProgramDir dir;
  AppFiles files = dir.Files();
  test::ScriptedPrompter prompter;
  CTavroPgmDoc doc{files};
};

TEST_F(FunctionPage, StoredValuesShowWithTheirSubstitutesAndStayAsTheyAre) {
  struct Case {
    std::size_t offset;
    std::uint8_t stored;
    int control;
    std::string shown;
  };
  const std::string channel = files.FaceText("IDS_COL0");
  const std::vector<Case> cases = {
      {image::kShortKeyFunction, 1, id::kShortKey, Option("SHORTKEYFUNC", 0)},
      {image::kShortKeyFunction, 3, id::kShortKey, Option("SHORTKEYFUNC", 0)},
      {image::kShortKeyFunction, 2, id::kShortKey, Option("SHORTKEYFUNC", 1)},
      {image::kShortKeyFunction, 6, id::kShortKey, Option("SHORTKEYFUNC", 4)},
      {image::kShortKeyFunction, 7, id::kShortKey, Option("SHORTKEYFUNC", 0)},
      {image::kTimeOutTimer, 11, id::kTimeOutTimer, files.GetText("IDS_OFF")},
      {image::kTimeOutTimer, 10, id::kTimeOutTimer, "300"},
      {image::kSquelchLevel, 12, id::kSquelchLevel, "9"},
      {image::kNormalKeyFunction, 8, id::kNormalKey, Option("USUALKEY", 0)},
      {image::kNormalKeyFunction, 7, id::kNormalKey, Option("USUALKEY", 7)},
      {image::kLongKeyFunction, 9, id::kLongKey, Option("LONGKEYFUNC", 0)},
      {image::kLongKeyFunction, 8, id::kLongKey, Option("LONGKEYFUNC", 8)},
      {image::kEmergencyChannel, 0xFF, id::kEmergencyChannel, files.GetText("IDS_SELCH")},
      {image::kEmergencyChannel, 17, id::kEmergencyChannel, files.GetText("IDS_SELCH")},
      {image::kEmergencyChannel, 16, id::kEmergencyChannel, channel + " 16"},
      {image::kLongPressDuration, 5, id::kLongPressDuration, "2.0"},
      {image::kLongPressDuration, 251, id::kLongPressDuration, "2.0"},
      {image::kLongPressDuration, 10, id::kLongPressDuration, "0.2"},
      {image::kLongPressDuration, 137, id::kLongPressDuration, "2.7"},
      {image::kLongPressDuration, 250, id::kLongPressDuration, "5.0"},
      {image::kOptions, 0x0C, id::kTailReversal, Option("TAILREVERSAL", 2)},
      {image::kOptions, 0x04, id::kTailReversal, Option("TAILREVERSAL", 1)},
      {image::kOptions, 0xF3, id::kTailReversal, Option("TAILREVERSAL", 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.control) + " " + std::to_string(c.stored));
    doc.At(c.offset) = c.stored;
    const Image before = Snapshot();
    EXPECT_EQ(Shown(c.control), c.shown);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(doc.IsModified());
  }
}

TEST_F(FunctionPage, ListPicksStoreTheirValues) {
  struct Case {
    int control;
    int index;
    std::size_t offset;
    std::uint8_t before;
    std::uint8_t after;
  };
  UseChannel(3);
  const std::vector<Case> cases = {
      {id::kSquelchLevel, 5, image::kSquelchLevel, 3, 5},
      {id::kTimeOutTimer, 0, image::kTimeOutTimer, 6, 0},
      {id::kTimeOutTimer, 10, image::kTimeOutTimer, 6, 10},
      {id::kNormalKey, 7, image::kNormalKeyFunction, 3, 7},
      {id::kShortKey, 0, image::kShortKeyFunction, 1, 0},
      {id::kShortKey, 1, image::kShortKeyFunction, 4, 2},
      {id::kShortKey, 2, image::kShortKeyFunction, 0, 4},
      {id::kShortKey, 3, image::kShortKeyFunction, 4, 5},
      {id::kShortKey, 4, image::kShortKeyFunction, 4, 6},
      {id::kLongKey, 8, image::kLongKeyFunction, 6, 8},
      {id::kProgrammableKeyMode, 1, image::kKeyAndVox, 0xFE, 0xFF},
      {id::kProgrammableKeyMode, 0, image::kKeyAndVox, 0xFF, 0xFE},
      {id::kTailReversal, 0, image::kOptions, 0xFF, 0xF3},
      {id::kTailReversal, 1, image::kOptions, 0xFB, 0xF7},
      {id::kTailReversal, 2, image::kOptions, 0x04, 0x08},
      {id::kEmergencyChannel, 0, image::kEmergencyChannel, 3, 0xFF},
      {id::kEmergencyChannel, 3, image::kEmergencyChannel, 0xFF, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.control) + " " + std::to_string(c.index));
    doc.At(c.offset) = c.before;
    doc.SetModifiedFlag(false);
    EXPECT_EQ(fp::StoreChoice(doc, c.control, c.index), fp::Outcome::Stored);
    EXPECT_EQ(doc.At(c.offset), c.after);
    EXPECT_EQ(Find(c.control).selected, c.index);
    EXPECT_TRUE(doc.IsModified());
  }
}

TEST_F(FunctionPage, AFreeChannelIsRefusedForTheEmergencyId) {
  UseChannel(2);
  doc.At(image::kEmergencyChannel) = 2;
  const Image before = Snapshot();
  EXPECT_EQ(fp::StoreChoice(doc, id::kEmergencyChannel, 5), fp::Outcome::FreeChannel);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(Find(id::kEmergencyChannel).selected, 2);
}

TEST_F(FunctionPage, CheckBoxesSetTheirBitsSomeInverted) {
  struct Case {
    int control;
    bool checked;
    std::size_t offset;
    std::uint8_t before;
    std::uint8_t after;
  };
  const std::vector<Case> cases = {
      {id::kAnnounceChannel, true, image::kOptions, 0x00, 0x20},
      {id::kBatterySave, false, image::kOptions, 0xFF, 0xFD},
      {id::kRogerTone, true, image::kOptions, 0xFF, 0x7F},
      {id::kRogerTone, false, image::kOptions, 0x00, 0x80},
      {id::kWiredCloneMode, true, image::kKeyAndVox, 0xFF, 0xFB},
      {id::kWiredCloneMode, false, image::kKeyAndVox, 0x00, 0x04},
      {id::kBatteryLowNotice, true, image::kScanAndPttId, 0x00, 0x20},
      {id::kSendEni, true, image::kAlarm, 0x00, 0x02},
      {id::kSendAlarmTone, true, image::kAlarm, 0x00, 0x08},
      {id::kSendBackgroundNoise, true, image::kAlarm, 0x00, 0x04},
      // A local alarm excludes the background noise; unticking it leaves the noise bit alone.
      {id::kLocalAlarm, true, image::kAlarm, 0x04, 0x01},
      {id::kLocalAlarm, false, image::kAlarm, 0x05, 0x04},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.control) + " " + std::to_string(c.checked));
    doc.At(c.offset) = c.before;
    doc.SetModifiedFlag(false);
    fp::StoreCheck(doc, c.control, c.checked);
    EXPECT_EQ(doc.At(c.offset), c.after);
    EXPECT_EQ(Find(c.control).checked, c.checked);
    EXPECT_TRUE(doc.IsModified());
  }
}

TEST_F(FunctionPage, KeyModeAndEmergencyEnablingRules) {
  struct Case {
    std::uint8_t keyAndVox;
    std::uint8_t longKey;
    std::uint8_t alarm;
    std::vector<int> disabled;
  };
  const std::vector<Case> cases = {
      // Short/long press mode, a long key that sends no alarm: no emergency control.
      {0xFE, 6, 0x00,
       {id::kNormalKeyLabel, id::kNormalKey, id::kLocalAlarm, id::kSendEni, id::kSendAlarmTone,
        id::kSendBackgroundNoise, id::kEmergencyId, id::kEmergencyChannel, id::kEmergencyIdLabel,
        id::kEmergencyChannelLabel, id::kEmergencyGroup}},
      // Normal key mode: the short and long key settings rest; the alarm stays available.
      {0xFF, 7, 0x00,
       {id::kLongPressDuration, id::kLongPressUpDown, id::kShortKeyLabel, id::kLongKeyLabel, id::kLongPressLabel,
        id::kShortKey, id::kLongKey}},
      // A local alarm keeps the background noise off.
      {0xFE, 7, 0x01, {id::kNormalKeyLabel, id::kNormalKey, id::kSendBackgroundNoise}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.keyAndVox) + " " + std::to_string(c.longKey) + " " + std::to_string(c.alarm));
    doc.At(image::kKeyAndVox) = c.keyAndVox;
    doc.At(image::kLongKeyFunction) = c.longKey;
    doc.At(image::kAlarm) = c.alarm;
    std::vector<int> expected = c.disabled;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Disabled(), expected);
  }

  // Leaving the alarm long key disables the emergency controls and keeps their bits.
  doc.At(image::kAlarm) = 0x0F;
  fp::StoreChoice(doc, id::kLongKey, 3);
  EXPECT_EQ(doc.At(image::kAlarm), 0x0F);
  EXPECT_FALSE(Find(id::kSendEni).enabled);
  EXPECT_TRUE(Find(id::kSendEni).checked);
}

TEST_F(FunctionPage, LongPressStepsFromTheShownValue) {
  struct Case {
    std::uint8_t before;
    int direction;
    std::uint8_t after;
    bool modified;
  };
  const std::vector<Case> cases = {
      {5, +1, 105, true},  // shown 2.0 in place of a byte out of range
      {100, -1, 95, true}, {250, +1, 250, false}, {10, -1, 10, false}, {137, +1, 140, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.before));
    doc.At(image::kLongPressDuration) = c.before;
    doc.SetModifiedFlag(false);
    fp::StepLongPress(doc, c.direction);
    EXPECT_EQ(doc.At(image::kLongPressDuration), c.after);
    EXPECT_EQ(doc.IsModified(), c.modified);
  }
  EXPECT_EQ(Shown(id::kLongPressDuration), "2.8");
}

TEST_F(FunctionPage, EmergencyIdIsStoredOnlyWhenItDiffers) {
  fp::StoreEmergencyId(doc, "12a#");
  EXPECT_EQ(test::HexText(doc.Image().subspan(image::kEmergencyId, 6)), "01 02 0A 0F FF FF");
  EXPECT_EQ(Shown(id::kEmergencyId), "12A#");
  EXPECT_TRUE(doc.IsModified());
  doc.SetModifiedFlag(false);
  fp::StoreEmergencyId(doc, "12A#");
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(FunctionPage, EmbeddedMessage) {
  // A message that fills its whole region ends inside it: 63 bytes show.
  std::fill_n(&doc.At(image::kMessage), image::kMessageSize, 'A');
  EXPECT_EQ(Shown(id::kMessage), std::string(63, 'A'));
  EXPECT_EQ(doc.At(image::kMessage + image::kMessageSize - 1), 0);

  // Line breaks are stored as CR LF; storing the same text again changes nothing.
  doc.SetModifiedFlag(false);
  fp::StoreMessage(doc, "Hi\nthere");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&doc.At(image::kMessage)), 10), std::string("Hi\r\nthere\0", 10));
  EXPECT_EQ(Shown(id::kMessage), "Hi\nthere");
  EXPECT_TRUE(doc.IsModified());
  doc.SetModifiedFlag(false);
  fp::StoreMessage(doc, "Hi\nthere");
  EXPECT_FALSE(doc.IsModified());

  // No text: no message.
  fp::StoreMessage(doc, "");
  EXPECT_EQ(doc.At(image::kMessage), 0xFF);
  EXPECT_EQ(Shown(id::kMessage), "");
  EXPECT_TRUE(doc.IsModified());
}

// The speech-language list as the page and `corvane-cli dump` build it, and a pick.
TEST(FunctionPageSpeechLanguage, ListsNamedPackagesAndPicksByIdentifier) {
  test::ProgramDir dir;
  const auto package = [&](const std::string& file, const std::string& name, std::uint8_t idByte) {
    std::string content(CVoicePackage::kFileSize, '\xFF');
    if (!name.empty()) content.replace(CVoicePackage::kFirstName, name.size() + 1, name + '\0');
    content.replace(CVoicePackage::kIdentifier, 16, std::string(15, '\0') + static_cast<char>(idByte));
    dir.Write(file, content);
  };
  package("a.enc", "English", 1);
  package("b.enc", "Chinese", 2);
  package("c.enc", "", 3);  // no name: the list ends before it
  package("d.enc", "German", 4);
  AppFiles files = dir.Files();
  CVoicePackage packages(dir.Path());
  CTavroPgmDoc doc(files, &packages);
  test::ScriptedPrompter prompter;
  test::NewDocument(doc, prompter);
  doc.SetModifiedFlag(false);

  std::fill(doc.VoiceId().begin(), doc.VoiceId().end(), 0);
  doc.VoiceId()[15] = 2;
  fp::SpeechLanguages languages = SpeechLanguagesOf(packages, doc.VoiceId());
  EXPECT_EQ(languages.names, (std::vector<std::string>{"English", "Chinese"}));
  EXPECT_EQ(languages.selected, 1);
  EXPECT_EQ(packages.SelectedIndex(), 1u);  // the package a write sends

  ASSERT_TRUE(fp::StoreSpeechLanguage(doc, languages, 0));
  EXPECT_EQ(doc.VoiceId()[15], 1);
  EXPECT_EQ(doc.At(image::kOptions) & image::options::kSpeechLanguage, 0);
  EXPECT_EQ(packages.SelectedIndex(), 0u);
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(fp::State(doc, files, languages).front().selected, 0);
  ASSERT_TRUE(fp::StoreSpeechLanguage(doc, languages, 1));
  EXPECT_EQ(doc.At(image::kOptions) & image::options::kSpeechLanguage, 1);
  EXPECT_FALSE(fp::StoreSpeechLanguage(doc, languages, 2));  // not offered
  EXPECT_EQ(doc.VoiceId()[15], 2);

  // The unnamed package's successor is found but not listed: no entry shows selected.
  doc.VoiceId()[15] = 4;
  languages = SpeechLanguagesOf(packages, doc.VoiceId());
  EXPECT_EQ(packages.SelectedIndex(), 3u);
  EXPECT_EQ(fp::State(doc, files, languages).front().selected, page_state::kNoSelection);
}

}  // namespace
