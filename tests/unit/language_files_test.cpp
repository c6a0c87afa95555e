// The shipped language files: both languages carry the same keys, every key the
// program looks up exists, and the option lists have the lengths the pages expect.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "settings/app_files.h"
#include "settings/profile.h"
#include "tests/unit/test_support.h"

namespace {

using KeySet = std::set<std::pair<std::string, std::string>>;  // (section, key), lower case

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Every (section, key) of an INI file, and the keys that occur twice in one section.
KeySet Keys(const std::filesystem::path& file, std::vector<std::string>* duplicates = nullptr) {
  std::istringstream in(test::ReadAll(file));
  KeySet keys;
  std::string line, section;
  while (std::getline(in, line)) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == ';') continue;
    if (line[first] == '[') {
      section = Lower(line.substr(first + 1, line.find(']') - first - 1));
      continue;
    }
    std::string key = line.substr(first, line.find('=') - first);
    key.erase(key.find_last_not_of(" \t") + 1);
    if (!keys.insert({section, Lower(key)}).second && duplicates) duplicates->push_back(section + "/" + key);
  }
  return keys;
}

const std::vector<std::string> kLanguages = {"lang_en", "lang_cn"};

std::filesystem::path LanguageFile(const std::string& name) { return test::SourceDataDir() / (name + ".lng"); }

TEST(LanguageFiles, BothLanguagesHaveTheSameKeysOnce) {
  std::vector<std::string> duplicates;
  const KeySet english = Keys(LanguageFile("lang_en"), &duplicates);
  const KeySet chinese = Keys(LanguageFile("lang_cn"), &duplicates);
  EXPECT_TRUE(duplicates.empty()) << "first: " << duplicates.front();
  for (const auto& [section, key] : english) EXPECT_TRUE(chinese.count({section, key})) << section << "/" << key;
  for (const auto& [section, key] : chinese) EXPECT_TRUE(english.count({section, key})) << section << "/" << key;
}

// The keys the program's sources name literally, e.g. GetText("IDS_NONE"); a literal
// followed by "+" is the prefix of keys built at run time and is checked separately.
std::set<std::string> KeysUsedInSources() {
  const std::regex literal("\"((IDS|MENU)_[A-Z0-9_]*[A-Z0-9])\"(?!\\s*\\+)");
  std::set<std::string> used;
  const std::filesystem::path root(CORVANE_SOURCE_DIR);
  for (const char* folder : {"settings", "radio", "link", "ui", "dialogs", "pages", "app", "cli", "sim"}) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
      const std::string text = test::ReadAll(entry.path());
      for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it) used.insert((*it)[1]);
    }
  }
  return used;
}

TEST(LanguageFiles, EveryKeyTheProgramUsesExists) {
  const std::set<std::string> used = KeysUsedInSources();
  ASSERT_GT(used.size(), 10u);
  for (const std::string& language : kLanguages) {
    const KeySet keys = Keys(LanguageFile(language));
    for (const std::string& key : used)
      EXPECT_TRUE(keys.count({"string", Lower(key)}) || keys.count({"face", Lower(key)})) << language << ": " << key;
    for (int column = 0; column < 13; ++column)
      EXPECT_TRUE(keys.count({"face", "ids_col" + std::to_string(column)})) << language << ": IDS_COL" << column;
  }
}

TEST(LanguageFiles, OptionListsHaveTheirLengthsAndFitTheirBoxes) {
  const std::map<std::string, std::size_t> lengths = {
      {"BUSYLOCKOUT", 3}, {"USUALKEY", 8},  {"SHORTKEYFUNC", 5}, {"LONGKEYFUNC", 9},     {"PROGRAMMEKEY", 2},
      {"TAILREVERSAL", 3}, {"PTTID", 3},    {"SCANTYPE", 3},     {"PRIORITY", 2},        {"REVERTCH", 6},
      {"SIGNALRELATION", 2}, {"CALLFORMAT", 10}, {"CALLRESPONSE", 4}};
  for (const std::string& language : kLanguages) {
    const AppFiles files(test::SourceDataDir(), language);
    for (const auto& [section, length] : lengths) {
      SCOPED_TRACE(language + " " + section);
      const std::vector<std::string> entries = files.OptionList(section);
      EXPECT_EQ(entries.size(), length);
      for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_FALSE(entries[i].empty()) << "entry " << i;
        // Entries are read with a 29-byte limit; a longer one would be cut.
        EXPECT_LE(profile::Find(files.LanguagePath(), section, std::to_string(i))->size(), 29u) << "entry " << i;
      }
    }
  }
}

TEST(LanguageFiles, ShippedSettingsChooseEnglishAndDescribeFourModels) {
  const std::filesystem::path settings = test::SourceDataDir() / "setting.ini";
  EXPECT_EQ(profile::GetString(settings, "setup", "language", "", 259), "lang_en");
  EXPECT_EQ(profile::GetInt(settings, "setup", "com", 0), 1);
  EXPECT_EQ(profile::GetString(settings, "setup", "autocom", "", 9), "1");
  EXPECT_EQ(profile::GetString(settings, "setup", "ctcdcs", "", 7), "13");
  for (int model = 0; model < 4; ++model) {
    SCOPED_TRACE(model);
    const std::string n = std::to_string(model);
    EXPECT_EQ(profile::Find(settings, "model", "model" + n).value_or("").size(), 16u);
    EXPECT_EQ(profile::Find(settings, "model", "value" + n).value_or("").size(), 32u);
    const std::string name = profile::Find(settings, "model", "fdisp" + n).value_or("");
    EXPECT_FALSE(name.empty());
    EXPECT_LE(name.size(), 29u);
  }
}

}  // namespace
