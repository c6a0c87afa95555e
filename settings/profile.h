#pragma once
// INI ("private profile") files: settings and language files.
//
// Every lookup sees the file as it is now, so an edited file takes effect at the
// next lookup: a file is parsed once and its parse kept while the file's identity
// (device, inode, size, modification and change times) stays the same; our own
// writes drop the kept parse. Section and key names compare case-insensitively (ASCII), the first
// match wins, values are trimmed and lose one pair of surrounding quotes.
// Files are UTF-8; a size limit truncates in bytes but never splits a character.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace profile {

// Looks a key up in INI text already in memory, as a lookup in a file holding that text
// does; nullopt when the section or key is absent.
std::optional<std::string> FindInText(std::string_view text, std::string_view section,
                                      std::string_view key);

// File timestamps come from a coarse clock, so two writes close together can leave
// the same times and size behind. A kept parse is reused only when the file had last
// changed at least this long before it was read; until then each lookup reads again.
inline constexpr std::chrono::milliseconds kTimestampMargin{100};

// A parsed INI file: what the lookups of one state of the file find.
class IniFile {
 public:
  explicit IniFile(std::string_view text);
  // The value of key in the first section of that name; nullptr when absent.
  const std::string* Find(std::string_view section, std::string_view key) const;

 private:
  using Entries = std::unordered_map<std::string, std::string>;  // lower-case key -> value
  std::unordered_map<std::string, Entries> sections_;          // lower-case name -> entries
};

// The file's current parse (shared, never changed); nullptr when it cannot be read.
std::shared_ptr<const IniFile> Load(const std::filesystem::path& file);

// Looks a key up in a file; nullopt when the file, the section or the key is absent.
std::optional<std::string> Find(const std::filesystem::path& file, std::string_view section,
                                std::string_view key);

// The value truncated to maxBytes, or defaultValue (also truncated) when the key is absent.
std::string GetString(const std::filesystem::path& file, std::string_view section,
                      std::string_view key, std::string_view defaultValue, std::size_t maxBytes);

// The leading decimal number of the value; 0 when it does not start with a digit;
// defaultValue when the key is absent or its value empty.
int GetInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
           int defaultValue);

// Sets key=value, keeping every other line and comment. The file is replaced atomically
// (temporary file, then rename), so an interrupted write leaves the old file intact.
// Returns false, with errno describing the failure, when the file could not be written.
bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);

// The text with key=value set in section, keeping every other line and comment: what
// WriteString puts in place of a file holding `text`.
std::string WithEntry(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value);

// Cuts text to at most maxBytes bytes without splitting a UTF-8 sequence.
std::string TruncateUtf8(std::string_view text, std::size_t maxBytes);

// Leading decimal digits as a number (saturating); 0 when there are none.
int LeadingNumber(std::string_view text);

}  // namespace profile
