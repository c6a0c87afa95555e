#pragma once
// The two files every part of the program depends on: "setting.ini" and the
// language file, both beside the program. Every lookup sees the file as it is
// now, so an edited file takes effect without a restart.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/profile.h"

// Shown when the program directory holds no settings file; the program then ends.
inline constexpr std::string_view kMissingSettingsMessage = "Can not find the file setting.ini!";
// The program's title: main window, and the caption of a few messages.
inline constexpr std::string_view kProgramTitle = "Corvane";
// What GetText gives for a key the language file does not have.
inline constexpr std::string_view kTextNotFound = "Not Found";

// The language file as it is at one moment. A burst of lookups (a table's labels, a
// page's captions) takes one of these, so the file's identity is checked once for
// the burst and its texts all come from the same version of the file.
class LanguageTexts {
 public:
  explicit LanguageTexts(std::shared_ptr<const profile::IniFile> file) : file_(std::move(file)) {}

  // Text of key in section "String"; "Not Found" when missing; \n and \t become
  // a line feed and a tab.
  std::string GetText(std::string_view key) const;
  // GetText with its first "%d" replaced by a count ("...and %d more.").
  std::string GetCountText(std::string_view key, std::size_t count) const;
  // Column header or label of section "Face" (at most 29 bytes); empty when missing.
  std::string FaceText(std::string_view key) const;
  // Where an option list ends: at the first missing key (the channel, function and scan
  // pages), or also at the first empty value (the signalling page).
  enum class ListEnd { MissingKey, MissingOrEmpty };
  // The entries "0", "1", ... of an option-list section, up to where `end` says.
  std::vector<std::string> OptionList(std::string_view section, ListEnd end = ListEnd::MissingKey) const;
  // One entry of an option-list section (at most 29 bytes); empty when missing.
  std::string OptionText(std::string_view section, int index) const;
  // Caption of a dialog or control id from section "Resource" (key "^<id>");
  // nullopt when the key is missing or empty, so the template text stays.
  std::optional<std::string> ResourceText(int id) const;

 private:
  const std::string* Find(std::string_view section, std::string_view key) const;
  std::shared_ptr<const profile::IniFile> file_;  // nullptr when the file cannot be read
};

class AppFiles {
 public:
  AppFiles(std::filesystem::path programDirectory, std::string_view languageName);

  // The files beside this program: the directory is $CORVANE_HOME when set, else the
  // directory of the running executable. nullopt when "setting.ini" is not there.
  static std::optional<AppFiles> Locate();
  static std::filesystem::path DefaultProgramDirectory();

  // The language file's base name: the configured one, or when that is empty "lang_cn"
  // for a zh_CN locale (LC_ALL, else LC_MESSAGES, else LANG) and "lang_en" otherwise.
  static std::string ChooseLanguage(std::string_view configured, const char* lcAll,
                                    const char* lcMessages, const char* lang);

  const std::filesystem::path& ProgramDirectory() const { return programDirectory_; }
  const std::filesystem::path& SettingsPath() const { return settingsPath_; }
  const std::filesystem::path& LanguagePath() const { return languagePath_; }

  // The language file as it is now, for several lookups.
  LanguageTexts Texts() const { return LanguageTexts(profile::Load(languagePath_)); }
  // Single lookups; see LanguageTexts.
  std::string GetText(std::string_view key) const { return Texts().GetText(key); }
  std::string FaceText(std::string_view key) const { return Texts().FaceText(key); }
  std::vector<std::string> OptionList(std::string_view section,
                                      LanguageTexts::ListEnd end = LanguageTexts::ListEnd::MissingKey) const {
    return Texts().OptionList(section, end);
  }
  std::string OptionText(std::string_view section, int index) const { return Texts().OptionText(section, index); }
  std::optional<std::string> ResourceText(int id) const { return Texts().ResourceText(id); }

  // Settings of "setting.ini".
  std::optional<std::string> FindSetting(std::string_view section, std::string_view key) const;
  std::string Setting(std::string_view section, std::string_view key, std::string_view defaultValue,
                      std::size_t maxBytes) const;
  int SettingInt(std::string_view section, std::string_view key, int defaultValue) const;
  bool WriteSetting(std::string_view section, std::string_view key, std::string_view value) const;

 private:
  std::filesystem::path programDirectory_;
  std::filesystem::path settingsPath_;
  std::filesystem::path languagePath_;
};
