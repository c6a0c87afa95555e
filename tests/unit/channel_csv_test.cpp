// The channel table as CSV: the export's lines, round trips, what import accepts from
// files in the wild, and what it refuses without changing anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "radio/channel_csv.h"
#include "radio/channel_table.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {

namespace rec = image::channel;
namespace ct = channel_table;

const std::string kHeader =
    "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,RxDtcsCode,"
    "CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE";

// A channel as typed on the channel page, starting from an erased record.
struct Typed {
  int channel;
  const char* receive;
  const char* transmit;  // "" for none
  const char* receiveTone;
  const char* transmitTone;
  bool narrow = false, notScanned = false, low = false;
};

// New model-2 documents (band 400 to 470 MHz).
class ChannelCsv : public ::testing::Test {
 protected:
  void SetUp() override {
    test::NewDocument(doc, prompter);
    test::NewDocument(fresh, prompter);
  }

  static void Type(CTavroPgmDoc& target, const Typed& t) {
    test::ScriptedPrompter asked;
    target.EraseChannel(t.channel);
    target.SetChannelFrequency(t.channel, true, t.receive, asked);
    target.SetChannelFrequency(t.channel, false, t.transmit, asked);
    target.SetChannelTone(t.channel, true, t.receiveTone);
    if (*t.transmit) target.SetChannelTone(t.channel, false, t.transmitTone);
    ct::StoreChoice(target, t.channel, ct::kBandwidth, t.narrow);
    ct::StoreChoice(target, t.channel, ct::kScan, t.notScanned);
    ct::StoreChoice(target, t.channel, ct::kPower, t.low);
    ASSERT_TRUE(asked.Asked().empty());
  }

  // The export's line of one channel; empty when the channel is not exported.
  static std::string ExportedLine(const CTavroPgmDoc& source, int channel) {
    std::istringstream in(channel_csv::Export(source));
    const std::string prefix = std::to_string(channel) + ",";
    for (std::string line; std::getline(in, line);)
      if (line.starts_with(prefix)) return line;
    return {};
  }

  static std::vector<std::string> Keys(const std::vector<channel_csv::Problem>& problems) {
    std::vector<std::string> keys;
    for (const auto& p : problems)
      keys.push_back(std::to_string(p.line) + "|" + p.column + "|" + p.textKey + "|" + p.subject);
    return keys;
  }

  std::vector<std::uint8_t> Image(const CTavroPgmDoc& source) const {
    return {source.Image().begin(), source.Image().end()};
  }

  test::ProgramDir dir;
  AppFiles files = dir.Files();
  test::ScriptedPrompter prompter;
  CTavroPgmDoc doc{files};
  CTavroPgmDoc fresh{files};
};

// Every tone mode and cross mode, the three duplex forms, and the switches.
const std::vector<std::pair<Typed, std::string>> kEveryMode = {
    {{1, "446.00625", "446.00625", "", ""},
     "1,,446.006250,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,5.0W,,,,,"},
    {{2, "440.000000", "445.000000", "", "88.5"},
     "2,,440.000000,split,445.000000,Tone,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,5.0W,,,,,"},
    {{3, "441.025", "441.025", "100.0", "100.0", true, true, true},
     "3,,441.025000,,0.000000,TSQL,88.5,100.0,023,NN,023,Tone->Tone,NFM,5.00,S,1.0W,,,,,"},
    {{4, "442", "442", "D754N", "D754N"},
     "4,,442.000000,,0.000000,DTCS,88.5,88.5,754,NN,023,Tone->Tone,FM,5.00,,5.0W,,,,,"},
    {{5, "443", "443", "D754I", "D754N"},
     "5,,443.000000,,0.000000,DTCS,88.5,88.5,754,NR,023,Tone->Tone,FM,5.00,,5.0W,,,,,"},
    {{6, "444", "444", "254.1", "67.0"},
     "6,,444.000000,,0.000000,Cross,67.0,254.1,023,NN,023,Tone->Tone,FM,5.00,,5.0W,,,,,"},
    {{7, "445", "445", "D025I", "67.0"},
     "7,,445.000000,,0.000000,Cross,67.0,88.5,023,NR,025,Tone->DTCS,FM,5.00,,5.0W,,,,,"},
    {{8, "446", "446", "71.9", "D031I"},
     "8,,446.000000,,0.000000,Cross,88.5,71.9,031,RN,023,DTCS->Tone,FM,5.00,,5.0W,,,,,"},
    {{9, "447", "447", "D754I", "D023N"},
     "9,,447.000000,,0.000000,Cross,88.5,88.5,023,NR,754,DTCS->DTCS,FM,5.00,,5.0W,,,,,"},
    {{10, "448", "448", "88.5", ""},
     "10,,448.000000,,0.000000,Cross,88.5,88.5,023,NN,023,->Tone,FM,5.00,,5.0W,,,,,"},
    {{11, "449", "449", "D023I", ""},
     "11,,449.000000,,0.000000,Cross,88.5,88.5,023,NR,023,->DTCS,FM,5.00,,5.0W,,,,,"},
    {{12, "450", "450", "", "D031N"},
     "12,,450.000000,,0.000000,Cross,88.5,88.5,031,NN,023,DTCS->,FM,5.00,,5.0W,,,,,"},
    {{13, "430.003125", "", "131.8", ""},
     "13,,430.003125,off,0.000000,Cross,88.5,131.8,023,NN,023,->Tone,FM,5.00,,5.0W,,,,,"},
    // Tones off the standard lists, which the radio stores as typed.
    {{14, "451", "451", "88.4", "88.4", false, false, true},
     "14,,451.000000,,0.000000,TSQL,88.5,88.4,023,NN,023,Tone->Tone,FM,5.00,,1.0W,,,,,"},
    {{15, "452", "453", "D777I", "D777N"},
     "15,,452.000000,split,453.000000,DTCS,88.5,88.5,777,NR,023,Tone->Tone,FM,5.00,,5.0W,,,,,"},
    {{16, "460", "", "D754I", ""},
     "16,,460.000000,off,0.000000,Cross,88.5,88.5,023,NR,754,->DTCS,FM,5.00,,5.0W,,,,,"},
};

TEST_F(ChannelCsv, ExportWritesEveryToneModeAsTheCommonToolReadsIt) {
  for (const auto& [typed, line] : kEveryMode) Type(doc, typed);
  const std::string text = channel_csv::Export(doc);
  EXPECT_TRUE(text.starts_with(kHeader + "\n"));
  for (const auto& [typed, line] : kEveryMode) EXPECT_EQ(ExportedLine(doc, typed.channel), line);
  // Only used channels, one line each.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + static_cast<long>(kEveryMode.size()));
}

TEST_F(ChannelCsv, RoundTripGivesTheSameRecords) {
  for (const auto& [typed, line] : kEveryMode) Type(doc, typed);
  EXPECT_TRUE(channel_csv::Import(fresh, channel_csv::Export(doc)).empty());
  for (int channel = 1; channel <= image::kChannelCount; ++channel)
    EXPECT_EQ(test::HexText(fresh.ChannelRecord(channel)), test::HexText(doc.ChannelRecord(channel))) << channel;
  EXPECT_TRUE(fresh.IsModified());
  // Exporting the imported table gives the same text again.
  EXPECT_EQ(channel_csv::Export(fresh), channel_csv::Export(doc));
  // Importing a table onto itself changes nothing, so the configuration stays unmodified.
  doc.SetModifiedFlag(false);
  const std::vector<std::uint8_t> before = Image(doc);
  EXPECT_TRUE(channel_csv::Import(doc, channel_csv::Export(doc)).empty());
  EXPECT_EQ(test::Differences(before, Image(doc)), "");
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(ChannelCsv, FieldsTheFileDoesNotCarryKeepTheirValuesOnExistingChannels) {
  Type(doc, {2, "440", "445", "88.5", "D023N", false, true, true});
  const auto record = doc.ChannelRecord(2);
  record[rec::kSignalSet] = 1;
  record[rec::kSignalCode] = 7;
  record[rec::kBusyLockout] = 0xA9;
  record[rec::kSwitches] &= static_cast<std::uint8_t>(~(rec::kOptionNo | rec::kOptionOff));
  const std::uint8_t optionBits = record[rec::kSwitches] & (rec::kOptionNo | rec::kOptionOff | 0xC1);

  ASSERT_TRUE(channel_csv::Import(doc, "Location,Frequency,Mode\n2,441.5,NFM\n3,442.5,NFM\n").empty());
  EXPECT_EQ(doc.ChannelFrequencyText(2, true), "441.500000");
  // No Duplex, Tone, Skip or Power column: the split, the tones, the scan choice and the
  // low power stay (an older header without Power used to switch channels to high).
  EXPECT_EQ(doc.ChannelFrequencyText(2, false), "445.000000");
  EXPECT_EQ(doc.ToneToText(2, true), "88.5");
  EXPECT_EQ(doc.ToneToText(2, false), "D023N");
  EXPECT_EQ(record[rec::kSwitches] & rec::kHighPower, 0);
  EXPECT_EQ(record[rec::kSwitches] & rec::kScanMember, 0);
  EXPECT_EQ(record[rec::kSignalSet], 1);
  EXPECT_EQ(record[rec::kSignalCode], 7);
  EXPECT_EQ(record[rec::kBusyLockout], 0xA9);
  EXPECT_EQ(record[rec::kSwitches] & (rec::kOptionNo | rec::kOptionOff | 0xC1), optionBits);
  EXPECT_EQ(record[rec::kSwitches] & rec::kWide, 0);
  // A new channel takes the erased-channel defaults.
  const auto added = doc.ChannelRecord(3);
  EXPECT_EQ(added[rec::kSignalSet], rec::kNoSelection);
  EXPECT_EQ(added[rec::kSignalCode], rec::kNoSelection);
  EXPECT_EQ(added[rec::kBusyLockout] & rec::kBusyLockoutMask, 0);
  EXPECT_EQ(added[rec::kSwitches] & rec::kErasedSwitches, rec::kErasedSwitches & ~rec::kWide);
  EXPECT_EQ(doc.ChannelFrequencyText(3, false), "442.500000");
  // An empty Power or Mode field says nothing either.
  ASSERT_TRUE(channel_csv::Import(doc, "Location,Frequency,Mode,Power\n2,441.5,,\n").empty());
  EXPECT_EQ(record[rec::kSwitches] & (rec::kHighPower | rec::kWide), 0);
}

// Every tone pair a user can type (standard or not, CTCSS, DCS normal and inverted, none),
// with and without a transmit frequency, and every switch the CSV carries: the export
// imports again into a new configuration as the same records.
TEST_F(ChannelCsv, EveryConfigurationAUserCanMakeImportsAgain) {
  const std::vector<const char*> tones = {"", "67.0", "88.4", "254.1", "D023N", "D023I", "D777N", "D754I"};
  std::vector<Typed> channels;
  for (std::size_t rx = 0; rx < tones.size(); ++rx) {
    for (std::size_t tx = 0; tx < tones.size(); ++tx) {
      const int n = static_cast<int>(channels.size());
      const bool split = n % 3 == 1, noTransmit = n % 3 == 2;
      channels.push_back({n % 16 + 1, "446.00625", noTransmit ? "" : split ? "441.2" : "446.00625", tones[rx], tones[tx],
                          n % 2 == 0, n % 4 < 2, n % 5 < 2});
    }
  }
  for (std::size_t first = 0; first < channels.size(); first += 16) {
    CTavroPgmDoc source(files), target(files);
    test::NewDocument(source, prompter);
    test::NewDocument(target, prompter);
    for (std::size_t at = first; at < std::min(channels.size(), first + 16); ++at) Type(source, channels[at]);
    const std::string text = channel_csv::Export(source);
    ASSERT_EQ(Keys(channel_csv::Import(target, text)), std::vector<std::string>{}) << text;
    for (int channel = 1; channel <= image::kChannelCount; ++channel)
      EXPECT_EQ(test::HexText(target.ChannelRecord(channel)), test::HexText(source.ChannelRecord(channel)))
          << "channel " << channel << " of\n" << text;
  }
}

TEST_F(ChannelCsv, ImportReadsWhatFilesInTheWildHold) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::pair<int, std::string>> expected;  // channel, its line when exported again
  };
  const std::string plain = ",,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,5.0W,,,,,";
  const std::string lowPower = ",,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,1.0W,,,,,";
  const std::vector<Case> cases = {
      {"older header without RxDtcsCode, CrossMode and Power",
       "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,Mode,TStep,Skip,"
       "Comment,URCALL,RPT1CALL,RPT2CALL\n3,Rep,446.500000,-,5.000000,Tone,88.5,88.5,023,NN,NFM,12.50,S,,,,\n",
       {{3, "3,,446.500000,split,441.500000,Tone,88.5,88.5,023,NN,023,Tone->Tone,NFM,5.00,S,5.0W,,,,,"}}},
      {"columns in another order", "Power,cToneFreq,Tone,Frequency,Location\nLow,100.0,TSQL,440.025,2\n",
       {{2, "2,,440.025000,,0.000000,TSQL,88.5,100.0,023,NN,023,Tone->Tone,FM,5.00,,1.0W,,,,,"}}},
      {"quoted fields with commas and doubled quotes",
       "Location,Name,Frequency,Comment\n4,\"Hill, \"\"North\"\"\",\"446.00625\",\"a \"\"b\"\",\nc\"\n5,x,447,\n",
       {{4, "4,,446.006250" + plain}, {5, "5,,447.000000" + plain}}},
      {"CRLF line ends and a byte-order mark",
       "\xEF\xBB\xBFLocation,Frequency,Duplex,Offset\r\n6,446.1,+,5\r\n", 
       {{6, "6,,446.100000,split,451.100000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,5.0W,,,,,"}}},
      {"semicolons and decimal commas",
       "Location;Name;Frequency;Duplex;Offset;Tone;rToneFreq;Power\n7;;446,125;split;\"451,125\";Tone;88,5;5,0W\n",
       {{7, "7,,446.125000,split,451.125000,Tone,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,5.0W,,,,,"}}},
      {"fewer decimals", "Location,Frequency\n8,446.78\n", {{8, "8,,446.780000" + plain}}},
      {"Location from 0", "Location,Frequency\n0,446.1\n15,446.2\n",
       {{1, "1,,446.100000" + plain}, {16, "16,,446.200000" + plain}}},
      {"Location from 1 keeps its numbers", "Location,Frequency\n1,446.1\n16,446.2\n",
       {{1, "1,,446.100000" + plain}, {16, "16,,446.200000" + plain}}},
      {"power in watts", "Location,Frequency,Power\n1,446.1,1.5W\n2,446.2,50W\n3,446.3,2.0W\n",
       {{1, "1,,446.100000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,1.0W,,,,,"},
        {2, "2,,446.200000" + plain},
        {3, "3,,446.300000" + plain}}},
      {"comments and empty lines", "# from a spreadsheet\n\nLocation,Frequency\n\n# channel 9\n9,446.1\n,,\n",
       {{9, "9,,446.100000" + plain}}},
      {"an empty frequency erases the channel", "Location,Frequency\n10,\n", {{10, ""}}},
      {"CR line ends alone (the older Macintosh format)", "Location,Frequency,Skip\r11,446.1,S\r12,446.2,\r",
       {{11, "11,,446.100000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,S,5.0W,,,,,"},
        {12, "12,,446.200000" + plain}}},
      {"power as High and Low, and watts without the unit",
       "Location,Frequency,Power\n1,446.1,Low\n2,446.2,high\n3,446.3,0.5\n4,446.4, 5 W\n",
       {{1, "1,,446.100000" + lowPower}, {2, "2,,446.200000" + plain}, {3, "3,,446.300000" + lowPower},
        {4, "4,,446.400000" + plain}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CTavroPgmDoc target(files);
    test::NewDocument(target, prompter);
    Type(target, {10, "440", "440", "", ""});
    EXPECT_EQ(Keys(channel_csv::Import(target, c.text)), std::vector<std::string>{});
    for (const auto& [channel, line] : c.expected) EXPECT_EQ(ExportedLine(target, channel), line) << channel;
  }
}

TEST_F(ChannelCsv, ProblemsNameTheirLineAndColumnAndNothingChanges) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> problems;  // line|column|key|subject
  };
  const std::vector<Case> cases = {
      {"modes this radio cannot use", "Location,Frequency,Mode\n1,446.1,AM\n2,446.2,DV\n3,446.3,NFM\n",
       {"2|Mode|IDS_CSV_BADMODE|AM", "3|Mode|IDS_CSV_BADMODE|DV"}},
      {"a location beyond channel 16", "Location,Frequency\n1,446.1\n17,446.2\n",
       {"3|Location|IDS_CSV_BADLOCATION|17"}},
      {"a location beyond channel 16 when numbered from 0", "Location,Frequency\n0,446.1\n16,446.2\n",
       {"3|Location|IDS_CSV_BADLOCATION|16"}},
      {"a location that is no number", "Location,Frequency\nx1,446.1\n", {"2|Location|IDS_CSV_BADLOCATION|x1"}},
      {"a channel given twice", "Location,Frequency\n4,446.1\n4,446.2\n", {"3|Location|IDS_CSV_TWICE|4"}},
      {"outside the band", "Location,Frequency,Duplex,Offset\n1,146.52,,\n2,446.1,split,480\n",
       {"2|Frequency|IDS_CSV_OUTOFBAND|146.520000 (400.000000 - 470.000000)",
        "3|Offset|IDS_CSV_OUTOFBAND|480.000000 (400.000000 - 470.000000)"}},
      {"off the raster", "Location,Frequency\n1,446.0031\n", {"2|Frequency|IDS_CSV_OFFRASTER|446.003100"}},
      {"not a frequency", "Location,Frequency,Duplex,Offset\n1,4x6.1,,\n2,446.1,+,five\n",
       {"2|Frequency|IDS_CSV_BADFREQUENCY|4x6.1", "3|Offset|IDS_CSV_BADFREQUENCY|five"}},
      {"tones the radio cannot store (the tone cells' rule)",
       "Location,Frequency,Tone,rToneFreq,cToneFreq,DtcsCode,RxDtcsCode,CrossMode\n"
       "1,446.1,Tone,66.9,,,,\n2,446.2,TSQL,,12,,,\n3,446.3,DTCS,,,028,,\n4,446.4,Cross,,,,999,->DTCS\n"
       "5,446.5,Tone,88.45,,,,\n6,446.6,Tone,254.2,,,,\n",
       {"2|rToneFreq|IDS_CSV_BADTONE|66.9", "3|cToneFreq|IDS_CSV_BADTONE|12", "4|DtcsCode|IDS_CSV_BADTONE|028",
        "5|RxDtcsCode|IDS_CSV_BADTONE|999", "6|rToneFreq|IDS_CSV_BADTONE|88.45", "7|rToneFreq|IDS_CSV_BADTONE|254.2"}},
      {"unused tone columns are not checked",
       "Location,Frequency,Tone,rToneFreq,cToneFreq,DtcsCode\n1,446.1,TSQL,x,254.2,y\n",
       {"2|cToneFreq|IDS_CSV_BADTONE|254.2"}},
      {"values a column does not accept",
       "Location,Frequency,Duplex,Tone,CrossMode,DtcsPolarity,Skip,Power\n"
       "1,446.1,both,,,,,\n2,446.1,,DCS,,,,\n3,446.1,,Cross,Tone=>DTCS,,,\n4,446.1,,DTCS,,NX,,\n"
       "5,446.1,,,,,Y,\n6,446.1,,,,,,Max\n",
       {"2|Duplex|IDS_CSV_BADVALUE|both", "3|Tone|IDS_CSV_BADVALUE|DCS", "4|CrossMode|IDS_CSV_BADVALUE|Tone=>DTCS",
        "5|DtcsPolarity|IDS_CSV_BADVALUE|NX", "6|Skip|IDS_CSV_BADVALUE|Y", "7|Power|IDS_CSV_BADVALUE|Max"}},
      {"no Frequency column", "Location,Name\n1,x\n", {"1||IDS_CSV_NOCOLUMN|Frequency"}},
      {"an empty file", "", {"0||IDS_CSV_NOCHANNELS|"}},
      {"a header alone", "Location,Frequency,Power\r\n\r\n# none yet\r\n", {"0||IDS_CSV_NOCHANNELS|"}},
      {"a short line", "Location,Name,Frequency\n1,x\n", {"2|Frequency|IDS_CSV_NOFIELD|"}},
      {"a quote left open", "Location,Frequency\n1,\"446.1\n", {"2||IDS_CSV_BADQUOTE|"}},
      {"a file too large", "Location,Frequency\n" + std::string(channel_csv::kMaxSize, '\n'),
       {"0||IDS_CSV_TOOLARGE|"}},
  };
  for (const auto& [typed, line] : kEveryMode) Type(doc, typed);
  doc.SetModifiedFlag(false);
  const std::vector<std::uint8_t> before = Image(doc);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Keys(channel_csv::Import(doc, c.text)), c.problems);
    EXPECT_EQ(test::Differences(before, Image(doc)), "");
    EXPECT_FALSE(doc.IsModified());
  }
}

TEST_F(ChannelCsv, TheFailureMessageListsTheFirstProblemsAndCountsTheRest) {
  std::string text = "Location,Frequency\n";
  for (int channel = 1; channel <= 5; ++channel) text += std::to_string(channel) + ",146.5\n";
  const std::vector<channel_csv::Problem> problems = channel_csv::Import(doc, text);
  ASSERT_EQ(problems.size(), 5u);
  const std::string message = channel_csv::ProblemsMessage(files, problems, 2);
  std::istringstream in(message);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u) << message;
  EXPECT_EQ(lines[0], files.GetText("IDS_CSV_IMPORTFAILED"));
  EXPECT_EQ(lines[1], "Line 2, Frequency: " + files.GetText("IDS_CSV_OUTOFBAND") + " 146.500000 (400.000000 - 470.000000)");
  EXPECT_EQ(lines[3], "...and 3 more.");
}

}  // namespace
