#include "settings/app_files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "settings/file_io.h"
#include "settings/profile.h"

namespace {

constexpr std::size_t kTextMaxBytes = 999;
constexpr std::size_t kResourceMaxBytes = 1023;
constexpr std::size_t kListEntryMaxBytes = 29;
constexpr std::size_t kLanguageNameMaxBytes = 259;

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

bool NonEmpty(const char* value) { return value != nullptr && *value != '\0'; }

constexpr const char* kSettingsFileName = "setting.ini";

#ifndef CORVANE_SHIPPED_FROM_BIN
#define CORVANE_SHIPPED_FROM_BIN "../share/corvane"
#endif
// The shipped files of an installed program, relative to the folder of its executable.
constexpr const char* kShippedFromExecutable = CORVANE_SHIPPED_FROM_BIN;

bool IsFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::filesystem::path ExecutableDirectory() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error);
  return program.parent_path();
}

std::string LanguageFor(const std::filesystem::path& settingsPath, const FileSearchStart& start) {
  const std::string configured = profile::GetString(settingsPath, "setup", "language", "", kLanguageNameMaxBytes);
  return AppFiles::ChooseLanguage(configured, start.lcAll, start.lcMessages, start.lang);
}

// The per-user folder of the settings by the XDG base directory rules: $XDG_CONFIG_HOME when
// it is an absolute path (a relative one is to be ignored), else ~/.config.
std::optional<std::filesystem::path> UserSettingsFolder(const FileSearchStart& start) {
  if (NonEmpty(start.xdgConfigHome) && std::filesystem::path(start.xdgConfigHome).is_absolute())
    return std::filesystem::path(start.xdgConfigHome) / "corvane";
  if (NonEmpty(start.home)) return std::filesystem::path(start.home) / ".config" / "corvane";
  return std::nullopt;
}

// Why the user's settings cannot be used, in the language of the shipped files when they
// can say it: what failed (a folder or file) and the system's reason.
LocatedFiles UserSettingsProblem(const std::filesystem::path& shippedDirectory, const FileSearchStart& start,
                                 const std::filesystem::path& what, int error) {
  const AppFiles shipped(shippedDirectory, LanguageFor(shippedDirectory / kSettingsFileName, start));
  std::string text = shipped.GetText("IDS_USERSETTINGS_FAILED");
  if (text == kTextNotFound) text = kUserSettingsFailedMessage;
  return LocatedFiles{std::nullopt, text + "\n" + what.string() + ": " + std::strerror(error)};
}

LocatedFiles InOneDirectory(const std::filesystem::path& directory, const FileSearchStart& start) {
  if (!IsFile(directory / kSettingsFileName)) return LocatedFiles{std::nullopt, std::string(kMissingSettingsMessage)};
  return LocatedFiles{AppFiles(directory, LanguageFor(directory / kSettingsFileName, start)), ""};
}

// An installed program: the shipped files in shippedDirectory, the settings in the user's folder,
// copied from the shipped ones when the user has none yet.
LocatedFiles WithUserSettings(const std::filesystem::path& shippedDirectory, const FileSearchStart& start) {
  const std::optional<std::filesystem::path> folder = UserSettingsFolder(start);
  if (!folder) return UserSettingsProblem(shippedDirectory, start, "~/.config/corvane", ENOENT);
  if (const std::optional<std::filesystem::path> failed = file_io::MakeFolders(*folder))
    return UserSettingsProblem(shippedDirectory, start, *failed, errno);

  const std::filesystem::path settings = *folder / kSettingsFileName;
  std::error_code ignored;
  if (std::filesystem::exists(settings, ignored) && !IsFile(settings))
    return UserSettingsProblem(shippedDirectory, start, settings,
                               std::filesystem::is_directory(settings, ignored) ? EISDIR : EINVAL);
  if (!IsFile(settings)) {
    const std::filesystem::path original = shippedDirectory / kSettingsFileName;
    const std::optional<std::string> content = file_io::ReadFile(original);
    if (!content) return UserSettingsProblem(shippedDirectory, start, original, errno);
    // EEXIST: another start of the program made it meanwhile; that one is kept.
    if (!file_io::CreateFileAtomically(settings, *content) && errno != EEXIST)
      return UserSettingsProblem(shippedDirectory, start, settings, errno);
  }
  return LocatedFiles{AppFiles(shippedDirectory, settings, LanguageFor(settings, start)), ""};
}

}  // namespace

AppFiles::AppFiles(std::filesystem::path programDirectory, std::string_view languageName)
    : AppFiles(programDirectory, programDirectory / kSettingsFileName, languageName) {}

AppFiles::AppFiles(std::filesystem::path programDirectory, std::filesystem::path settingsPath,
                   std::string_view languageName)
    : programDirectory_(std::move(programDirectory)),
      settingsPath_(std::move(settingsPath)),
      languagePath_(programDirectory_ / (std::string(languageName) + ".lng")) {}

std::filesystem::path AppFiles::DefaultProgramDirectory() {
  if (const char* home = std::getenv("CORVANE_HOME"); NonEmpty(home)) return home;
  return ExecutableDirectory();
}

std::string AppFiles::ChooseLanguage(std::string_view configured, const char* lcAll,
                                     const char* lcMessages, const char* lang) {
  if (!configured.empty()) return std::string(configured);
  // The locale in effect for messages, by the usual precedence.
  const char* locale = NonEmpty(lcAll) ? lcAll : NonEmpty(lcMessages) ? lcMessages : lang;
  const bool chinese = NonEmpty(locale) && std::string_view(locale).starts_with("zh_CN");
  return chinese ? "lang_cn" : "lang_en";
}

LocatedFiles AppFiles::Locate() {
  FileSearchStart start{ExecutableDirectory(),  std::getenv("CORVANE_HOME"), std::getenv("XDG_CONFIG_HOME"),
                        nullptr,                std::getenv("LC_ALL"),       std::getenv("LC_MESSAGES"),
                        std::getenv("LANG")};
  const std::string home = UserHomeDirectory();
  start.home = home.c_str();
  return Locate(start);
}

std::string UserHomeDirectory() {
  if (const char* home = std::getenv("HOME"); NonEmpty(home)) return home;
  if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) return user->pw_dir;
  return {};
}

LocatedFiles AppFiles::Locate(const FileSearchStart& start) {
  if (NonEmpty(start.corvaneHome)) return InOneDirectory(start.corvaneHome, start);
  const std::filesystem::path& beside = start.executableDirectory;
  const bool shippedBeside = IsFile(beside / kSettingsFileName);
  if (shippedBeside && ::access(beside.c_str(), W_OK) == 0) return InOneDirectory(beside, start);
  const std::filesystem::path shipped =
      shippedBeside ? beside : (beside / kShippedFromExecutable).lexically_normal();
  if (!IsFile(shipped / kSettingsFileName)) return LocatedFiles{std::nullopt, std::string(kMissingSettingsMessage)};
  return WithUserSettings(shipped, start);
}

const std::string* LanguageTexts::Find(std::string_view section, std::string_view key) const {
  return file_ ? file_->Find(section, key) : nullptr;
}

std::string LanguageTexts::GetText(std::string_view key) const {
  const std::string* found = Find("String", key);
  std::string text = profile::TruncateUtf8(found ? std::string_view(*found) : kTextNotFound, kTextMaxBytes);
  ReplaceAll(text, "\\n", "\n");
  ReplaceAll(text, "\\t", "\t");
  return text;
}

std::string LanguageTexts::GetCountText(std::string_view key, std::size_t count) const {
  std::string text = GetText(key);
  if (const std::size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(count));
  return text;
}

std::string LanguageTexts::FaceText(std::string_view key) const {
  const std::string* found = Find("Face", key);
  return found ? profile::TruncateUtf8(*found, kListEntryMaxBytes) : std::string();
}

std::string LanguageTexts::OptionText(std::string_view section, int index) const {
  const std::string* found = Find(section, std::to_string(index));
  return found ? profile::TruncateUtf8(*found, kListEntryMaxBytes) : std::string();
}

std::vector<std::string> LanguageTexts::OptionList(std::string_view section, ListEnd end) const {
  std::vector<std::string> entries;
  for (int index = 0;; ++index) {
    const std::string* entry = Find(section, std::to_string(index));
    if (entry == nullptr || (end == ListEnd::MissingOrEmpty && entry->empty())) break;
    entries.push_back(profile::TruncateUtf8(*entry, kListEntryMaxBytes));
  }
  return entries;
}

std::optional<std::string> LanguageTexts::ResourceText(int id) const {
  const std::string* found = Find("Resource", "^" + std::to_string(id));
  if (found == nullptr || found->empty()) return std::nullopt;
  return profile::TruncateUtf8(*found, kResourceMaxBytes);
}

std::optional<std::string> AppFiles::FindSetting(std::string_view section, std::string_view key) const {
  return profile::Find(settingsPath_, section, key);
}

std::string AppFiles::Setting(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::size_t maxBytes) const {
  return profile::GetString(settingsPath_, section, key, defaultValue, maxBytes);
}

int AppFiles::SettingInt(std::string_view section, std::string_view key, int defaultValue) const {
  return profile::GetInt(settingsPath_, section, key, defaultValue);
}

bool AppFiles::WriteSetting(std::string_view section, std::string_view key,
                            std::string_view value) const {
  return profile::WriteString(settingsPath_, section, key, value);
}
