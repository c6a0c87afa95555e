#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "radio/codecs.h"
#include "radio/entry_codecs.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {


// ---------------------------------------------------------------- two-tone values

TEST(EntryTwoTone, ValueToText) {
  EXPECT_EQ(entry::TwoToneText(0xFFFF), "");
  EXPECT_EQ(entry::TwoToneText(5), "0.5");
  EXPECT_EQ(entry::TwoToneText(0), "0.0");
  EXPECT_EQ(entry::TwoToneText(4000), "400.0");
  EXPECT_EQ(entry::TwoToneText(10002), "1000.2");
  EXPECT_EQ(entry::TwoToneText(31068), "3106.8");
  EXPECT_EQ(entry::TwoToneText(0xFFFE), "6553.4");
}

TEST(EntryTwoTone, TextToValueTakesOnlyWhatTheFieldHolds) {
  struct Case {
    std::string text;
    std::optional<std::uint16_t> value;  // nullopt: refused
  };
  const std::vector<Case> cases = {
      {"", 0xFFFF},
      {"1200", 12000},
      {"1200.5", 12005},
      {"1200.", 12000},
      {"400", 4000},
      {"3106.8", 31068},
      {"0400.0", 4000},
      // Outside 400.0 .. 3106.8 Hz: refused, not stored as the nearer limit.
      {"399.9", std::nullopt},
      {"10", std::nullopt},
      {"3106.9", std::nullopt},
      {"99999", std::nullopt},
      {"99999999999999999999", std::nullopt},
      // More than one decimal, or no number at all.
      {"1200.56", std::nullopt},
      {".", std::nullopt},
      {".5", std::nullopt},
      {"abc", std::nullopt},
      {"1200.5x", std::nullopt},
      {"1 200", std::nullopt},
      {"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x90\xEF\xBC\x90", std::nullopt},  // full-width 1200
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    EXPECT_EQ(entry::TwoToneValue(c.text), c.value);
  }
}

TEST(EntryTwoTone, ShownValueReadsBackUnchanged) {
  for (std::uint16_t value : {std::uint16_t{4000}, std::uint16_t{10005}, std::uint16_t{31068}, entry::kNoTwoTone}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(entry::TwoToneValue(entry::TwoToneText(value)), value);
  }
}

// ---------------------------------------------------------------- DTMF codes

TEST(EntryDtmf, CodeToText) {
  struct Case {
    std::array<std::uint8_t, 16> code;
    std::string text;
  };
  std::array<std::uint8_t, 16> empty;
  empty.fill(0xFF);
  std::array<std::uint8_t, 16> full;
  for (std::size_t i = 0; i < full.size(); ++i) full[i] = static_cast<std::uint8_t>(i);

  std::array<std::uint8_t, 16> symbols = empty;
  symbols[0] = 0x01;
  symbols[1] = 0x02;
  symbols[2] = 0x0E;
  symbols[3] = 0x0F;
  // A byte of 16 or more ends the string even when digits follow it.
  std::array<std::uint8_t, 16> stopped = full;
  stopped[3] = 0x10;

  const std::vector<Case> cases = {
      {empty, ""},
      {symbols, "12*#"},
      {full, "0123456789ABCD*#"},
      {stopped, "012"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::HexText(c.code));
    EXPECT_EQ(entry::DtmfText(c.code), c.text);
  }
}

TEST(EntryDtmf, TextToCode) {
  struct Case {
    std::string text;
    std::string code;
  };
  const std::string twelveEnds = "FF FF FF FF FF FF FF FF FF FF FF FF";
  const std::vector<Case> cases = {
      {"12*#", "01 02 0E 0F " + twelveEnds},
      {"1x2", "01 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"},
      {"", "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"},
      {"abcd", "0A 0B 0C 0D " + twelveEnds},
      {"ABCD", "0A 0B 0C 0D " + twelveEnds},
      {"E1", "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"},
      // At most sixteen digits are taken.
      {"0123456789ABCD*#99", "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    std::array<std::uint8_t, 16> code;
    code.fill(0x05);  // whatever the array held before is replaced
    entry::DtmfFromText(c.text, code);
    EXPECT_EQ(test::HexText(code), c.code);
  }
}

// ---------------------------------------------------------------- built-in code tables

const std::vector<std::string> kFiftyTones = {
    "67.0",  "69.3",  "71.9",  "74.4",  "77.0",  "79.7",  "82.5",  "85.4",  "88.5",  "91.5",
    "94.8",  "97.4",  "100.0", "103.5", "107.2", "110.9", "114.8", "118.8", "123.0", "127.3",
    "131.8", "136.5", "141.3", "146.2", "151.4", "156.7", "159.8", "162.2", "165.5", "167.9",
    "171.3", "173.8", "177.3", "179.9", "183.5", "186.2", "189.9", "192.8", "196.6", "199.5",
    "203.5", "206.5", "210.7", "218.1", "225.7", "229.1", "233.6", "241.8", "250.3", "254.1"};
const std::set<std::string> kNotInThirtyEight = {"69.3",  "159.8", "165.5", "171.3", "177.3", "183.5",
                                                 "189.9", "196.6", "199.5", "206.5", "229.1", "254.1"};

const std::vector<std::string> kDcs104 = {
    "023", "025", "026", "031", "032", "036", "043", "047", "051", "053", "054", "065", "071",
    "072", "073", "074", "114", "115", "116", "122", "125", "131", "132", "134", "143", "145",
    "152", "155", "156", "162", "165", "172", "174", "205", "212", "223", "225", "226", "243",
    "244", "245", "246", "251", "252", "255", "261", "263", "265", "266", "271", "274", "306",
    "311", "315", "325", "331", "332", "343", "346", "351", "356", "364", "365", "371", "411",
    "412", "413", "423", "431", "432", "445", "446", "452", "454", "455", "462", "464", "465",
    "466", "503", "506", "516", "523", "526", "532", "546", "565", "606", "612", "624", "627",
    "631", "632", "654", "662", "664", "703", "712", "723", "731", "732", "734", "743", "754"};
const std::set<std::string> kNotIn83 = {"036", "053", "122", "145", "212", "225", "246",
                                        "252", "255", "266", "274", "325", "332", "356",
                                        "446", "452", "454", "455", "462", "523", "526"};

std::vector<std::string> Without(const std::vector<std::string>& list, const std::set<std::string>& left) {
  std::vector<std::string> kept;
  for (const std::string& code : list)
    if (!left.count(code)) kept.push_back(code);
  return kept;
}

std::vector<std::string> Dcs(const std::vector<std::string>& codes, char suffix) {
  std::vector<std::string> texts;
  for (const std::string& code : codes) texts.push_back("D" + code + suffix);
  return texts;
}

const std::vector<std::string> kThirtyEightTones = Without(kFiftyTones, kNotInThirtyEight);
const std::vector<std::string> kDcs83 = Without(kDcs104, kNotIn83);

TEST(EntryCodeTable, SixTablesInOrder) {
  struct Case {
    int resource;
    std::vector<std::string> codes;
  };
  const std::vector<Case> cases = {
      {142, kThirtyEightTones},
      {145, kFiftyTones},
      {144, Dcs(kDcs83, 'N')},
      {146, Dcs(kDcs83, 'I')},
      {141, Dcs(kDcs104, 'N')},
      {140, Dcs(kDcs104, 'I')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.resource);
    EXPECT_EQ(entry::CodeTable(c.resource), c.codes);
  }
  // The reference lists themselves have the documented sizes.
  EXPECT_EQ(kThirtyEightTones.size(), 38u);
  EXPECT_EQ(kDcs83.size(), 83u);
}

TEST(EntryCodeTable, UnknownResourceIsEmpty) {
  EXPECT_TRUE(entry::CodeTable(143).empty());
  EXPECT_TRUE(entry::CodeTable(0).empty());
}

TEST(EntryCodeTable, EveryOfferedCodeIsStoredAsItself) {
  // The chooser offers only texts that the tone encoding takes as they are.
  for (int resource : {140, 141, 142, 144, 145, 146}) {
    for (const std::string& text : entry::CodeTable(resource)) {
      SCOPED_TRACE(text);
      std::array<std::uint8_t, 2> field{};
      codec::EncodeTone(text, field);
      EXPECT_EQ(codec::ToneToText(field), text);
    }
  }
}

// ---------------------------------------------------------------- the chooser's list

class EntryCodeList : public ::testing::Test {
 protected:
  void SetCtcdcs(const std::string& value) {
    ASSERT_TRUE(files.WriteSetting("setup", "ctcdcs", value));
  }
  static std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  }

  test::ProgramDir dir;
  AppFiles files = dir.Files();
};

TEST_F(EntryCodeList, ShippedSettingGivesThirtyEightTonesAndBothDcsLists) {
  const std::vector<std::string> entries = entry::CodeListEntries(files);
  EXPECT_EQ(entries.size(), 205u);
  EXPECT_EQ(entries, Concat({{files.GetText("IDS_NONE")}, kThirtyEightTones, Dcs(kDcs83, 'N'), Dcs(kDcs83, 'I')}));
}

TEST_F(EntryCodeList, TablesFollowTheBitsInFixedOrder) {
  const std::vector<std::string> none = {files.GetText("IDS_NONE")};
  struct Case {
    std::string setting;
    std::vector<std::string> entries;
  };
  const std::vector<Case> cases = {
      {"0", none},
      {"1", Concat({none, kThirtyEightTones})},
      {"2", Concat({none, kFiftyTones})},
      {"48", Concat({none, Dcs(kDcs104, 'N'), Dcs(kDcs104, 'I')})},
      // Bit order, not the order of the numbers, decides: 50 tones before the 104 inverted codes.
      {"34", Concat({none, kFiftyTones, Dcs(kDcs104, 'I')})},
      {"63", Concat({none, kThirtyEightTones, kFiftyTones, Dcs(kDcs83, 'N'), Dcs(kDcs83, 'I'),
                     Dcs(kDcs104, 'N'), Dcs(kDcs104, 'I')})},
      // Bits above the six tables add nothing.
      {"64", none},
      // Not a number: nothing but the "none" entry.
      {"abc", none},
      {"12abc", Concat({none, Dcs(kDcs83, 'N'), Dcs(kDcs83, 'I')})},
      // At most seven characters are read: "00000063" is taken as 6.
      {"00000063", Concat({none, kFiftyTones, Dcs(kDcs83, 'N')})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("ctcdcs=" + c.setting);
    SetCtcdcs(c.setting);
    EXPECT_EQ(entry::CodeListEntries(files), c.entries);
  }
}

TEST_F(EntryCodeList, AllTablesHold463EntriesWithDuplicates) {
  SetCtcdcs("63");
  const std::vector<std::string> entries = entry::CodeListEntries(files);
  EXPECT_EQ(entries.size(), 463u);
  // Both CTCSS lists are offered, so 67.0 appears twice; the list is not de-duplicated.
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "67.0"), 2);
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "D023N"), 2);
}

TEST_F(EntryCodeList, MissingSettingMeansThirteen) {
  dir.Write("setting.ini", "[setup]\nlanguage=lang_en\n");
  const std::vector<std::string> entries = entry::CodeListEntries(files);
  EXPECT_EQ(entries, Concat({{files.GetText("IDS_NONE")}, kThirtyEightTones, Dcs(kDcs83, 'N'), Dcs(kDcs83, 'I')}));
}

TEST_F(EntryCodeList, NoneEntryFollowsTheLanguage) {
  SetCtcdcs("0");
  const AppFiles chinese = dir.Files("lang_cn");
  EXPECT_EQ(entry::CodeListEntries(chinese), std::vector<std::string>{chinese.GetText("IDS_NONE")});
}

TEST(MessageText, EveryByteIsShownAsOneCharacterAndStoredBackUnchanged) {
  std::string every;
  for (int byte = 1; byte <= 0xFF; ++byte) every += static_cast<char>(byte);
  const std::vector<std::string> stored = {
      every, "\r\n", "\n\r", "\r\r\n\n", "A\r", "\nB", "\xA0 \xAD\x80\x9F\xFF", "line\r\nnext\r\n",
  };
  for (const std::string& bytes : stored) {
    SCOPED_TRACE(test::HexText(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
    EXPECT_EQ(entry::MessageStoredText(entry::MessageShownText(bytes)), bytes);
  }
  // Latin-1 as UTF-8: a CR LF pair is a line break; a CR or LF alone shows its control picture.
  EXPECT_EQ(entry::MessageShownText("caf\xE9\r\n\xA9 1\r2\n"), "caf\u00E9\n\u00A9 1\u240D2\u240A");
  EXPECT_EQ(entry::MessageStoredText("caf\u00E9\n\u00A9 1\u240D2\u240A"), "caf\xE9\r\n\xA9 1\r2\n");
}

TEST(MessageText, CharactersOutsideTheCodePageAreRefusedAndTheLimitCountsBytes) {
  struct Case {
    std::string shown;
    std::optional<std::string> stored;
  };
  const std::vector<Case> cases = {
      {"\u00FF", "\xFF"},
      {"\r\n", "\r\n"},             // a shown CR counts for nothing
      {"\u20AC", std::nullopt},       // the euro sign: Windows-1252 has it, Latin-1 not
      {"\u4E2D", std::nullopt},
      {"\U0001F600", std::nullopt},
      {std::string("a\0b", 3), std::nullopt},  // would end the message early
      {"\xC3", std::nullopt},          // broken UTF-8
      {"\xC0\x80", std::nullopt},      // overlong
      {"\xE9", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(entry::MessageStoredText(c.shown), c.stored);
  }
  std::string sixty;
  for (int k = 0; k < 60; ++k) sixty += "\u00E9";
  EXPECT_EQ(entry::MessageStoredText(sixty)->size(), entry::kMessageMaxBytes);
}

}  // namespace
