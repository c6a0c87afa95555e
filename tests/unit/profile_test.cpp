// The INI layer (settings and language files) and the whole-file helpers beneath it.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "settings/file_io.h"
#include "settings/profile.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

// The names of the entries of a directory.
std::set<std::string> Listing(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
  return names;
}

// Lines with their endings, so that a comparison sees every byte.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::size_t stop = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, stop - start));
    start = stop;
  }
  return lines;
}

bool HasBareLineFeed(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return true;
  return false;
}

// Makes every write of this process fail once a file would grow beyond `bytes`
// (the write then reports EFBIG instead of raising SIGXFSZ). Works for root too,

// ------------------------------------------------------------------ reading

const std::string kIni =
    "; settings of the test\n"
    "outside=before any section\n"
    "[Setup]\n"
    "Language = lang_en \n"
    "com=1\n"
    "com=2\n"
    "  ; indented=comment\n"
    ";commented=yes\n"
    "\tpadded\t=\t  spaced value \t\n"
    "quoted=\"  inner blanks stay  \"\n"
    "single='single quoted'\n"
    "twice=\"\"double\"\"\n"
    "unbalanced=\"open\n"
    "lonequote=\"\n"
    "equals=a=b=c\n"
    "empty=\n"
    "utf8=  Kanal 1 – 频道  \n"
    "\n"
    "[other]\n"
    "only=here\n"
    "[SETUP]\n"
    "com=3\n";

TEST(ProfileRead, LooksUpSectionsAndKeys) {
  test::TempDir dir;
  const fs::path file = dir.Write("test.ini", kIni);
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"setup", "language", "lang_en"},
      {"SETUP", "LANGUAGE", "lang_en"},
      {"sEtUp", "lAnGuAgE", "lang_en"},
      {"setup", "com", "1"},  // first of two keys, and first of two sections
      {"setup", "outside", std::nullopt},
      {"setup", "indented", std::nullopt},
      {"setup", "commented", std::nullopt},
      {"setup", ";commented", std::nullopt},
      {"setup", "padded", "spaced value"},
      {"setup", "quoted", "  inner blanks stay  "},
      {"setup", "single", "single quoted"},
      {"setup", "twice", "\"double\""},
      {"setup", "unbalanced", "\"open"},
      {"setup", "lonequote", "\""},
      {"setup", "equals", "a=b=c"},
      {"setup", "empty", ""},
      {"setup", "utf8", "Kanal 1 – 频道"},
      {"setup", "only", std::nullopt},
      {"other", "only", "here"},
      {"other", "com", std::nullopt},
      {"setu", "com", std::nullopt},
      {"setup", "co", std::nullopt},
      {"setup", "comm", std::nullopt},
      {"missing", "com", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(profile::Find(file, c.section, c.key), c.expected);
    EXPECT_EQ(profile::FindInText(kIni, c.section, c.key), c.expected);
  }
}

TEST(ProfileRead, OnlyTheFirstSectionOfANameCounts) {
  const std::string text = "[setup]\ncom=1\n[other]\n[SETUP]\ncom=2\nautocom=0\n";
  EXPECT_EQ(profile::FindInText(text, "setup", "com"), "1");
  EXPECT_EQ(profile::FindInText(text, "setup", "autocom"), std::nullopt);
}

TEST(ProfileRead, ByteOrderMarkLineEndingsAndLastLine) {
  test::TempDir dir;
  struct Case {
    const char* name;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"byte-order mark before the first section", "\xEF\xBB\xBF[setup]\nkey=value\n"},
      {"CRLF line endings", "[setup]\r\nkey=value\r\nnext=x\r\n"},
      {"no line feed after the last line", "[setup]\nkey=value"},
      {"byte-order mark and CRLF", "\xEF\xBB\xBF[setup]\r\nkey=value\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(profile::Find(dir.Write("test.ini", c.text), "setup", "key"), "value");
  }
}

TEST(ProfileRead, MissingFileSectionOrKeyGivesTheDefault) {
  test::TempDir dir;
  const fs::path file = dir.Write("test.ini", "[setup]\nlanguage=lang_cn\nempty=\ncom=\n");
  const fs::path missing = dir / "missing.ini";

  EXPECT_EQ(profile::Find(missing, "setup", "language"), std::nullopt);
  EXPECT_EQ(profile::GetString(missing, "setup", "language", "fallback", 259), "fallback");
  EXPECT_EQ(profile::GetString(file, "nosection", "language", "fallback", 259), "fallback");
  EXPECT_EQ(profile::GetString(file, "setup", "nokey", "fallback", 259), "fallback");
  EXPECT_EQ(profile::GetString(file, "setup", "language", "fallback", 259), "lang_cn");
  // A key that is there with an empty value is an empty string, not the default.
  EXPECT_EQ(profile::GetString(file, "setup", "empty", "fallback", 259), "");
  // The default is cut to the size limit like a value.
  EXPECT_EQ(profile::GetString(file, "setup", "nokey", "fallback", 4), "fall");

  EXPECT_EQ(profile::GetInt(missing, "setup", "com", 7), 7);
  EXPECT_EQ(profile::GetInt(file, "nosection", "com", 7), 7);
  EXPECT_EQ(profile::GetInt(file, "setup", "nokey", 7), 7);
}

// Every way the file can change between two lookups, both while the first parse is
// fresh (the change may land within the same timestamp tick) and once it has aged
// (the kept parse is then reused until the file's identity changes).
TEST(ProfileRead, SeesEveryChangeOfTheFileBetweenTwoLookups) {
  struct Edit {
    const char* name;
    void (*apply)(const fs::path& file);
    std::optional<std::string> expected;
  };
  const std::vector<Edit> edits = {
      {"edited in place, other size", [](const fs::path& file) { std::ofstream(file, std::ios::binary | std::ios::trunc) << "[setup]\ncom=12\n"; }, "12"},
      {"edited in place, same size", [](const fs::path& file) { std::ofstream(file, std::ios::binary | std::ios::trunc) << "[setup]\ncom=5\n"; }, "5"},
      {"replaced by rename, same size",
       [](const fs::path& file) {
         const fs::path fresh = file.parent_path() / "fresh.ini";
         std::ofstream(fresh, std::ios::binary) << "[setup]\ncom=6\n";
         fs::rename(fresh, file);
       },
       "6"},
      {"written by us", [](const fs::path& file) { ASSERT_TRUE(profile::WriteString(file, "setup", "com", "7")); }, "7"},
      {"removed", [](const fs::path& file) { fs::remove(file); }, std::nullopt},
  };
  for (const bool aged : {false, true}) {
    for (const Edit& edit : edits) {
      SCOPED_TRACE(std::string(edit.name) + (aged ? ", after the parse aged" : ", at once"));
      test::TempDir dir;
      const fs::path file = dir.Write("test.ini", "[setup]\ncom=1\n");
      if (aged) std::this_thread::sleep_for(profile::kTimestampMargin * 2);
      ASSERT_EQ(profile::Find(file, "setup", "com"), "1");
      ASSERT_EQ(profile::Find(file, "setup", "com"), "1");  // the kept parse, where it is trusted
      edit.apply(file);
      EXPECT_EQ(profile::Find(file, "setup", "com"), edit.expected);
    }
  }
}

// The transfer worker reads settings while the window thread looks up and writes them.
TEST(ProfileRead, LookupsAndWritesFromSeveralThreadsSeeWholeValues) {
  test::TempDir dir;
  const fs::path file = dir.Write("test.ini", "[setup]\ncom=1\nautocom=1\n");
  std::atomic<bool> stop = false;
  std::atomic<int> wrong = 0;
  std::vector<std::thread> readers;
  for (int reader = 0; reader < 3; ++reader) {
    readers.emplace_back([&] {
      while (!stop.load()) {
        const int com = profile::GetInt(file, "setup", "com", -1);
        if (com < 1 || com > 200 || profile::Find(file, "setup", "autocom") != "1") ++wrong;
      }
    });
  }
  for (int com = 1; com <= 200; ++com) ASSERT_TRUE(profile::WriteString(file, "setup", "com", std::to_string(com)));
  stop = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(profile::GetInt(file, "setup", "com", 0), 200);
}

TEST(ProfileRead, TruncatesInBytesWithoutSplittingACharacter) {
  struct Case {
    std::string text;
    std::size_t maxBytes;
    std::string expected;
  };
  const std::string eAcute = "\xC3\xA9";            // 2 bytes
  const std::string euro = "\xE2\x82\xAC";          // 3 bytes
  const std::string grin = "\xF0\x9F\x98\x80";      // 4 bytes
  const std::vector<Case> cases = {
      {"abcdef", 3, "abc"},
      {"abc", 3, "abc"},
      {"abc", 10, "abc"},
      {"abc", 0, ""},
      {"a" + eAcute, 2, "a"},
      {"a" + eAcute, 3, "a" + eAcute},
      {"a" + euro, 2, "a"},
      {"a" + euro, 3, "a"},
      {"a" + euro, 4, "a" + euro},
      {grin + "x", 1, ""},
      {grin + "x", 3, ""},
      {grin + "x", 4, grin},
      {grin + "x", 5, grin + "x"},
      {eAcute + euro + grin, 8, eAcute + euro},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text) + " cut to " + std::to_string(c.maxBytes));
    EXPECT_EQ(profile::TruncateUtf8(c.text, c.maxBytes), c.expected);
    const fs::path file = dir.Write("test.ini", "[s]\nk=" + c.text + "\n");
    EXPECT_EQ(profile::GetString(file, "s", "k", "", c.maxBytes), c.expected);
  }
}

TEST(ProfileRead, IntegerIsTheLeadingDecimalNumber) {
  struct Case {
    std::string line;  // the entry as written in the file
    int expected;
  };
  const std::vector<Case> cases = {
      {"com=42", 42},
      {"com=  42  ", 42},
      {"com=42abc", 42},
      {"com=12 34", 12},
      {"com=0", 0},
      {"com=007", 7},
      {"com=abc", 0},
      {"com=\"8\"", 8},
      {"com=", 77},        // empty value: the default
      {"other=1", 77},     // no such key: the default
      {"com=99999999999999999999", INT_MAX},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const fs::path file = dir.Write("test.ini", "[setup]\n" + c.line + "\n");
    EXPECT_EQ(profile::GetInt(file, "setup", "com", 77), c.expected);
  }
}

// ------------------------------------------------------------------ writing

const std::string kSettings =
    "; Corvane settings\n"
    ";   with comments that must survive   \n"
    "\n"
    "[setup]\n"
    "language = lang_en\n"
    "com=1\n"
    "  autocom=1  \n"
    "; a comment at the end of the section\n"
    "\n"
    "[model]\n"
    "model0=3130315620564300\n"
    "\tvalue0 = 0000401700006013FFFFFFFFFFFFFFFF\n";

class ProfileWrite : public testing::Test {
 protected:
  fs::path Settings(const std::string& content) { return dir_.Write("setting.ini", content); }
  test::TempDir dir_;
};

TEST_F(ProfileWrite, ReplacingAKeyKeepsEveryOtherLineByteForByte) {
  struct Case {
    const char* section;
    const char* key;
    std::size_t line;  // index of the line that changes
  };
  const std::vector<Case> cases = {
      {"setup", "com", 5},
      {"SETUP", "COM", 5},          // names match case-insensitively on write too
      {"Model", "Value0", 11},
      {"setup", "language", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    const fs::path file = Settings(kSettings);
    ASSERT_TRUE(profile::WriteString(file, c.section, c.key, "4"));
    const std::string written = test::ReadAll(file);
    EXPECT_EQ(profile::FindInText(written, c.section, c.key), "4");
    const std::vector<std::string> before = Lines(kSettings);
    const std::vector<std::string> after = Lines(written);
    ASSERT_EQ(after.size(), before.size()) << written;
    for (std::size_t i = 0; i < before.size(); ++i)
      if (i != c.line) {
        EXPECT_EQ(after[i], before[i]) << "line " << i;
      }
  }
}

TEST_F(ProfileWrite, ReplacesTheFirstOfDuplicateKeysSoTheNewValueIsRead) {
  const fs::path file = Settings("[setup]\ncom=1\ncom=2\n");
  ASSERT_TRUE(profile::WriteString(file, "setup", "com", "9"));
  EXPECT_EQ(profile::GetInt(file, "setup", "com", 0), 9);
}

TEST_F(ProfileWrite, AddsAKeyInsideAnExistingSection) {
  const fs::path file = Settings(kSettings);
  ASSERT_TRUE(profile::WriteString(file, "Setup", "ctcdcs", "13"));
  const std::string written = test::ReadAll(file);
  EXPECT_EQ(profile::FindInText(written, "setup", "ctcdcs"), "13");
  EXPECT_EQ(profile::FindInText(written, "model", "ctcdcs"), std::nullopt);

  // Every old line is still there, in order, with one line added between the
  // section's header and the next section.
  const std::vector<std::string> before = Lines(kSettings);
  const std::vector<std::string> after = Lines(written);
  ASSERT_EQ(after.size(), before.size() + 1) << written;
  std::size_t added = 0;
  while (added < before.size() && after[added] == before[added]) ++added;
  for (std::size_t i = added; i < before.size(); ++i) EXPECT_EQ(after[i + 1], before[i]) << "line " << i;
  EXPECT_GT(added, 3u) << "added before the [setup] header";
  EXPECT_LT(added, 10u) << "added after the [model] header";
  EXPECT_EQ(written.find("[setup]"), written.rfind("[setup]")) << "section written twice";
}

TEST_F(ProfileWrite, AddsANewSectionAndKeepsTheOldTextAsItWas) {
  const fs::path file = Settings(kSettings);
  ASSERT_TRUE(profile::WriteString(file, "ports", "1", "/dev/ttyUSB0"));
  const std::string written = test::ReadAll(file);
  EXPECT_EQ(written.substr(0, kSettings.size()), kSettings);
  EXPECT_EQ(profile::FindInText(written, "ports", "1"), "/dev/ttyUSB0");
  EXPECT_EQ(profile::FindInText(written, "model", "value0"), "0000401700006013FFFFFFFFFFFFFFFF");
}

TEST_F(ProfileWrite, AppendsSafelyToAFileWithoutFinalLineFeed) {
  struct Case {
    const char* name;
    const char* section;
  };
  const std::vector<Case> cases = {{"key into the last section", "model"}, {"new section", "ports"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = Settings("[setup]\ncom=1\n[model]\nmodel0=3130315620564300");
    ASSERT_TRUE(profile::WriteString(file, c.section, "extra", "x"));
    const std::string written = test::ReadAll(file);
    EXPECT_EQ(profile::FindInText(written, "model", "model0"), "3130315620564300") << written;
    EXPECT_EQ(profile::FindInText(written, c.section, "extra"), "x") << written;
  }
}

TEST_F(ProfileWrite, CreatesAMissingFile) {
  const fs::path file = dir_ / "new.ini";
  ASSERT_TRUE(profile::WriteString(file, "setup", "com", "3"));
  EXPECT_EQ(profile::GetInt(file, "setup", "com", 0), 3);
}

TEST_F(ProfileWrite, CrlfFilesStayCrlf) {
  const std::string crlf =
      "; settings\r\n[setup]\r\nlanguage=lang_en\r\ncom=1\r\n\r\n[model]\r\nmodel0=3130315620564300\r\n";
  struct Case {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
  };
  const std::vector<Case> cases = {
      {"replace a key", crlf, "setup", "com"},
      {"add a key to a section", crlf, "setup", "autocom"},
      {"add a key to the last section", crlf, "model", "value0"},
      {"add a section", crlf, "ports", "1"},
      {"replace the last line, which has no line end", "[setup]\r\ncom=1\r\nautocom=1", "setup", "autocom"},
      {"add after a last line without line end", "[setup]\r\ncom=1", "setup", "autocom"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = Settings(c.text);
    ASSERT_TRUE(profile::WriteString(file, c.section, c.key, "5"));
    const std::string written = test::ReadAll(file);
    EXPECT_FALSE(HasBareLineFeed(written)) << testing::PrintToString(written);
    EXPECT_EQ(profile::FindInText(written, c.section, c.key), "5");
    EXPECT_EQ(profile::FindInText(written, "setup", "com"), c.key == std::string("com") ? "5" : "1");
  }
}

TEST_F(ProfileWrite, KeepsTheByteOrderMarkAndFindsTheFirstSectionBehindIt) {
  const fs::path file = Settings("\xEF\xBB\xBF[setup]\nlanguage=lang_en\n");
  ASSERT_TRUE(profile::WriteString(file, "setup", "language", "lang_cn"));
  EXPECT_EQ(test::ReadAll(file), "\xEF\xBB\xBF[setup]\nlanguage=lang_cn\n");
  ASSERT_TRUE(profile::WriteString(file, "setup", "com", "2"));
  const std::string written = test::ReadAll(file);
  EXPECT_EQ(written.find("[setup]"), written.rfind("[setup]")) << written;
  EXPECT_EQ(profile::FindInText(written, "setup", "com"), "2");
}

TEST_F(ProfileWrite, AValueWithLineBreaksCannotAddLines) {
  const fs::path file = Settings(kSettings);
  ASSERT_TRUE(profile::WriteString(file, "setup", "language", "x\n[evil]\r\nkey=1"));
  const std::string written = test::ReadAll(file);
  EXPECT_EQ(Lines(written).size(), Lines(kSettings).size()) << written;
  EXPECT_EQ(profile::FindInText(written, "evil", "key"), std::nullopt);
  EXPECT_EQ(profile::FindInText(written, "setup", "com"), "1");
}

// ------------------------------------------------------------------ atomic replacement

TEST_F(ProfileWrite, LeavesNoTemporaryFileBehind) {
  const fs::path file = Settings(kSettings);
  ASSERT_TRUE(profile::WriteString(file, "setup", "com", "2"));
  ASSERT_TRUE(profile::WriteString(file, "ports", "1", "/dev/ttyUSB0"));
  ASSERT_TRUE(profile::WriteString(dir_ / "other.ini", "setup", "com", "2"));
  EXPECT_EQ(Listing(dir_.Path()), (std::set<std::string>{"setting.ini", "other.ini"}));
}

TEST_F(ProfileWrite, ASymbolicLinkStaysALinkAndItsTargetChanges) {
  const fs::path target = dir_.Write("real.ini", "[setup]\ncom=1\n");
  const fs::path link = dir_ / "setting.ini";
  fs::create_symlink(target, link);
  ASSERT_TRUE(profile::WriteString(link, "setup", "com", "4"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(test::ReadAll(target), "[setup]\ncom=4\n");
}

TEST_F(ProfileWrite, KeepsTheFilePermissions) {
  for (const fs::perms mode : {fs::perms(0600), fs::perms(0640), fs::perms(0664)}) {
    SCOPED_TRACE(static_cast<int>(mode));
    const fs::path file = Settings(kSettings);
    fs::permissions(file, mode);
    ASSERT_TRUE(profile::WriteString(file, "setup", "com", "2"));
    EXPECT_EQ(fs::status(file).permissions(), mode);
  }
}

TEST_F(ProfileWrite, AFailedWriteLeavesTheOldFileIntact) {
  const fs::path file = Settings(kSettings);
  bool written = true;
  {
    test::FileSizeLimit limit(16);
    ASSERT_TRUE(limit.Active());
    written = profile::WriteString(file, "setup", "com", "2");
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(test::ReadAll(file), kSettings);
  EXPECT_EQ(Listing(dir_.Path()), std::set<std::string>{"setting.ini"});
}

TEST_F(ProfileWrite, AReadOnlyDirectoryLeavesTheOldFileIntact) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores directory permissions";
  const fs::path file = Settings(kSettings);
  fs::permissions(dir_.Path(), fs::perms(0555));
  const bool written = profile::WriteString(file, "setup", "com", "2");
  fs::permissions(dir_.Path(), fs::perms::owner_all);
  EXPECT_FALSE(written);
  EXPECT_EQ(test::ReadAll(file), kSettings);
  EXPECT_EQ(Listing(dir_.Path()), std::set<std::string>{"setting.ini"});
}

TEST_F(ProfileWrite, AnUnreadableFileIsNotOverwritten) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  const fs::path file = Settings(kSettings);
  fs::permissions(file, fs::perms::none);
  EXPECT_FALSE(profile::WriteString(file, "setup", "com", "2"));
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(test::ReadAll(file), kSettings);
}

TEST_F(ProfileWrite, FailsWhenTheDirectoryDoesNotExist) {
  const fs::path file = dir_ / "absent" / "setting.ini";
  errno = 0;
  EXPECT_FALSE(profile::WriteString(file, "setup", "com", "2"));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(fs::exists(dir_ / "absent"));
  EXPECT_TRUE(Listing(dir_.Path()).empty());
}

// ------------------------------------------------------------------ whole files

TEST(ProfileFileIo, ReadFileReadsAtMostTheLimit) {
  test::TempDir dir;
  const std::string content("0123\0" "56789", 10);
  const fs::path file = dir.Write("data.bin", content);
  struct Case {
    std::size_t maxBytes;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {std::string::npos, content}, {20, content}, {10, content}, {4, "0123"}, {6, content.substr(0, 6)}, {0, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.maxBytes);
    EXPECT_EQ(file_io::ReadFile(file, c.maxBytes), c.expected);
  }
}

TEST(ProfileFileIo, ReadFileFailsForMissingFilesAndDirectories) {
  test::TempDir dir;
  errno = 0;
  EXPECT_EQ(file_io::ReadFile(dir / "missing"), std::nullopt);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(file_io::ReadFile(dir.Path()), std::nullopt);
}

TEST(ProfileFileIo, ReplaceFileAtomicallyWritesEveryByte) {
  test::TempDir dir;
  const std::string binary("\x00\xFF\r\n\x1A" "end", 8);
  const fs::path created = dir / "created.bin";
  ASSERT_TRUE(file_io::ReplaceFileAtomically(created, binary));
  EXPECT_EQ(test::ReadAll(created), binary);

  const fs::path replaced = dir.Write("replaced.bin", std::string(5000, 'x'));
  ASSERT_TRUE(file_io::ReplaceFileAtomically(replaced, "short"));
  EXPECT_EQ(test::ReadAll(replaced), "short");
  EXPECT_EQ(Listing(dir.Path()), (std::set<std::string>{"created.bin", "replaced.bin"}));
}

TEST(ProfileFileIo, AFailedReplacementLeavesTheOldFileAndNoTemporaryFile) {
  test::TempDir dir;
  const std::string old(100, 'o');
  const fs::path file = dir.Write("data.bin", old);
  bool replaced = true;
  int error = 0;
  {
    test::FileSizeLimit limit(50);
    ASSERT_TRUE(limit.Active());
    replaced = file_io::ReplaceFileAtomically(file, std::string(200, 'n'));
    error = errno;
  }
  EXPECT_FALSE(replaced);
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(test::ReadAll(file), old);
  EXPECT_EQ(Listing(dir.Path()), std::set<std::string>{"data.bin"});
}

TEST(ProfileFileIo, CreateFileAtomicallyMakesANewFileAndNeverReplacesOne) {
  test::TempDir dir;
  const test::ScopedUmask mask(027);
  const fs::path created = dir / "created.ini";
  ASSERT_TRUE(file_io::CreateFileAtomically(created, "[setup]\ncom=1\n"));
  EXPECT_EQ(test::ReadAll(created), "[setup]\ncom=1\n");
  EXPECT_EQ(test::FileMode(created), 0640);

  const fs::path existing = dir.Write("existing.ini", "mine");
  errno = 0;
  EXPECT_FALSE(file_io::CreateFileAtomically(existing, "shipped"));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(test::ReadAll(existing), "mine");
  EXPECT_EQ(Listing(dir.Path()), (std::set<std::string>{"created.ini", "existing.ini"}));

  // Half a file is never left under the name.
  const fs::path tooLarge = dir / "large.ini";
  {
    test::FileSizeLimit limit(50);
    ASSERT_TRUE(limit.Active());
    EXPECT_FALSE(file_io::CreateFileAtomically(tooLarge, std::string(200, 'n')));
  }
  EXPECT_FALSE(fs::exists(tooLarge));
  EXPECT_EQ(Listing(dir.Path()), (std::set<std::string>{"created.ini", "existing.ini"}));
}

TEST(ProfileFileIo, NewFilesHonourTheUmaskAndReplacedFilesKeepTheirMode) {
  struct Case {
    mode_t umask;
    file_io::NewFileAccess access;
    int newMode;
  };
  const std::vector<Case> cases = {
      {022, file_io::NewFileAccess::Shared, 0644},
      {077, file_io::NewFileAccess::Shared, 0600},
      {002, file_io::NewFileAccess::Shared, 0664},
      {022, file_io::NewFileAccess::OwnerOnly, 0600},
      {000, file_io::NewFileAccess::OwnerOnly, 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::oct << c.umask << " " << (c.access == file_io::NewFileAccess::OwnerOnly));
    test::TempDir dir;
    test::ScopedUmask mask(c.umask);
    const fs::path created = dir / "new.bin";
    ASSERT_TRUE(file_io::ReplaceFileAtomically(created, "new", c.access));
    EXPECT_EQ(test::FileMode(created), c.newMode);

    const fs::path replaced = dir.Write("old.bin", "old");
    ASSERT_EQ(::chmod(replaced.c_str(), 0640), 0);
    ASSERT_TRUE(file_io::ReplaceFileAtomically(replaced, "replaced", c.access));
    EXPECT_EQ(test::ReadAll(replaced), "replaced");
    // A secret becomes its owner's alone even where the old file was readable to others.
    EXPECT_EQ(test::FileMode(replaced), c.access == file_io::NewFileAccess::OwnerOnly ? 0600 : 0640);
  }
}

TEST(ProfileFileIo, AFileWithoutWritePermissionIsNeverReplaced) {
  // A file without any write bit counts as read-only also for the superuser.
  test::TempDir dir;
  for (const int mode : {0444, 0400, 0000}) {
    SCOPED_TRACE(mode);
    const fs::path file = dir.Write("read-only.vxp", "keep");
    ASSERT_EQ(::chmod(file.c_str(), static_cast<mode_t>(mode)), 0);
    EXPECT_FALSE(file_io::MayReplace(file));
    errno = 0;
    EXPECT_FALSE(file_io::ReplaceFileAtomically(file, "lost"));
    EXPECT_EQ(errno, EACCES);
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(test::ReadAll(file), "keep");
    EXPECT_EQ(Listing(dir.Path()), std::set<std::string>{"read-only.vxp"});
    fs::remove(file);
  }
  // Through a link the target's permission decides.
  const fs::path target = dir.Write("target.vxp", "keep");
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  fs::create_symlink(target, dir / "link.vxp");
  EXPECT_FALSE(file_io::ReplaceFileAtomically(dir / "link.vxp", "lost"));
  EXPECT_EQ(test::ReadAll(target), "keep");
  EXPECT_TRUE(file_io::MayReplace(dir / "missing.vxp"));
}

}  // namespace
