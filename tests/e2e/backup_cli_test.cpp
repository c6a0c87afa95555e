// Backups of corvane-cli's reads and writes, against corvane-radio-sim: every read kept,
// every radio kept before a write that asks for it, nothing written without its backup.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "radio/backups.h"
#include "radio/document.h"
#include "settings/profile.h"
#include "tests/e2e/sim_process.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string ImageOf(const std::string& file) { return file.substr(block::kImage, block::kImageSize); }
std::string RadioImage(const std::string& memory) { return memory.substr(0, block::kImageSize); }
// The records of channels 1 to `count` in an image.
std::string Channels(const std::string& image, int count) {
  return image.substr(image::ChannelOffset(1), image::kChannelRecordSize * static_cast<std::size_t>(count));
}
// Frequencies on the channel raster of model 2, one per channel.
constexpr const char* kFrequencies[] = {"446.00625", "446.01875", "446.03125",
                                        "446.04375", "446.05625", "446.06875"};

class BackupCliTest : public ::testing::Test {
 protected:
  test::ProgramRun Cli(const std::vector<std::string>& args) {
    return test::RunProgram(CORVANE_CLI_PATH, home_.Path(), scratch_.Path(), args);
  }
  fs::path Folder() const { return test::DataHome(home_.Path()) / "corvane" / "backups"; }
  std::vector<fs::path> Backups() const {
    std::vector<fs::path> files;
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(Folder(), ignored)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
  }

  // A data file of model 2 with the first `channels` channels in use.
  std::string Configuration(const std::string& name, int channels) {
    CTavroPgmDoc doc(files_);
    test::NewDocument(doc, prompter_);
    for (int channel = 1; channel <= channels; ++channel)
      doc.SetChannelFrequency(channel, true, kFrequencies[channel - 1], prompter_);
    FileError error;
    EXPECT_TRUE(doc.OnSaveDocument(scratch_ / name, error));
    return (scratch_ / name).string();
  }
  // A radio of the second generation holding the configuration of `file`.
  std::unique_ptr<test::RecordingRadio> StartRadio(const std::string& file, std::vector<std::string> options = {}) {
    radioDirs_.push_back(std::make_unique<test::TempDir>());
    options.insert(options.end(), {"--generation", "2", "--image", file});
    return std::make_unique<test::RecordingRadio>(radioDirs_.back()->Path(), std::move(options));
  }
  std::string Text(const char* key) const { return files_.GetText(key); }

  test::ProgramDir home_;
  test::TempDir scratch_;
  AppFiles files_ = home_.Files();
  test::ScriptedPrompter prompter_;
  std::vector<std::unique_ptr<test::TempDir>> radioDirs_;
};

TEST_F(BackupCliTest, ReadLeavesOneBackupEqualToTheSavedFileAndBackupsListsIt) {
  const std::unique_ptr<test::RecordingRadio> radio = StartRadio(Configuration("radio.vxp", 3));
  const std::string saved = (scratch_ / "read.vxp").string();
  const test::ProgramRun read = Cli({"read", "--device", radio->PtyPath(), saved});
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.err.find(Text("IDS_BACKUP_FAILED")), std::string::npos) << read.err;
  const std::vector<fs::path> backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(test::ReadAll(backups[0]), test::ReadAll(saved));
  EXPECT_EQ(test::ReadAll(saved).size(), block::kSize);

  const test::ProgramRun listed = Cli({"backups"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  const std::optional<backup::Name> name = backup::ParseName(backups[0].filename().string());
  ASSERT_TRUE(name);
  EXPECT_EQ(listed.out,
            backups[0].string() + "\t" + backup::TimeText(*name) + "\tCV-407 UHF 400-470 MHz\t3\n");
  EXPECT_TRUE(std::regex_match(backup::TimeText(*name), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
}

TEST_F(BackupCliTest, AFailedReadLeavesNoBackup) {
  const std::string configuration = Configuration("radio.vxp", 2);
  for (const char* fault : {"no-handshake", "wrong-address:5"}) {
    SCOPED_TRACE(fault);
    const std::unique_ptr<test::RecordingRadio> radio = StartRadio(configuration, {"--fault", fault});
    const test::ProgramRun read = Cli({"read", "--device", radio->PtyPath(), (scratch_ / "read.vxp").string()});
    EXPECT_EQ(read.status, 1);
    EXPECT_TRUE(Backups().empty());
    EXPECT_FALSE(fs::exists(scratch_ / "read.vxp"));
  }
  const test::ProgramRun listed = Cli({"backups"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.out, "");
  EXPECT_EQ(listed.err, Text("IDS_BACKUP_NONE") + " " + Folder().string() + "\n");
}

TEST_F(BackupCliTest, ABackupThatCannotBeWrittenNeverFailsTheRead) {
  fs::create_directories(test::DataHome(home_.Path()));
  home_.Write("data-home/corvane", "a file where the folder belongs");
  const std::unique_ptr<test::RecordingRadio> radio = StartRadio(Configuration("radio.vxp", 2));
  const std::string saved = (scratch_ / "read.vxp").string();
  const test::ProgramRun read = Cli({"read", "--device", radio->PtyPath(), saved});
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(ImageOf(test::ReadAll(saved)), ImageOf(test::ReadAll(scratch_ / "radio.vxp")));
  // One line, after the progress lines: the message, the folder and why.
  const std::string line = Text("IDS_BACKUP_FAILED") + " " + Folder().string() + " (";
  const std::size_t at = read.err.find(line);
  ASSERT_NE(at, std::string::npos) << read.err;
  EXPECT_TRUE(at == 0 || read.err[at - 1] == '\n') << read.err;
  EXPECT_EQ(read.err.find('\n', at), read.err.size() - 1) << read.err;
}

TEST_F(BackupCliTest, WriteWithBackupKeepsTheRadiosConfigurationThenWrites) {
  const std::string before = Configuration("before.vxp", 2);
  const std::string after = Configuration("after.vxp", 5);
  const std::unique_ptr<test::RecordingRadio> radio = StartRadio(before);
  const test::ProgramRun write = Cli({"write", "--backup", "--device", radio->PtyPath(), after});
  ASSERT_EQ(write.status, 0) << write.err;
  const std::vector<fs::path> backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(ImageOf(test::ReadAll(backups[0])), ImageOf(test::ReadAll(before)));
  // The radio holds the new configuration: its channels, as the read of it shows.
  EXPECT_EQ(Channels(RadioImage(radio->SavedMemory()), 5), Channels(ImageOf(test::ReadAll(after)), 5));
}

TEST_F(BackupCliTest, WithoutItsBackupNothingIsWritten) {
  const std::string before = Configuration("before.vxp", 2);
  const std::string after = Configuration("after.vxp", 5);
  struct Case {
    const char* label;
    std::vector<std::string> radioOptions;
    bool folderBlocked;
    const char* message;
  };
  const Case cases[] = {
      {"fault during the backup read", {"--fault", "wrong-address:5"}, false, "IDS_PROMPT_READFAIL"},
      {"disconnect during the backup read", {"--fault", "disconnect:3"}, false, "IDS_PROMPT_READFAIL"},
      {"backup folder cannot be made", {}, true, "IDS_BACKUP_NOTKEPT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(test::DataHome(home_.Path()));
    if (c.folderBlocked) home_.Write("data-home", "a file where the folder belongs");
    const std::unique_ptr<test::RecordingRadio> radio = StartRadio(before, c.radioOptions);
    const test::ProgramRun write = Cli({"write", "--backup", "--device", radio->PtyPath(), after});
    EXPECT_EQ(write.status, 1);
    EXPECT_TRUE(write.err.find(Text(c.message)) != std::string::npos) << write.err;
    EXPECT_TRUE(Backups().empty());
    EXPECT_EQ(RadioImage(radio->SavedMemory()), ImageOf(test::ReadAll(before)));
  }
}

TEST_F(BackupCliTest, AFleetWriteBacksUpEachRadio) {
  const std::unique_ptr<test::RecordingRadio> first = StartRadio(Configuration("first.vxp", 1));
  const std::unique_ptr<test::RecordingRadio> second = StartRadio(Configuration("second.vxp", 4));
  const std::string after = Configuration("after.vxp", 6);
  const test::ProgramRun write =
      Cli({"write", "--backup", "--device", first->PtyPath(), "--device", second->PtyPath(), after});
  ASSERT_EQ(write.status, 0) << write.err;
  std::set<std::string> kept;
  for (const fs::path& file : Backups()) kept.insert(ImageOf(test::ReadAll(file)));
  EXPECT_EQ(kept, (std::set<std::string>{ImageOf(test::ReadAll(scratch_ / "first.vxp")),
                                         ImageOf(test::ReadAll(scratch_ / "second.vxp"))}));
  for (test::RecordingRadio* radio : {first.get(), second.get()})
    EXPECT_EQ(Channels(RadioImage(radio->SavedMemory()), 6), Channels(ImageOf(test::ReadAll(after)), 6));
}

}  // namespace
