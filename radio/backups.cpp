#include "radio/backups.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <tuple>

#include "radio/codecs.h"
#include "settings/app_files.h"
#include "settings/file_io.h"

namespace backup {
namespace {

constexpr std::string_view kExtension = ".vxp";
// Enough for any burst of backups in one second; beyond it the folder is not usable.
constexpr int kMaxSequence = 999;
constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;
constexpr std::size_t kModelNameMaxBytes = 29;  // as the model selector shows it

// The model selector's name of a model of setting.ini.
std::string ModelSelectorName(const AppFiles& files, int model) {
  return files.Setting("model", "fdisp" + std::to_string(model), "", kModelNameMaxBytes);
}

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsModelCharacter(char c) {
  return IsAsciiDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '+' || c == '_';
}

// The decimal number of `count` digits at the front of text, taken off it; nullopt when
// they are not all digits.
std::optional<int> TakeDigits(std::string_view& text, std::size_t count) {
  if (text.size() < count) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsAsciiDigit(text[i])) return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  text.remove_prefix(count);
  return value;
}

bool Take(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

// A prompter for files read without a user: nothing is asked.
class SilentPrompter : public Prompter {
 public:
  PromptAnswer Ask(const PromptRequest&) override { return PromptAnswer::Cancel; }
};

}  // namespace

std::optional<std::filesystem::path> Folder(const char* xdgDataHome, const std::string& home) {
  const std::filesystem::path tail = std::filesystem::path("corvane") / "backups";
  if (xdgDataHome != nullptr && std::filesystem::path(xdgDataHome).is_absolute()) return xdgDataHome / tail;
  if (home.empty()) return std::nullopt;
  return std::filesystem::path(home) / ".local" / "share" / tail;
}

std::optional<std::filesystem::path> UserFolder() { return Folder(std::getenv("XDG_DATA_HOME"), UserHomeDirectory()); }

std::optional<Name> ParseName(std::string_view text) {
  Name name;
  const std::optional<int> year = TakeDigits(text, 4);
  const std::optional<int> month = TakeDigits(text, 2);
  const std::optional<int> day = TakeDigits(text, 2);
  if (!year || !month || !day || !Take(text, '-')) return std::nullopt;
  const std::optional<int> hour = TakeDigits(text, 2);
  const std::optional<int> minute = TakeDigits(text, 2);
  const std::optional<int> second = TakeDigits(text, 2);
  if (!hour || !minute || !second || !Take(text, '-')) return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60)
    return std::nullopt;
  name.year = *year;
  name.month = *month;
  name.day = *day;
  name.hour = *hour;
  name.minute = *minute;
  name.second = *second;

  if (!text.ends_with(kExtension)) return std::nullopt;
  text.remove_suffix(kExtension.size());
  // A sequence number: ".<digits>" at the end, 2 or more, written without leading zeros.
  if (const std::size_t dot = text.rfind('.'); dot != std::string_view::npos) {
    std::string_view digits = text.substr(dot + 1);
    const std::size_t count = digits.size();
    if (count == 0 || count > 3 || digits.front() == '0') return std::nullopt;
    const std::optional<int> sequence = TakeDigits(digits, count);
    if (!sequence || *sequence < 2) return std::nullopt;
    name.sequence = *sequence;
    text = text.substr(0, dot);
  }
  if (text.empty() || !std::all_of(text.begin(), text.end(), IsModelCharacter)) return std::nullopt;
  name.model = std::string(text);
  return name;
}

std::string FileName(const Name& name) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d-", name.year % 10000, name.month % 100, name.day % 100,
                name.hour % 100, name.minute % 100, name.second % 100);
  std::string file = stamp + name.model;
  if (name.sequence > 1) file += "." + std::to_string(name.sequence);
  return file + std::string(kExtension);
}

std::string FileSafeModel(std::string_view model) {
  std::string safe;
  bool gap = false;
  for (const char c : model) {
    if (IsModelCharacter(c) && c != '_') {
      if (gap && !safe.empty()) safe += '_';
      safe += c;
      gap = false;
    } else {
      gap = true;
    }
  }
  return safe;
}

std::string ModelName(const CTavroPgmDoc& doc) {
  if (doc.ModelIndex() != CTavroPgmDoc::kNoModel) {
    const std::string name = FileSafeModel(ModelSelectorName(doc.Files(), doc.ModelIndex()));
    if (!name.empty()) return name;
  }
  std::string hex;
  for (const std::uint8_t byte : doc.Image().subspan(image::kModelId, image::kModelIdSize)) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    hex += digits;
  }
  return hex;
}

std::array<std::uint8_t, block::kSize> DataFileBytes(const CTavroPgmDoc& doc) {
  std::array<std::uint8_t, block::kSize> bytes{};
  std::copy(block::kFreshHeader.begin(), block::kFreshHeader.end(), bytes.begin() + block::kHeader);
  const auto source = doc.Block();
  std::copy(source.begin() + block::kImage, source.end(), bytes.begin() + block::kImage);
  return bytes;
}

std::optional<std::filesystem::path> Write(const std::filesystem::path& folder,
                                           std::span<const std::uint8_t, block::kSize> bytes, std::string_view model,
                                           std::time_t now, int keepDays) {
  if (file_io::MakeFolders(folder)) return std::nullopt;
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr) return std::nullopt;
  Name name{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
            FileSafeModel(model), 1};
  if (name.model.empty()) name.model = "radio";
  const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  for (; name.sequence <= kMaxSequence; ++name.sequence) {
    const std::filesystem::path path = folder / FileName(name);
    // Created, never replaced: a backup of the same second already there stays as it is.
    if (file_io::CreateFileAtomically(path, content)) {
      Prune(folder, now, keepDays);
      return path;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  errno = EEXIST;
  return std::nullopt;
}

void Prune(const std::filesystem::path& folder, std::time_t now, int keepDays) {
  if (keepDays <= 0) return;
  const std::int64_t oldest = static_cast<std::int64_t>(now) - static_cast<std::int64_t>(keepDays) * kSecondsPerDay;
  std::error_code error;
  for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder, error)) {
    if (!ParseName(entry.path().filename().string())) continue;
    struct stat info{};
    // A link or a folder named like a backup is not one of ours.
    if (::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (static_cast<std::int64_t>(info.st_mtime) >= oldest) continue;
    std::error_code ignored;
    std::filesystem::remove(entry.path(), ignored);
  }
}

std::string TimeText(const Name& name) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", name.year % 10000, name.month % 100,
                name.day % 100, name.hour % 100, name.minute % 100, name.second % 100);
  return text;
}

std::vector<Entry> List(const AppFiles& files, const std::filesystem::path& folder) {
  std::vector<Entry> entries;
  std::error_code error;
  for (const std::filesystem::directory_entry& found : std::filesystem::directory_iterator(folder, error)) {
    std::optional<Name> name = ParseName(found.path().filename().string());
    std::error_code ignored;
    if (!name || !found.is_regular_file(ignored)) continue;
    const std::optional<std::string> content = file_io::ReadFile(found.path(), block::kSize + 1);
    if (!content || content->size() != block::kSize) continue;
    CTavroPgmDoc doc(files);
    SilentPrompter silent;
    if (!doc.Load(std::span(reinterpret_cast<const std::uint8_t*>(content->data()), content->size()), silent))
      continue;
    Entry entry;
    entry.path = found.path();
    if (doc.ModelIndex() != CTavroPgmDoc::kNoModel) entry.model = ModelSelectorName(files, doc.ModelIndex());
    if (entry.model.empty()) entry.model = name->model;
    for (int channel = 1; channel <= image::kChannelCount; ++channel)
      if (doc.IsChannelUsed(channel)) ++entry.usedChannels;
    std::copy(doc.VoiceId().begin(), doc.VoiceId().end(), entry.voiceId.begin());
    entry.name = std::move(*name);
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    const auto key = [](const Entry& e) {
      return std::tie(e.name.year, e.name.month, e.name.day, e.name.hour, e.name.minute, e.name.second,
                      e.name.sequence);
    };
    if (key(a) != key(b)) return key(a) > key(b);
    return a.path.filename() > b.path.filename();
  });
  return entries;
}

Kept Keep(const CTavroPgmDoc& doc) {
  const std::optional<std::filesystem::path> folder = UserFolder();
  if (!folder) return {{}, FileError{"IDS_BACKUP_FAILED", "~/.local/share/corvane/backups", ENOENT}};
  const int keepDays = doc.Files().SettingInt("backup", "days", kDefaultKeepDays);
  const std::optional<std::filesystem::path> path =
      Write(*folder, DataFileBytes(doc), ModelName(doc), std::time(nullptr), keepDays);
  if (!path) return {{}, FileError{"IDS_BACKUP_FAILED", *folder, errno}};
  return {*path, std::nullopt};
}

}  // namespace backup
