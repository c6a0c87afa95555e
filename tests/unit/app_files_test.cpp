// The settings file and the language file beside the program: choosing the
// language, the paths, the text lookups and the settings.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

// Sets or unsets environment variables for one test and restores them afterwards.
class EnvironmentGuard {
 public:
  ~EnvironmentGuard() {
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  void Set(const std::string& name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      ::setenv(name.c_str(), value, 1);
    else
      ::unsetenv(name.c_str());
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST(AppFilesLanguage, ConfiguredNameWinsElseTheLocaleChooses) {
  struct Case {
    const char* configured;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"lang_en", "zh_CN.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", "lang_en"},
      {"lang_cn", nullptr, nullptr, "en_US.UTF-8", "lang_cn"},
      {"my_language", nullptr, nullptr, nullptr, "my_language"},
      {"", nullptr, nullptr, nullptr, "lang_en"},
      {"", "", "", "", "lang_en"},
      {"", nullptr, nullptr, "zh_CN.UTF-8", "lang_cn"},
      {"", nullptr, nullptr, "zh_CN", "lang_cn"},
      {"", nullptr, nullptr, "zh_CN.GB18030", "lang_cn"},
      {"", nullptr, nullptr, "zh_TW.UTF-8", "lang_en"},
      {"", nullptr, nullptr, "zh", "lang_en"},
      {"", nullptr, nullptr, "C", "lang_en"},
      {"", nullptr, nullptr, "en_US.UTF-8", "lang_en"},
      // LC_ALL comes first, then LC_MESSAGES, then LANG; an empty variable counts as unset.
      {"", "en_US.UTF-8", nullptr, "zh_CN.UTF-8", "lang_en"},
      {"", "zh_CN.UTF-8", nullptr, "en_US.UTF-8", "lang_cn"},
      {"", "C", "zh_CN.UTF-8", "zh_CN.UTF-8", "lang_en"},
      {"", nullptr, "zh_CN.UTF-8", "en_US.UTF-8", "lang_cn"},
      {"", nullptr, "en_GB.UTF-8", "zh_CN.UTF-8", "lang_en"},
      {"", "", "zh_CN.UTF-8", "en_US.UTF-8", "lang_cn"},
      {"", "", "", "zh_CN.UTF-8", "lang_cn"},
  };
  auto show = [](const char* value) { return value ? "\"" + std::string(value) + "\"" : std::string("unset"); };
  for (const Case& c : cases) {
    SCOPED_TRACE("configured \"" + std::string(c.configured) + "\", LC_ALL " + show(c.lcAll) + ", LC_MESSAGES " +
                 show(c.lcMessages) + ", LANG " + show(c.lang));
    EXPECT_EQ(AppFiles::ChooseLanguage(c.configured, c.lcAll, c.lcMessages, c.lang), c.expected);
  }
}

TEST(AppFilesPaths, BothFilesLieInTheProgramDirectory) {
  const AppFiles files("/opt/corvane", "lang_cn");
  EXPECT_EQ(files.ProgramDirectory(), fs::path("/opt/corvane"));
  EXPECT_EQ(files.SettingsPath(), fs::path("/opt/corvane/setting.ini"));
  EXPECT_EQ(files.LanguagePath(), fs::path("/opt/corvane/lang_cn.lng"));
}

// A program directory whose language file the test writes itself.
class AppFilesText : public testing::Test {
 protected:
  void Language(const std::string& content) { dir_.Write("lang_en.lng", content); }
  test::ProgramDir dir_;
  AppFiles files_ = dir_.Files("lang_en");
};

TEST_F(AppFilesText, GetTextReadsSectionStringAndTurnsEscapesIntoControlCharacters) {
  Language(
      "[String]\n"
      "IDS_PLAIN=Read from radio\n"
      "IDS_TWO_LINES=First line\\nSecond line\n"
      "IDS_TAB=Name\\tValue\n"
      "IDS_BOTH=a\\n\\tb\\n\n"
      "IDS_NO_OTHER_ESCAPES=C:\\dir\\x \\\\ \\r \\\"\n"
      "IDS_EMPTY=\n"
      "ids_lower=found case-insensitively\n"
      "[Face]\n"
      "IDS_FACE_ONLY=not a string\n");
  struct Case {
    const char* key;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"IDS_PLAIN", "Read from radio"},
      {"IDS_TWO_LINES", "First line\nSecond line"},
      {"IDS_TAB", "Name\tValue"},
      {"IDS_BOTH", "a\n\tb\n"},
      {"IDS_NO_OTHER_ESCAPES", "C:\\dir\\x \\\\ \\r \\\""},
      {"IDS_EMPTY", ""},
      {"IDS_LOWER", "found case-insensitively"},
      {"IDS_MISSING", "Not Found"},
      {"IDS_FACE_ONLY", "Not Found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(files_.GetText(c.key), c.expected);
  }
}

TEST_F(AppFilesText, GetTextReadsAtMost999Bytes) {
  struct Case {
    const char* name;
    std::string value;
    std::string expected;
  };
  const std::string eAcute = "\xC3\xA9";
  const std::vector<Case> cases = {
      {"exactly 999", std::string(999, 'x'), std::string(999, 'x')},
      {"longer", std::string(1500, 'x'), std::string(999, 'x')},
      // The limit applies to the text as read, before the escapes are replaced.
      {"escape inside the limit", std::string(997, 'x') + "\\nyy", std::string(997, 'x') + "\n"},
      {"escape cut in half", std::string(998, 'x') + "\\nyy", std::string(998, 'x') + "\\"},
      {"character not split", std::string(998, 'x') + eAcute, std::string(998, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Language("[String]\nIDS_LONG=" + c.value + "\n");
    EXPECT_EQ(files_.GetText("IDS_LONG"), c.expected);
  }
}

TEST_F(AppFilesText, MissingLanguageFileGivesNotFoundAndEmptyLists) {
  const AppFiles files(dir_.Path(), "lang_xx");
  EXPECT_EQ(files.GetText("IDS_WARN_CLEAR"), "Not Found");
  EXPECT_EQ(files.FaceText("IDS_COL0"), "");
  EXPECT_TRUE(files.OptionList("SCANTYPE").empty());
  EXPECT_EQ(files.OptionText("SCANTYPE", 0), "");
  EXPECT_EQ(files.ResourceText(1), std::nullopt);
}

TEST_F(AppFilesText, FaceTextIsAtMost29BytesAndEmptyWhenMissing) {
  Language(
      "[Face]\n"
      "IDS_COL1=RX Frequency\n"
      "IDS_LONG=123456789012345678901234567890123\n"
      "IDS_WIDE=1234567890123456789012345678频道\n"
      "[String]\n"
      "IDS_STRING_ONLY=x\n");
  EXPECT_EQ(files_.FaceText("IDS_COL1"), "RX Frequency");
  EXPECT_EQ(files_.FaceText("ids_col1"), "RX Frequency");
  EXPECT_EQ(files_.FaceText("IDS_LONG"), "12345678901234567890123456789");
  EXPECT_EQ(files_.FaceText("IDS_WIDE"), "1234567890123456789012345678");
  EXPECT_EQ(files_.FaceText("IDS_MISSING"), "");
  EXPECT_EQ(files_.FaceText("IDS_STRING_ONLY"), "");
}

TEST_F(AppFilesText, OptionListRunsUpToTheFirstMissingKey) {
  Language(
      "[SCANTYPE]\n"
      "1=Carrier\n"
      "0=Time\n"
      "2=\n"
      "3=Search\n"
      "5=after the gap\n"
      "[PRIORITY]\n"
      "1=no entry 0\n"
      "[EMPTY]\n");
  EXPECT_EQ(files_.OptionList("SCANTYPE"), (std::vector<std::string>{"Time", "Carrier", "", "Search"}));
  EXPECT_EQ(files_.OptionList("scantype").size(), 4u);
  EXPECT_TRUE(files_.OptionList("PRIORITY").empty());
  EXPECT_TRUE(files_.OptionList("EMPTY").empty());
  EXPECT_TRUE(files_.OptionList("ABSENT").empty());
  // The signalling page's lists end at an empty entry too.
  constexpr auto kMissingOrEmpty = LanguageTexts::ListEnd::MissingOrEmpty;
  EXPECT_EQ(files_.OptionList("SCANTYPE", kMissingOrEmpty), (std::vector<std::string>{"Time", "Carrier"}));
  EXPECT_TRUE(files_.OptionList("PRIORITY", kMissingOrEmpty).empty());

  EXPECT_EQ(files_.OptionText("SCANTYPE", 0), "Time");
  EXPECT_EQ(files_.OptionText("SCANTYPE", 3), "Search");
  EXPECT_EQ(files_.OptionText("SCANTYPE", 5), "after the gap");
  EXPECT_EQ(files_.OptionText("SCANTYPE", 4), "");
  EXPECT_EQ(files_.OptionText("PRIORITY", 0), "");
}

TEST_F(AppFilesText, ResourceTextIsNulloptWhenMissingOrEmpty) {
  Language(
      "[Resource]\n"
      "^1=OK\n"
      "^100=About Corvane\n"
      "^2=\n"
      "^3=   \n"
      "[String]\n"
      "^4=in the wrong section\n");
  EXPECT_EQ(files_.ResourceText(1), "OK");
  EXPECT_EQ(files_.ResourceText(100), "About Corvane");
  EXPECT_EQ(files_.ResourceText(10), std::nullopt);
  EXPECT_EQ(files_.ResourceText(2), std::nullopt);
  EXPECT_EQ(files_.ResourceText(3), std::nullopt);
  EXPECT_EQ(files_.ResourceText(4), std::nullopt);
}

TEST_F(AppFilesText, AChangedLanguageFileTakesEffectAtTheNextLookup) {
  Language("[String]\nIDS_PROMPT=Prompt\n[Face]\nIDS_COL0=No.\n[SCANTYPE]\n0=Time\n[Resource]\n^1=OK\n");
  EXPECT_EQ(files_.GetText("IDS_PROMPT"), "Prompt");
  EXPECT_EQ(files_.FaceText("IDS_COL0"), "No.");
  EXPECT_EQ(files_.OptionList("SCANTYPE").size(), 1u);
  EXPECT_EQ(files_.ResourceText(1), "OK");

  Language("[String]\nIDS_PROMPT=Hint\n[Face]\nIDS_COL0=Nr.\n[SCANTYPE]\n0=Time\n1=Carrier\n[Resource]\n^1=Fine\n");
  EXPECT_EQ(files_.GetText("IDS_PROMPT"), "Hint");
  EXPECT_EQ(files_.FaceText("IDS_COL0"), "Nr.");
  EXPECT_EQ(files_.OptionList("SCANTYPE").size(), 2u);
  EXPECT_EQ(files_.ResourceText(1), "Fine");

  fs::remove(files_.LanguagePath());
  EXPECT_EQ(files_.GetText("IDS_PROMPT"), "Not Found");
}

// ------------------------------------------------------------------ settings

class AppFilesSettings : public testing::Test {
 protected:
  test::ProgramDir dir_;
  AppFiles files_ = dir_.Files();
};

TEST_F(AppFilesSettings, ReadsTheSettingsFile) {
  dir_.Write("setting.ini",
             "[setup]\nlanguage=lang_cn\ncom=3\nautocom=0\nctcdcs=\n[model]\nfdisp0=CV-101 VHF 136-174 MHz\n");
  EXPECT_EQ(files_.Setting("setup", "language", "", 259), "lang_cn");
  EXPECT_EQ(files_.Setting("setup", "autocom", "1", 259), "0");
  EXPECT_EQ(files_.Setting("setup", "ctcdcs", "13", 7), "");
  EXPECT_EQ(files_.Setting("setup", "missing", "13", 7), "13");
  EXPECT_EQ(files_.Setting("model", "fdisp0", "", 29), "CV-101 VHF 136-174 MHz");
  EXPECT_EQ(files_.Setting("model", "fdisp0", "", 6), "CV-101");
  EXPECT_EQ(files_.SettingInt("setup", "com", 1), 3);
  EXPECT_EQ(files_.SettingInt("setup", "ctcdcs", 13), 13);
  EXPECT_EQ(files_.SettingInt("setup", "missing", 1), 1);
  EXPECT_EQ(files_.FindSetting("model", "fdisp0"), "CV-101 VHF 136-174 MHz");
  EXPECT_EQ(files_.FindSetting("model", "fdisp1"), std::nullopt);
  EXPECT_EQ(files_.FindSetting("setup", "ctcdcs"), "");
}

TEST_F(AppFilesSettings, WriteSettingChangesOneLineAndIsReadBackAtOnce) {
  const std::string before = test::ReadAll(files_.SettingsPath());
  ASSERT_TRUE(files_.WriteSetting("setup", "com", "7"));
  EXPECT_EQ(files_.SettingInt("setup", "com", 1), 7);
  const std::string after = test::ReadAll(files_.SettingsPath());

  // Only the "com" line differs; comments and model entries are untouched.
  const std::size_t at = before.find("\ncom=");
  ASSERT_NE(at, std::string::npos);
  const std::size_t end = before.find('\n', at + 1);
  EXPECT_EQ(after.substr(0, at + 1), before.substr(0, at + 1));
  EXPECT_EQ(after.substr(after.find('\n', at + 1)), before.substr(end));

  ASSERT_TRUE(files_.WriteSetting("ports", "1", "/dev/pts/7"));
  EXPECT_EQ(files_.Setting("ports", "1", "", 259), "/dev/pts/7");
  EXPECT_EQ(files_.SettingInt("setup", "com", 1), 7);
}

TEST_F(AppFilesSettings, AChangedSettingsFileTakesEffectAtTheNextLookup) {
  dir_.Write("setting.ini", "[setup]\ncom=2\n");
  EXPECT_EQ(files_.SettingInt("setup", "com", 1), 2);
  dir_.Write("setting.ini", "[setup]\ncom=4\n");
  EXPECT_EQ(files_.SettingInt("setup", "com", 1), 4);
}

TEST_F(AppFilesSettings, WriteSettingFailsWithoutTouchingAnythingWhenTheDirectoryIsGone) {
  const AppFiles elsewhere(dir_.Path() / "absent", "lang_en");
  EXPECT_FALSE(elsewhere.WriteSetting("setup", "com", "2"));
  EXPECT_FALSE(fs::exists(dir_.Path() / "absent"));
}

// ------------------------------------------------------------------ locating the program directory

class AppFilesLocate : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) env_.Set(name, nullptr);
  }
  EnvironmentGuard env_;
  test::ProgramDir dir_;
};

TEST_F(AppFilesLocate, CorvaneHomeNamesTheProgramDirectory) {
  env_.Set("CORVANE_HOME", dir_.Path().c_str());
  const std::optional<AppFiles> files = AppFiles::Locate().files;
  ASSERT_TRUE(files.has_value());
  EXPECT_EQ(files->ProgramDirectory(), dir_.Path());
  EXPECT_EQ(files->SettingsPath(), dir_.Path() / "setting.ini");
  EXPECT_EQ(files->LanguagePath(), dir_.Path() / "lang_en.lng");
}

TEST_F(AppFilesLocate, LanguageComesFromTheSettingsElseFromTheLocale) {
  env_.Set("CORVANE_HOME", dir_.Path().c_str());
  struct Case {
    std::string setting;
    const char* lang;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"[setup]\nlanguage=lang_cn\n", "en_US.UTF-8", "lang_cn.lng"},
      {"[setup]\nlanguage=lang_en\n", "zh_CN.UTF-8", "lang_en.lng"},
      {"[setup]\nlanguage=\n", "zh_CN.UTF-8", "lang_cn.lng"},
      {"[setup]\nlanguage=\n", "en_US.UTF-8", "lang_en.lng"},
      {"[setup]\ncom=1\n", "zh_CN.UTF-8", "lang_cn.lng"},
      {"", "de_DE.UTF-8", "lang_en.lng"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting + " with LANG " + c.lang);
    dir_.Write("setting.ini", c.setting);
    env_.Set("LANG", c.lang);
    const std::optional<AppFiles> files = AppFiles::Locate().files;
    ASSERT_TRUE(files.has_value());
    EXPECT_EQ(files->LanguagePath(), dir_.Path() / c.expected);
  }
}

TEST_F(AppFilesLocate, NoSettingsFileGivesNothing) {
  test::TempDir empty;
  env_.Set("CORVANE_HOME", empty.Path().c_str());
  EXPECT_EQ(AppFiles::Locate().problem, kMissingSettingsMessage);

  // A directory of that name is not a settings file.
  fs::create_directory(empty / "setting.ini");
  EXPECT_FALSE(AppFiles::Locate().files.has_value());

  env_.Set("CORVANE_HOME", (dir_.Path() / "absent").c_str());
  EXPECT_FALSE(AppFiles::Locate().files.has_value());
}

TEST_F(AppFilesLocate, WithoutCorvaneHomeTheExecutablesDirectoryIsUsed) {
  env_.Set("CORVANE_HOME", nullptr);
  const fs::path executableDirectory = fs::read_symlink("/proc/self/exe").parent_path();
  EXPECT_EQ(AppFiles::DefaultProgramDirectory(), executableDirectory);
  const std::optional<AppFiles> files = AppFiles::Locate().files;
  ASSERT_EQ(files.has_value(), fs::is_regular_file(executableDirectory / "setting.ini"));
  if (files) {
    EXPECT_EQ(files->ProgramDirectory(), executableDirectory);
  }
}

// ------------------------------------------------------------------ an installed program

// A prefix as an install makes it: the programs in bin/, the shipped files in
// share/corvane/; beside it a fresh home of the user.
class InstalledProgram : public testing::Test {
 protected:
  InstalledProgram() {
    fs::create_directories(Bin());
    fs::create_directories(Shipped());
    for (const char* name : {"setting.ini", "lang_en.lng", "lang_cn.lng"})
      fs::copy_file(test::SourceDataDir() / name, Shipped() / name);
    fs::create_directories(Home());
  }
  fs::path Bin() const { return root_ / "usr/bin"; }
  fs::path Shipped() const { return root_ / "usr/share/corvane"; }
  fs::path Home() const { return root_ / "home/user"; }
  fs::path UserFolder() const { return Home() / ".config/corvane"; }
  FileSearchStart Start() const { return FileSearchStart{Bin(), nullptr, nullptr, home_.c_str()}; }
  // Every file and folder under the prefix with its size, to see that nothing was written there.
  std::map<std::string, std::uintmax_t> PrefixListing() const {
    std::map<std::string, std::uintmax_t> listing;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root_ / "usr"))
      listing[entry.path().string()] = entry.is_regular_file() ? entry.file_size() : 0;
    return listing;
  }

  test::TempDir root_;
  std::string home_ = Home().string();
};

TEST_F(InstalledProgram, FirstStartCopiesTheShippedSettingsIntoTheUsersFolder) {
  struct Case {
    mode_t umask;
    int fileMode;
  };
  for (const Case& c : std::vector<Case>{{022, 0644}, {077, 0600}}) {
    SCOPED_TRACE(c.umask);
    fs::remove_all(Home() / ".config");
    const test::ScopedUmask mask(c.umask);
    const auto before = PrefixListing();
    const LocatedFiles located = AppFiles::Locate(Start());
    ASSERT_TRUE(located.files.has_value()) << located.problem;
    EXPECT_EQ(located.files->SettingsPath(), UserFolder() / "setting.ini");
    EXPECT_EQ(located.files->ProgramDirectory(), Shipped());
    EXPECT_EQ(located.files->LanguagePath(), Shipped() / "lang_en.lng");
    EXPECT_EQ(test::ReadAll(UserFolder() / "setting.ini"), test::ReadAll(Shipped() / "setting.ini"));
    EXPECT_EQ(test::FileMode(UserFolder() / "setting.ini"), c.fileMode);
    EXPECT_EQ(test::FileMode(UserFolder()), 0700);
    EXPECT_EQ(test::FileMode(Home() / ".config"), 0700);
    EXPECT_EQ(std::distance(fs::directory_iterator(UserFolder()), fs::directory_iterator()), 1) << "only setting.ini";

    // The settings written go to the user's file; the prefix stays as it was.
    ASSERT_TRUE(located.files->WriteSetting("setup", "com", "5"));
    EXPECT_EQ(AppFiles::Locate(Start()).files->SettingInt("setup", "com", 1), 5);
    EXPECT_EQ(PrefixListing(), before);
  }
}

TEST_F(InstalledProgram, TheUsersOwnSettingsAreKeptAndChooseTheLanguage) {
  fs::create_directories(UserFolder());
  const std::string own = "[setup]\nlanguage=lang_cn\ncom=3\n";
  const fs::path file = UserFolder() / "setting.ini";
  std::ofstream(file) << own;
  const LocatedFiles located = AppFiles::Locate(Start());
  ASSERT_TRUE(located.files.has_value()) << located.problem;
  EXPECT_EQ(test::ReadAll(file), own);
  EXPECT_EQ(located.files->LanguagePath(), Shipped() / "lang_cn.lng");
  EXPECT_EQ(located.files->SettingInt("setup", "com", 1), 3);
}

TEST_F(InstalledProgram, TheUsersFolderFollowsTheBaseDirectoryRules) {
  const fs::path xdg = root_ / "xdg";
  const std::string xdgText = xdg.string();
  struct Case {
    const char* name;
    const char* xdgConfigHome;
    fs::path expected;
  };
  const std::vector<Case> cases = {
      {"XDG_CONFIG_HOME set", xdgText.c_str(), xdg / "corvane"},
      {"XDG_CONFIG_HOME empty", "", UserFolder()},
      {"XDG_CONFIG_HOME relative, ignored", "relative/config", UserFolder()},
      {"XDG_CONFIG_HOME unset", nullptr, UserFolder()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileSearchStart start = Start();
    start.xdgConfigHome = c.xdgConfigHome;
    const LocatedFiles located = AppFiles::Locate(start);
    ASSERT_TRUE(located.files.has_value()) << located.problem;
    EXPECT_EQ(located.files->SettingsPath(), c.expected / "setting.ini");
    EXPECT_TRUE(fs::is_regular_file(c.expected / "setting.ini"));
  }
  EXPECT_FALSE(fs::exists(fs::current_path() / "relative"));
}

TEST_F(InstalledProgram, AWritableProgramDirectoryWithSettingsIsUsedAsItIs) {
  const test::ProgramDir beside;
  FileSearchStart start = Start();
  start.executableDirectory = beside.Path();
  const LocatedFiles located = AppFiles::Locate(start);
  ASSERT_TRUE(located.files.has_value()) << located.problem;
  EXPECT_EQ(located.files->SettingsPath(), beside.Path() / "setting.ini");
  EXPECT_EQ(located.files->ProgramDirectory(), beside.Path());
  EXPECT_FALSE(fs::exists(Home() / ".config"));
}

TEST_F(InstalledProgram, AReadOnlyProgramDirectoryShipsTheFilesAndTheUserKeepsTheSettings) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write in any folder";
  const test::ProgramDir beside;
  fs::permissions(beside.Path(), fs::perms::owner_write, fs::perm_options::remove);
  FileSearchStart start = Start();
  start.executableDirectory = beside.Path();
  const LocatedFiles located = AppFiles::Locate(start);
  fs::permissions(beside.Path(), fs::perms::owner_write, fs::perm_options::add);
  ASSERT_TRUE(located.files.has_value()) << located.problem;
  EXPECT_EQ(located.files->ProgramDirectory(), beside.Path());
  EXPECT_EQ(located.files->SettingsPath(), UserFolder() / "setting.ini");
}

TEST_F(InstalledProgram, ASettingsFolderThatCannotBeMadeIsExplained) {
  // A file where a folder should be stands in for any folder that cannot be made; it
  // fails the same way for the superuser.
  std::ofstream(Home() / ".config") << "not a folder";
  struct Case {
    const char* name;
    const char* shippedLanguage;  // nullptr: no language file can be read
    std::string expectedText;
  };
  const std::vector<Case> cases = {
      {"English", "lang_en", "Your settings folder could not be prepared"},
      {"Chinese", "lang_cn", "无法准备您的设置文件夹"},
      {"no language file", nullptr, std::string(kUserSettingsFailedMessage)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(Shipped() / "setting.ini")
        << "[setup]\nlanguage=" << (c.shippedLanguage ? c.shippedLanguage : "lang_absent") << "\n";
    const LocatedFiles located = AppFiles::Locate(Start());
    EXPECT_FALSE(located.files.has_value());
    EXPECT_NE(located.problem.find(c.expectedText), std::string::npos) << located.problem;
    EXPECT_NE(located.problem.find((Home() / ".config").string() + ": " + std::strerror(ENOTDIR)), std::string::npos)
        << located.problem;
  }
  EXPECT_TRUE(fs::is_regular_file(Home() / ".config"));
}

TEST_F(InstalledProgram, ASettingsFileThatCannotBeUsedIsExplainedAndLeftAlone) {
  fs::create_directories(UserFolder() / "setting.ini" / "inside");
  const LocatedFiles located = AppFiles::Locate(Start());
  EXPECT_FALSE(located.files.has_value());
  EXPECT_NE(located.problem.find((UserFolder() / "setting.ini").string()), std::string::npos) << located.problem;
  EXPECT_TRUE(fs::is_directory(UserFolder() / "setting.ini" / "inside"));
}

TEST_F(InstalledProgram, NoShippedSettingsAnywhereIsTheMissingSettingsMessage) {
  fs::remove(Shipped() / "setting.ini");
  const LocatedFiles located = AppFiles::Locate(Start());
  EXPECT_FALSE(located.files.has_value());
  EXPECT_EQ(located.problem, kMissingSettingsMessage);
  EXPECT_FALSE(fs::exists(Home() / ".config"));
}

}  // namespace
