#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "radio/codecs.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "radio/prompt.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {


// ---------------------------------------------------------------- frequency fields

TEST(CodecFrequency, FieldToText) {
  struct Case {
    std::array<std::uint8_t, 4> field;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{0x00, 0x25, 0x65, 0x14}, "146.525000"},
      {{0x50, 0x12, 0x50, 0x43}, "435.012500"},
      {{0x00, 0x00, 0x00, 0x47}, "470.000000"},
      // On the 3.125 kHz raster the last 5 Hz do not fit the field and come back when read.
      {{0x12, 0x03, 0x50, 0x14}, "145.003125"},
      {{0x37, 0x09, 0x50, 0x14}, "145.009375"},
      // Ending in 120 Hz is not a truncated 3.125 kHz frequency: nothing is added.
      {{0x12, 0x00, 0x50, 0x14}, "145.000120"},
      {{0x00, 0x00, 0x00, 0x99}, "990.000000"},
      // Most significant byte above 0x99: no frequency, whatever the other bytes hold.
      {{0x00, 0x25, 0x65, 0x9A}, ""},
      {{0xFF, 0xFF, 0xFF, 0xFF}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::HexText(c.field));
    EXPECT_EQ(codec::FrequencyToText(c.field), c.text);
  }
}

TEST(CodecFrequency, TextToHertz) {
  struct Case {
    std::string text;
    std::int64_t hz;
  };
  const std::vector<Case> cases = {
      {"145.5", 145'500'000},
      {"435", 435'000'000},
      {"435.", 435'000'000},
      {"146.525", 146'525'000},
      {"145.003125", 145'003'125},
      // Digits after the sixth decimal are dropped, not rounded.
      {"145.0031259", 145'003'125},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(codec::TextToHz(c.text), c.hz);
  }
  // The encoder works on the digit string itself: nine hertz digits, a point and a zero.
  EXPECT_EQ(codec::HertzDigits("145.5"), "145500000.0");
  EXPECT_EQ(codec::HertzDigits("435"), "435000000.");
}

TEST(CodecFrequency, MegahertzText) {
  EXPECT_EQ(codec::MegahertzText(136'000'000), "136.000000");
  EXPECT_EQ(codec::MegahertzText(145'003'125), "145.003125");
  EXPECT_EQ(codec::MegahertzText(470'000'050), "470.000050");
}

TEST(CodecFrequency, PacksEightDigitsMostSignificantPairLast) {
  std::array<std::uint8_t, 4> field{0xAA, 0xAA, 0xAA, 0xAA};
  codec::PackHertzDigits("146520000.0", field);
  EXPECT_EQ(test::HexText(field), "00 20 65 14");
  // The ninth digit (single hertz) is not stored.
  codec::PackHertzDigits("145003125", field);
  EXPECT_EQ(test::HexText(field), "12 03 50 14");
  // Missing digits count as 0.
  codec::PackHertzDigits("1465", field);
  EXPECT_EQ(test::HexText(field), "00 00 65 14");
}

TEST(CodecRaster, ValidSteps) {
  struct Case {
    std::int64_t hz;
    bool onRaster;
  };
  const std::vector<Case> cases = {
      {146'520'000, true},   // 2.5 kHz
      {145'006'250, true},   // 6.25 kHz
      {145'003'125, true},   // 3.125 kHz
      {145'005'000, true},   // 5 kHz is also a 2.5 kHz step
      {145'003'100, false},
      {145'001'000, false},
      {145'003'120, false},  // a stored 3.125 kHz frequency before its 5 Hz are restored
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hz);
    EXPECT_EQ(codec::IsOnRaster(c.hz), c.onRaster);
  }
}

TEST(CodecRaster, NearestCandidate) {
  struct Case {
    std::int64_t hz;
    std::int64_t proposal;
  };
  const std::vector<Case> cases = {
      // 25 Hz below the upper 3.125 kHz multiple, 600 Hz above the lower 2.5 kHz one.
      {145'003'100, 145'003'125},
      {146'520'100, 146'520'000},
      {435'012'600, 435'012'500},
      {145'001'000, 145'000'000},
      // Exactly halfway: the later candidate in the order 6.25, 5, 2.5, 3.125 kHz
      // (lower before upper) wins, which is sometimes the upper and sometimes the lower one.
      {145'011'250, 145'012'500},  // 2.5 kHz lower and upper tie; 3.125 kHz upper is last
      {145'005'625, 145'006'250},  // 5 kHz lower and 3.125 kHz upper tie
      {145'006'875, 145'006'250},  // 2.5 kHz upper and 3.125 kHz lower tie
      {145'001'250, 145'000'000},  // 2.5 kHz upper and 3.125 kHz lower tie
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hz);
    EXPECT_EQ(codec::NearestRasterFrequency(c.hz), c.proposal);
  }
}

// ---------------------------------------------------------------- tone fields

TEST(CodecTone, FieldToText) {
  struct Case {
    std::uint8_t lo, hi;
    std::optional<std::string> text;
  };
  const std::vector<Case> cases = {
      {0x70, 0x06, "67.0"},
      {0x41, 0x25, "254.1"},
      {0x00, 0x10, "100.0"},
      {0x85, 0x08, "88.5"},
      {0x23, 0x80, "D023N"},
      {0x54, 0xC7, "D754I"},
      {0x54, 0x87, "D754N"},
      // Bit 6 alone decides: 0x80 to 0xBF normal, 0xC0 and above inverted.
      {0x23, 0xB0, "D023N"},
      {0x23, 0xBF, "Df23N"},  // not a real code; the nibble prints as "%x" does
      {0x23, 0xC0, "D023I"},
      // High byte 0xFF is no tone whatever the low byte holds.
      {0x70, 0xFF, std::nullopt},
      {0xFF, 0xFF, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::HexText(std::array<std::uint8_t, 2>{c.lo, c.hi}));
    const std::array<std::uint8_t, 2> field{c.lo, c.hi};
    EXPECT_EQ(codec::ToneToText(field), c.text);
  }
}

TEST(CodecTone, TextToField) {
  struct Case {
    std::string text;
    std::string stored;  // low byte, high byte
  };
  const std::vector<Case> cases = {
      {"67.0", "70 06"},
      {"88.5", "85 08"},
      {"254.1", "41 25"},
      {"100", "00 10"},
      {"100.05", "00 10"},  // the second decimal is dropped
      {"67.0Hz", "70 06"},  // reading stops at the first non-digit
      // Clamped to 67.0 .. 254.1 Hz; not checked against the standard tones.
      {"50", "70 06"},
      {"300", "41 25"},
      {"0", "70 06"},
      {"99999999999999999999", "41 25"},
      {"123.4", "34 12"},
      // DCS.
      {"D023N", "23 80"},
      {"D754I", "54 C7"},
      {"d754i", "54 C7"},
      {"D754N", "54 87"},
      {"D7541", "54 87"},  // anything but I/i in the last place is normal
      // Malformed DCS texts store D023N.
      {"D23N", "23 80"},
      {"D089N", "23 80"},
      {"D754IX", "23 80"},
      {"D", "23 80"},
      // Anything else is no tone.
      {"", "FF FF"},
      {"None", "FF FF"},
      {".5", "FF FF"},
      {" 67.0", "FF FF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    std::array<std::uint8_t, 2> field{0x12, 0x34};  // an earlier tone is always replaced
    codec::EncodeTone(c.text, field);
    EXPECT_EQ(test::HexText(field), c.stored);
  }
}

// The one rule for tone cells: what is taken, as the text stored; nullopt where refused.
TEST(CodecTone, TheToneRuleTakesNoneDcsCodesAndCtcssTonesTheRadioStores) {
  struct Case {
    std::string text;
    std::optional<std::string> taken;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"None", ""},
      {"nONE", ""},
      {"88.5", "88.5"},
      {"88.4", "88.4"},  // not a standard tone; the radio stores any
      {"67", "67.0"},
      {"67.0", "67.0"},
      {"254.1", "254.1"},
      {"100.", "100.0"},
      {"088.5", "88.5"},
      {"D023N", "D023N"},
      {"d754i", "D754I"},
      {"D777n", "D777N"},  // not a standard code either
      // Refused: outside 67.0 .. 254.1 Hz ("023" is 2.3 Hz), more than one decimal, no number.
      {"023", std::nullopt},
      {"999", std::nullopt},
      {"50", std::nullopt},
      {"66.9", std::nullopt},
      {"254.2", std::nullopt},
      {"88.45", std::nullopt},
      {".5", std::nullopt},
      {"88.5Hz", std::nullopt},
      {" 88.5", std::nullopt},
      // DCS: three octal digits and N or I.
      {"D089N", std::nullopt},
      {"D23N", std::nullopt},
      {"D0231", std::nullopt},
      {"D023X", std::nullopt},
      {"D023NN", std::nullopt},
      {"High", std::nullopt},
      {"Non", std::nullopt},
      {"\xEF\xBC\x98\xEF\xBC\x98\xE3\x80\x82\xEF\xBC\x95", std::nullopt},  // full-width 88.5
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    EXPECT_EQ(codec::ParseToneText(c.text, "None"), c.taken);
    // Whatever the rule takes reads back as itself once stored.
    if (c.taken && !c.taken->empty()) {
      std::array<std::uint8_t, 2> field{};
      codec::EncodeTone(*c.taken, field);
      EXPECT_EQ(codec::ToneToText(field), c.taken);
    }
  }
}

// ---------------------------------------------------------------- call format, password, hex

TEST(CodecCallFormat, SelectorIndexAndNibble) {
  const std::array<std::uint8_t, 10> nibbles = {0xF, 0x1, 0x2, 0x4, 0x6, 0x8, 0x9, 0x3, 0x7, 0xB};
  for (int index = 0; index < 10; ++index) {
    SCOPED_TRACE(index);
    const std::uint8_t byte = codec::IndexToCallFormat(0xC5, index);
    // The high nibble belongs to the call response and is kept.
    EXPECT_EQ(byte, 0xC0 | nibbles[static_cast<std::size_t>(index)]);
    EXPECT_EQ(codec::CallFormatToIndex(byte), index);
    EXPECT_EQ(codec::CallFormatToIndex(static_cast<std::uint8_t>(0x30 | nibbles[static_cast<std::size_t>(index)])), index);
  }
  for (std::uint8_t nibble : {0x0, 0x5, 0xA, 0xC, 0xD, 0xE}) {
    SCOPED_TRACE(static_cast<int>(nibble));
    EXPECT_EQ(codec::CallFormatToIndex(static_cast<std::uint8_t>(0x40 | nibble)), -1);
  }
}

TEST(CodecPassword, SixUpperCaseDigits) {
  const std::array<std::uint8_t, 3> password{0x12, 0xAB, 0x0F};
  EXPECT_EQ(codec::PasswordText(password), "12AB0F");
}

TEST(CodecPassword, FromTextStopsAtFirstNonDigit) {
  struct Case {
    std::string text;
    std::array<std::uint8_t, 3> before;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"12AB0F", {0xFF, 0xFF, 0xFF}, "12 AB 0F"},
      {"ABCDEF01", {0x00, 0x00, 0x00}, "AB CD EF"},  // at most six digits
      // Lower-case letters are not digits: only 1 and 2 are stored.
      {"12ab34", {0xFF, 0xFF, 0xFF}, "12 FF FF"},
      // A digit fills one nibble; its partner and everything after stay.
      {"1", {0x5A, 0x77, 0x88}, "1A 77 88"},
      {"123", {0x00, 0x00, 0x99}, "12 30 99"},
      {"12345", {0xAB, 0xCD, 0xEF}, "12 34 5F"},
      {"", {0xAB, 0xCD, 0xEF}, "AB CD EF"},
      {"G12345", {0xAB, 0xCD, 0xEF}, "AB CD EF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    std::array<std::uint8_t, 3> destination = c.before;
    codec::PasswordFromText(c.text, destination);
    EXPECT_EQ(test::HexText(destination), c.after);
    // The document's operation is the same conversion.
    destination = c.before;
    CTavroPgmDoc::PasswordFromText(c.text, destination);
    EXPECT_EQ(test::HexText(destination), c.after);
  }
}

TEST(CodecHex, SettingsTextToBytes) {
  std::array<std::uint8_t, 8> bytes{};
  codec::HexToBytes("3730345520564300", bytes);
  EXPECT_EQ(test::HexText(bytes), "37 30 34 55 20 56 43 00");

  // Upper- and lower-case digits give the same bytes.
  std::array<std::uint8_t, 4> upper{};
  std::array<std::uint8_t, 4> lower{};
  codec::HexToBytes("ABCDEF09", upper);
  codec::HexToBytes("abcdef09", lower);
  EXPECT_EQ(test::HexText(upper), "AB CD EF 09");
  EXPECT_EQ(test::HexText(lower), "AB CD EF 09");

  // Only as many bytes as asked for; a short text gives zero nibbles.
  std::array<std::uint8_t, 4> part{0xFF, 0xFF, 0xFF, 0xFF};
  codec::HexToBytes("0000004700000040FFFF", std::span(part).first<2>());
  EXPECT_EQ(test::HexText(part), "00 00 FF FF");
  codec::HexToBytes("123", part);
  EXPECT_EQ(test::HexText(part), "12 30 00 00");
}

// ---------------------------------------------------------------- document wrappers

// A new document of model 2 (band 400 to 470 MHz) with empty channels.
class CodecDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    test::NewDocument(doc, prompter);
  }

  std::span<std::uint8_t> Field(int channel, bool receive) {
    const std::size_t at = image::ChannelOffset(channel) +
                           (receive ? image::channel::kReceiveFrequency : image::channel::kTransmitFrequency);
    return doc.Image().subspan(at, image::channel::kFrequencySize);
  }
  std::span<std::uint8_t> Tone(int channel, bool receive) {
    const std::size_t at = image::ChannelOffset(channel) +
                           (receive ? image::channel::kReceiveTone : image::channel::kTransmitTone);
    return doc.Image().subspan(at, image::channel::kToneSize);
  }
  static void Put(std::span<std::uint8_t> to, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), to.begin());
  }

  test::ProgramDir dir;
  AppFiles files = dir.Files();
  test::ScriptedPrompter prompter;
  CTavroPgmDoc doc{files};
};

TEST_F(CodecDocument, OnRasterFrequencyIsStoredWithoutQuestion) {
  struct Case {
    std::string text;
    std::string stored;
    std::string readBack;
  };
  const std::vector<Case> cases = {
      {"146.52", "00 20 65 14", "146.520000"},      // a multiple of 2.5 kHz
      {"435", "00 00 50 43", "435.000000"},
      {"435.0125", "50 12 50 43", "435.012500"},
      {"145.003125", "12 03 50 14", "145.003125"},  // 3.125 kHz raster keeps its last 5 Hz
      {"", "FF FF FF FF", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    Put(Field(3, true), {0x00, 0x00, 0x00, 0x44});
    doc.EncodeFrequency(c.text, 3, true, prompter);
    EXPECT_EQ(test::HexText(Field(3, true)), c.stored);
    EXPECT_EQ(doc.ChannelFrequencyText(3, true), c.readBack);
  }
  EXPECT_TRUE(prompter.Asked().empty());
}

TEST_F(CodecDocument, EncodingWritesOnlyItsOwnField) {
  const std::vector<std::uint8_t> before(doc.Image().begin(), doc.Image().end());
  doc.EncodeFrequency("146.52", 16, false, prompter);
  for (std::size_t at = 0; at < image::kSize; ++at) {
    const bool inField = at >= image::ChannelOffset(16) + image::channel::kTransmitFrequency &&
                         at < image::ChannelOffset(16) + image::channel::kTransmitFrequency + 4;
    if (!inField) {
      EXPECT_EQ(doc.Image()[at], before[at]) << "image byte " << at;
    }
  }
  EXPECT_EQ(test::HexText(Field(16, false)), "00 20 65 14");
}

TEST_F(CodecDocument, OffRasterFrequencyAcceptedAsProposal) {
  test::ScriptedPrompter ok({PromptAnswer::Ok});
  doc.EncodeFrequency("145.0031", 2, true, ok);

  ASSERT_EQ(ok.Asked().size(), 1u);
  const PromptRequest& asked = ok.Asked()[0];
  EXPECT_EQ(asked.textKey, "IDS_CHANGEFREQ");
  EXPECT_EQ(asked.captionKey, "IDS_PROMPT");
  EXPECT_EQ(asked.icon, PromptIcon::Exclamation);
  EXPECT_EQ(asked.buttons, PromptButtons::OkCancel);
  EXPECT_EQ(asked.Text(files), files.GetText("IDS_CHANGEFREQ") + " 145.003125");
  EXPECT_EQ(asked.Caption(files), files.GetText("IDS_PROMPT"));

  EXPECT_EQ(test::HexText(Field(2, true)), "12 03 50 14");
  EXPECT_EQ(doc.ChannelFrequencyText(2, true), "145.003125");
}

TEST_F(CodecDocument, OffRasterFrequencyCancelledKeepsThatFieldsValue) {
  Put(Field(4, true), {0x50, 0x12, 0x50, 0x43});   // 435.012500
  Put(Field(4, false), {0x00, 0x20, 0x65, 0x44});  // 446.520000
  test::ScriptedPrompter cancel({PromptAnswer::Cancel, PromptAnswer::Cancel});

  doc.EncodeFrequency("440.0001", 4, false, cancel);
  EXPECT_EQ(test::HexText(Field(4, false)), "00 20 65 44");
  doc.EncodeFrequency("440.0001", 4, true, cancel);
  EXPECT_EQ(test::HexText(Field(4, true)), "50 12 50 43");
  EXPECT_EQ(cancel.AskedKeys(), (std::vector<std::string>{"IDS_CHANGEFREQ", "IDS_CHANGEFREQ"}));
}

TEST_F(CodecDocument, OffRasterFrequencyCancelledOnEmptyFieldWritesNothing) {
  Put(Field(5, true), {0xFF, 0xFF, 0xFF, 0xFF});
  test::ScriptedPrompter cancel({PromptAnswer::Cancel});
  doc.EncodeFrequency("145.0031", 5, true, cancel);
  EXPECT_EQ(test::HexText(Field(5, true)), "FF FF FF FF");
  EXPECT_EQ(doc.ChannelFrequencyText(5, true), "");
}

TEST_F(CodecDocument, StoredThreePointOneTwoFiveRasterSurvivesCancel) {
  // The stored text has nine hertz digits; the ninth is dropped again when packed.
  Put(Field(6, true), {0x12, 0x03, 0x50, 0x14});
  test::ScriptedPrompter cancel({PromptAnswer::Cancel});
  doc.EncodeFrequency("145.0031", 6, true, cancel);
  EXPECT_EQ(test::HexText(Field(6, true)), "12 03 50 14");
}

TEST_F(CodecDocument, BandCheckAgainstModelEdges) {
  EXPECT_EQ(doc.BandEdgeText(false), "400.000000");
  EXPECT_EQ(doc.BandEdgeText(true), "470.000000");
  struct Case {
    std::string text;
    int side;
  };
  const std::vector<Case> cases = {
      {"", 0},
      {"400", 0},  // both edges are inside the band
      {"470.000000", 0},
      {"435.5", 0},
      {"399.999999", -1},
      {"146.52", -1},
      {"470.000001", 1},
      {"470.0000019", 1},
      {"520", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    EXPECT_EQ(doc.CheckBand(c.text), c.side);
  }
}

TEST_F(CodecDocument, BandCheckedTextInsideBandAsksNothing) {
  EXPECT_EQ(doc.BandCheckedText("435.5", 1, true, prompter), "435.5");
  EXPECT_EQ(doc.BandCheckedText("", 1, true, prompter), "");
  EXPECT_TRUE(prompter.Asked().empty());
}

TEST_F(CodecDocument, BandCheckedTextOutsideOffersNearerEdge) {
  test::ScriptedPrompter ok({PromptAnswer::Ok, PromptAnswer::Ok});
  EXPECT_EQ(doc.BandCheckedText("480", 1, true, ok), "470.000000");
  EXPECT_EQ(doc.BandCheckedText("146.52", 1, true, ok), "400.000000");
  ASSERT_EQ(ok.Asked().size(), 2u);
  EXPECT_EQ(ok.Asked()[0].textKey, "IDS_OUTOFRANGE");
  EXPECT_EQ(ok.Asked()[0].Text(files), files.GetText("IDS_OUTOFRANGE") + " 470.000000");
  EXPECT_EQ(ok.Asked()[0].captionKey, "IDS_PROMPT");
  EXPECT_EQ(ok.Asked()[0].buttons, PromptButtons::OkCancel);
  EXPECT_EQ(ok.Asked()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(ok.Asked()[1].Text(files), files.GetText("IDS_OUTOFRANGE") + " 400.000000");
}

TEST_F(CodecDocument, BandCheckedTextCancelledGivesStoredFrequency) {
  Put(Field(7, true), {0x00, 0x20, 0x65, 0x44});   // 446.520000
  Put(Field(7, false), {0x50, 0x12, 0x50, 0x43});  // 435.012500
  test::ScriptedPrompter cancel({PromptAnswer::Cancel, PromptAnswer::Cancel, PromptAnswer::Cancel});
  EXPECT_EQ(doc.BandCheckedText("480", 7, true, cancel), "446.520000");
  EXPECT_EQ(doc.BandCheckedText("146.52", 7, false, cancel), "435.012500");
  EXPECT_EQ(doc.BandCheckedText("480", 8, true, cancel), "");  // an empty channel stays empty
}

TEST_F(CodecDocument, ToneTextAndEncodingUseTheChannelsFields) {
  EXPECT_EQ(doc.ToneToText(9, true), files.GetText("IDS_NONE"));
  doc.EncodeTone("88.5", 9, true);
  doc.EncodeTone("d754i", 9, false);
  EXPECT_EQ(test::HexText(Tone(9, true)), "85 08");
  EXPECT_EQ(test::HexText(Tone(9, false)), "54 C7");
  EXPECT_EQ(doc.ToneToText(9, true), "88.5");
  EXPECT_EQ(doc.ToneToText(9, false), "D754I");

  // The "none" text chosen from the list stores no tone.
  doc.EncodeTone(files.GetText("IDS_NONE"), 9, false);
  EXPECT_EQ(test::HexText(Tone(9, false)), "FF FF");
  EXPECT_EQ(test::HexText(Tone(9, true)), "85 08");
}

TEST_F(CodecDocument, TwoToneEntries) {
  // A new image has no two-tone values.
  for (int entry = 1; entry <= 16; ++entry) {
    EXPECT_EQ(doc.TwoToneText(entry, false), "") << "entry " << entry;
    EXPECT_EQ(doc.TwoToneText(entry, true), "") << "entry " << entry;
  }
  // Entry 1 first tone 1000.0 Hz, entry 16 second tone 1234.5 Hz; low byte first.
  Put(doc.Image().subspan(image::SignalCodeOffset(1), 2), {0x10, 0x27});
  Put(doc.Image().subspan(image::SignalCodeOffset(16) + 2, 2), {0x39, 0x30});
  EXPECT_EQ(doc.TwoToneText(1, false), "1000.0");
  EXPECT_EQ(doc.TwoToneText(1, true), "");
  EXPECT_EQ(doc.TwoToneText(16, true), "1234.5");
  EXPECT_EQ(doc.TwoToneText(16, false), "");
  Put(doc.Image().subspan(image::SignalCodeOffset(2), 2), {0x05, 0x00});
  EXPECT_EQ(doc.TwoToneText(2, false), "0.5");
}

TEST_F(CodecDocument, CallFormatOfEachSetAndDecoder) {
  // A new image holds 0x7F in every format byte: code 15, the first selector entry.
  for (int set = 1; set <= 4; ++set)
    for (int decoder = 0; decoder < 2; ++decoder) EXPECT_EQ(doc.CallFormatToIndex(set, decoder), 0);

  std::uint8_t& format = doc.At(image::SignalSetOffset(3) + image::signal_set::kDecodeFormat[1]);
  format = 0x45;  // code 5 has no selector entry
  EXPECT_EQ(doc.CallFormatToIndex(3, 1), -1);

  doc.IndexToCallFormat(3, 1, 9);
  EXPECT_EQ(format, 0x4B);
  EXPECT_EQ(doc.CallFormatToIndex(3, 1), 9);
  // The other decoder of the set and the neighbouring set are untouched.
  EXPECT_EQ(doc.CallFormatToIndex(3, 0), 0);
  EXPECT_EQ(doc.CallFormatToIndex(4, 1), 0);
  EXPECT_EQ(doc.At(image::SignalSetOffset(3) + image::signal_set::kDecodeFormat[0]), 0x7F);
}

TEST_F(CodecDocument, MessageTextRoundTrip) {
  EXPECT_EQ(doc.MessageText(), "");  // 0xFF at the start: no message

  doc.SetMessageText("Hello");
  EXPECT_EQ(doc.MessageText(), "Hello");
  EXPECT_EQ(test::HexText(doc.Image().subspan(image::kMessage, 7)), "48 65 6C 6C 6F 00 FF");
}

TEST_F(CodecDocument, MessageTextIsCutToSixtyCharacters) {
  const std::string seventy = std::string(35, 'A') + std::string(35, 'B');
  doc.SetMessageText(seventy);
  EXPECT_EQ(doc.MessageText(), seventy.substr(0, 60));
  EXPECT_EQ(doc.At(image::kMessage + 60), 0);
}

TEST_F(CodecDocument, EmptyMessageMarksOnlyTheFirstByte) {
  doc.SetMessageText("Hello");
  doc.SetMessageText("");
  EXPECT_EQ(doc.MessageText(), "");
  EXPECT_EQ(test::HexText(doc.Image().subspan(image::kMessage, 6)), "FF 65 6C 6C 6F 00");
}

TEST_F(CodecDocument, MessageWithoutTerminatorEndsInsideItsRegion) {
  // Written by another tool: 64 letters and no NUL; the byte after the region is not text.
  auto region = doc.Image().subspan(image::kMessage, image::kMessageSize);
  std::fill(region.begin(), region.end(), 'M');
  doc.At(image::kMessage + image::kMessageSize) = 'X';
  EXPECT_EQ(doc.MessageText(), std::string(63, 'M'));
  EXPECT_EQ(doc.At(image::kMessage + image::kMessageSize - 1), 0);
}

TEST_F(CodecDocument, PasswordTextReadsItsThreeBytes) {
  Put(doc.Image().subspan(image::kPassword, image::kPasswordSize), {0x0A, 0xBC, 0xDE});
  EXPECT_EQ(doc.PasswordText(), "0ABCDE");
}

}  // namespace
