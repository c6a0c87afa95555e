// Radio backups: their folder, names, writing, pruning by age and the list.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "radio/backups.h"
#include "radio/document.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

// 2026-12-11 14:07:49 UTC.
constexpr std::time_t kNow = 1796998069;
constexpr std::int64_t kDay = 24 * 60 * 60;

// Sets the local time zone for a test and restores the previous one.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) saved_ = previous;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    if (saved_) ::setenv("TZ", saved_->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> saved_;
};

void SetFileTime(const fs::path& path, std::time_t time) {
  const utimbuf times{time, time};
  ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
}

std::vector<std::string> FileNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class BackupTest : public ::testing::Test {
 protected:
  void SetUp() override { test::NewDocument(doc_, prompter_); }

  std::array<std::uint8_t, block::kSize> Bytes() { return backup::DataFileBytes(doc_); }

  test::ProgramDir home_;
  test::TempDir data_;
  AppFiles files_ = home_.Files();
  test::ScriptedPrompter prompter_;
  CTavroPgmDoc doc_{files_};
  ScopedTimeZone zone_{"XYZ-2"};  // two hours east of UTC
};

TEST(BackupNames, ParseTakesOnlyBackupNames) {
  struct Case {
    const char* name;
    bool valid;
    int sequence;
    const char* model;
  };
  const Case cases[] = {
      {"20261211-140749-CV-407_UHF_400-470_MHz.vxp", true, 1, "CV-407_UHF_400-470_MHz"},
      {"20261211-140749-CV-407.2.vxp", true, 2, "CV-407"},
      {"20261211-140749-CV+1.999.vxp", true, 999, "CV+1"},
      {"20261211-140749-3730345520564300.vxp", true, 1, "3730345520564300"},
      {"20261211-140749-CV-407.1.vxp", false, 0, ""},      // the first of a second has no number
      {"20261211-140749-CV-407.02.vxp", false, 0, ""},     // nor a number with a leading zero
      {"20261211-140749-CV-407.1000.vxp", false, 0, ""},
      {"20261211-140749-CV-407..vxp", false, 0, ""},
      {"20261211-140749-.vxp", false, 0, ""},
      {"20261211-140749-CV 407.vxp", false, 0, ""},
      {"20261211-140749-CV-407.VXP", false, 0, ""},
      {"20261211-140749-CV-407.vxp.1234.0.0badcafe", false, 0, ""},  // a temporary file
      {"20261311-140749-CV-407.vxp", false, 0, ""},
      {"20261200-140749-CV-407.vxp", false, 0, ""},
      {"20261211-240749-CV-407.vxp", false, 0, ""},
      {"2026121-1140749-CV-407.vxp", false, 0, ""},
      {"20261211_140749-CV-407.vxp", false, 0, ""},
      {"20261211-140749CV-407.vxp", false, 0, ""},
      {"notes.txt", false, 0, ""},
      {"", false, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<backup::Name> name = backup::ParseName(c.name);
    ASSERT_EQ(name.has_value(), c.valid);
    if (!name) continue;
    EXPECT_EQ(name->sequence, c.sequence);
    EXPECT_EQ(name->model, c.model);
    EXPECT_EQ(backup::FileName(*name), c.name);
  }
  const backup::Name name = *backup::ParseName("20261211-140749-X.vxp");
  EXPECT_EQ(backup::TimeText(name), "2026-12-11 14:07:49");
}

TEST(BackupNames, ModelNamesAreMadeFileSafe) {
  const std::pair<const char*, const char*> cases[] = {
      {"CV-407 UHF 400-470 MHz", "CV-407_UHF_400-470_MHz"},
      {"  ../../etc/passwd  ", "etc_passwd"},
      {"a/b\\c:d*e?f\"g<h>i|j.k", "a_b_c_d_e_f_g_h_i_j_k"},
      {"CV_1  __ +2", "CV_1_+2"},
      {"对讲机 CV-9", "CV-9"},
      {"对讲机", ""},
      {"\n\t", ""},
  };
  for (const auto& [model, safe] : cases) {
    EXPECT_EQ(backup::FileSafeModel(model), safe) << model;
    if (*safe != '\0') {
      EXPECT_TRUE(backup::ParseName(std::string("20261211-140749-") + safe + ".vxp")) << safe;
    }
  }
}

TEST(BackupFolder, FollowsTheXdgDataHome) {
  struct Case {
    const char* label;
    const char* xdg;
    std::string home;
    std::optional<fs::path> folder;
  };
  const Case cases[] = {
      {"absolute", "/data/me", "/home/me", fs::path("/data/me/corvane/backups")},
      {"relative, ignored", "data/me", "/home/me", fs::path("/home/me/.local/share/corvane/backups")},
      {"empty", "", "/home/me", fs::path("/home/me/.local/share/corvane/backups")},
      {"unset", nullptr, "/home/me", fs::path("/home/me/.local/share/corvane/backups")},
      {"no home", nullptr, "", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(backup::Folder(c.xdg, c.home), c.folder) << c.label;
}

TEST_F(BackupTest, WriteNamesTheBackupAfterTheLocalTimeAndModelAndHonoursTheUmask) {
  const test::ScopedUmask umask(027);
  const fs::path folder = data_ / "deep" / "backups";
  const std::optional<fs::path> first = backup::Write(folder, Bytes(), backup::ModelName(doc_), kNow, 365);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->filename(), "20261211-160749-CV-407_UHF_400-470_MHz.vxp");
  const auto bytes = Bytes();
  EXPECT_EQ(test::ReadAll(*first), std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(test::FileMode(*first), 0640);
  EXPECT_EQ(test::FileMode(folder), 0700);

  // Two more in the same second: numbered, the first left as it was.
  doc_.SetChannelFrequency(1, true, "446.00625", prompter_);
  const std::optional<fs::path> second = backup::Write(folder, Bytes(), "CV-407 UHF 400-470 MHz", kNow, 365);
  const std::optional<fs::path> third = backup::Write(folder, Bytes(), "CV-407 UHF 400-470 MHz", kNow, 365);
  ASSERT_TRUE(second && third);
  EXPECT_EQ(second->filename(), "20261211-160749-CV-407_UHF_400-470_MHz.2.vxp");
  EXPECT_EQ(third->filename(), "20261211-160749-CV-407_UHF_400-470_MHz.3.vxp");
  EXPECT_EQ(test::ReadAll(*first), std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(FileNames(folder).size(), 3u);  // no temporary file left behind
}

TEST_F(BackupTest, AModelOutsideTheSettingsIsNamedByItsIdentifier) {
  doc_.At(image::kModelId) = 0x39;
  doc_.IdentifyModel();
  EXPECT_EQ(backup::ModelName(doc_), "3930345520564300");
}

TEST_F(BackupTest, DataFileBytesAreTheSavedFile) {
  doc_.SetChannelFrequency(3, true, "439.0125", prompter_);
  doc_.VoiceId()[15] = 0x42;
  FileError error;
  ASSERT_TRUE(doc_.OnSaveDocument(data_ / "saved.vxp", error));
  const auto bytes = Bytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), test::ReadAll(data_ / "saved.vxp"));
}

TEST_F(BackupTest, PruneRemovesOnlyOldBackupsOfTheFolder) {
  const fs::path folder = data_.Path();
  struct File {
    const char* name;
    int ageDays;
    bool kept;
  };
  const File files[] = {
      {"20250101-000000-CV-407.vxp", 400, false},
      {"20251208-000000-CV-407.2.vxp", 366, false},
      {"20251212-000000-CV-407.vxp", 364, true},
      {"20261211-000000-CV-407.vxp", 0, true},
      {"notes.txt", 900, true},                           // not a backup
      {"20200101-000000-CV-407.vxp.1.2.3", 900, true},    // nor a temporary file
  };
  for (const File& file : files) {
    data_.Write(file.name, "x");
    SetFileTime(folder / file.name, kNow - file.ageDays * kDay - 60);
  }
  fs::create_directory(folder / "20200101-000000-Folder.vxp");  // a folder named like one
  SetFileTime(folder / "20200101-000000-Folder.vxp", kNow - 900 * kDay);
  fs::create_symlink(folder / "notes.txt", folder / "20200101-000000-Link.vxp");

  backup::Prune(folder, kNow, 0);  // 0 keeps all
  EXPECT_EQ(FileNames(folder).size(), std::size(files) + 2);

  backup::Prune(folder, kNow, 365);
  for (const File& file : files) EXPECT_EQ(fs::exists(folder / file.name), file.kept) << file.name;
  EXPECT_TRUE(fs::is_directory(folder / "20200101-000000-Folder.vxp"));
  EXPECT_TRUE(fs::is_symlink(folder / "20200101-000000-Link.vxp"));
  EXPECT_TRUE(fs::exists(folder / "notes.txt"));
}

TEST_F(BackupTest, AWrittenBackupPrunesAndAFailedOneRemovesNothing) {
  const fs::path old = data_.Write("20240101-000000-CV-407.vxp", "x");
  SetFileTime(old, kNow - 30 * kDay);
  {
    const test::FileSizeLimit limit(100);
    ASSERT_TRUE(limit.Active());
    EXPECT_FALSE(backup::Write(data_.Path(), Bytes(), "CV-407", kNow, 10));
  }
  EXPECT_EQ(FileNames(data_.Path()), std::vector<std::string>{old.filename()});
  ASSERT_TRUE(backup::Write(data_.Path(), Bytes(), "CV-407", kNow, 10));
  EXPECT_FALSE(fs::exists(old));
}

TEST_F(BackupTest, ListIsNewestFirstAndSkipsWhatIsNoBackup) {
  const fs::path folder = data_.Path();
  ASSERT_TRUE(backup::Write(folder, Bytes(), backup::ModelName(doc_), kNow - kDay, 0));
  doc_.SetChannelFrequency(1, true, "446.00625", prompter_);
  doc_.SetChannelFrequency(2, true, "446.01875", prompter_);
  doc_.VoiceId()[15] = 0x42;
  ASSERT_TRUE(backup::Write(folder, Bytes(), backup::ModelName(doc_), kNow, 0));
  ASSERT_TRUE(backup::Write(folder, Bytes(), backup::ModelName(doc_), kNow, 0));
  data_.Write("notes.txt", "not a backup");
  data_.Write("20261212-000000-Short.vxp", "VX  Radio");  // named like one, not a data file
  std::string wrongHeader(block::kSize, 'x');
  data_.Write("20261212-000001-Header.vxp", wrongHeader);
  fs::create_directory(folder / "20261212-000002-Folder.vxp");

  const std::vector<backup::Entry> entries = backup::List(files_, folder);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].path, folder / "20261211-160749-CV-407_UHF_400-470_MHz.2.vxp");
  EXPECT_EQ(entries[1].path, folder / "20261211-160749-CV-407_UHF_400-470_MHz.vxp");
  EXPECT_EQ(entries[2].path, folder / "20261210-160749-CV-407_UHF_400-470_MHz.vxp");
  EXPECT_EQ(entries[0].model, "CV-407 UHF 400-470 MHz");
  EXPECT_EQ(entries[0].usedChannels, 2);
  EXPECT_EQ(entries[2].usedChannels, 0);
  EXPECT_EQ(entries[0].voiceId[15], 0x42);
  EXPECT_EQ(backup::TimeText(entries[2].name), "2026-12-10 16:07:49");
  EXPECT_TRUE(backup::List(files_, folder / "missing").empty());
}

}  // namespace
