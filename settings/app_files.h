#pragma once
// The two files every part of the program depends on: "setting.ini" and the
// language file. Every lookup sees the file as it is now, so an edited file takes
// effect without a restart.
//
// Where they are:
// - $CORVANE_HOME, when set, is the program directory: every file is there.
// - Else the directory of the running executable, when it holds setting.ini and this
//   user may write in it (the build tree, a portable unpack): every file is there, and
//   the settings are written there.
// - Else the program is installed: the shipped files (setting.ini as shipped, the
//   language files, help, voice packages) are in <executable>/../share/corvane (or beside
//   the executable, when it holds setting.ini but may not be written), found from the
//   executable so that any prefix works, and the setting.ini that is read and written is
//   the user's own in $XDG_CONFIG_HOME/corvane/ (~/.config/corvane/ by default). The
//   first start makes that folder (mode 0700) and copies the shipped setting.ini into it
//   (mode 0666 less the umask); a file already there is never replaced.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/profile.h"

// Shown when the program directory holds no settings file; the program then ends.
inline constexpr std::string_view kMissingSettingsMessage = "Can not find the file setting.ini!";
// Shown, followed by the folder or file and the reason, when the user's settings folder
// cannot be made or the shipped settings cannot be copied into it, and the language file
// cannot say it; the program then ends.
inline constexpr std::string_view kUserSettingsFailedMessage =
    "Your settings folder could not be prepared: Corvane keeps its settings (setting.ini) there.";
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

class AppFiles;
struct LocatedFiles;

// What decides where the files are: the environment and where the program runs.
struct FileSearchStart {
  std::filesystem::path executableDirectory;
  const char* corvaneHome = nullptr;    // $CORVANE_HOME
  const char* xdgConfigHome = nullptr;  // $XDG_CONFIG_HOME
  const char* home = nullptr;           // $HOME, else the user's home from the password database
  const char* lcAll = nullptr;          // the locale variables, for the language of a problem
  const char* lcMessages = nullptr;
  const char* lang = nullptr;
};

class AppFiles {
 public:
  // Every file in one directory.
  AppFiles(std::filesystem::path programDirectory, std::string_view languageName);
  // The shipped files in one directory, the settings file elsewhere.
  AppFiles(std::filesystem::path programDirectory, std::filesystem::path settingsPath,
           std::string_view languageName);

  // The files of this run of the program (see the top of this file); the user's settings
  // folder is made on the first start of an installed program.
  static LocatedFiles Locate();
  static LocatedFiles Locate(const FileSearchStart& start);
  static std::filesystem::path DefaultProgramDirectory();

  // The language file's base name: the configured one, or when that is empty "lang_cn"
  // for a zh_CN locale (LC_ALL, else LC_MESSAGES, else LANG) and "lang_en" otherwise.
  static std::string ChooseLanguage(std::string_view configured, const char* lcAll,
                                    const char* lcMessages, const char* lang);

  // Where the shipped files are: language files, help, voice packages.
  const std::filesystem::path& ProgramDirectory() const { return programDirectory_; }
  // The setting.ini that is read and written.
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

// The user's home folder: $HOME, else the password database's entry; empty when neither says.
std::string UserHomeDirectory();

// The program's files as found at start, or the message that says why they cannot be used.
struct LocatedFiles {
  std::optional<AppFiles> files;
  std::string problem;  // set when files is empty; the program then ends
};
