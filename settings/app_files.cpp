#include "settings/app_files.h"

#include <cstdlib>
#include <system_error>

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

}  // namespace

AppFiles::AppFiles(std::filesystem::path programDirectory, std::string_view languageName)
    : programDirectory_(std::move(programDirectory)),
      settingsPath_(programDirectory_ / "setting.ini"),
      languagePath_(programDirectory_ / (std::string(languageName) + ".lng")) {}

std::filesystem::path AppFiles::DefaultProgramDirectory() {
  if (const char* home = std::getenv("CORVANE_HOME"); NonEmpty(home)) return home;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error);
  return program.parent_path();
}

std::string AppFiles::ChooseLanguage(std::string_view configured, const char* lcAll,
                                     const char* lcMessages, const char* lang) {
  if (!configured.empty()) return std::string(configured);
  // The locale in effect for messages, by the usual precedence.
  const char* locale = NonEmpty(lcAll) ? lcAll : NonEmpty(lcMessages) ? lcMessages : lang;
  const bool chinese = NonEmpty(locale) && std::string_view(locale).starts_with("zh_CN");
  return chinese ? "lang_cn" : "lang_en";
}

std::optional<AppFiles> AppFiles::Locate() {
  const std::filesystem::path directory = DefaultProgramDirectory();
  std::error_code error;
  if (!std::filesystem::is_regular_file(directory / "setting.ini", error)) return std::nullopt;
  const std::string configured =
      profile::GetString(directory / "setting.ini", "setup", "language", "", kLanguageNameMaxBytes);
  return AppFiles(directory, ChooseLanguage(configured, std::getenv("LC_ALL"),
                                            std::getenv("LC_MESSAGES"), std::getenv("LANG")));
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
