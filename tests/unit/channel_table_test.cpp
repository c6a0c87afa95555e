#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "radio/channel_table.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "radio/prompt.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {

namespace rec = image::channel;
namespace ct = channel_table;


using Image = std::vector<std::uint8_t>;

// Stored frequencies used below (packed BCD tens of hertz, least significant pair first).
constexpr std::array<std::uint8_t, 4> k446525 = {0x00, 0x25, 0x65, 0x44};
constexpr std::array<std::uint8_t, 4> k441525 = {0x00, 0x25, 0x15, 0x44};
constexpr std::array<std::uint8_t, 4> kNoFrequency = {0xFF, 0xFF, 0xFF, 0xFF};

// A new model-2 document (band 400 to 470 MHz): all channels empty, high power permitted.
class ChannelFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    test::NewDocument(doc, prompter);
  }

  std::span<std::uint8_t, image::kChannelRecordSize> Record(int channel) { return doc.ChannelRecord(channel); }
  std::string RecordHex(int channel) { return test::HexText(Record(channel)); }
  Image Snapshot() const { return Image(doc.Image().begin(), doc.Image().end()); }

  void Put(int channel, std::size_t field, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), Record(channel).begin() + static_cast<std::ptrdiff_t>(field));
  }
  void PutFrequency(int channel, bool receive, const std::array<std::uint8_t, 4>& bytes) {
    const std::size_t at = receive ? rec::kReceiveFrequency : rec::kTransmitFrequency;
    std::copy(bytes.begin(), bytes.end(), Record(channel).begin() + static_cast<std::ptrdiff_t>(at));
  }
  // A used channel with every field holding data:
  // RX 446.525000, TX 441.525000, RX tone 67.0, TX tone D754I, switches 0x41, busy 0xA9,
  // signal set 2, signal code 16.
  void Populate(int channel) {
    PutFrequency(channel, true, k446525);
    PutFrequency(channel, false, k441525);
    Put(channel, rec::kReceiveTone, {0x70, 0x06});
    Put(channel, rec::kTransmitTone, {0x54, 0xC7});
    Put(channel, rec::kSwitches, {0x41, 0xA9, 0x01, 0x0F});
  }
  void EmptyAllChannels() {
    for (int channel = 1; channel <= image::kChannelCount; ++channel)
      std::fill(Record(channel).begin(), Record(channel).end(), 0xFF);
  }

  std::string Text(const char* key) const { return files.GetText(key); }

  test::ProgramDir dir;
  AppFiles files = dir.Files();
  test::ScriptedPrompter prompter;
  CTavroPgmDoc doc{files};
};

class ChannelQueries : public ChannelFixture {};
class ChannelEdits : public ChannelFixture {};
class ChannelTableText : public ChannelFixture {};
class ChannelTableChoices : public ChannelFixture {};

// ---------------------------------------------------------------- queries

TEST_F(ChannelQueries, UsedAndTransmitFrequencyLookAtTheMostSignificantByteOnly) {
  struct Case {
    std::uint8_t byte3;
    bool present;
  };
  const std::vector<Case> cases = {{0x44, true}, {0x00, true}, {0x99, true}, {0x9A, false}, {0xFF, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.byte3));
    // The other bytes of the record hold data either way.
    Populate(3);
    Put(3, rec::kReceiveFrequency + 3, {c.byte3});
    EXPECT_EQ(doc.IsChannelUsed(3), c.present);
    Populate(3);
    Put(3, rec::kTransmitFrequency + 3, {c.byte3});
    EXPECT_EQ(doc.HasTransmitFrequency(3), c.present);
    EXPECT_TRUE(doc.IsChannelUsed(3));
  }
}

TEST_F(ChannelQueries, SimplexComparesBothFrequencyFields) {
  struct Case {
    std::string name;
    std::array<std::uint8_t, 4> receive, transmit;
    bool simplex;
  };
  const std::vector<Case> cases = {
      {"both empty", kNoFrequency, kNoFrequency, true},
      {"same frequency", k446525, k446525, true},
      {"split", k446525, k441525, false},
      {"differ in the lowest byte only", k446525, {0x01, 0x25, 0x65, 0x44}, false},
      {"no transmit frequency", k446525, kNoFrequency, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PutFrequency(5, true, c.receive);
    PutFrequency(5, false, c.transmit);
    EXPECT_EQ(doc.IsSimplex(5), c.simplex);
  }
}

TEST_F(ChannelQueries, SameTonesComparesBothToneFields) {
  struct Case {
    std::string name;
    std::array<std::uint8_t, 2> receive, transmit;
    bool same;
  };
  const std::vector<Case> cases = {
      {"both none", {0xFF, 0xFF}, {0xFF, 0xFF}, true},
      {"same CTCSS", {0x70, 0x06}, {0x70, 0x06}, true},
      {"normal and inverted DCS", {0x54, 0x87}, {0x54, 0xC7}, false},
      {"differ in the low byte only", {0x70, 0x06}, {0x71, 0x06}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Populate(6);
    Put(6, rec::kReceiveTone, {c.receive[0], c.receive[1]});
    Put(6, rec::kTransmitTone, {c.transmit[0], c.transmit[1]});
    EXPECT_EQ(doc.SameTones(6), c.same);
  }
}

TEST_F(ChannelQueries, ScanNeedsTwoUsedMembers) {
  struct Member {
    int channel;
    bool used;
    bool scanned;
  };
  struct Case {
    std::string name;
    std::vector<Member> members;
    bool possible;
  };
  const std::vector<Case> cases = {
      {"no channels", {}, false},
      {"two used members", {{1, true, true}, {16, true, true}}, true},
      {"one used member", {{4, true, true}, {5, true, false}}, false},
      // A record above 0x99 in byte 3 is free even with its scan bit set.
      {"one used member and a free record marked for scan", {{4, true, true}, {5, false, true}}, false},
      {"three used members", {{2, true, true}, {3, true, true}, {9, true, true}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EmptyAllChannels();
    for (const Member& m : c.members) {
      Populate(m.channel);
      if (!m.used) Put(m.channel, rec::kReceiveFrequency + 3, {0x9A});
      Record(m.channel)[rec::kSwitches] = m.scanned ? rec::kScanMember : 0x00;
    }
    // PTT ID mode 1, battery-low notice on, scan type 0.
    doc.At(image::kScanAndPttId) = 0x21;
    doc.SetModifiedFlag(false);

    EXPECT_EQ(doc.CountScanChannels(), c.possible);
    if (c.possible) {
      EXPECT_EQ(doc.At(image::kScanAndPttId), 0x21);
      EXPECT_FALSE(doc.IsModified());
    } else {
      // The scan type is forced to the first option; the other bits stay.
      EXPECT_EQ(doc.At(image::kScanAndPttId), 0x21 | image::scan_and_ptt_id::kScanType);
      EXPECT_TRUE(doc.IsModified());
    }
  }
}

TEST_F(ChannelQueries, ForcedScanTypeAlreadyInPlaceChangesNothing) {
  doc.At(image::kScanAndPttId) = 0x0C;
  doc.SetModifiedFlag(false);
  EXPECT_FALSE(doc.CountScanChannels());
  EXPECT_EQ(doc.At(image::kScanAndPttId), 0x0C);
  EXPECT_FALSE(doc.IsModified());
}

// ---------------------------------------------------------------- edits

TEST_F(ChannelEdits, EraseLeavesTheEmptyRecordAndKeepsUnusedBits) {
  struct Case {
    std::uint8_t switches, busy;
    std::uint8_t erasedSwitches, erasedBusy;
  };
  const std::vector<Case> cases = {
      {0x41, 0xA9, 0x7F, 0xA8},
      {0x00, 0x02, 0x3E, 0x00},
      {0xC1, 0xFF, 0xFF, 0xFC},
      {0x3E, 0x03, 0x3E, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::HexText(std::array<std::uint8_t, 2>{c.switches, c.busy}));
    Populate(7);
    Populate(6);
    Populate(8);
    Put(7, rec::kSwitches, {c.switches, c.busy});
    const std::string neighbours = RecordHex(6) + "|" + RecordHex(8);

    doc.EraseChannel(7);

    const std::array<std::uint8_t, 16> expected = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                   0xFF, 0xFF, 0xFF, 0xFF, c.erasedSwitches, c.erasedBusy, 0xFF, 0xFF};
    EXPECT_EQ(RecordHex(7), test::HexText(expected));
    EXPECT_EQ(RecordHex(6) + "|" + RecordHex(8), neighbours);
    EXPECT_FALSE(doc.IsChannelUsed(7));
  }
}

TEST_F(ChannelEdits, ClearTransmitFrequencyAlsoClearsTransmitTone) {
  Populate(10);
  doc.ClearTransmitFrequency(10);
  EXPECT_EQ(RecordHex(10), "00 25 65 44 FF FF FF FF 70 06 FF FF 41 A9 01 0F");
  EXPECT_TRUE(doc.IsChannelUsed(10));
  EXPECT_FALSE(doc.HasTransmitFrequency(10));
}

TEST_F(ChannelEdits, ReceiveFrequencyIntoEmptyChannelFillsTransmitToo) {
  doc.SetChannelFrequency(1, true, "446.52", prompter);
  EXPECT_EQ(doc.ChannelFrequencyText(1, true), "446.520000");
  EXPECT_EQ(doc.ChannelFrequencyText(1, false), "446.520000");
  EXPECT_TRUE(prompter.Asked().empty());
}

TEST_F(ChannelEdits, ReceiveFrequencyOfSimplexChannelMovesTransmit) {
  Populate(2);
  PutFrequency(2, false, k446525);
  doc.SetChannelFrequency(2, true, "441.525", prompter);
  EXPECT_EQ(doc.ChannelFrequencyText(2, true), "441.525000");
  EXPECT_EQ(doc.ChannelFrequencyText(2, false), "441.525000");
}

TEST_F(ChannelEdits, ReceiveFrequencyOfSplitChannelLeavesTransmit) {
  Populate(2);
  doc.SetChannelFrequency(2, true, "446.55", prompter);
  EXPECT_EQ(doc.ChannelFrequencyText(2, true), "446.550000");
  EXPECT_EQ(doc.ChannelFrequencyText(2, false), "441.525000");
}

TEST_F(ChannelEdits, TransmitFrequencyNeverMovesReceive) {
  Populate(2);
  PutFrequency(2, false, k446525);
  doc.SetChannelFrequency(2, false, "441.5", prompter);
  EXPECT_EQ(doc.ChannelFrequencyText(2, true), "446.525000");
  EXPECT_EQ(doc.ChannelFrequencyText(2, false), "441.500000");
}

TEST_F(ChannelEdits, EmptyReceiveFrequencyErasesTheChannel) {
  Populate(11);
  doc.SetChannelFrequency(11, true, "", prompter);
  EXPECT_EQ(RecordHex(11), "FF FF FF FF FF FF FF FF FF FF FF FF 7F A8 FF FF");
}

TEST_F(ChannelEdits, EmptyTransmitFrequencyClearsOnlyTheTransmitSide) {
  Populate(11);
  doc.SetChannelFrequency(11, false, "", prompter);
  EXPECT_EQ(RecordHex(11), "00 25 65 44 FF FF FF FF 70 06 FF FF 41 A9 01 0F");
}

TEST_F(ChannelEdits, ProposalAcceptedForEmptyChannelFillsBothFrequencies) {
  test::ScriptedPrompter ok({PromptAnswer::Ok});
  doc.SetChannelFrequency(12, true, "445.0031", ok);
  // Asked once: the copy into the transmit field is already on the raster.
  EXPECT_EQ(ok.AskedKeys(), std::vector<std::string>{"IDS_CHANGEFREQ"});
  EXPECT_EQ(RecordHex(12).substr(0, 23), "12 03 50 44 12 03 50 44");
  EXPECT_EQ(doc.ChannelFrequencyText(12, false), "445.003125");
}

TEST_F(ChannelEdits, ProposalRefusedForEmptyChannelLeavesItEmpty) {
  test::ScriptedPrompter cancel({PromptAnswer::Cancel, PromptAnswer::Cancel});
  doc.SetChannelFrequency(12, true, "445.0031", cancel);
  EXPECT_FALSE(doc.IsChannelUsed(12));
  EXPECT_FALSE(doc.HasTransmitFrequency(12));
}

TEST_F(ChannelEdits, ProposalRefusedForUsedChannelKeepsBothFrequencies) {
  Populate(12);
  test::ScriptedPrompter cancel({PromptAnswer::Cancel, PromptAnswer::Cancel});
  doc.SetChannelFrequency(12, true, "445.0031", cancel);
  EXPECT_EQ(doc.ChannelFrequencyText(12, true), "446.525000");
  EXPECT_EQ(doc.ChannelFrequencyText(12, false), "441.525000");
}

TEST_F(ChannelEdits, FrequencyEditMarksModifiedOnlyWhenTheTextDiffers) {
  Populate(13);
  doc.SetModifiedFlag(false);
  doc.SetChannelFrequency(13, true, "446.525000", prompter);
  EXPECT_FALSE(doc.IsModified());
  doc.SetChannelFrequency(13, true, "446.53", prompter);
  EXPECT_TRUE(doc.IsModified());
}

TEST_F(ChannelEdits, LeavingAFreshChannelEmptyMarksTheImageChange) {
  // Every byte of a fresh record is 0xFF; erasing it clears the busy lockout bits,
  // so the image changes and the document must be marked.
  const Image before = Snapshot();
  doc.SetChannelFrequency(14, true, "", prompter);
  ASSERT_NE(Snapshot(), before);
  EXPECT_TRUE(doc.IsModified());
}

TEST_F(ChannelEdits, LeavingAnErasedChannelEmptyChangesNothing) {
  doc.EraseChannel(14);
  doc.SetModifiedFlag(false);
  const Image before = Snapshot();
  doc.SetChannelFrequency(14, true, "", prompter);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(ChannelEdits, ReceiveToneFollowsIntoEqualTransmitTone) {
  Populate(3);
  Put(3, rec::kTransmitTone, {0x70, 0x06});
  doc.SetChannelTone(3, true, "88.5");
  EXPECT_EQ(doc.ToneToText(3, true), "88.5");
  EXPECT_EQ(doc.ToneToText(3, false), "88.5");
}

TEST_F(ChannelEdits, ReceiveToneLeavesTransmitToneWhenTheyDiffer) {
  Populate(3);
  doc.SetChannelTone(3, true, "88.5");
  EXPECT_EQ(doc.ToneToText(3, false), "D754I");
}

TEST_F(ChannelEdits, ReceiveToneLeavesTransmitToneWithoutTransmitFrequency) {
  Populate(3);
  PutFrequency(3, false, kNoFrequency);
  Put(3, rec::kTransmitTone, {0x70, 0x06});
  doc.SetChannelTone(3, true, "D023N");
  EXPECT_EQ(doc.ToneToText(3, true), "D023N");
  EXPECT_EQ(test::HexText(Record(3).subspan(rec::kTransmitTone, 2)), "70 06");
}

TEST_F(ChannelEdits, TransmitToneNeverMovesReceiveTone) {
  Populate(3);
  Put(3, rec::kTransmitTone, {0x70, 0x06});
  doc.SetChannelTone(3, false, "D023N");
  EXPECT_EQ(doc.ToneToText(3, true), "67.0");
  EXPECT_EQ(doc.ToneToText(3, false), "D023N");
}

TEST_F(ChannelEdits, ToneEditMarksModifiedOnlyWhenTheTextDiffers) {
  Populate(4);
  doc.SetModifiedFlag(false);
  doc.SetChannelTone(4, false, "d754i");  // the stored D754I, typed in lower case
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.ToneToText(4, false), "D754I");
  doc.SetChannelTone(4, false, files.GetText("IDS_NONE"));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(test::HexText(Record(4).subspan(rec::kTransmitTone, 2)), "FF FF");
}

TEST_F(ChannelEdits, EditsKeepBitsAndBytesTheyDoNotOwn) {
  auto head = doc.Image().first(image::ChannelOffset(1));
  for (std::size_t i = 0; i < head.size(); ++i) head[i] = static_cast<std::uint8_t>(0x30 + i);
  const std::string headBefore = test::HexText(head);
  const Image before = Snapshot();

  for (int channel : {1, 16}) {
    SCOPED_TRACE(channel);
    Populate(channel);
    doc.SetChannelFrequency(channel, true, "446.52", prompter);
    doc.SetChannelTone(channel, true, "D023N");
    for (int column = ct::kSignalSet; column <= ct::kBandwidth; ++column)
      for (int index : {1, 0}) ct::StoreChoice(doc, channel, column, index);
    doc.SetChannelFrequency(channel, false, "", prompter);
    // Byte 12 bits 0, 6, 7 and byte 13 bits 2 to 7 are as populated (0x41, 0xA9).
    EXPECT_EQ(Record(channel)[rec::kSwitches] & 0xC1, 0x41);
    EXPECT_EQ(Record(channel)[rec::kBusyLockout] & 0xFC, 0xA8);
    doc.SetChannelFrequency(channel, true, "", prompter);
    EXPECT_EQ(Record(channel)[rec::kSwitches] & 0xC1, 0x41);
    EXPECT_EQ(Record(channel)[rec::kBusyLockout] & 0xFC, 0xA8);
  }
  EXPECT_EQ(test::HexText(head), headBefore);
  // Nothing outside the channel table moved, apart from the scan type that counting may force.
  const Image after = Snapshot();
  for (std::size_t at = image::ChannelOffset(image::kChannelCount + 1); at < image::kSize; ++at) {
    if (at != image::kScanAndPttId) {
      EXPECT_EQ(after[at], before[at]) << "image byte " << at;
    }
  }
}

// ---------------------------------------------------------------- the table as text

TEST_F(ChannelTableText, HeadersComeFromTheFaceSection) {
  const ct::Row headers = ct::HeaderTexts(files);
  for (int column = 0; column < ct::kColumnCount; ++column) {
    SCOPED_TRACE(column);
    const std::string key = "IDS_COL" + std::to_string(column);
    EXPECT_EQ(headers[static_cast<std::size_t>(column)], files.FaceText(key));
    EXPECT_FALSE(headers[static_cast<std::size_t>(column)].empty());
  }
}

TEST_F(ChannelTableText, SelectorAndSwitchCells) {
  struct Case {
    int column;
    std::size_t field;
    std::uint8_t value;
    std::string text;
  };
  const std::string none = Text("IDS_NONE");
  const std::vector<Case> cases = {
      {ct::kSignalSet, rec::kSignalSet, 0, "1"},
      {ct::kSignalSet, rec::kSignalSet, 3, "4"},
      {ct::kSignalSet, rec::kSignalSet, 4, none},  // written by another tool
      {ct::kSignalSet, rec::kSignalSet, 0xFF, none},
      {ct::kSignalCode, rec::kSignalCode, 0, "1"},
      {ct::kSignalCode, rec::kSignalCode, 15, "16"},
      {ct::kSignalCode, rec::kSignalCode, 16, none},
      {ct::kOption, rec::kSwitches, rec::kOptionNo, Text("IDS_NO")},
      {ct::kOption, rec::kSwitches, 0xFF ^ rec::kOptionNo, Text("IDS_YES")},
      {ct::kScan, rec::kSwitches, rec::kScanMember, Text("IDS_YES")},
      {ct::kScan, rec::kSwitches, 0xFF ^ rec::kScanMember, Text("IDS_NO")},
      {ct::kPower, rec::kSwitches, rec::kHighPower, Text("IDS_HIGH")},
      {ct::kPower, rec::kSwitches, 0xFF ^ rec::kHighPower, Text("IDS_LOW")},
      {ct::kOnOff, rec::kSwitches, rec::kOptionOff, Text("IDS_OFF1")},
      {ct::kOnOff, rec::kSwitches, 0xFF ^ rec::kOptionOff, Text("IDS_ON1")},
      {ct::kBandwidth, rec::kSwitches, rec::kWide, Text("IDS_WIDE")},
      {ct::kBandwidth, rec::kSwitches, 0xFF ^ rec::kWide, Text("IDS_NARROW")},
      {ct::kBusyLockout, rec::kBusyLockout, 0x00, files.OptionText("BUSYLOCKOUT", 0)},
      {ct::kBusyLockout, rec::kBusyLockout, 0x01, files.OptionText("BUSYLOCKOUT", 1)},
      {ct::kBusyLockout, rec::kBusyLockout, 0xFE, files.OptionText("BUSYLOCKOUT", 2)},
      // Mode 3 has no entry of its own and shows the first.
      {ct::kBusyLockout, rec::kBusyLockout, 0x03, files.OptionText("BUSYLOCKOUT", 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("column " + std::to_string(c.column) + " value " + std::to_string(c.value));
    Populate(8);
    Record(8)[c.field] = c.value;
    EXPECT_EQ(ct::CellText(doc, 8, c.column), c.text);
  }
}

TEST_F(ChannelTableText, LowPowerWithoutPermitWhateverTheChannelHolds) {
  Populate(8);
  Record(8)[rec::kSwitches] |= rec::kHighPower;
  struct Case {
    std::uint8_t permit;
    std::string text;
  };
  const std::vector<Case> cases = {
      {0xFF, Text("IDS_HIGH")}, {0x01, Text("IDS_HIGH")}, {0xFE, Text("IDS_LOW")}, {0x00, Text("IDS_LOW")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.permit));
    doc.At(image::kPowerPermit) = c.permit;
    EXPECT_EQ(ct::CellText(doc, 8, ct::kPower), c.text);
    EXPECT_NE(Record(8)[rec::kSwitches] & rec::kHighPower, 0);
  }
}

TEST_F(ChannelTableText, UsedChannelRow) {
  Populate(9);
  const ct::Row expected = {"9",
                            "446.525000",
                            "67.0",
                            "2",
                            "441.525000",
                            "D754I",
                            "16",
                            Text("IDS_YES"),
                            Text("IDS_NO"),
                            files.OptionText("BUSYLOCKOUT", 1),
                            Text("IDS_LOW"),
                            Text("IDS_ON1"),
                            Text("IDS_NARROW")};
  EXPECT_EQ(ct::RowTexts(doc, 9), expected);
}

TEST_F(ChannelTableText, RowWithoutTransmitFrequencyHidesTransmitTone) {
  Populate(9);
  PutFrequency(9, false, kNoFrequency);
  const ct::Row row = ct::RowTexts(doc, 9);
  EXPECT_EQ(row[ct::kTransmitFrequency], "");
  EXPECT_EQ(row[ct::kTransmitTone], "");
  EXPECT_EQ(row[ct::kReceiveTone], "67.0");
  EXPECT_EQ(row[ct::kSignalCode], "16");
}

TEST_F(ChannelTableText, FreeChannelShowsOnlyItsNumber) {
  Populate(15);
  Put(15, rec::kReceiveFrequency + 3, {0x9A});
  ct::Row expected{};
  expected[ct::kNumber] = "15";
  EXPECT_EQ(ct::RowTexts(doc, 15), expected);
}

TEST_F(ChannelTableText, FirstFrequencyInFreshImageStartsLikeAnErasedChannel) {
  doc.SetChannelFrequency(1, true, "446.52", prompter);
  const std::string none = Text("IDS_NONE");
  const ct::Row expected = {"1",
                            "446.520000",
                            none,
                            none,
                            "446.520000",
                            none,
                            none,
                            Text("IDS_NO"),
                            Text("IDS_YES"),
                            files.OptionText("BUSYLOCKOUT", 0),
                            Text("IDS_HIGH"),
                            Text("IDS_OFF1"),
                            Text("IDS_WIDE")};
  EXPECT_EQ(ct::RowTexts(doc, 1), expected);
}

// ---------------------------------------------------------------- option columns

TEST_F(ChannelTableChoices, ChoicesOfEachColumn) {
  const std::string none = Text("IDS_NONE");
  std::vector<std::string> codes{none};
  for (int n = 1; n <= 16; ++n) codes.push_back(std::to_string(n));
  struct Case {
    int column;
    std::vector<std::string> choices;
  };
  const std::vector<Case> cases = {
      {ct::kSignalSet, {none, "1", "2", "3", "4"}},
      {ct::kSignalCode, codes},
      {ct::kOption, {Text("IDS_YES"), Text("IDS_NO")}},
      {ct::kScan, {Text("IDS_YES"), Text("IDS_NO")}},
      {ct::kBusyLockout,
       {files.OptionText("BUSYLOCKOUT", 0), files.OptionText("BUSYLOCKOUT", 1), files.OptionText("BUSYLOCKOUT", 2)}},
      {ct::kPower, {Text("IDS_HIGH"), Text("IDS_LOW")}},
      {ct::kOnOff, {Text("IDS_ON1"), Text("IDS_OFF1")}},
      {ct::kBandwidth, {Text("IDS_WIDE"), Text("IDS_NARROW")}},
      // Columns with their own editors offer no choices.
      {ct::kNumber, {}},
      {ct::kReceiveFrequency, {}},
      {ct::kReceiveTone, {}},
      {ct::kTransmitFrequency, {}},
      {ct::kTransmitTone, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    EXPECT_EQ(ct::Choices(files, c.column), c.choices);
  }
}

TEST_F(ChannelTableChoices, StoredByte) {
  struct Case {
    int column;
    int index;
    std::size_t field;
    std::uint8_t before, after;
  };
  const std::vector<Case> cases = {
      {ct::kSignalSet, 0, rec::kSignalSet, 0x02, 0xFF},
      {ct::kSignalSet, 1, rec::kSignalSet, 0xFF, 0x00},
      {ct::kSignalSet, 4, rec::kSignalSet, 0xFF, 0x03},
      {ct::kSignalCode, 0, rec::kSignalCode, 0x02, 0xFF},
      {ct::kSignalCode, 16, rec::kSignalCode, 0xFF, 0x0F},
      {ct::kOption, 1, rec::kSwitches, 0x00, 0x02},
      {ct::kOption, 0, rec::kSwitches, 0xFF, 0xFD},
      {ct::kScan, 0, rec::kSwitches, 0x00, 0x10},
      {ct::kScan, 1, rec::kSwitches, 0xFF, 0xEF},
      {ct::kBusyLockout, 2, rec::kBusyLockout, 0xFC, 0xFE},
      {ct::kBusyLockout, 0, rec::kBusyLockout, 0xAB, 0xA8},
      {ct::kBusyLockout, 1, rec::kBusyLockout, 0x02, 0x01},
      {ct::kPower, 0, rec::kSwitches, 0x00, 0x08},
      {ct::kPower, 1, rec::kSwitches, 0xFF, 0xF7},
      {ct::kOnOff, 1, rec::kSwitches, 0x00, 0x20},
      {ct::kOnOff, 0, rec::kSwitches, 0xFF, 0xDF},
      {ct::kBandwidth, 0, rec::kSwitches, 0x00, 0x04},
      {ct::kBandwidth, 1, rec::kSwitches, 0xFF, 0xFB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("column " + std::to_string(c.column) + " index " + std::to_string(c.index));
    Populate(10);
    Record(10)[c.field] = c.before;
    std::array<std::uint8_t, 16> expected;
    std::copy(Record(10).begin(), Record(10).end(), expected.begin());
    expected[c.field] = c.after;

    ct::StoreChoice(doc, 10, c.column, c.index);
    EXPECT_EQ(RecordHex(10), test::HexText(expected));
  }
}

TEST_F(ChannelTableChoices, EveryChoiceShowsAsChosen) {
  Populate(5);
  for (int column : {ct::kSignalSet, ct::kSignalCode, ct::kOption, ct::kScan, ct::kBusyLockout, ct::kPower,
                     ct::kOnOff, ct::kBandwidth}) {
    const std::vector<std::string> choices = ct::Choices(files, column);
    for (std::size_t index = 0; index < choices.size(); ++index) {
      SCOPED_TRACE("column " + std::to_string(column) + " index " + std::to_string(index));
      ct::StoreChoice(doc, 5, column, static_cast<int>(index));
      EXPECT_EQ(ct::CellText(doc, 5, column), choices[index]);
    }
  }
}

TEST_F(ChannelTableChoices, HighPowerChosenWithoutPermitStillShowsLow) {
  Populate(5);
  doc.At(image::kPowerPermit) = 0xFE;
  ct::StoreChoice(doc, 5, ct::kPower, 0);
  EXPECT_NE(Record(5)[rec::kSwitches] & rec::kHighPower, 0);
  EXPECT_EQ(ct::CellText(doc, 5, ct::kPower), Text("IDS_LOW"));
}

TEST_F(ChannelTableChoices, ChoiceMarksModifiedOnlyWhenTheByteChanges) {
  Populate(5);
  doc.SetModifiedFlag(false);
  ct::StoreChoice(doc, 5, ct::kSignalSet, 2);  // already set 2
  EXPECT_FALSE(doc.IsModified());
  ct::StoreChoice(doc, 5, ct::kSignalSet, 3);
  EXPECT_TRUE(doc.IsModified());
}

TEST_F(ChannelTableChoices, LeavingTheScanListCountsTheMembers) {
  EmptyAllChannels();
  Populate(1);
  Populate(2);
  Record(1)[rec::kSwitches] |= rec::kScanMember;
  Record(2)[rec::kSwitches] |= rec::kScanMember;
  doc.At(image::kScanAndPttId) = 0x21;

  // Adding a third member or keeping two leaves the scan type alone.
  Populate(3);
  ct::StoreChoice(doc, 3, ct::kScan, 0);
  ct::StoreChoice(doc, 3, ct::kScan, 1);
  EXPECT_EQ(doc.At(image::kScanAndPttId), 0x21);

  // Down to one member: the scan type is forced to its first option.
  ct::StoreChoice(doc, 2, ct::kScan, 1);
  EXPECT_EQ(doc.At(image::kScanAndPttId), 0x2D);
}


// ---------------------------------------------------------------- cell texts from the clipboard

TEST(CellBlock, LinesOfTabSeparatedTrimmedCells) {
  const struct {
    const char* text;
    ct::CellBlock cells;
  } cases[] = {
      {"446.5", {{"446.5"}}},
      {"446.5\t88.5\n", {{"446.5", "88.5"}}},
      {"446.5\t 88.5 \r\n441\t\r\n", {{"446.5", "88.5"}, {"441", ""}}},
      {"a\n\nb", {{"a"}, {""}, {"b"}}},  // an empty line is a row with one empty cell
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ct::ParseCellBlock(c.text), c.cells) << c.text;
}

TEST_F(ChannelTableChoices, TheEditorsOfEachColumnDecideWhatTextTheyTake) {
  const struct {
    int column;
    std::string text;
    bool taken;
  } cases[] = {
      {ct::kReceiveFrequency, "446.00625", true},
      {ct::kReceiveFrequency, "", true},  // clears the channel
      {ct::kTransmitFrequency, "446", true},
      {ct::kReceiveFrequency, "446.5.1", false},
      {ct::kReceiveFrequency, "446,5", false},
      {ct::kReceiveFrequency, "4465000000000", false},  // more than the editor holds
      {ct::kReceiveFrequency, ".", false},
      {ct::kReceiveTone, "88.5", true},
      {ct::kReceiveTone, "d023n", true},
      {ct::kTransmitTone, Text("IDS_NONE"), true},
      {ct::kReceiveTone, "High", false},
      {ct::kReceiveTone, "99.9", true},    // not a standard tone, but one the radio stores
      {ct::kReceiveTone, "023", false},    // 2.3 Hz, below the CTCSS range
      {ct::kTransmitTone, "D089N", false},  // 8 is no octal digit
      {ct::kSignalSet, "4", true},
      {ct::kSignalSet, "5", false},
      {ct::kPower, "low", true},
      {ct::kPower, "5W", false},
      {ct::kBandwidth, Text("IDS_WIDE"), true},
      {ct::kNumber, "1", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ct::AcceptsText(files, c.column, c.text), c.taken) << c.column << " " << c.text;
}

TEST_F(ChannelTableChoices, APasteChecksEveryCellAndWhetherItFits) {
  const ct::CellBlock good{{"446.5", "88.5"}, {"", ""}};
  EXPECT_TRUE(ct::CheckPaste(files, 15, 1, good).empty());
  const std::vector<ct::PasteProblem> bad = ct::CheckPaste(files, 3, 1, {{"446.5", "High"}, {"12x"}});
  ASSERT_EQ(bad.size(), 2u);
  EXPECT_EQ(bad[0].channel, 3);
  EXPECT_EQ(bad[0].column, ct::kReceiveTone);
  EXPECT_EQ(bad[1].text, "12x");
  const std::vector<ct::PasteProblem> beyond = ct::CheckPaste(files, 16, 12, good);
  ASSERT_FALSE(beyond.empty());
  EXPECT_EQ(beyond[0].channel, 0);
  const std::string message = ct::PasteProblemsMessage(files, bad, 1);
  EXPECT_NE(message.find("CH 3 / RX CTC/DCS: High"), std::string::npos) << message;
  EXPECT_EQ(message.find("12x"), std::string::npos);  // beyond the lines shown
  // A refused tone cell: the message says what a tone cell takes.
  EXPECT_NE(message.find(Text("IDS_TONE_RULE") + " " + Text("IDS_NONE")), std::string::npos) << message;
  EXPECT_EQ(ct::PasteProblemsMessage(files, {{3, ct::kReceiveFrequency, "12x"}}, 1).find(Text("IDS_TONE_RULE")),
            std::string::npos);
}

// Typing, pasting and ending an edit all go through the one tone rule; a refused text
// changes nothing, where it used to be stored as some other tone (023 as 67.0).
TEST_F(ChannelTableChoices, ARefusedToneChangesNothingWhetherTypedOrPasted) {
  EmptyAllChannels();
  Populate(4);
  doc.SetChannelTone(4, false, "88.5");
  doc.SetModifiedFlag(false);
  const std::string before = test::HexText(doc.ChannelRecord(4));
  for (const char* text : {"023", "999", "50", "88.45", "D089N"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ct::StoreCellText(doc, prompter, 4, ct::kTransmitTone, text));
    EXPECT_FALSE(doc.SetChannelTone(4, true, text));
    const std::vector<ct::PasteProblem> problems = ct::CheckPaste(files, 4, ct::kReceiveTone, {{text}});
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].column, ct::kReceiveTone);
    EXPECT_EQ(test::HexText(doc.ChannelRecord(4)), before);
    EXPECT_FALSE(doc.IsModified());
  }
  const std::string message = ct::ToneRefusedMessage(files, 4, ct::kTransmitTone, "023");
  EXPECT_NE(message.find("CH 4 / TX CTC/DCS: 023"), std::string::npos) << message;
  EXPECT_NE(message.find(Text("IDS_TONE_RULE")), std::string::npos) << message;
  // A tone off the standard lists is taken and stored as typed.
  EXPECT_TRUE(ct::StoreCellText(doc, prompter, 4, ct::kTransmitTone, "88.4"));
  EXPECT_EQ(ct::CellText(doc, 4, ct::kTransmitTone), "88.4");
  EXPECT_TRUE(doc.IsModified());
}

TEST_F(ChannelTableChoices, APastedRowFillsAFreeChannelAsTypingDoes) {
  EmptyAllChannels();
  Populate(1);
  const ct::Row copied = ct::RowTexts(doc, 1);
  ct::CellBlock cells{std::vector<std::string>(copied.begin() + 1, copied.end())};
  ct::Paste(doc, prompter, 7, 1, cells);
  ct::Row pasted = ct::RowTexts(doc, 7);
  pasted[0] = copied[0];
  EXPECT_EQ(pasted, copied);
  // Empty option and tone cells leave the stored values; an empty frequency erases.
  ct::Paste(doc, prompter, 7, 2, {{"", "", "446.000000"}});
  EXPECT_EQ(ct::CellText(doc, 7, ct::kReceiveTone), copied[ct::kReceiveTone]);
  EXPECT_EQ(doc.ChannelFrequencyText(7, false), "446.000000");
  ct::Paste(doc, prompter, 7, 1, {{""}});
  EXPECT_FALSE(doc.IsChannelUsed(7));
}

}  // namespace
