// Test mode and the calibration table against a scripted radio on a pseudo-terminal
// (the real CSerial on the slave side), and their pure helpers.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/serial.h"
#include "link/test_functions.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "tests/unit/scripted_radio.h"
#include "tests/unit/test_support.h"

namespace {

using test::Bytes;
using test::Memory;

// The identification of the document's model as the radio sends it (reversed).
constexpr std::array<std::uint8_t, 8> kModelId = {'7', '0', '4', 'U', ' ', 'V', 'C', 0x00};
constexpr std::array<std::uint8_t, 8> kIdentification = test::kScriptedIdentification;

using test::RadioScript;
using test::ScriptedRadio;
using test::Wire;

std::string Hex(const TestFrame& frame) { return test::HexText(frame); }

const std::string kProgram = "50 52 4F 47 52 41 4D";
const std::string kEnterTest = "4B 00 00 08 00 02 00 00 00 00 00 00";
// Handshake, identification and acknowledge: what every connection sends.
const std::string kConnect = Wire({kProgram, "02", "06"});
const std::string kTestConnect = Wire({kConnect, kEnterTest});

class TestFunctionTest : public test::RadioOnPtyTest {
 protected:
  void SetUp() override {
    RadioOnPtyTest::SetUp();
    std::copy(kModelId.begin(), kModelId.end(), doc_.Image().begin() + image::kModelId);
  }
  std::string DocumentCalibration() const { return test::HexText(doc_.Image().subspan(image::kCalibration, image::kCalibrationSize)); }
  static std::string Calibration(const Memory& memory) {
    return test::HexText(std::span(memory).subspan(image::kCalibration, image::kCalibrationSize));
  }
};

TEST(TestFunctionAccessCode, TheEntryIsReadAsADecimalNumber) {
  const struct {
    const char* entered;
    bool unlocks;
  } cases[] = {
      {"73519", true},  {" \t73519", true}, {"+73519", true}, {"73519abc", true}, {"073519", true},
      {"73518", false}, {"73520", false},   {"-73519", false}, {"", false},       {"abc73519", false},
      {"7351 9", false}, {"735190", false}, {"99999999999999999999999999", false},
      {"-99999999999999999999999999", false},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckAccessCode(c.entered), c.unlocks) << c.entered;
}

TEST(TestFunctionFrames, AreSettingFramesWithTheirDataBytes) {
  const struct {
    TestFrame frame;
    const char* bytes;
  } cases[] = {
      {EnterTestFrame(), "4B 00 00 08 00 02 00 00 00 00 00 00"},
      {ItemFrame(0x0E), "4B 00 00 08 10 80 0E 00 00 00 00 00"},
      {PointFrame(0x03), "4B 00 00 08 80 00 00 00 20 00 03 00"},
      {PointFrame(0xFF), "4B 00 00 08 80 00 00 00 20 00 FF 00"},
      {SaveFrame(), "4B 00 00 08 10 00 01 00 00 80 00 00"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(c.frame), c.bytes);
}

TEST(TestFunctionItems, EachButtonHasOneItem) {
  std::set<int> ids;
  for (const TestItem& item : TestItems()) {
    EXPECT_TRUE(ids.insert(item.controlId).second) << item.caption;
    EXPECT_EQ(FindTestItem(item.controlId), &item);
    EXPECT_TRUE(item.stepCount == 1 || item.stepCount == 3) << item.caption;
  }
  EXPECT_EQ(ids.size(), 21u);
  EXPECT_EQ(FindTestItem(1082), nullptr);
}

TEST(TestFunctionIndicator, AlternatesWhileTheRadioAnswers) {
  const struct {
    int state;
    bool answered;
    int next;
  } cases[] = {{1, true, 2}, {2, true, 1}, {0, true, 1}, {1, false, 0}, {2, false, 0}, {0, false, 0}};
  for (const auto& c : cases) EXPECT_EQ(NextIndicatorState(c.state, c.answered), c.next) << c.state << c.answered;
}

TEST(TestFunctionValueStep, NegativeStepsRaiseWithinTheByte) {
  const struct {
    int value;
    int delta;
    int next;
  } cases[] = {{100, -1, 101}, {100, 1, 99}, {255, -1, 255}, {0, 1, 0}, {0, -1, 1}, {255, 1, 254}, {7, 0, 6}};
  for (const auto& c : cases) EXPECT_EQ(StepTestValue(c.value, c.delta), c.next) << c.value << "/" << c.delta;
}

TEST(CalibrationText, AcceptsWholeNumbersFrom0To255Only) {
  const struct {
    const char* text;
    std::optional<std::uint8_t> stored;
  } cases[] = {
      {"0", 0}, {"255", 255}, {" 17 ", 17}, {"007", 7},
      // Never wrapped into a byte: 256 would store 0, 300 would store 44.
      {"256", std::nullopt}, {"300", std::nullopt}, {"4294967296", std::nullopt},
      {"-1", std::nullopt}, {"+5", std::nullopt}, {"1.5", std::nullopt}, {"abc", std::nullopt},
      {"12x", std::nullopt}, {"1 2", std::nullopt}, {"", std::nullopt}, {"  ", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CalibrationByteFromText(c.text), c.stored) << c.text;
}

TEST(CalibrationArea, OnlyTheErasedAreaOfANewConfigurationIsBlank) {
  const test::ProgramDir dir;
  const AppFiles files = dir.Files();
  CTavroPgmDoc doc(files);
  test::ScriptedPrompter prompter;
  test::NewDocument(doc, prompter);
  CalibrationArea area;
  std::copy_n(doc.Image().begin() + image::kCalibration, area.size(), area.begin());
  EXPECT_TRUE(IsBlankCalibrationArea(area));
  for (const std::size_t k : {std::size_t{0}, area.size() - 1}) {
    CalibrationArea aligned = area;
    aligned[k] = 0xFE;
    EXPECT_FALSE(IsBlankCalibrationArea(aligned)) << k;
  }
}

TEST(CalibrationFields, LieInTheCalibrationAreaOutsideThePasswordBlock) {
  std::set<std::size_t> offsets;
  for (const CalibrationField& field : CalibrationFields()) {
    EXPECT_TRUE(offsets.insert(field.offset).second) << field.caption;
    EXPECT_GE(field.offset, image::kCalibration) << field.caption;
    EXPECT_LT(field.offset, image::kCalibration + image::kCalibrationSize) << field.caption;
    EXPECT_FALSE(field.offset >= image::kPowerPermit && field.offset < image::kPassword + image::kPasswordSize) << field.caption;
  }
  EXPECT_EQ(offsets.size(), 21u);
}

TEST(TestFunctionMessage, KeysCaptionsAndIcons) {
  const test::ProgramDir dir;
  const AppFiles files = dir.Files();
  const struct {
    TestLinkOutcome outcome;
    TestDialog dialog;
    const char* text;
    const char* caption;
    PromptIcon icon;
  } cases[] = {
      {TestLinkOutcome::PortOpenFailed, TestDialog::TestFunction, "IDS_ERROR_PORTOPEN", "IDS_COMMUNICATION_ERROR", PromptIcon::Error},
      {TestLinkOutcome::PortOpenFailed, TestDialog::Calibration, "IDS_ERROR_PORTOPEN", "IDS_ERROR", PromptIcon::Error},
      {TestLinkOutcome::ConnectFailed, TestDialog::TestFunction, "IDS_FAILED_CONNECT", "IDS_COMMUNICATION_ERROR", PromptIcon::Exclamation},
      {TestLinkOutcome::WrongType, TestDialog::Calibration, "IDS_ERROR_TYPE", "IDS_COMMUNICATION_ERROR", PromptIcon::Exclamation},
      {TestLinkOutcome::ReadDone, TestDialog::Calibration, "IDS_PROMPT_READSUCC", "IDS_PROMPT_READ", PromptIcon::None},
      {TestLinkOutcome::ReadFailed, TestDialog::Calibration, "IDS_PROMPT_READFAIL", "IDS_PROMPT_READ", PromptIcon::Exclamation},
      {TestLinkOutcome::WriteDone, TestDialog::Calibration, "IDS_PROMPT_WRITESUCC", "IDS_PROMPT_WRITE", PromptIcon::None},
      {TestLinkOutcome::WriteFailed, TestDialog::Calibration, "IDS_PROMPT_WRITEFAIL", "IDS_PROMPT_WRITE", PromptIcon::Exclamation},
      {TestLinkOutcome::SaveFailed, TestDialog::TestFunction, "IDS_TEST_SAVEFAIL", "IDS_COMMUNICATION_ERROR", PromptIcon::Exclamation},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<PromptRequest> box = TestLinkMessage(c.outcome, c.dialog);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->textKey, c.text);
    EXPECT_EQ(box->captionKey, c.caption);
    EXPECT_EQ(box->icon, c.icon);
    EXPECT_EQ(box->buttons, PromptButtons::Ok);
    EXPECT_NE(box->Text(files), kTextNotFound);
    EXPECT_NE(box->Caption(files), kTextNotFound);
  }
  EXPECT_EQ(TestLinkMessage(TestLinkOutcome::Connected, TestDialog::TestFunction), std::nullopt);
}

TEST_F(TestFunctionTest, ConnectMakesUpToThreeHandshakesThenEntersTheTestState) {
  for (int ignored : {0, 2}) {
    SCOPED_TRACE(ignored);
    RadioScript script;
    script.ignoredHandshakes = ignored;
    ScriptedRadio radio(master_, script, radio_);
    EXPECT_EQ(TestConnect(port_, doc_), TestLinkOutcome::Connected);
    radio.Finish();
    EXPECT_EQ(radio.Received(), Wire({ignored == 2 ? Wire({kProgram, kProgram}) : "", kTestConnect}));
    EXPECT_TRUE(port_.IsOpen());
    port_.Close();
  }
}

TEST_F(TestFunctionTest, ConnectFailures) {
  RadioScript silent;
  silent.answerHandshake = false;
  RadioScript otherModel;
  otherModel.identification[1] = 'X';
  RadioScript shortIdentification;
  shortIdentification.identificationBytes = 7;
  RadioScript refusesTestState;
  refusesTestState.acknowledge = [](const Bytes&) { return false; };
  const struct {
    const char* name;
    const RadioScript& script;
    TestLinkOutcome outcome;
    std::string wire;
  } cases[] = {
      {"silent", silent, TestLinkOutcome::ConnectFailed, Wire({kProgram, kProgram, kProgram})},
      {"other model", otherModel, TestLinkOutcome::WrongType, Wire({kProgram, "02"})},
      {"short identification", shortIdentification, TestLinkOutcome::WrongType, Wire({kProgram, "02"})},
      {"test state refused", refusesTestState, TestLinkOutcome::WrongType, kTestConnect},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedRadio radio(master_, c.script, radio_);
    EXPECT_EQ(TestConnect(port_, doc_), c.outcome);
    radio.Finish();
    EXPECT_EQ(radio.Received(), c.wire);
    port_.Close();
  }
}

TEST_F(TestFunctionTest, APortThatCannotOpenIsReportedWithoutASearch) {
  dir_.Write("setting.ini", "[ports]\n2=/dev/corvane-no-such-device\n[setup]\ncom=2\nautocom=1\n");
  ScriptedRadio radio(master_, {}, radio_);
  EXPECT_EQ(TestConnect(port_, doc_), TestLinkOutcome::PortOpenFailed);
  EXPECT_EQ(ReadCalibration(port_, doc_), TestLinkOutcome::PortOpenFailed);
  EXPECT_EQ(WriteCalibration(port_, doc_), TestLinkOutcome::PortOpenFailed);
  radio.Finish();
  EXPECT_EQ(radio.Received(), "");
  EXPECT_FALSE(port_.IsOpen());
}

TEST_F(TestFunctionTest, SelectingAnItemSendsItsFramesWhileTheyAreAcknowledged) {
  const std::string item02 = Hex(ItemFrame(0x02));
  const std::string point01 = Hex(PointFrame(0x01));
  const std::string item03 = Hex(ItemFrame(0x03));
  auto refuse = [](TestFrame refused) {
    return [refused](const Bytes& frame) { return !std::equal(refused.begin(), refused.end(), frame.begin(), frame.end()); };
  };
  const auto all = [](const Bytes&) { return true; };
  const struct {
    int id;
    std::function<bool(const Bytes&)> acknowledge;
    std::string wire;
    bool valueAsked;
  } cases[] = {
      {1169, all, Wire({item02, point01, item03, "72"}), true},                // L Tune: adjust, value read once
      {1169, refuse(ItemFrame(0x02)), item02, false},                         // stops at the first frame
      {1169, refuse(PointFrame(0x01)), Wire({item02, point01}), false},       // ...or the second
      {1169, refuse(ItemFrame(0x03)), Wire({item02, point01, item03}), false},
      {1183, all, Wire({item02, Hex(PointFrame(0x02)), Hex(ItemFrame(0x04))}), false},  // SQL3: the timer reads
      {1185, all, Wire({Hex(ItemFrame(0x0C)), "72"}), true},                  // DCS
      {1188, all, Hex(ItemFrame(0x01)), false},                               // Voltage
  };
  for (const auto& c : cases) {
    const TestItem* item = FindTestItem(c.id);
    ASSERT_NE(item, nullptr);
    SCOPED_TRACE(item->caption);
    RadioScript script;
    script.acknowledge = c.acknowledge;  // the enter-test frame is never among the refused
    ScriptedRadio radio(master_, script, radio_);
    ASSERT_EQ(TestConnect(port_, doc_), TestLinkOutcome::Connected);
    const ItemSelection selection = SelectTestItem(port_, *item);
    radio.Finish();
    EXPECT_EQ(radio.Received(), Wire({kTestConnect, c.wire}));
    EXPECT_EQ(selection.valueAsked, c.valueAsked);
    EXPECT_EQ(selection.value, c.valueAsked ? std::optional<int>(300) : std::nullopt);
    port_.Close();
  }
}

TEST_F(TestFunctionTest, PollsReadReadingItemsAndPingOtherwise) {
  RadioScript answering;
  RadioScript silent;
  silent.valueReply = {};
  silent.answerPing = false;
  RadioScript halfValue;
  halfValue.valueReply = {0x2C};
  const struct {
    const char* name;
    const RadioScript& script;
    int item;  // 0: none selected
    const char* wire;
    bool answered;
    std::optional<int> value;
  } cases[] = {
      {"voltage", answering, 1188, "72", true, 300},
      {"dcs", answering, 1185, "45", true, std::nullopt},
      {"no item", answering, 0, "45", true, std::nullopt},
      {"silent voltage", silent, 1188, "72", false, std::nullopt},
      {"silent dcs", silent, 1185, "45", false, std::nullopt},
      {"half a value", halfValue, 1188, "72", false, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedRadio radio(master_, c.script, radio_);
    ASSERT_EQ(TestConnect(port_, doc_), TestLinkOutcome::Connected);
    const TestPoll poll = PollTestRadio(port_, FindTestItem(c.item));
    radio.Finish();
    EXPECT_EQ(radio.Received(), Wire({kTestConnect, c.wire}));
    EXPECT_EQ(poll.answered, c.answered);
    EXPECT_EQ(poll.value, c.value);
    port_.Close();
  }
}

TEST_F(TestFunctionTest, ValueAndSaveFramesGoOutByteByByte) {
  ScriptedRadio radio(master_, {}, radio_);
  ASSERT_EQ(TestConnect(port_, doc_), TestLinkOutcome::Connected);
  SendTestValue(port_, static_cast<std::uint8_t>(StepTestValue(255, -1)));
  EXPECT_TRUE(SaveTestValue(port_));
  EXPECT_EQ(ReadTestValue(port_), 300);
  EXPECT_TRUE(PingTestRadio(port_));
  radio.Finish();
  EXPECT_EQ(radio.Received(), Wire({kTestConnect, "4B 00 00 08 80 00 00 00 20 00 FF 00",
                                    "4B 00 00 08 10 00 01 00 00 80 00 00", "72", "45"}));
}

// The radio acknowledges a save only once the value is stored.
TEST_F(TestFunctionTest, ASaveTheRadioDoesNotAcknowledgeFails) {
  RadioScript refusesSave;
  refusesSave.acknowledge = [](const Bytes& frame) { return Hex(SaveFrame()) != test::HexText(frame); };
  ScriptedRadio radio(master_, refusesSave, radio_);
  ASSERT_EQ(TestConnect(port_, doc_), TestLinkOutcome::Connected);
  EXPECT_FALSE(SaveTestValue(port_));
  radio.Finish();
  EXPECT_EQ(radio.Received(), Wire({kTestConnect, Hex(SaveFrame())}));
}

// The calibration table uses the same link and radio.
class CalibrationTest : public TestFunctionTest {};

TEST_F(CalibrationTest, ReadTakesTheWholeAreaOrNothing) {
  for (std::size_t k = 0; k < image::kCalibrationSize; ++k) radio_[image::kCalibration + k] = static_cast<std::uint8_t>(0x40 + k);
  const std::string radioArea = Calibration(radio_);
  const std::string reads = Wire({"52 03 E0 08 06", "52 03 E8 08 06", "52 03 F0 08 06", "52 03 F8 08 06"});
  RadioScript answering;
  RadioScript shortThird;
  shortThird.shortReplyAt = image::kCalibration + 16;
  RadioScript misaddressedSecond;
  misaddressedSecond.misaddressedReplyAt = image::kCalibration + 8;
  RadioScript otherModel;
  otherModel.identification[0] = 0x01;
  const struct {
    const char* name;
    const RadioScript& script;
    TestLinkOutcome outcome;
    std::string wire;
  } cases[] = {
      {"whole", answering, TestLinkOutcome::ReadDone, Wire({kConnect, reads})},
      {"short third reply", shortThird, TestLinkOutcome::ReadFailed, Wire({kConnect, "52 03 E0 08 06 52 03 E8 08 06 52 03 F0 08"})},
      {"misaddressed second reply", misaddressedSecond, TestLinkOutcome::ReadFailed, Wire({kConnect, "52 03 E0 08 06 52 03 E8 08"})},
      {"other model", otherModel, TestLinkOutcome::WrongType, Wire({kProgram, "02"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::size_t k = 0; k < image::kCalibrationSize; ++k) doc_.At(image::kCalibration + k) = 0xEE;
    const std::string before = DocumentCalibration();
    doc_.SetModifiedFlag(false);
    ScriptedRadio radio(master_, c.script, radio_);
    EXPECT_EQ(ReadCalibration(port_, doc_), c.outcome);
    radio.Finish();
    EXPECT_EQ(radio.Received(), c.wire);
    const bool done = c.outcome == TestLinkOutcome::ReadDone;
    // All 32 bytes, the password block and the power permit bit included.
    EXPECT_EQ(DocumentCalibration(), done ? radioArea : before);
    EXPECT_EQ(doc_.IsModified(), done);
    EXPECT_EQ(port_.IsOpen(), !done);
    port_.Close();
  }
}

TEST_F(CalibrationTest, WriteSendsTheAreaWithTheTFrame) {
  for (std::size_t k = 0; k < image::kCalibrationSize; ++k) doc_.At(image::kCalibration + k) = static_cast<std::uint8_t>(k);
  // A value typed into the table's "L Tune" field.
  const CalibrationField& lTune = *std::find_if(CalibrationFields().begin(), CalibrationFields().end(),
                                                [](const CalibrationField& f) { return f.caption == "L Tune"; });
  doc_.At(lTune.offset) = *CalibrationByteFromText("44");

  const std::string frames[] = {
      "74 03 E0 08 00 01 02 03 04 05 06 2C",
      "74 03 E8 08 08 09 0A 0B 0C 0D 0E 0F",
      "74 03 F0 08 10 11 12 13 14 15 16 17",
      "74 03 F8 08 18 19 1A 1B 1C 1D 1E 1F",
  };
  RadioScript accepting;
  RadioScript refusesThird;
  refusesThird.acknowledge = [](const Bytes& frame) { return frame[2] != 0xF0; };
  RadioScript otherModel;
  otherModel.identification[7] = 'X';
  const struct {
    const char* name;
    const RadioScript& script;
    TestLinkOutcome outcome;
    std::string wire;
    std::size_t blocksStored;
  } cases[] = {
      {"accepted", accepting, TestLinkOutcome::WriteDone, Wire({kConnect, frames[0], frames[1], frames[2], frames[3]}), 4},
      {"third refused", refusesThird, TestLinkOutcome::WriteFailed, Wire({kConnect, frames[0], frames[1], frames[2]}), 2},
      {"other model", otherModel, TestLinkOutcome::WrongType, Wire({kProgram, "02"}), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedRadio radio(master_, c.script, radio_);
    EXPECT_EQ(WriteCalibration(port_, doc_), c.outcome);
    radio.Finish();
    EXPECT_EQ(radio.Received(), c.wire);
    // The acknowledged blocks hold the document's bytes, the others their old ones.
    const std::size_t stored = 8 * c.blocksStored;
    const auto radioArea = std::span(radio.MemoryNow()).subspan(image::kCalibration, image::kCalibrationSize);
    EXPECT_EQ(test::HexText(radioArea.first(stored)), test::HexText(doc_.Image().subspan(image::kCalibration, stored)));
    EXPECT_EQ(test::HexText(radioArea.subspan(stored)),
              test::HexText(std::span(radio_).subspan(image::kCalibration + stored, image::kCalibrationSize - stored)));
    EXPECT_EQ(port_.IsOpen(), c.outcome != TestLinkOutcome::WriteDone);
    port_.Close();
  }
}

// The command line's exchanges: the radio is known only by its identification, and a
// write changes only the bytes of the fields it is given, in a session after the read's.
TEST_F(CalibrationTest, TheRadioAloneReadsAndAWriteKeepsEveryByteItIsNotGiven) {
  for (std::size_t k = 0; k < image::kCalibrationSize; ++k) radio_[image::kCalibration + k] = static_cast<std::uint8_t>(0x40 + k);
  ModelIdentifier model;
  std::copy(kModelId.begin(), kModelId.end(), model.begin());
  const std::string reads = Wire({"52 03 E0 08 06", "52 03 E8 08 06", "52 03 F0 08 06", "52 03 F8 08 06"});
  {
    RadioScript otherModel;
    otherModel.identification[0] = 0x01;
    ScriptedRadio radio(master_, otherModel, radio_);
    const RadioCalibration read = ReadRadioCalibration(port_, files_.SettingsPath());
    radio.Finish();
    EXPECT_EQ(read.outcome, TestLinkOutcome::ReadDone);  // any model is read
    EXPECT_EQ(radio.Received(), Wire({kConnect, reads}));
    EXPECT_EQ(test::HexText(read.area), Calibration(radio_));
    ModelIdentifier reported = model;
    reported[7] = 0x01;  // the identification comes last byte first
    EXPECT_EQ(read.model, reported);
    EXPECT_FALSE(port_.IsOpen());
  }
  // "Voltage" (0x3E4) and "H H P" (0x3F5) given, nothing else.
  std::vector<std::optional<std::uint8_t>> byField(CalibrationFields().size());
  byField.front() = 0x99;
  byField.back() = 0x00;
  const std::string frames = Wire({"74 03 E0 08 40 41 42 43 99 45 46 47", "74 03 E8 08 48 49 4A 4B 4C 4D 4E 4F",
                                   "74 03 F0 08 50 51 52 53 54 00 56 57", "74 03 F8 08 58 59 5A 5B 5C 5D 5E 5F"});
  RadioScript answering;
  RadioScript shortSecond;
  shortSecond.shortReplyAt = image::kCalibration + 8;
  RadioScript otherModel;
  otherModel.identification[7] = 'X';
  const struct {
    const char* name;
    const RadioScript& script;
    TestLinkOutcome outcome;
    std::string wire;
  } cases[] = {
      // Read and write are two sessions, each with its own handshake and identification.
      {"written", answering, TestLinkOutcome::WriteDone, Wire({kConnect, reads, kConnect, frames})},
      {"short read", shortSecond, TestLinkOutcome::ReadFailed, Wire({kConnect, "52 03 E0 08 06 52 03 E8 08"})},
      {"other model", otherModel, TestLinkOutcome::WrongType, Wire({kProgram, "02"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedRadio radio(master_, c.script, radio_);
    EXPECT_EQ(WriteRadioCalibration(port_, files_.SettingsPath(), model, byField), c.outcome);
    radio.Finish();
    EXPECT_EQ(radio.Received(), c.wire);
    EXPECT_EQ(port_.IsOpen(), c.outcome != TestLinkOutcome::WriteDone);
    port_.Close();
  }
}

}  // namespace
