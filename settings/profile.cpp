#include "settings/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "settings/file_io.h"
#include "settings/ascii.h"

namespace profile {
namespace {

using ascii::IsBlank;
using ascii::Trim;

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// One line of an INI file, split into its parts.
struct Line {
  enum Kind { kOther, kSection, kEntry } kind = kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // entry value, trimmed, quotes not yet removed
};

Line Parse(std::string_view raw) {
  const std::string_view text = Trim(raw);
  Line line;
  if (text.empty() || text.front() == ';') return line;
  if (text.front() == '[') {
    const std::size_t close = text.find(']');
    line.kind = Line::kSection;
    line.name = Trim(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return line;
  }
  const std::size_t equals = text.find('=');
  line.kind = Line::kEntry;
  line.name = Trim(text.substr(0, equals));
  if (equals != std::string_view::npos) line.value = Trim(text.substr(equals + 1));
  return line;
}

// Splits text into lines; each piece keeps its line ending so that rewrites preserve it.
std::vector<std::string_view> SplitKeepingEndings(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return lines;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  return text;
}

std::string StripLineBreaks(std::string_view value) {
  std::string clean(value);
  for (char& c : clean)
    if (c == '\n' || c == '\r') c = ' ';
  return clean;
}

std::string LowerCase(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = ascii::Lower(c);
  return lower;
}

// What identifies one state of a file's content without reading it.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  explicit FileIdentity(const struct stat& info)
      : device(info.st_dev), inode(info.st_ino), size(info.st_size), modified(info.st_mtim),
        changed(info.st_ctim) {}
  bool operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           SameTime(modified, other.modified) && SameTime(changed, other.changed);
  }
  static bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }
};

std::chrono::nanoseconds SinceEpoch(const timespec& time) {
  return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

// The parsed INI files, each kept with the identity of the content it was parsed from.
// Lookups from any thread (the transfer worker reads settings too) share them.
class KeptFiles {
 public:
  static KeptFiles& Instance() {
    static KeptFiles instance;
    return instance;
  }

  std::shared_ptr<const IniFile> Load(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
      Forget(path);
      return nullptr;
    }
    {
      const std::lock_guard lock(mutex_);
      const auto at = files_.find(path.native());
      if (at != files_.end() && at->second.trusted && at->second.identity == FileIdentity(info))
        return at->second.parsed;
    }
    return Reload(path);
  }

  void Forget(const std::filesystem::path& path) {
    const std::lock_guard lock(mutex_);
    files_.erase(path.native());
  }

 private:
  struct Kept {
    FileIdentity identity;
    bool trusted = false;
    std::string text;
    std::shared_ptr<const IniFile> parsed;
  };

  // Reads and parses the file; the identity comes from the open file, so it describes
  // the content that was read even when the file is replaced meanwhile.
  std::shared_ptr<const IniFile> Reload(const std::filesystem::path& path) {
    const auto readStart = std::chrono::system_clock::now().time_since_epoch();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      Forget(path);
      return nullptr;
    }
    struct stat info {};
    std::optional<std::string> text;
    if (::fstat(fd, &info) == 0) text = file_io::ReadDescriptor(fd);
    const int readError = errno;
    ::close(fd);
    if (!text) {
      Forget(path);
      errno = readError;
      return nullptr;
    }
    const bool trusted = SinceEpoch(info.st_ctim) + kTimestampMargin < readStart;

    const std::lock_guard lock(mutex_);
    if (files_.size() >= kMaxFiles) files_.clear();
    const auto at = files_.find(path.native());
    // Unchanged content keeps its parse: only the identity is renewed.
    std::shared_ptr<const IniFile> parsed =
        at != files_.end() && at->second.text == *text ? at->second.parsed : std::make_shared<const IniFile>(*text);
    files_.insert_or_assign(path.native(), Kept{FileIdentity(info), trusted, std::move(*text), parsed});
    return parsed;
  }

  // The program reads a handful of files; the bound only guards against a caller
  // that walks many.
  static constexpr std::size_t kMaxFiles = 64;
  std::mutex mutex_;
  std::unordered_map<std::string, Kept> files_;
};

}  // namespace

std::optional<std::string> FindInText(std::string_view text, std::string_view section,
                                      std::string_view key) {
  const IniFile file(text);
  const std::string* value = file.Find(section, key);
  return value != nullptr ? std::optional<std::string>(*value) : std::nullopt;
}

IniFile::IniFile(std::string_view text) {
  Entries* current = nullptr;
  for (std::string_view raw : SplitKeepingEndings(WithoutByteOrderMark(text))) {
    const Line line = Parse(raw);
    if (line.kind == Line::kSection) {
      // A later section of a name already seen is never searched.
      const auto [at, isNew] = sections_.try_emplace(LowerCase(line.name));
      current = isNew ? &at->second : nullptr;
    } else if (current != nullptr && line.kind == Line::kEntry) {
      current->try_emplace(LowerCase(line.name), Unquote(line.value));  // the first match wins
    }
  }
}

const std::string* IniFile::Find(std::string_view section, std::string_view key) const {
  const auto entries = sections_.find(LowerCase(section));
  if (entries == sections_.end()) return nullptr;
  const auto entry = entries->second.find(LowerCase(key));
  return entry == entries->second.end() ? nullptr : &entry->second;
}

std::shared_ptr<const IniFile> Load(const std::filesystem::path& file) { return KeptFiles::Instance().Load(file); }

std::optional<std::string> Find(const std::filesystem::path& file, std::string_view section,
                                std::string_view key) {
  const std::shared_ptr<const IniFile> ini = Load(file);
  if (!ini) return std::nullopt;
  const std::string* value = ini->Find(section, key);
  if (value == nullptr) return std::nullopt;
  return *value;
}

std::string TruncateUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  std::size_t cut = maxBytes;
  // Step back over continuation bytes so that the cut lands on a character boundary.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut));
}

std::string GetString(const std::filesystem::path& file, std::string_view section,
                      std::string_view key, std::string_view defaultValue, std::size_t maxBytes) {
  const std::optional<std::string> value = Find(file, section, key);
  return TruncateUtf8(value ? std::string_view(*value) : defaultValue, maxBytes);
}

int LeadingNumber(std::string_view text) {
  long long number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    number = number * 10 + (c - '0');
    if (number > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(number);
}

int GetInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
           int defaultValue) {
  const std::optional<std::string> value = Find(file, section, key);
  if (!value || value->empty()) return defaultValue;
  return LeadingNumber(*value);
}

std::string WithEntry(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
  const std::vector<std::string_view> lines = SplitKeepingEndings(text);
  const std::string newline = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
  const std::string entry = std::string(key) + "=" + StripLineBreaks(value);

  // Find the key in its section, or the place after the section's last entry.
  std::size_t replaceAt = lines.size();
  std::size_t insertAt = lines.size();
  bool sectionFound = false;
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size() && replaceAt == lines.size(); ++i) {
    const Line line = Parse(i == 0 ? WithoutByteOrderMark(lines[i]) : lines[i]);
    if (line.kind == Line::kSection) {
      if (inSection) break;
      inSection = ascii::EqualIgnoringCase(line.name, section);
      if (inSection) {
        sectionFound = true;
        insertAt = i + 1;
      }
    } else if (inSection && line.kind == Line::kEntry) {
      if (ascii::EqualIgnoringCase(line.name, key)) replaceAt = i;
      insertAt = i + 1;
    }
  }

  std::string result;
  result.reserve(text.size() + entry.size() + section.size() + 8);
  auto appendLine = [&](std::string_view line) {
    result += line;
    if (result.empty() || result.back() != '\n') result += newline;
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == replaceAt) {
      const std::string_view raw = lines[i];
      const bool crlf = raw.ends_with("\r\n");
      result += entry + (crlf ? "\r\n" : raw.ends_with('\n') ? "\n" : newline);
      continue;
    }
    if (i == insertAt && replaceAt == lines.size() && sectionFound) appendLine(entry);
    appendLine(lines[i]);
  }
  if (replaceAt == lines.size()) {
    if (!sectionFound) appendLine("[" + std::string(section) + "]");
    if (!sectionFound || insertAt == lines.size()) appendLine(entry);
  }
  return result;
}

bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value) {
  std::string text;
  if (const std::optional<std::string> old = file_io::ReadFile(file)) {
    text = *old;
  } else if (errno != ENOENT) {
    return false;
  }
  const bool written = file_io::ReplaceFileAtomically(file, WithEntry(text, section, key, value));
  const int writeError = errno;
  KeptFiles::Instance().Forget(file);
  errno = writeError;
  return written;
}

}  // namespace profile
