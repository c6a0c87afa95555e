// The 1088-byte data file: saving, opening, the header check, short and long
// files, and what the document looks like after each.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "radio/document.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string kFreshHeader = "VX  Radio Program data v1.92.2000 Vantorellix   ";
const Bytes kDefaultVoiceId = {0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x00, 0x01, 0x12, 0x23, 0x89, 0xAB, 0xCD};

const std::string kSettings =
    "[setup]\nlanguage=lang_en\n[model]\n"
    "model0=3130315620564300\nvalue0=0000401700006013FFFFFFFFFFFFFFFF\nfdisp0=VHF\n"
    "model1=3130345520564300\nvalue1=0000004400000040FFFFFFFFFFFFFFFF\nfdisp1=UHF 440\n"
    "model2=3730345520564300\nvalue2=0000004700000040FFFFFFFFFFFFFFFF\nfdisp2=UHF 470\n"
    "model3=3235345520564300\nvalue3=0000005200000045FFFFFFFFFFFFFFFF\nfdisp3=UHF 520\n";



Bytes FileBytes(const fs::path& path) {
  const std::string text = test::ReadAll(path);
  return Bytes(text.begin(), text.end());
}

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::set<std::string> Listing(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
  return names;
}

// A data file of `size` bytes: a header (the fresh one unless given), then a
// pattern that runs through the image and the identifier and beyond.
Bytes DataFile(std::size_t size, const std::string& header = kFreshHeader) {
  Bytes bytes(std::max(size, block::kSize + 200));
  std::ranges::copy(header, bytes.begin());
  for (std::size_t i = block::kImage; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + 17);
  bytes.resize(size);
  return bytes;
}


class DataFileTest : public testing::Test {
 protected:
  DataFileTest() {
    program_.Write("setting.ini", kSettings);
    NewDocument(doc_);
  }
  static void NewDocument(CTavroPgmDoc& doc) {
    test::ScriptedPrompter quiet;
    test::NewDocument(doc, quiet);
  }
  fs::path Put(const std::string& name, const Bytes& bytes) { return data_.Write(name, AsText(bytes)); }
  Bytes BlockOf(const CTavroPgmDoc& doc) { return Bytes(doc.Block().begin(), doc.Block().end()); }
  Bytes ImageOf(const CTavroPgmDoc& doc) { return Bytes(doc.Image().begin(), doc.Image().end()); }
  Bytes HeaderOf(CTavroPgmDoc& doc) { return Bytes(doc.Header().begin(), doc.Header().end()); }
  Bytes VoiceIdOf(CTavroPgmDoc& doc) { return Bytes(doc.VoiceId().begin(), doc.VoiceId().end()); }
  // Something to overwrite, so that an open has to reset it.
  void Scribble(CTavroPgmDoc& doc) {
    std::ranges::fill(doc.Image(), 0x00);
    std::ranges::fill(doc.VoiceId(), 0x5A);
    doc.SetModifiedFlag(true);
  }

  test::ProgramDir program_;
  test::TempDir data_;
  AppFiles files_ = program_.Files();
  CTavroPgmDoc doc_{files_};
};

TEST_F(DataFileTest, SaveThenOpenGivesBackEveryByte) {
  // A pattern through all of the image, the regions no page interprets included
  // (0x000-0x00F, 0x110-0x27F, 0x340-0x34F, 0x358-0x35F, 0x390-0x3AF, 0x3D8-0x3DF),
  // and through the identifier.
  for (std::size_t i = 0; i < image::kSize; ++i) doc_.At(i) = static_cast<std::uint8_t>(i * 7 + 3);
  for (std::size_t i = 0; i < block::kVoiceIdSize; ++i) doc_.VoiceId()[i] = static_cast<std::uint8_t>(0xF0 - i);
  doc_.SetModifiedFlag(true);
  const Bytes saved = BlockOf(doc_);
  const fs::path file = data_ / "radio.vxp";
  FileError error;

  ASSERT_TRUE(doc_.OnSaveDocument(file, error));
  EXPECT_EQ(fs::file_size(file), 1088u);
  EXPECT_EQ(test::Differences(saved, FileBytes(file)), "");
  EXPECT_EQ(AsText(FileBytes(file)).substr(0, 48), kFreshHeader);

  CTavroPgmDoc other(files_);
  NewDocument(other);
  test::ScriptedPrompter prompter;
  EXPECT_EQ(other.OnOpenDocument(file, prompter, error), CTavroPgmDoc::OpenOutcome::Opened);
  EXPECT_TRUE(prompter.Asked().empty());
  EXPECT_EQ(test::Differences(saved, BlockOf(other)), "");

  // And again: what was opened saves to the same bytes.
  const fs::path copy = data_ / "copy.vxp";
  ASSERT_TRUE(other.OnSaveDocument(copy, error));
  EXPECT_EQ(test::Differences(FileBytes(file), FileBytes(copy)), "");
}

TEST_F(DataFileTest, ANewDocumentSavesItsBlockAsExactly1088Bytes) {
  const fs::path file = data_ / "new.vxp";
  FileError error;
  ASSERT_TRUE(doc_.OnSaveDocument(file, error));
  const Bytes bytes = FileBytes(file);
  ASSERT_EQ(bytes.size(), 1088u);
  EXPECT_EQ(test::Differences(BlockOf(doc_), bytes), "");
  EXPECT_EQ(AsText(bytes).substr(0, 48), kFreshHeader);
  EXPECT_EQ(Bytes(bytes.begin() + 1072, bytes.end()), kDefaultVoiceId);
}

TEST_F(DataFileTest, ShortFilesWithAValidHeaderFillWhatTheyHold) {
  std::vector<std::size_t> sizes = {48, 49, 148, 1000, 1071, 1072};
  for (std::size_t size = 1073; size <= 1087; ++size) sizes.push_back(size);
  for (const std::size_t size : sizes) {
    SCOPED_TRACE(std::to_string(size) + " bytes");
    const Bytes content = DataFile(size);
    const fs::path file = Put("short.vxp", content);
    Scribble(doc_);
    test::ScriptedPrompter prompter;
    FileError error;

    EXPECT_EQ(doc_.OnOpenDocument(file, prompter, error), CTavroPgmDoc::OpenOutcome::Opened);
    EXPECT_TRUE(prompter.Asked().empty());

    Bytes image(image::kSize, 0xFF);
    const std::size_t imageBytes = std::min(size - block::kImage, image::kSize);
    std::copy_n(content.begin() + block::kImage, imageBytes, image.begin());
    EXPECT_EQ(test::Differences(image, ImageOf(doc_)), "");
    // The identifier is the default one with the file's first identifier byte (or 0)
    // in byte 8.
    Bytes id = kDefaultVoiceId;
    id[8] = size > block::kVoiceId ? content[block::kVoiceId] : 0;
    EXPECT_EQ(VoiceIdOf(doc_), id);
    EXPECT_EQ(HeaderOf(doc_), Bytes(content.begin(), content.begin() + 48));
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_EQ(doc_.PathName(), file);
  }
}

TEST_F(DataFileTest, AFileWithoutIdentifierLoadsWithByte8Cleared) {
  const fs::path file = Put("old.vxp", DataFile(1072));
  test::ScriptedPrompter prompter;
  FileError error;
  ASSERT_EQ(doc_.OnOpenDocument(file, prompter, error), CTavroPgmDoc::OpenOutcome::Opened);
  EXPECT_EQ(VoiceIdOf(doc_), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x01, 0x12, 0x23, 0x89, 0xAB, 0xCD}));
}

TEST_F(DataFileTest, ALongerFileLoadsItsFirst1088Bytes) {
  const Bytes content = DataFile(1300);
  const fs::path file = Put("long.vxp", content);
  test::ScriptedPrompter prompter;
  FileError error;
  EXPECT_EQ(doc_.OnOpenDocument(file, prompter, error), CTavroPgmDoc::OpenOutcome::Opened);
  EXPECT_TRUE(prompter.Asked().empty());
  EXPECT_EQ(test::Differences(Bytes(content.begin(), content.begin() + 1088), BlockOf(doc_)), "");
}

TEST_F(DataFileTest, AHeaderMismatchWarnsAndOpensWithoutData) {
  std::string shifted = kFreshHeader;
  shifted.insert(shifted.begin(), ' ');
  shifted.pop_back();
  std::string lowerCase = kFreshHeader;
  lowerCase[34] = 'v';
  std::string otherYear = kFreshHeader;
  otherYear[32] = '1';
  struct Case {
    const char* name;
    Bytes content;
  };
  const std::vector<Case> cases = {
      {"foreign header", DataFile(1088, std::string(48, 'X'))},
      {"signature one byte later", DataFile(1088, shifted)},
      {"signature in other case", DataFile(1088, lowerCase)},
      {"other year", DataFile(1088, otherYear)},
      {"empty file", Bytes{}},
      {"1 byte", DataFile(1)},
      {"45 bytes: the signature but not the whole header", DataFile(45)},
      {"47 bytes", DataFile(47)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = Put("foreign.vxp", c.content);
    Scribble(doc_);
    doc_.SetPathName(data_ / "before.vxp");
    test::ScriptedPrompter prompter;
    FileError error;

    EXPECT_EQ(doc_.OnOpenDocument(file, prompter, error), CTavroPgmDoc::OpenOutcome::OpenedWithoutData);

    ASSERT_EQ(prompter.Asked().size(), 1u);
    const PromptRequest& asked = prompter.Asked()[0];
    EXPECT_EQ(asked.textKey, "IDS_WARN_LOAD");
    EXPECT_EQ(asked.captionKey, "");
    EXPECT_EQ(asked.Caption(files_), "Corvane");
    EXPECT_EQ(asked.icon, PromptIcon::Error);
    EXPECT_EQ(asked.buttons, PromptButtons::Ok);

    EXPECT_EQ(test::Differences(Bytes(image::kSize, 0xFF), ImageOf(doc_)), "");
    EXPECT_EQ(VoiceIdOf(doc_), kDefaultVoiceId);
    if (c.content.size() >= 48) {
      EXPECT_EQ(HeaderOf(doc_), Bytes(c.content.begin(), c.content.begin() + 48));
    }
    EXPECT_EQ(doc_.PathName(), file);
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_EQ(doc_.ModelIndex(), -1);
    EXPECT_EQ(doc_.BandLowerEdge(), 100000000);
    EXPECT_EQ(doc_.BandUpperEdge(), 500000000);
  }
}

TEST_F(DataFileTest, OnlyTheSignatureAtOffset28IsChecked) {
  const std::string header = "Written by another tool v3.4.2000 Vantorellix!!!";
  ASSERT_EQ(header.size(), 48u);
  ASSERT_EQ(header.substr(28, 17), ".2000 Vantorellix");
  const Bytes content = DataFile(1088, header);
  const fs::path file = Put("other.vxp", content);
  test::ScriptedPrompter prompter;
  FileError error;

  EXPECT_EQ(doc_.OnOpenDocument(file, prompter, error), CTavroPgmDoc::OpenOutcome::Opened);
  EXPECT_TRUE(prompter.Asked().empty());
  EXPECT_EQ(test::Differences(content, BlockOf(doc_)), "");

  // The header is written back as it was read.
  ASSERT_TRUE(doc_.OnSaveDocument(data_ / "resaved.vxp", error));
  EXPECT_EQ(test::Differences(content, FileBytes(data_ / "resaved.vxp")), "");
}

TEST_F(DataFileTest, OpeningIdentifiesTheModel) {
  Bytes content = DataFile(1088);
  std::ranges::copy(test::BytesFromHex("3235345520564300"), content.begin() + block::kImage + image::kModelId);
  std::ranges::copy(test::BytesFromHex("0000005200000045AAAAAAAAAAAAAAAA"), content.begin() + block::kImage + image::kBandData);
  const fs::path file = Put("uhf.vxp", content);
  test::ScriptedPrompter prompter;
  FileError error;
  ASSERT_EQ(doc_.OnOpenDocument(file, prompter, error), CTavroPgmDoc::OpenOutcome::Opened);
  EXPECT_EQ(doc_.ModelIndex(), 3);
  EXPECT_EQ(doc_.BandLowerEdge(), 450000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 520000000);

  const fs::path unknown = Put("unknown.vxp", DataFile(1088));
  ASSERT_EQ(doc_.OnOpenDocument(unknown, prompter, error), CTavroPgmDoc::OpenOutcome::Opened);
  EXPECT_EQ(doc_.ModelIndex(), -1);
  EXPECT_EQ(doc_.BandUpperEdge(), 500000000);
}

TEST_F(DataFileTest, AFileThatCannotBeReadLeavesTheDocumentAsItWas) {
  struct Case {
    const char* name;
    fs::path path;
    int systemError;  // 0: any
  };
  const std::vector<Case> cases = {
      {"missing file", data_ / "missing.vxp", ENOENT},
      {"missing directory", data_ / "absent" / "radio.vxp", ENOENT},
      {"a directory", data_.Path(), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NewDocument(doc_);
    doc_.At(image::ChannelOffset(1)) = 0x25;
    doc_.SetPathName(data_ / "current.vxp");
    doc_.SetModifiedFlag(true);
    const Bytes before = BlockOf(doc_);
    test::ScriptedPrompter prompter;
    FileError error;

    EXPECT_EQ(doc_.OnOpenDocument(c.path, prompter, error), CTavroPgmDoc::OpenOutcome::Failed);

    EXPECT_EQ(error.textKey, "IDS_ERROR_OPENFILE");
    EXPECT_EQ(error.path, c.path);
    if (c.systemError != 0) {
      EXPECT_EQ(error.systemError, c.systemError);
    } else {
      EXPECT_NE(error.systemError, 0);
    }
    EXPECT_TRUE(prompter.Asked().empty());
    EXPECT_EQ(test::Differences(before, BlockOf(doc_)), "");
    EXPECT_EQ(doc_.PathName(), data_ / "current.vxp");
    EXPECT_TRUE(doc_.IsModified());
    EXPECT_EQ(doc_.ModelIndex(), 2);
  }
}

TEST_F(DataFileTest, AFailedSaveKeepsTheDocumentModifiedAndTheOldFile) {
  const fs::path existing = data_.Write("radio.vxp", "the old file");
  doc_.SetPathName(existing);
  doc_.At(image::ChannelOffset(1)) = 0x25;
  doc_.SetModifiedFlag(true);

  {
    SCOPED_TRACE("directory does not exist");
    const fs::path target = data_ / "absent" / "radio.vxp";
    FileError error;
    EXPECT_FALSE(doc_.OnSaveDocument(target, error));
    EXPECT_EQ(error.textKey, "IDS_ERROR_SAVEFILE");
    EXPECT_EQ(error.path, target);
    EXPECT_EQ(error.systemError, ENOENT);
    EXPECT_TRUE(doc_.IsModified());
    EXPECT_EQ(doc_.PathName(), existing);
    EXPECT_FALSE(fs::exists(data_ / "absent"));
  }
  {
    SCOPED_TRACE("the disk refuses the data");
    FileError error;
    bool saved = true;
    {
      test::FileSizeLimit limit(512);
      ASSERT_TRUE(limit.Active());
      saved = doc_.OnSaveDocument(existing, error);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(error.textKey, "IDS_ERROR_SAVEFILE");
    EXPECT_EQ(error.path, existing);
    EXPECT_NE(error.systemError, 0);
    EXPECT_TRUE(doc_.IsModified());
    EXPECT_EQ(test::ReadAll(existing), "the old file");
    EXPECT_EQ(Listing(data_.Path()), std::set<std::string>{"radio.vxp"});
  }
}

TEST_F(DataFileTest, SaveReplacesAnExistingFileAndLeavesNothingElse) {
  const fs::path existing = data_.Write("radio.vxp", std::string(5000, 'x'));
  data_.Write("notes.txt", "unrelated");
  FileError error;
  ASSERT_TRUE(doc_.OnSaveDocument(existing, error));
  EXPECT_EQ(test::Differences(BlockOf(doc_), FileBytes(existing)), "");
  EXPECT_EQ(Listing(data_.Path()), (std::set<std::string>{"radio.vxp", "notes.txt"}));
  EXPECT_EQ(test::ReadAll(data_ / "notes.txt"), "unrelated");
}

TEST_F(DataFileTest, OpenAndSaveSetThePathAndClearTheModifiedFlag) {
  FileError error;
  test::ScriptedPrompter prompter;
  doc_.SetModifiedFlag(true);
  ASSERT_TRUE(doc_.OnSaveDocument(data_ / "a.vxp", error));
  EXPECT_EQ(doc_.PathName(), data_ / "a.vxp");
  EXPECT_FALSE(doc_.IsModified());

  doc_.At(image::ChannelOffset(3)) = 0x44;
  doc_.SetModifiedFlag(true);
  ASSERT_TRUE(doc_.OnSaveDocument(data_ / "b.vxp", error));
  EXPECT_EQ(doc_.PathName(), data_ / "b.vxp");
  EXPECT_FALSE(doc_.IsModified());

  doc_.SetModifiedFlag(true);
  ASSERT_EQ(doc_.OnOpenDocument(data_ / "a.vxp", prompter, error), CTavroPgmDoc::OpenOutcome::Opened);
  EXPECT_EQ(doc_.PathName(), data_ / "a.vxp");
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_EQ(doc_.At(image::ChannelOffset(3)), 0xFF);
}

TEST_F(DataFileTest, StoreIdentifiesTheModelAfresh) {
  ASSERT_EQ(doc_.ModelIndex(), 2);
  std::ranges::copy(test::BytesFromHex("3130315620564300"), doc_.Image().begin() + image::kModelId);
  std::ranges::copy(test::BytesFromHex("0000401700006013FFFFFFFFFFFFFFFF"), doc_.Image().begin() + image::kBandData);
  const Bytes before = BlockOf(doc_);

  const std::array<std::uint8_t, block::kSize> stored = doc_.Store();

  EXPECT_EQ(test::Differences(before, stored), "");
  EXPECT_EQ(doc_.ModelIndex(), 0);
  EXPECT_EQ(doc_.BandLowerEdge(), 136000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 174000000);

  // Saving stores too.
  std::ranges::fill(doc_.Image().subspan(image::kModelId, image::kModelIdSize), 0x00);
  FileError error;
  ASSERT_TRUE(doc_.OnSaveDocument(data_ / "unknown.vxp", error));
  EXPECT_EQ(doc_.ModelIndex(), -1);
  EXPECT_EQ(doc_.BandLowerEdge(), 100000000);
  EXPECT_EQ(doc_.BandUpperEdge(), 500000000);
}

}  // namespace
