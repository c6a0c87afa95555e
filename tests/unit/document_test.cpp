// The document block: the fresh image of a new document, the models and band
// limits, the speech language choice, New and a read from the radio.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "radio/document.h"
#include "radio/image_map.h"
#include "radio/voice_catalogue.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Block = std::array<std::uint8_t, block::kSize>;



const std::string kFreshHeader = "VX  Radio Program data v1.92.2000 Vantorellix   ";
const Bytes kDefaultVoiceId = {0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x00, 0x01, 0x12, 0x23, 0x89, 0xAB, 0xCD};

struct ModelEntry {
  std::string id;     // "model%d"; empty: key absent
  std::string value;  // "value%d"; empty: key absent
};

std::string ModelSettings(const std::vector<ModelEntry>& entries) {
  std::string text = "[setup]\nlanguage=lang_en\ncom=1\n\n[model]\n";
  for (std::size_t n = 0; n < entries.size(); ++n) {
    if (!entries[n].id.empty()) text += "model" + std::to_string(n) + "=" + entries[n].id + "\n";
    if (!entries[n].value.empty()) text += "value" + std::to_string(n) + "=" + entries[n].value + "\n";
    text += "fdisp" + std::to_string(n) + "=Model " + std::to_string(n) + "\n";
  }
  return text;
}

// Four models; model 2 carries distinct bytes after its band edges.
const std::string kVhfId = "3130315620564300";
const std::string kVhfValue = "0000401700006013FFFFFFFFFFFFFFFF";  // 136-174 MHz
const std::string kUhf440Id = "3130345520564300";
const std::string kUhf440Value = "0000004400000040FFFFFFFFFFFFFFFF";  // 400-440 MHz
const std::string kUhf470Id = "3730345520564300";
const std::string kUhf470Value = "00000047000000400102030405060708";  // 400-470 MHz
const std::string kUhf520Id = "3235345520564300";
const std::string kUhf520Value = "0000005200000045FFFFFFFFFFFFFFFF";  // 450-520 MHz

const std::vector<ModelEntry> kFourModels = {
    {kVhfId, kVhfValue}, {kUhf440Id, kUhf440Value}, {kUhf470Id, kUhf470Value}, {kUhf520Id, kUhf520Value}};

// The image bytes ApplyModel(n) gives when it starts from `base`: the model
// identifier, the band data and the factory defaults, other bits and bytes kept.
Bytes AfterApplyModel(Bytes base, const std::string& id, const std::string& value) {
  using namespace image;
  std::ranges::copy(test::BytesFromHex(id), base.begin() + kModelId);
  std::ranges::copy(test::BytesFromHex(value), base.begin() + kBandData);
  auto clear = [&](std::size_t at, unsigned bits) { base[at] = static_cast<std::uint8_t>(base[at] & ~bits); };
  auto set = [&](std::size_t at, unsigned bits) { base[at] = static_cast<std::uint8_t>(base[at] | bits); };
  clear(kKeyAndVox, 0x03);
  clear(kAlarm, 0x0E);
  base[kDropoutDelay] = 0x32;
  base[kTransmitDwell] = 0x32;
  clear(kOptions, 0x04);
  set(kOptions, 0x08);
  base[kTimeOutTimer] = 6;
  base[kVoxGain] = 2;
  base[kVoxDelay] = 30;
  base[kShortKeyFunction] = 4;
  base[kLongKeyFunction] = 6;
  base[kLongPressDuration] = 100;
  base[kDtmfFirstDigitTime] = 0;
  base[kDtmfFirstDigitDelay] = 2;
  base[kDtmfStarHashTime] = 0;
  base[kDtmfDKeySetting] = 0;
  set(kScanAndPttId, 0x03);
  base[kSquelchLevel] = 3;
  base[kNormalKeyFunction] = 3;
  base[kDtmfSpeed] = 5;
  base[kFirstToneDuration] = 5;
  base[kSecondToneDuration] = 5;
  base[kToneGap] = 10;
  base[kLongToneDuration] = 10;
  base[kRevertChannelMode] = 1;
  for (int s = 1; s <= 4; ++s)
    for (std::size_t byte : {std::size_t{7}, std::size_t{9}}) {
      std::uint8_t& b = base[SignalSetOffset(s) + byte];
      b = static_cast<std::uint8_t>((b & 0x3F) | 0x40);
    }
  return base;
}

Bytes ImageOf(const CTavroPgmDoc& doc) { return Bytes(doc.Image().begin(), doc.Image().end()); }

// A document over a program directory whose settings the test chooses.
class DocumentTest : public testing::Test {
 protected:
  DocumentTest() { Models(kFourModels); }
  void Models(const std::vector<ModelEntry>& models) { dir_.Write("setting.ini", ModelSettings(models)); }
  void NewDocument() {
    test::ScriptedPrompter quiet;
    test::NewDocument(doc_, quiet);
  }
  void PutModel(const std::string& id, const std::string& band) {
    std::ranges::copy(test::BytesFromHex(id), doc_.Image().begin() + image::kModelId);
    std::ranges::copy(test::BytesFromHex(band), doc_.Image().begin() + image::kBandData);
  }
  void FillImage(std::uint8_t value) { std::ranges::fill(doc_.Image(), value); }

  test::ProgramDir dir_;
  AppFiles files_ = dir_.Files();
  CTavroPgmDoc doc_{files_};
};

// ------------------------------------------------------------------ the block

TEST_F(DocumentTest, ANewDocumentHoldsTheFreshBlockOfModel2) {
  doc_.SetRadioVersion(0x13);
  NewDocument();

  Block expected{};
  std::ranges::copy(kFreshHeader, expected.begin());
  const Bytes image = AfterApplyModel(Bytes(image::kSize, 0xFF), kUhf470Id, kUhf470Value);
  std::ranges::copy(image, expected.begin() + block::kImage);
  std::ranges::copy(kDefaultVoiceId, expected.begin() + block::kVoiceId);
  EXPECT_EQ(test::Differences(expected, doc_.Block()), "");

  // The table's resulting bytes on a reset image, spelled out.
  EXPECT_EQ(doc_.At(image::kKeyAndVox), 0xFC);
  EXPECT_EQ(doc_.At(image::kAlarm), 0xF1);
  EXPECT_EQ(doc_.At(image::kOptions), 0xFB);
  EXPECT_EQ(doc_.At(image::kScanAndPttId), 0xFF);
  for (int set = 1; set <= 4; ++set) {
    EXPECT_EQ(doc_.At(image::SignalSetOffset(set) + 7), 0x7F) << "set " << set;
    EXPECT_EQ(doc_.At(image::SignalSetOffset(set) + 9), 0x7F) << "set " << set;
  }

  EXPECT_EQ(doc_.RadioVersion(), 0x20);
  EXPECT_EQ(doc_.ModelIndex(), 2);
  EXPECT_EQ(doc_.BandLowerEdge(), 400000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 470000000);
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_TRUE(doc_.PathName().empty());
}

TEST_F(DocumentTest, DeleteContentsResetsTheBlockButNotTheValuesBesideIt) {
  doc_.ApplyModel(1);
  std::ranges::fill(doc_.Block(), 0x5A);
  doc_.SetRadioVersion(0x13);
  doc_.DeleteContents();

  EXPECT_EQ(std::string(doc_.Header().begin(), doc_.Header().end()), kFreshHeader);
  EXPECT_EQ(test::Differences(Bytes(image::kSize, 0xFF), ImageOf(doc_)), "");
  EXPECT_EQ(Bytes(doc_.VoiceId().begin(), doc_.VoiceId().end()), kDefaultVoiceId);
  EXPECT_EQ(doc_.RadioVersion(), 0x13);
  EXPECT_EQ(doc_.ModelIndex(), 1);
  EXPECT_EQ(doc_.BandLowerEdge(), 400000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 440000000);
}

TEST_F(DocumentTest, ApplyModelChangesOnlyTheNamedBitsAndBytes) {
  // Every byte and bit that ApplyModel does not name keeps its value.
  for (const std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xA5}, std::uint8_t{0x5A}}) {
    SCOPED_TRACE(int(fill));
    FillImage(fill);
    std::ranges::fill(doc_.VoiceId(), 0x77);
    doc_.ApplyModel(0);
    EXPECT_EQ(test::Differences(AfterApplyModel(Bytes(image::kSize, fill), kVhfId, kVhfValue), ImageOf(doc_)), "");
    EXPECT_EQ(Bytes(doc_.VoiceId().begin(), doc_.VoiceId().end()), kDefaultVoiceId);
    EXPECT_EQ(doc_.ModelIndex(), 0);
  }
}

TEST_F(DocumentTest, ApplyModelReadsHexDigitsOfEitherCase) {
  Models({{"3730345520564a4b", "0000004700000040abcdef0123456789"},
          {"3730345520564A4B", "0000004700000040ABCDEF0123456789"}});
  doc_.DeleteContents();
  doc_.ApplyModel(0);
  const Bytes lower = ImageOf(doc_);
  doc_.DeleteContents();
  doc_.ApplyModel(1);
  EXPECT_EQ(test::Differences(lower, ImageOf(doc_)), "");
  EXPECT_EQ(Bytes(&doc_.At(image::kModelId), &doc_.At(image::kModelId) + 8), test::BytesFromHex("3730345520564A4B"));
  EXPECT_EQ(Bytes(&doc_.At(image::kBandData), &doc_.At(image::kBandData) + 16),
            test::BytesFromHex("0000004700000040ABCDEF0123456789"));
}

TEST_F(DocumentTest, ApplyModelOfAMissingEntryStillWritesTheDefaultsAndTheDefaultBand) {
  Models({{kVhfId, kVhfValue}, {kUhf440Id, kUhf440Value}});
  doc_.DeleteContents();
  doc_.ApplyModel(2);
  EXPECT_EQ(doc_.BandLowerEdge(), 100000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 500000000);
  EXPECT_EQ(doc_.At(image::kOptions), 0xFB);
  EXPECT_EQ(doc_.At(image::kTimeOutTimer), 6);
  EXPECT_EQ(doc_.At(image::SignalSetOffset(4) + 9), 0x7F);
}

// ------------------------------------------------------------------ recognising the model

TEST_F(DocumentTest, IdentifyModelFindsTheLastMatchingEntry) {
  const std::string vhfBandOther = "0000401700006013AAAAAAAAAAAAAAAA";
  const std::string vhfBandThird = "00004017000060130011223344556677";
  struct Case {
    const char* name;
    std::vector<ModelEntry> models;
    std::string imageId;
    std::string imageBand;
    int expectedModel;
    std::int32_t lower;
    std::int32_t upper;
  };
  const std::vector<Case> cases = {
      {"exact match", kFourModels, kUhf440Id, kUhf440Value, 1, 400000000, 440000000},
      {"first entry", kFourModels, kVhfId, kVhfValue, 0, 136000000, 174000000},
      {"last entry", kFourModels, kUhf520Id, kUhf520Value, 3, 450000000, 520000000},
      {"same identifier and band edges twice: the later entry wins",
       {{kVhfId, kVhfValue}, {kUhf440Id, kUhf440Value}, {kVhfId, vhfBandOther}},
       kVhfId, kVhfValue, 2, 136000000, 174000000},
      {"band data differing only in the bytes after the edges",
       kFourModels, kUhf470Id, "0000004700000040F0E0D0C0B0A09080", 2, 400000000, 470000000},
      {"only the identifier matches", kFourModels, kUhf470Id, kUhf440Value, -1, 100000000, 500000000},
      {"only the band edges match", kFourModels, kUhf440Id, kUhf470Value, -1, 100000000, 500000000},
      {"unknown model", kFourModels, "0102030405060708", kVhfValue, -1, 100000000, 500000000},
      {"empty image", kFourModels, "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", -1, 100000000, 500000000},
      {"lower-case hex in model%d and value%d",
       {{kVhfId, kVhfValue}, {"3730345520564a4b", "0000004700000040ffffffffabcdef12"}},
       "3730345520564A4B", "0000004700000040FFFFFFFFFFFFFFFF", 1, 400000000, 470000000},
      {"a missing model%d ends the search",
       {{kVhfId, kVhfValue}, {"", kUhf440Value}, {kUhf470Id, kUhf470Value}},
       kUhf470Id, kUhf470Value, -1, 100000000, 500000000},
      {"a missing model%d ends the search after a match",
       {{kVhfId, kVhfValue}, {"", ""}, {kVhfId, vhfBandThird}},
       kVhfId, kVhfValue, 0, 136000000, 174000000},
      {"an entry without value%d is passed over",
       {{kUhf470Id, ""}, {kUhf470Id, kUhf470Value}}, kUhf470Id, kUhf470Value, 1, 400000000, 470000000},
      {"an entry without value%d never matches", {{kUhf470Id, ""}}, kUhf470Id, kUhf470Value, -1, 100000000,
       500000000},
      {"no models at all", {}, kUhf470Id, kUhf470Value, -1, 100000000, 500000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Models(c.models);
    doc_.DeleteContents();
    doc_.ApplyModel(0);  // start from some other model index and band
    PutModel(c.imageId, c.imageBand);
    const Bytes before = ImageOf(doc_);
    doc_.IdentifyModel();
    EXPECT_EQ(doc_.ModelIndex(), c.expectedModel);
    EXPECT_EQ(doc_.BandLowerEdge(), c.lower);
    EXPECT_EQ(doc_.BandUpperEdge(), c.upper);
    EXPECT_EQ(test::Differences(before, ImageOf(doc_)), "") << "the image itself is left alone";
  }
}

TEST_F(DocumentTest, BandEdgesAreWholeTensOfHertzFromTheSettings) {
  // 174.003125 MHz is stored as 17400312 tens of hertz; its text form restores the
  // last 5 Hz, but a band edge drops the single-hertz digit again.
  Models({{kVhfId, "1203401700006013FFFFFFFFFFFFFFFF"}, {kUhf440Id, "5012504350126043FFFFFFFFFFFFFFFF"}});
  doc_.ApplyModel(0);
  EXPECT_EQ(doc_.BandUpperEdge(), 174003120);
  EXPECT_EQ(doc_.BandLowerEdge(), 136000000);
  doc_.ApplyModel(1);
  EXPECT_EQ(doc_.BandUpperEdge(), 435012500);
  EXPECT_EQ(doc_.BandLowerEdge(), 436012500);
}

TEST_F(DocumentTest, BandEdgesComeFromTheSettingsNotFromTheImage) {
  doc_.ApplyModel(2);
  PutModel(kUhf470Id, kVhfValue);  // band data changed by hand
  doc_.SetBandFromModel();
  EXPECT_EQ(doc_.BandLowerEdge(), 400000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 470000000);

  // The entry is read again each time: without its value%d the default band applies.
  Models({{kVhfId, kVhfValue}, {kUhf440Id, kUhf440Value}, {kUhf470Id, ""}});
  doc_.SetBandFromModel();
  EXPECT_EQ(doc_.BandLowerEdge(), 100000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 500000000);
}

// ------------------------------------------------------------------ speech language

class FakeCatalogue : public VoiceCatalogue {
 public:
  std::size_t Count() const override { return 3; }
  Identifier IdentifierOf(std::size_t index) const override {
    Identifier id{};
    for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<std::uint8_t>(0x10 * (index + 1) + i);
    return id;
  }
  void Select(std::size_t index) override { selected.push_back(index); }
  std::vector<std::size_t> selected;
};

class DocumentVoiceTest : public DocumentTest {
 protected:
  FakeCatalogue catalogue_;
  CTavroPgmDoc voiced_{files_, &catalogue_};
  Bytes VoiceIdOf(CTavroPgmDoc& doc) { return Bytes(doc.VoiceId().begin(), doc.VoiceId().end()); }
  static Bytes ToBytes(const VoiceCatalogue::Identifier& id) { return Bytes(id.begin(), id.end()); }
};

TEST_F(DocumentVoiceTest, SelectVoicePackageSetsTheSpeechBitAndCopiesTheIdentifier) {
  struct Case {
    std::size_t k;
    std::uint8_t optionsBefore;
    std::uint8_t optionsAfter;
  };
  const std::vector<Case> cases = {
      {1, 0x00, 0x01}, {2, 0xFA, 0xFB}, {1, 0x01, 0x01},
      {0, 0xFF, 0xFE}, {0, 0x01, 0x00}, {0, 0x5A, 0x5A},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("k " + std::to_string(c.k) + ", options before " + std::to_string(c.optionsBefore));
    catalogue_.selected.clear();
    voiced_.At(image::kOptions) = c.optionsBefore;
    std::ranges::fill(voiced_.VoiceId(), 0xEE);
    const Bytes imageBefore = ImageOf(voiced_);

    EXPECT_TRUE(voiced_.SelectVoicePackage(c.k));
    EXPECT_EQ(voiced_.At(image::kOptions), c.optionsAfter);
    EXPECT_EQ(VoiceIdOf(voiced_), ToBytes(catalogue_.IdentifierOf(c.k)));
    EXPECT_EQ(catalogue_.selected, std::vector<std::size_t>{c.k});
    Bytes imageAfter = ImageOf(voiced_);
    imageAfter[image::kOptions] = c.optionsBefore;
    EXPECT_EQ(test::Differences(imageBefore, imageAfter), "") << "only the speech bit changes";
  }
}

TEST_F(DocumentVoiceTest, SelectVoicePackageOutOfRangeChangesNothing) {
  voiced_.At(image::kOptions) = 0xFA;
  std::ranges::fill(voiced_.VoiceId(), 0xEE);
  const Block before = [&] {
    Block copy{};
    std::ranges::copy(voiced_.Block(), copy.begin());
    return copy;
  }();
  for (const std::size_t k : {std::size_t{3}, std::size_t{4}, std::size_t{1000}, SIZE_MAX}) {
    SCOPED_TRACE(k);
    EXPECT_FALSE(voiced_.SelectVoicePackage(k));
    EXPECT_EQ(test::Differences(before, voiced_.Block()), "");
    EXPECT_TRUE(catalogue_.selected.empty());
  }
  // Without any catalogue there is nothing to choose.
  EXPECT_FALSE(doc_.SelectVoicePackage(0));
}

// ------------------------------------------------------------------ New

class DocumentNewTest : public DocumentTest {
 protected:
  // A document with unsaved edits under a file name.
  void EditedDocument() {
    NewDocument();
    doc_.At(image::ChannelOffset(1)) = 0x12;
    doc_.At(image::kSquelchLevel) = 9;
    doc_.SetPathName(dir_ / "radio.vxp");
    doc_.SetModifiedFlag(true);
    doc_.SetRadioVersion(0x13);
  }
  Block Fresh() {
    Block expected{};
    std::ranges::copy(kFreshHeader, expected.begin());
    std::ranges::copy(AfterApplyModel(Bytes(image::kSize, 0xFF), kUhf470Id, kUhf470Value),
                      expected.begin() + block::kImage);
    std::ranges::copy(kDefaultVoiceId, expected.begin() + block::kVoiceId);
    return expected;
  }
  Block Snapshot() {
    Block copy{};
    std::ranges::copy(doc_.Block(), copy.begin());
    return copy;
  }
};

TEST_F(DocumentNewTest, CancelOnTheClearWarningKeepsTheConfiguration) {
  EditedDocument();
  const Block before = Snapshot();
  test::ScriptedPrompter prompter({PromptAnswer::Cancel});
  bool suppress = false;

  EXPECT_EQ(doc_.OnNewDocument(prompter, suppress), CTavroPgmDoc::NewOutcome::Kept);

  ASSERT_EQ(prompter.Asked().size(), 1u);
  const PromptRequest& asked = prompter.Asked()[0];
  EXPECT_EQ(asked.textKey, "IDS_WARN_CLEAR");
  EXPECT_EQ(asked.captionKey, "IDS_PROMPT");
  EXPECT_EQ(asked.icon, PromptIcon::Exclamation);
  EXPECT_EQ(asked.buttons, PromptButtons::OkCancel);
  EXPECT_EQ(test::Differences(before, doc_.Block()), "");
  EXPECT_EQ(doc_.PathName(), dir_ / "radio.vxp");
  EXPECT_TRUE(doc_.IsModified());
  EXPECT_EQ(doc_.ModelIndex(), 2);
  // The radio version is set before the question is asked.
  EXPECT_EQ(doc_.RadioVersion(), 0x20);
}

TEST_F(DocumentNewTest, OkOnTheClearWarningGivesAFreshModel2Document) {
  EditedDocument();
  doc_.ApplyModel(3);
  test::ScriptedPrompter prompter({PromptAnswer::Ok});
  bool suppress = false;

  EXPECT_EQ(doc_.OnNewDocument(prompter, suppress), CTavroPgmDoc::NewOutcome::Created);

  EXPECT_EQ(prompter.AskedKeys(), std::vector<std::string>{"IDS_WARN_CLEAR"});
  EXPECT_EQ(test::Differences(Fresh(), doc_.Block()), "");
  EXPECT_EQ(doc_.ModelIndex(), 2);
  EXPECT_EQ(doc_.BandLowerEdge(), 400000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 470000000);
  EXPECT_EQ(doc_.RadioVersion(), 0x20);
  EXPECT_TRUE(doc_.PathName().empty());
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_FALSE(suppress);
}

TEST_F(DocumentNewTest, TheSuppressFlagSkipsTheWarningOnce) {
  EditedDocument();
  test::ScriptedPrompter prompter({PromptAnswer::Cancel, PromptAnswer::Cancel});
  bool suppress = true;

  EXPECT_EQ(doc_.OnNewDocument(prompter, suppress), CTavroPgmDoc::NewOutcome::Created);
  EXPECT_TRUE(prompter.Asked().empty());
  EXPECT_FALSE(suppress);
  EXPECT_EQ(test::Differences(Fresh(), doc_.Block()), "");
  EXPECT_TRUE(doc_.PathName().empty());
  EXPECT_FALSE(doc_.IsModified());

  // The flag was consumed: the next New asks again.
  doc_.At(image::ChannelOffset(2)) = 0x34;
  const Block before = Snapshot();
  EXPECT_EQ(doc_.OnNewDocument(prompter, suppress), CTavroPgmDoc::NewOutcome::Kept);
  EXPECT_EQ(prompter.AskedKeys(), std::vector<std::string>{"IDS_WARN_CLEAR"});
  EXPECT_EQ(test::Differences(before, doc_.Block()), "");
}

// ------------------------------------------------------------------ radio version and a read

TEST_F(DocumentTest, TheLowPowerChoiceChangesOnlyBitZeroAndMarksAChange) {
  const struct {
    std::uint8_t before;
    bool permitted;
    std::uint8_t after;
  } cases[] = {{0xFF, false, 0xFE}, {0x36, true, 0x37}, {0x37, true, 0x37}, {0x80, false, 0x80}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.before));
    doc_.At(image::kPowerPermit) = c.before;
    doc_.SetModifiedFlag(false);
    EXPECT_EQ(doc_.SetHighPowerPermitted(c.permitted), c.before != c.after);
    EXPECT_EQ(doc_.At(image::kPowerPermit), c.after);
    EXPECT_EQ(doc_.IsHighPowerPermitted(), c.permitted);
    EXPECT_EQ(doc_.IsModified(), c.before != c.after);
  }
}

TEST(DocumentRadioVersion, ShowsTheTwoNibblesWithAPoint) {
  test::ProgramDir dir;
  const AppFiles files = dir.Files();
  CTavroPgmDoc doc(files);
  struct Case {
    std::uint8_t version;
    const char* expected;
  };
  const std::vector<Case> cases = {{0x20, "2.0"}, {0x00, ""}, {0x10, "1.0"}, {0x21, "2.1"},
                                   {0x05, "0.5"}, {0x1A, "1.A"}, {0xFF, "F.F"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.version));
    doc.SetRadioVersion(c.version);
    EXPECT_EQ(doc.RadioVersionText(), c.expected);
  }
}

TEST_F(DocumentTest, ImageReadFromRadioReplacesTheImageAndRecognisesTheModel) {
  for (const bool modified : {false, true}) {
    SCOPED_TRACE(modified ? "modified" : "not modified");
    NewDocument();
    std::ranges::copy(std::string("Some header from an older file.2000 Vantorellix"), doc_.Header().begin());
    const Bytes header(doc_.Header().begin(), doc_.Header().end());
    std::ranges::fill(doc_.VoiceId(), 0x42);
    doc_.SetPathName(dir_ / "radio.vxp");
    doc_.SetModifiedFlag(modified);
    doc_.SetRadioVersion(0x21);

    std::array<std::uint8_t, block::kImageSize> received{};
    for (std::size_t i = 0; i < received.size(); ++i) received[i] = static_cast<std::uint8_t>(i * 13 + 7);
    std::ranges::copy(test::BytesFromHex(kUhf520Id), received.begin() + image::kModelId);
    std::ranges::copy(test::BytesFromHex(kUhf520Value), received.begin() + image::kBandData);

    doc_.ImageReadFromRadio(received);

    EXPECT_EQ(test::Differences(received, doc_.Image()), "");
    EXPECT_EQ(doc_.ModelIndex(), 3);
    EXPECT_EQ(doc_.BandLowerEdge(), 450000000);
    EXPECT_EQ(doc_.BandUpperEdge(), 520000000);
    EXPECT_EQ(Bytes(doc_.Header().begin(), doc_.Header().end()), header);
    EXPECT_EQ(Bytes(doc_.VoiceId().begin(), doc_.VoiceId().end()), Bytes(16, 0x42));
    EXPECT_EQ(doc_.PathName(), dir_ / "radio.vxp");
    EXPECT_EQ(doc_.IsModified(), modified);
    EXPECT_EQ(doc_.RadioVersion(), 0x21);
  }
}

TEST_F(DocumentTest, ImageReadFromRadioOfAnUnknownModelGivesTheDefaultBand) {
  NewDocument();
  std::array<std::uint8_t, block::kImageSize> received{};
  received.fill(0xFF);
  doc_.ImageReadFromRadio(received);
  EXPECT_EQ(doc_.ModelIndex(), -1);
  EXPECT_EQ(doc_.BandLowerEdge(), 100000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 500000000);
}

}  // namespace
